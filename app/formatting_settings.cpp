#include "app/formatting_settings.h"

#include <clocale>
#include <cstdio>

#include <QDate>
#include <QLocale>

namespace zentrox::app {

QString ShortDateFormat() { return QStringLiteral("dd.MM.yyyy"); }

void ApplyFormattingSettings() {
  // Only the numeric part: the core never parses or prints through the C
  // library's locale, but third-party code in the process might.
  std::setlocale(LC_NUMERIC, "C");
  // The C locale of Qt: "." as decimal separator; dates are always formatted
  // with ShortDateFormat().
  QLocale locale(QLocale::C);
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  QLocale::setDefault(locale);
}

Formatter ProcessFormatter() {
  Formatter f;
  f.number = [](double value) {
    // Both ways the process formats numbers must use the full stop; the
    // first one that does not is what the check sees.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    QString c_text = QString::fromLatin1(buffer);
    if (!c_text.contains(QLatin1Char('.'))) return c_text;
    return QLocale().toString(value, 'g');
  };
  f.today = [] { return QLocale().toString(QDate::currentDate(), ShortDateFormat()); };
  return f;
}

QString DecimalSeparatorMessage() {
  return QStringLiteral(
      "Separator zecimal trebuie sa fie \".\"\r Instalati corect formatul numeric !\r"
      " Control Panel->Regional and Language Options");
}

QString DateFormatMessage() {
  return QStringLiteral(
      "Formatul datei este incorect.\"\r Instalati corect formatul datei !\r"
      " Control Panel->Regional and Language Options");
}

std::optional<QString> VerifyFormatting(const Formatter& formatter) {
  if (!formatter.number(12.34).contains(QLatin1Char('.'))) return DecimalSeparatorMessage();
  const QString date = formatter.today();
  if (date.size() != 10) return DateFormatMessage();
  // Characters 1-2, 4-5 and 7-10 must be numbers; their values are not used.
  for (const QString& part : {date.mid(0, 2), date.mid(3, 2), date.mid(6, 4)}) {
    bool ok = false;
    part.toInt(&ok);
    if (!ok) return DateFormatMessage();
  }
  return std::nullopt;
}

std::optional<QString> CheckRegionalSettings() {
  ApplyFormattingSettings();
  return VerifyFormatting(ProcessFormatter());
}

}  // namespace zentrox::app
