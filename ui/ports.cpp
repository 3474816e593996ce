#include "ui/ports.h"

#include <algorithm>
#include <memory>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>

namespace zentrox::ui {
namespace {

// On paper a pane pixel is 1/96 inch, as rich-text panes print: the pane's
// 16-pixel lines come out in 12-point type whatever the printer's resolution.
constexpr qreal kPanePixelsPerInch = 96.0;
constexpr qreal kPaperMarginMm = 20.0;

}  // namespace

bool PrintOnPaper(const QTextDocument& source, QPrinter& printer) {
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
  // The lines are put on pages here rather than by the document's own
  // pagination, which lets a line reach past a page's edge (it was then cut
  // in two, or drawn on both pages): a line that does not fit whole on the
  // page begins the next one.
  doc->setTextWidth(page.width());

  QPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.scale(printer.logicalDpiX() / kPanePixelsPerInch, printer.logicalDpiY() / kPanePixelsPerInch);
  qreal page_top = 0;  // where the current page begins in the document
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    const QPointF origin = doc->documentLayout()->blockBoundingRect(block).topLeft();
    const QTextLayout* lines = block.layout();
    for (int n = 0; n < lines->lineCount(); ++n) {
      const QTextLine line = lines->lineAt(n);
      const qreal top = origin.y() + line.y();
      if (top > page_top && top + line.height() - page_top > page.height()) {
        if (!printer.newPage()) return false;
        page_top = top;
      }
      line.draw(&painter, origin - QPointF(0, page_top));
    }
  }
  return painter.end();
}

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
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Eroare"), ForDisplay(text), QMessageBox::Ok, parent);
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
    error = QStringLiteral("Imprimanta „%1” nu este disponibilă.").arg(printer_name);
    return false;
  }
  QPrinter printer(info, QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::NativeFormat);
  printer.setDocName(job_title);
  if (!printer.isValid()) {
    error = QStringLiteral("Imprimanta „%1” nu este validă.").arg(printer_name);
    return false;
  }
  if (!PrintOnPaper(document, printer) || printer.printerState() == QPrinter::Error ||
      printer.printerState() == QPrinter::Aborted) {
    error = QStringLiteral("Tipărirea la „%1” a eșuat.").arg(printer_name);
    return false;
  }
  return true;
}

}  // namespace zentrox::ui
