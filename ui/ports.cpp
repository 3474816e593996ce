#include "ui/ports.h"

#include <algorithm>
#include <memory>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QTextOption>

namespace zentrox::ui {
namespace {

// On paper a pane pixel is 1/96 inch, as rich-text panes print: the pane's
// 16-pixel lines come out in 12-point type whatever the printer's resolution.
constexpr qreal kPanePixelsPerInch = 96.0;
constexpr qreal kPaperMarginMm = 20.0;

// Lays the protocol out afresh for the paper (lines wrap at the margin
// instead of running off the page) and prints it page by page.
bool PrintPages(const QTextDocument& source, QPrinter& printer) {
  QPageLayout layout = printer.pageLayout();
  if (!layout.pageSize().isValid()) layout.setPageSize(QPageSize(QPageSize::A4));
  layout.setUnits(QPageLayout::Millimeter);
  // Margins below what the printer can reach are raised to its minimum.
  const QMarginsF wanted(kPaperMarginMm, kPaperMarginMm, kPaperMarginMm, kPaperMarginMm);
  const QMarginsF least = layout.minimumMargins();
  layout.setMargins(QMarginsF(std::max(wanted.left(), least.left()), std::max(wanted.top(), least.top()),
                              std::max(wanted.right(), least.right()), std::max(wanted.bottom(), least.bottom())));
  printer.setPageLayout(layout);

  std::unique_ptr<QTextDocument> doc(source.clone());
  doc->setUseDesignMetrics(true);  // metrics that scale, not the screen's hinted ones
  doc->setDocumentMargin(0);
  QTextOption option = doc->defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  doc->setDefaultTextOption(option);
  const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Inch);
  const QSizeF page(paint.width() * kPanePixelsPerInch, paint.height() * kPanePixelsPerInch);
  doc->setPageSize(page);

  QPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.scale(printer.logicalDpiX() / kPanePixelsPerInch, printer.logicalDpiY() / kPanePixelsPerInch);
  const int pages = doc->pageCount();
  for (int i = 0; i < pages; ++i) {
    if (i > 0 && !printer.newPage()) return false;
    painter.save();
    painter.translate(0, -i * page.height());
    // The lines that end or begin exactly at the page's edges belong to the
    // neighbouring pages: kept out of the clip, they are not drawn here
    // (clipped text would still be in the page's text).
    const QRectF own(0, i * page.height(), page.width(), page.height());
    doc->drawContents(&painter, own.adjusted(0, 0.5, 0, -0.5));
    painter.restore();
  }
  return painter.end();
}

}  // namespace

QString ForDisplay(const QString& text) {
  QString out = text;
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return out;
}

std::optional<QString> QtFileDialogs::Open(QWidget* parent, const OpenDialogOptions& setup) {
  QFileDialog dialog(parent, setup.title);
  dialog.setObjectName(setup.object_name);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(setup.filters);
  if (!setup.directory.isEmpty()) dialog.setDirectory(setup.directory);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtFileDialogs::Save(QWidget* parent, const SaveDialogOptions& setup, const QString& preset) {
  QFileDialog dialog(parent);
  dialog.setObjectName(setup.object_name);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(setup.default_suffix);
  // The protocol replaces a file of the chosen name without a question: the
  // proposed ERROR_REV.doc is usually there from the last save.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
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
  if (!PrintPages(document, printer) || printer.printerState() == QPrinter::Error ||
      printer.printerState() == QPrinter::Aborted) {
    error = QStringLiteral("Printing on \"%1\" failed.").arg(printer_name);
    return false;
  }
  return true;
}

}  // namespace zentrox::ui
