// The process-wide number and date formatting every loader and check relies
// on: a full stop as decimal separator and dates as dd.mm.yyyy.
//
// On this platform that is the C library's numeric locale (which the GUI
// toolkit sets from the environment at start-up) and the locale Qt formats
// with; both are forced, then verified by TForm1.CheckRegionalSettings.
#pragma once

#include <functional>
#include <optional>

#include <QString>

namespace zentrox::app {

// "dd/mm/yyyy" with each slash replaced by the date separator, in Qt's notation.
QString ShortDateFormat();

// Sets the whole formatting table of the process.
void ApplyFormattingSettings();

// How the process formats now: a number in the general floating-point format
// and today's date in the short date format.
struct Formatter {
  std::function<QString(double)> number;
  std::function<QString()> today;
};
Formatter ProcessFormatter();

// The three-line error texts (lines separated by a carriage return).
QString DecimalSeparatorMessage();
QString DateFormatMessage();

// Verifies the formatting: nothing when it is right, else the error text.
std::optional<QString> VerifyFormatting(const Formatter& formatter);

// TForm1.CheckRegionalSettings: forces the settings, then verifies them.
std::optional<QString> CheckRegionalSettings();

}  // namespace zentrox::app
