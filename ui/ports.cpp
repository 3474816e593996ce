#include "ui/ports.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

namespace zentrox::ui {

QString ForDisplay(const QString& text) {
  QString out = text;
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return out;
}

std::optional<QString> QtFileDialogs::Open(QWidget* parent, const OpenDialogSpec& setup) {
  QFileDialog dialog(parent, setup.title);
  dialog.setObjectName(setup.object_name);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(setup.filters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtFileDialogs::Save(QWidget* parent, const SaveDialogSpec& setup, const QString& preset) {
  QFileDialog dialog(parent);
  dialog.setObjectName(setup.object_name);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(setup.default_suffix);
  dialog.selectFile(preset);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

void QtMessageBoxes::Information(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), ForDisplay(text), QMessageBox::Ok, parent);
  box.exec();
}

void QtMessageBoxes::Error(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), ForDisplay(text), QMessageBox::Ok, parent);
  box.exec();
}

QString QtPrinters::DefaultPrinter() {
  // QPrinter alone would fall back to an unnamed PDF file and print nothing,
  // so the default printer is asked for explicitly.
  QPrinterInfo info = QPrinterInfo::defaultPrinter();
  return info.isNull() ? QString() : info.printerName();
}

bool QtPrinters::Print(const QTextDocument& document, const QString& printer_name, const QString& job_title,
                       QString& error) {
  QPrinterInfo info = QPrinterInfo::printerInfo(printer_name);
  if (info.isNull()) {
    error = QStringLiteral("Printer \"%1\" is not available.").arg(printer_name);
    return false;
  }
  QPrinter printer(info, QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::NativeFormat);
  printer.setDocName(job_title);
  if (!printer.isValid()) {
    error = QStringLiteral("Printer \"%1\" is not valid.").arg(printer_name);
    return false;
  }
  document.print(&printer);
  if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted) {
    error = QStringLiteral("Printing on \"%1\" failed.").arg(printer_name);
    return false;
  }
  return true;
}

}  // namespace zentrox::ui
