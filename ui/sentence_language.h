// The language the desktop program shows rule sentences in (Romanian unless
// the user chose Russian in the start menu). One object for the whole
// program: the pages that show sentences follow its changes.
#pragma once

#include <QObject>

#include "report/rule_catalogue.h"

namespace zentrox::ui {

class SentenceLanguageChoice : public QObject {
  Q_OBJECT
 public:
  explicit SentenceLanguageChoice(QObject* parent = nullptr) : QObject(parent) {}

  SentenceLanguage language() const { return language_; }
  void SetLanguage(SentenceLanguage language) {
    if (language == language_) return;
    language_ = language;
    emit changed();
  }

 signals:
  void changed();

 private:
  SentenceLanguage language_ = SentenceLanguage::Romanian;
};

// `choice`'s language, Romanian without one.
inline SentenceLanguage LanguageOf(const SentenceLanguageChoice* choice) {
  return choice != nullptr ? choice->language() : SentenceLanguage::Romanian;
}

}  // namespace zentrox::ui
