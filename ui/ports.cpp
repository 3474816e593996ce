#include "ui/ports.h"

#include <algorithm>
#include <memory>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>

namespace zentrox::ui {
namespace {

// On paper a pane pixel is 1/96 inch, as rich-text panes print: the pane's
// 16-pixel lines come out in 12-point type whatever the printer's resolution.
constexpr qreal kPanePixelsPerInch = 96.0;
constexpr qreal kPaperMarginMm = 20.0;
// The heading above and the footer below the lines of every page.
constexpr qreal kBandHeight = 28.0;
constexpr int kBandFontPixels = 12;
// How far a wrapped line's continuation stands in from its start.
constexpr qreal kHangingIndent = 32.0;

}  // namespace

PaperLayout LayOutForPaper(const QTextDocument& source, const PrintFrame& frame, const QSizeF& page) {
  PaperLayout out;
  out.document.reset(source.clone());
  QTextDocument& doc = *out.document;
  doc.setUseDesignMetrics(true);  // metrics that scale, not the screen's hinted ones
  doc.setDocumentMargin(0);
  QTextOption option = doc.defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  doc.setDefaultTextOption(option);
  if (!frame.verdict.isEmpty()) {
    QTextCursor end(&doc);
    end.movePosition(QTextCursor::End);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    end.insertBlock(QTextBlockFormat(), QTextCharFormat());
    end.insertBlock(QTextBlockFormat(), bold);
    end.insertText(frame.verdict, bold);
  }
  // A hanging indent: the first line of each block at the margin, the lines
  // it wraps into further in.
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    QTextBlockFormat format = block.blockFormat();
    format.setLeftMargin(kHangingIndent);
    format.setTextIndent(-kHangingIndent);
    QTextCursor(block).setBlockFormat(format);
  }
  out.body = QSizeF(page.width(), std::max<qreal>(page.height() - 2 * kBandHeight, kBandHeight));
  // The lines are put on pages here rather than by the document's own
  // pagination, which lets a line reach past a page's edge (it was then cut
  // in two, or drawn on both pages): a line that does not fit whole on the
  // page begins the next one.
  doc.setTextWidth(out.body.width());
  qreal page_top = 0;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    const qreal origin = doc.documentLayout()->blockBoundingRect(block).top();
    const QTextLayout* lines = block.layout();
    for (int n = 0; n < lines->lineCount(); ++n) {
      const QTextLine line = lines->lineAt(n);
      const qreal top = origin + line.y();
      if (top > page_top && top + line.height() - page_top > out.body.height()) {
        out.pages.push_back({page_top, top, {}, {}});
        page_top = top;
      }
    }
  }
  out.pages.push_back({page_top, doc.documentLayout()->documentSize().height() + 1, {}, {}});
  const int count = static_cast<int>(out.pages.size());
  for (int k = 0; k < count; ++k) {
    out.pages[k].heading = frame.heading;
    out.pages[k].footer = QCoreApplication::translate("zentrox::ui::Paper", "Pagina %1 din %2").arg(k + 1).arg(count);
  }
  return out;
}

bool PrintOnPaper(const QTextDocument& source, QPrinter& printer, const PrintFrame& frame) {
  QPageLayout layout = printer.pageLayout();
  if (!layout.pageSize().isValid()) layout.setPageSize(QPageSize(QPageSize::A4));
  layout.setUnits(QPageLayout::Millimeter);
  // Margins below what the printer can reach are raised to its minimum.
  const QMarginsF wanted(kPaperMarginMm, kPaperMarginMm, kPaperMarginMm, kPaperMarginMm);
  const QMarginsF least = layout.minimumMargins();
  layout.setMargins(QMarginsF(std::max(wanted.left(), least.left()), std::max(wanted.top(), least.top()),
                              std::max(wanted.right(), least.right()), std::max(wanted.bottom(), least.bottom())));
  printer.setPageLayout(layout);
  const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Inch);
  const PaperLayout paper =
      LayOutForPaper(source, frame, QSizeF(paint.width() * kPanePixelsPerInch, paint.height() * kPanePixelsPerInch));
  const QTextDocument& doc = *paper.document;
  // The bands in the lines' typeface, upright and smaller.
  QFont band_font = QTextCursor(doc.begin()).charFormat().font();
  band_font.setBold(false);
  band_font.setItalic(false);
  band_font.setPixelSize(kBandFontPixels);

  QPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.scale(printer.logicalDpiX() / kPanePixelsPerInch, printer.logicalDpiY() / kPanePixelsPerInch);
  const qreal width = paper.body.width();
  const qreal footer_top = kBandHeight + paper.body.height();
  // The bands' text goes on paper as outlines, not as text in a font: a
  // queue that renders the job again has lost glyphs of the lines' own text
  // once the bands' text shared their typeface.
  auto band_text = [&](const QString& text, qreal baseline, Qt::Alignment align) {
    const QFontMetricsF metrics(band_font);
    const QString shown = metrics.elidedText(text, Qt::ElideMiddle, width);
    const qreal advance = metrics.horizontalAdvance(shown);
    const qreal x = align == Qt::AlignHCenter ? (width - advance) / 2 : 0;
    QPainterPath outline;
    outline.addText(QPointF(x, baseline), band_font, shown);
    painter.fillPath(outline, Qt::black);
  };
  auto draw_bands = [&](const PaperPage& page) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    band_text(page.heading, kBandHeight - 10, Qt::AlignLeft);
    painter.setPen(QPen(Qt::black, 0.5));
    painter.drawLine(QPointF(0, kBandHeight - 4), QPointF(width, kBandHeight - 4));
    band_text(page.footer, footer_top + kBandHeight - 6, Qt::AlignHCenter);
    painter.restore();
  };
  std::size_t at = 0;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    const QPointF origin = doc.documentLayout()->blockBoundingRect(block).topLeft();
    const QTextLayout* lines = block.layout();
    for (int n = 0; n < lines->lineCount(); ++n) {
      const QTextLine line = lines->lineAt(n);
      const qreal top = origin.y() + line.y();
      while (at + 1 < paper.pages.size() && top >= paper.pages[at].bottom) {
        draw_bands(paper.pages[at]);
        if (!printer.newPage()) return false;
        ++at;
      }
      line.draw(&painter, origin - QPointF(0, paper.pages[at].top - kBandHeight));
    }
  }
  while (at < paper.pages.size()) {
    draw_bands(paper.pages[at]);
    if (++at < paper.pages.size() && !printer.newPage()) return false;
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

bool QtPrinters::Print(const QTextDocument& document, const PrintFrame& frame, const QString& printer_name,
                       const QString& job_title, QString& error) {
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
  if (!PrintOnPaper(document, printer, frame) || printer.printerState() == QPrinter::Error ||
      printer.printerState() == QPrinter::Aborted) {
    error = QStringLiteral("Tipărirea la „%1” a eșuat.").arg(printer_name);
    return false;
  }
  return true;
}

}  // namespace zentrox::ui
