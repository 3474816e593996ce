#include "app/qt_texts.h"

#include <QCoreApplication>
#include <QTranslator>

namespace zentrox::app {

bool InstallRomanianQtTexts() {
  // Lives as long as the application that uses it.
  static QTranslator* translator = nullptr;
  if (translator != nullptr) return true;
  auto* loaded = new QTranslator(QCoreApplication::instance());
  if (!loaded->load(QStringLiteral(":/zentrox/translations/qt_ro.qm"))) {
    delete loaded;
    return false;
  }
  QCoreApplication::installTranslator(loaded);
  translator = loaded;
  return true;
}

}  // namespace zentrox::app
