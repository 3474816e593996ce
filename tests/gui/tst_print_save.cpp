// Printing and saving the protocol: the messages, the preset file name, the
// written rich text opened by a real word processor, and real printing on a
// CUPS PDF queue where a CUPS server can run here.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QXmlStreamReader>

#include <fmt/format.h>

#include "app/zentrox_app.h"
#include "gui_test_support.h"
#include "session/session.h"
#include "ui/checker_controller.h"
#include "ui/checker_window.h"
#include "ui/ports.h"
#include "ui/protocol_pane.h"

using namespace zentrox;
using zentrox::test::TestProgram;

Q_DECLARE_METATYPE(zentrox::Variant)

namespace {

// A short protocol as a run writes it: blue lines, a red bold italic
// heading, and a red error block.
void WriteSampleProtocol(ui::CheckerWindow& w) {
  Protocol& p = w.controller().protocol();
  p.Clear();
  p.SetDefaultColor(kBlue);
  p.Add("ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.");
  p.SetColor(kRed);
  p.SetBold(true);
  p.SetItalic(true);
  p.Add("Контроль, часть 1 - проверка соответствия форматам данных:");
  p.ResetAttributes();
  p.Add("Пачка 1 Декл 2 BALAN  поле <5.Имя> не заполнено, строка 2", LineKind::Fault);
  p.SetColor(kRed);
  p.Add("О Ш И Б К А  ПРИ  Р А С П А К О В К Е!!!", LineKind::Fault);
  w.pane().FlushAll();
}

QString Run(const QString& program, const QStringList& args, int timeout_ms = 120000, int* exit_code = nullptr,
            bool with_errors = true) {
  QProcess process;
  if (with_errors) process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, args);
  if (!process.waitForFinished(timeout_ms)) {
    process.kill();
    process.waitForFinished();
  }
  if (exit_code != nullptr) *exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  return QString::fromUtf8(process.readAll());
}

}  // namespace

class PrintSaveTest : public QObject {
  Q_OBJECT

 private slots:
  void savePreset();
  void saveWritesRichTextAndConfirms_data();
  void saveWritesRichTextAndConfirms();
  void cancelledSaveWritesNothing();
  void saveDialogReplacesAFileWithoutAsking();
  void failedSaveShowsTheErrorBoxAndKeepsTheOldFile();
  void savedFileOpensInAWordProcessor();
  void printWithoutADefaultPrinterShowsTheErrorBox();
  void printFailureShowsTheErrorBox();
  void printSendsThePaneAsJobZentrox_data();
  void printSendsThePaneAsJobZentrox();
  void printOnACupsPdfQueue();
  void printoutIsReadableOnPaper();
  void printLayoutFitsThePaper();
  void printedPagesCarryHeadingFooterAndVerdict();
  void printNamesTheArchiveVariantDateAndVerdict();
};

void PrintSaveTest::savePreset() {
  TestProgram p;
  ui::CheckerWindow* kv = p.app->quarterlyWindow();
  kv->SaveProtocol();
  QCOMPARE(p.dialogs.save_presets.size(), std::size_t(1));
  QCOMPARE(p.dialogs.save_specs.size(), std::size_t(1));
  QCOMPARE(p.dialogs.save_presets.back(), QStringLiteral("ERROR_REV.doc"));
  QCOMPARE(p.dialogs.save_specs.back().object_name, QStringLiteral("sdToFile"));
  QCOMPARE(p.dialogs.save_specs.back().default_suffix, QStringLiteral("doc"));
  // After a file was chosen for UnRar: its directory (even when the name
  // was refused, the choice counts).
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("not-a-package.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  p.dialogs.open_answers.push_back(archive);
  kv->ChooseAndUnpackArchive();
  QVERIFY(test::WaitForCommand(*kv));
  kv->SaveProtocol();
  QCOMPARE(p.dialogs.save_presets.size(), std::size_t(2));
  QCOMPARE(p.dialogs.save_presets.back(), packages.path() + QStringLiteral("/ERROR_REV.doc"));
  // Other windows keep their own choice.
  p.app->annualWindow()->SaveProtocol();
  QCOMPARE(p.dialogs.save_presets.size(), std::size_t(3));
  QCOMPARE(p.dialogs.save_presets.back(), QStringLiteral("ERROR_REV.doc"));
}

void PrintSaveTest::saveWritesRichTextAndConfirms_data() {
  QTest::addColumn<Variant>("variant");
  QTest::addColumn<QString>("prefix");
  QTest::newRow("monthly") << Variant::Monthly << "Protocol scris in fisier ";
  QTest::newRow("quarterly") << Variant::Quarterly << "Protocol scris in fisier ";
  QTest::newRow("annual") << Variant::Annual << "Протокол сохранён в файл ";
  QTest::newRow("annual-old") << Variant::AnnualOld << "Протокол сохранён в файл ";
}

void PrintSaveTest::saveWritesRichTextAndConfirms() {
  QFETCH(Variant, variant);
  QFETCH(QString, prefix);
  TestProgram p;
  ui::CheckerWindow* w = p.app->WindowOf(variant);
  WriteSampleProtocol(*w);
  QTemporaryDir out;
  // A relative answer is confirmed with its full path; the extension stays.
  QVERIFY(QDir::setCurrent(out.path()));
  p.dialogs.save_answers.push_back(QStringLiteral("protocol.rtf"));
  QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Button2")), Qt::LeftButton);
  const QString full = out.filePath(QStringLiteral("protocol.rtf"));
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY(!p.messages.shown[0].error);
  QCOMPARE(p.messages.shown[0].text, prefix + full);
  QFile file(full);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray rtf = file.readAll();
  QVERIFY(rtf.startsWith("{\\rtf1"));
  QVERIFY(rtf.contains("\\red255\\green0\\blue0"));
  QVERIFY(rtf.contains("\\red0\\green0\\blue255"));
  QVERIFY(QDir(out.path()).entryList(QDir::Files).size() == 1);  // no temporary file left
}

void PrintSaveTest::cancelledSaveWritesNothing() {
  TestProgram p;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  WriteSampleProtocol(*w);
  p.dialogs.save_answers.push_back(QString());
  w->SaveProtocol();
  QVERIFY(p.messages.shown.empty());
  QCOMPARE(p.dialogs.save_presets.size(), std::size_t(1));
}

void PrintSaveTest::saveDialogReplacesAFileWithoutAsking() {
  // The real save dialog, driven as a user would: the proposed file exists
  // already, the user accepts it, and no box asks whether to replace it.
  QTemporaryDir dir;
  const QString existing = dir.filePath(QStringLiteral("ERROR_REV.doc"));
  {
    QFile old(existing);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an earlier protocol");
  }
  int asked = 0;
  int accepted = 0;
  QTimer user;
  user.setInterval(20);
  connect(&user, &QTimer::timeout, this, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      ++asked;
      if (QAbstractButton* yes = box->button(QMessageBox::Yes))
        yes->click();
      else
        box->reject();
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog != nullptr && accepted == 0) {
      ++accepted;
      dialog->selectFile(existing);
      // As the Save button does; queued, so this timer goes on while it runs.
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    }
  });
  user.start();
  ui::QtFileDialogs dialogs;
  const std::optional<QString> chosen = dialogs.Save(nullptr, ui::SaveDialogOptionsFor(), existing);
  user.stop();
  QCOMPARE(accepted, 1);
  QCOMPARE(asked, 0);
  QVERIFY(chosen.has_value());
  QCOMPARE(QFileInfo(*chosen).absoluteFilePath(), QFileInfo(existing).absoluteFilePath());
}

void PrintSaveTest::failedSaveShowsTheErrorBoxAndKeepsTheOldFile() {
  TestProgram p;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  WriteSampleProtocol(*w);
  QTemporaryDir out;
  p.dialogs.save_answers.push_back(out.filePath(QStringLiteral("no/such/dir/ERROR_REV.doc")));
  w->SaveProtocol();
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY(p.messages.shown[0].error);
  QVERIFY(p.messages.shown[0].text.contains(QStringLiteral("ERROR_REV.doc")));

  // A file that can't be replaced (its name is taken by a directory that
  // holds something) stays as it was, and no confirmation is shown.
  const QString taken = out.filePath(QStringLiteral("taken.doc"));
  QVERIFY(QDir().mkpath(taken + QStringLiteral("/inner")));
  p.dialogs.save_answers.push_back(taken);
  w->SaveProtocol();
  QCOMPARE(p.messages.shown.size(), std::size_t(2));
  QVERIFY(p.messages.shown[1].error);
  QVERIFY(QFileInfo(taken + QStringLiteral("/inner")).isDir());
  QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 0);
}

void PrintSaveTest::savedFileOpensInAWordProcessor() {
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty())
    QSKIP("soffice (libreoffice-writer-nogui) is not installed: the rich text reader test is skipped");
  TestProgram p;
  ui::CheckerWindow* w = p.app->annualWindow();
  WriteSampleProtocol(*w);
  QTemporaryDir out;
  const QString doc = out.filePath(QStringLiteral("ERROR_REV.doc"));
  p.dialogs.save_answers.push_back(doc);
  w->SaveProtocol();
  QVERIFY(QFile::exists(doc));

  // A word processor of its own profile reads the file whatever its
  // extension says: as plain text for the lines, as HTML for the emphasis.
  const QString profile = QUrl::fromLocalFile(out.filePath(QStringLiteral("profile"))).toString();
  auto convert = [&](const QString& filter, const QString& result) {
    const QString log = Run(soffice,
                            {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                             QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), out.path(), doc},
                            180000);
    QFile file(out.filePath(result));
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("conversion failed: ") + log;
    return QString::fromUtf8(file.readAll());
  };
  const QString text = convert(QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("ERROR_REV.txt"));
  QStringList read_lines = text.split(QLatin1Char('\n'));
  // The text export marks each kept run of blanks with six-per-em spaces.
  for (QString& l : read_lines) l.remove(QLatin1Char('\r')).remove(QChar(0xFEFF)).remove(QChar(0x2006));
  for (const ProtocolLine& line : w->controller().protocol().lines()) {
    QVERIFY2(read_lines.contains(QString::fromStdString(line.text)), qPrintable(text));
  }
  const QString html = convert(QStringLiteral("html"), QStringLiteral("ERROR_REV.html"));
  QVERIFY2(html.contains(QStringLiteral("<font color=\"#ff0000\">"), Qt::CaseInsensitive), qPrintable(html));
  QVERIFY2(html.contains(QStringLiteral("<font color=\"#0000ff\">"), Qt::CaseInsensitive), qPrintable(html));
  QVERIFY(html.contains(QStringLiteral("<i><b>"), Qt::CaseInsensitive));
}

void PrintSaveTest::printWithoutADefaultPrinterShowsTheErrorBox() {
  TestProgram p;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  WriteSampleProtocol(*w);
  p.printers.default_printer.clear();
  QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY(p.messages.shown[0].error);
  QVERIFY(p.printers.jobs.empty());
  QCOMPARE(w->pane().lineCount(), qsizetype(4));  // the protocol stays
}

void PrintSaveTest::printFailureShowsTheErrorBox() {
  TestProgram p;
  ui::CheckerWindow* w = p.app->annualOldWindow();
  WriteSampleProtocol(*w);
  p.printers.default_printer = QStringLiteral("office");
  p.printers.fail = true;
  w->PrintProtocol();
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY(p.messages.shown[0].error);
  QCOMPARE(p.messages.shown[0].text, QStringLiteral("printer on fire"));
}

void PrintSaveTest::printSendsThePaneAsJobZentrox_data() {
  QTest::addColumn<Variant>("variant");
  QTest::addColumn<QString>("message");
  QTest::newRow("monthly") << Variant::Monthly << "Protocol tiparit";
  QTest::newRow("quarterly") << Variant::Quarterly << "Protocol tiparit";
  QTest::newRow("annual") << Variant::Annual << "Протокол распечатан";
  QTest::newRow("annual-old") << Variant::AnnualOld << "Протокол распечатан";
}

void PrintSaveTest::printSendsThePaneAsJobZentrox() {
  QFETCH(Variant, variant);
  QFETCH(QString, message);
  TestProgram p;
  ui::CheckerWindow* w = p.app->WindowOf(variant);
  WriteSampleProtocol(*w);
  // Lines still on their way to the pane are printed too.
  w->controller().protocol().Add("последняя строка");
  p.printers.default_printer = QStringLiteral("office");
  w->PrintProtocol();
  QCOMPARE(p.printers.jobs.size(), std::size_t(1));
  QCOMPARE(p.printers.jobs[0].printer, QStringLiteral("office"));
  QCOMPARE(p.printers.jobs[0].title, QStringLiteral("zentrox"));
  QVERIFY(p.printers.jobs[0].text.endsWith(QStringLiteral("последняя строка")));
  QVERIFY(p.printers.jobs[0].text.startsWith(QStringLiteral("ПРОТОКОЛ КОНТРОЛЯ")));
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY(!p.messages.shown[0].error);
  QCOMPARE(p.messages.shown[0].text, message);
}

namespace {

// A private cups-pdf queue that writes into a temporary folder and is this
// process's default printer; removed again at the end. Needs root (it adds
// a queue and a cups-pdf configuration), a CUPS server that runs or can be
// started, cups-pdf and pdftotext.
class CupsPdfQueue {
 public:
  // "" when the queue is ready, otherwise why real printing can't be tested.
  QString SetUp() {
    if (::geteuid() != 0) return QStringLiteral("not root: cannot set up a CUPS queue, real printing is not tested");
    for (const char* tool : {"cupsd", "lpadmin", "lpstat", "pdftotext"}) {
      if (QStandardPaths::findExecutable(QLatin1String(tool), {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}).isEmpty()) {
        return QStringLiteral("%1 is not installed: real printing is not tested").arg(QLatin1String(tool));
      }
    }
    if (!QFile::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")) ||
        !QFile::exists(QStringLiteral("/etc/cups/cups-pdf.conf"))) {
      return QStringLiteral("printer-driver-cups-pdf is not installed: real printing is not tested");
    }
    auto scheduler_runs = [] {
      return Run(QStringLiteral("lpstat"), {QStringLiteral("-r")}, 10000).contains("is running");
    };
    if (!scheduler_runs()) {
      Run(QStringLiteral("cupsd"), {}, 10000);
      for (int i = 0; i < 50 && !scheduler_runs(); ++i) QTest::qWait(100);
    }
    if (!scheduler_runs()) return QStringLiteral("cupsd can't start here: real printing is not tested");

    QFile::setPermissions(out_.path(), QFileDevice::Permissions(0x7777));
    const QString suffix = QStringLiteral("zentrox-test-%1").arg(QCoreApplication::applicationPid());
    conf_ = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(suffix);
    queue_ = QStringLiteral("ZentroxTestPDF%1").arg(QCoreApplication::applicationPid());
    {
      QFile base(QStringLiteral("/etc/cups/cups-pdf.conf"));
      if (!base.open(QIODevice::ReadOnly)) return QStringLiteral("cannot read /etc/cups/cups-pdf.conf");
      QString conf = QString::fromUtf8(base.readAll());
      conf += QStringLiteral("\nOut %1\nLabel 0\n").arg(out_.path());
      QFile f(conf_);
      if (!f.open(QIODevice::WriteOnly)) return QStringLiteral("cannot write ") + conf_;
      f.write(conf.toUtf8());
    }
    int code = -1;
    const QString added =
        Run(QStringLiteral("lpadmin"),
            {QStringLiteral("-p"), queue_, QStringLiteral("-v"), QStringLiteral("cups-pdf:/") + suffix,
             QStringLiteral("-E"), QStringLiteral("-m"), QStringLiteral("lsb/usr/cups-pdf/CUPS-PDF_opt.ppd"),
             QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftocairo")},
            30000, &code);
    if (code != 0) return QStringLiteral("lpadmin could not add a cups-pdf queue: ") + added;
    added_ = true;
    // The queue is this process's default (CUPS reads PRINTER before the
    // server's default), so the machine's default is left alone.
    old_printer_ = qgetenv("PRINTER");
    qputenv("PRINTER", queue_.toUtf8());
    ui::QtPrinters real;
    if (real.DefaultPrinter() != queue_) {
      return QStringLiteral("the test queue did not become the default printer (%1)").arg(real.DefaultPrinter());
    }
    return {};
  }

  ~CupsPdfQueue() {
    if (added_) {
      Run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue_}, 10000);
      if (old_printer_.isEmpty()) {
        qunsetenv("PRINTER");
      } else {
        qputenv("PRINTER", old_printer_);
      }
    }
    if (!conf_.isEmpty()) QFile::remove(conf_);
    // cups-pdf keeps a log per queue.
    if (!queue_.isEmpty()) QFile::remove(QStringLiteral("/var/log/cups/cups-pdf-%1_log").arg(queue_));
  }

  // The PDF cups-pdf wrote, once CUPS has finished the job; "" on time-out.
  QString WaitForPdf(int timeout_ms) {
    QElapsedTimer clock;
    clock.start();
    do {
      const QStringList found = QDir(out_.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
      if (!found.isEmpty() &&
          Run(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue_}, 10000).trimmed().isEmpty()) {
        return out_.filePath(found.first());
      }
      QTest::qWait(200);
    } while (clock.elapsed() < timeout_ms);
    return {};
  }

  QString dir() const { return out_.path(); }

 private:
  QTemporaryDir out_;
  QString queue_;
  QString conf_;
  QByteArray old_printer_;
  bool added_ = false;
};

// What pdftotext -bbox-layout reads from a PDF: pages in points, and each
// word with its box (origin at the page's top left).
struct PdfWord {
  QRectF box;
  QString text;
};
struct PdfPage {
  QSizeF size;
  std::vector<PdfWord> words;
};

std::vector<PdfPage> ReadPdfLayout(const QString& pdf, QString& error) {
  std::vector<PdfPage> pages;
  QString xml =
      Run(QStringLiteral("pdftotext"),
          {QStringLiteral("-bbox-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")},
          60000, nullptr, false);
  // Glyphs the text layer can't map come out as control characters, which
  // XML does not allow; they are read as "?".
  for (QChar& c : xml) {
    if (c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\t') && c != QLatin1Char('\r')) {
      c = QLatin1Char('?');
    }
  }
  QXmlStreamReader reader(xml);
  auto number = [&](const char* name) { return reader.attributes().value(QLatin1String(name)).toDouble(); };
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    if (reader.name() == QLatin1String("page")) {
      pages.push_back({QSizeF(number("width"), number("height")), {}});
    } else if (reader.name() == QLatin1String("word") && !pages.empty()) {
      const QRectF box(QPointF(number("xMin"), number("yMin")), QPointF(number("xMax"), number("yMax")));
      pages.back().words.push_back({box, reader.readElementText()});
    }
  }
  if (reader.hasError()) error = reader.errorString() + QStringLiteral(": ") + xml.left(2000);
  // pdftotext's own reading order may take a page for columns; the words
  // are put in the order of the lines on paper instead: top to bottom (the
  // words of one line share their middle, give or take a point), then left
  // to right.
  for (PdfPage& page : pages) {
    std::vector<PdfWord>& words = page.words;
    std::stable_sort(words.begin(), words.end(),
                     [](const PdfWord& a, const PdfWord& b) { return a.box.center().y() < b.box.center().y(); });
    for (auto line = words.begin(); line != words.end();) {
      const double middle = line->box.center().y();
      auto end = std::find_if(line, words.end(), [&](const PdfWord& w) { return w.box.center().y() > middle + 3.0; });
      std::stable_sort(line, end, [](const PdfWord& a, const PdfWord& b) { return a.box.left() < b.box.left(); });
      line = end;
    }
  }
  return pages;
}

}  // namespace

void PrintSaveTest::printOnACupsPdfQueue() {
  CupsPdfQueue queue;
  if (const QString why = queue.SetUp(); !why.isEmpty()) QSKIP(qPrintable(why));
  ui::QtPrinters real;
  TestProgram p({QStringLiteral("zentrox")}, &real);
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  WriteSampleProtocol(*w);
  w->PrintProtocol();
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY2(!p.messages.shown[0].error, qPrintable(p.messages.shown[0].text));
  QCOMPARE(p.messages.shown[0].text, QStringLiteral("Protocol tiparit"));

  const QString pdf = queue.WaitForPdf(180000);
  QVERIFY2(!pdf.isEmpty(), "cups-pdf wrote no PDF");
  QString text;
  QTRY_VERIFY_WITH_TIMEOUT(
      (text = Run(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")}, 30000))
          .contains(QStringLiteral("О Ш И Б К А")),
      30000);
  QVERIFY2(QFileInfo(pdf).fileName().contains(QStringLiteral("zentrox")), qPrintable(pdf));
  // The queue renders the job again on its way to PDF, and the text layer
  // that comes out loses some Latin letters, digits and punctuation; the
  // Cyrillic words survive, so those must all be there, in order.
  const QString flat = text.simplified();
  const QRegularExpression cyrillic(QStringLiteral("\\p{Cyrillic}+"));
  qsizetype at = 0;
  int words = 0;
  for (const ProtocolLine& line : w->controller().protocol().lines()) {
    auto it = cyrillic.globalMatch(QString::fromStdString(line.text));
    while (it.hasNext()) {
      const QString word = it.next().captured();
      const qsizetype found = flat.indexOf(word, at);
      QVERIFY2(found >= 0, qPrintable(QStringLiteral("%1 not in: %2").arg(word, flat)));
      at = found + word.size();
      ++words;
    }
  }
  QVERIFY(words >= 20);
}

namespace {

// A red bold italic heading, a few hundred ordinary 16-pixel lines, and one
// line far wider than the paper, which must wrap rather than run off the
// right edge.
void WritePaperSample(Protocol& protocol) {
  protocol.Clear();
  protocol.SetDefaultColor(kBlue);
  protocol.SetColor(kRed);
  protocol.SetBold(true);
  protocol.SetItalic(true);
  protocol.Add("Контроль, часть 1 - проверка соответствия форматам данных:");
  protocol.ResetAttributes();
  for (int i = 1; i <= 300; ++i) {
    protocol.Add(fmt::format("Пачка {} Декл {} ЗАЙЦЕВ  поле <12.Сумма> не заполнено, строка {}", i, i + 7, i),
                 LineKind::Fault);
  }
  std::string wide = "Широкая";
  for (int i = 1; i <= 60; ++i) wide += fmt::format(" слово{}", i);
  protocol.Add(wide);
  protocol.Add("к о н т р о л ь  з а в е р ш е н.");
}

// The sample of WritePaperSample as `pdf` holds it: more than one page,
// nothing outside the margins, 12-point lines, every word in order. A
// queue that renders the job again loses some Latin letters and digits from
// the text layer (which ones changes from job to job); the Cyrillic words
// survive, so those are compared.
void VerifyPaperSample(const QString& pdf, const Protocol& protocol) {
  QString error;
  const std::vector<PdfPage> pages = ReadPdfLayout(pdf, error);
  QVERIFY2(error.isEmpty(), qPrintable(error));
  QVERIFY2(pages.size() > 1, qPrintable(QStringLiteral("%1 page(s)").arg(pages.size())));

  // Nothing lies outside the margins (set at 2 cm; 1.5 cm leaves room for
  // the glyph boxes pdftotext reports, which reach beyond the ink).
  constexpr double kMargin = 15.0 / 25.4 * 72.0;
  const QRegularExpression cyrillic(QStringLiteral("\\p{Cyrillic}+"));
  QStringList on_paper;  // the Cyrillic words, in reading order
  std::vector<double> heights;
  for (const PdfPage& page : pages) {
    QVERIFY2(std::abs(page.size.width() - 595.0) < 2.0 && std::abs(page.size.height() - 842.0) < 2.0,
             qPrintable(QStringLiteral("a %1 x %2 page, not A4").arg(page.size.width()).arg(page.size.height())));
    const QRectF inside(kMargin, kMargin, page.size.width() - 2 * kMargin, page.size.height() - 2 * kMargin);
    for (const PdfWord& word : page.words) {
      QVERIFY2(inside.contains(word.box), qPrintable(QStringLiteral("\"%1\" at (%2, %3)-(%4, %5) on a %6 x %7 page")
                                                         .arg(word.text)
                                                         .arg(word.box.left())
                                                         .arg(word.box.top())
                                                         .arg(word.box.right())
                                                         .arg(word.box.bottom())
                                                         .arg(page.size.width())
                                                         .arg(page.size.height())));
      if (word.text == QStringLiteral("строка")) heights.push_back(word.box.height());
      for (auto it = cyrillic.globalMatch(word.text); it.hasNext();) on_paper << it.next().captured();
    }
  }
  // An ordinary line: 16 pixels are 12-point type. pdftotext's box spans
  // the font's whole ascent and descent, 1.18 em for the serif face here
  // (14.15 pt), a little more than the type size.
  QCOMPARE(heights.size(), std::size_t(300));
  std::sort(heights.begin(), heights.end());
  QVERIFY2(heights.front() >= 10.0 && heights.back() <= 15.0,
           qPrintable(QStringLiteral("line heights %1 to %2 pt").arg(heights.front()).arg(heights.back())));

  // Every line's words are there, in order, the wrapped line's too.
  qsizetype at = 0;
  int words = 0;
  for (const ProtocolLine& line : protocol.lines()) {
    for (auto it = cyrillic.globalMatch(QString::fromStdString(line.text)); it.hasNext();) {
      const QString word = it.next().captured();
      const qsizetype found = on_paper.indexOf(word, at);
      QVERIFY2(
          found >= 0,
          qPrintable(QStringLiteral("\"%1\" of \"%2\" is not on paper").arg(word, QString::fromStdString(line.text))));
      at = found + 1;
      ++words;
    }
  }
  QVERIFY(words > 300 * 7);
}

}  // namespace

void PrintSaveTest::printoutIsReadableOnPaper() {
  CupsPdfQueue queue;
  if (const QString why = queue.SetUp(); !why.isEmpty()) QSKIP(qPrintable(why));
  ui::QtPrinters real;
  TestProgram p({QStringLiteral("zentrox")}, &real);
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  Protocol& protocol = w->controller().protocol();
  WritePaperSample(protocol);
  w->pane().FlushAll();
  w->PrintProtocol();
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY2(!p.messages.shown[0].error, qPrintable(p.messages.shown[0].text));

  const QString pdf = queue.WaitForPdf(180000);
  QVERIFY2(!pdf.isEmpty(), "cups-pdf wrote no PDF");
  VerifyPaperSample(pdf, protocol);
}

// The page layout alone, on a PDF file Qt writes: runs wherever the tests
// run, with or without a print server.
void PrintSaveTest::printLayoutFitsThePaper() {
  TestProgram p({QStringLiteral("zentrox")});
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  Protocol& protocol = w->controller().protocol();
  WritePaperSample(protocol);
  w->pane().FlushAll();
  QTemporaryDir out;
  QVERIFY(out.isValid());
  const QString pdf = out.filePath(QStringLiteral("protocol.pdf"));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  printer.setPageSize(QPageSize(QPageSize::A4));
  QVERIFY(ui::PrintOnPaper(*w->pane().document(), printer));
  VerifyPaperSample(pdf, protocol);
}

// The pages of the paper sample on A4 (2 cm margins): each with the same
// heading and "Pagina N din M", no page longer than the body, the verdict the
// last line, and a wrapped line's continuation standing in from its start.
void PrintSaveTest::printedPagesCarryHeadingFooterAndVerdict() {
  TestProgram p;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  WritePaperSample(w->controller().protocol());
  w->pane().FlushAll();
  const ui::PrintFrame frame{QStringLiteral("REV5.rar  ·  varianta trimestrial"), QStringLiteral("301 de erori")};
  const ui::PaperLayout paper = ui::LayOutForPaper(*w->pane().document(), frame, QSizeF(642, 971));
  const int count = static_cast<int>(paper.pages.size());
  QVERIFY2(count >= 6, qPrintable(QString::number(count)));
  for (int k = 0; k < count; ++k) {
    const ui::PaperPage& page = paper.pages[k];
    QCOMPARE(page.heading, frame.heading);
    QCOMPARE(page.footer, QStringLiteral("Pagina %1 din %2").arg(k + 1).arg(count));
    QVERIFY(page.top < page.bottom);
    if (k + 1 < count) QVERIFY(page.bottom - page.top <= paper.body.height());
  }
  const QTextDocument& doc = *paper.document;
  const QTextBlock verdict = doc.lastBlock();
  QCOMPARE(verdict.text(), frame.verdict);
  QVERIFY(doc.documentLayout()->blockBoundingRect(verdict).top() >= paper.pages.back().top);
  // The protocol's lines are as they were; the wide one wraps, indented.
  QCOMPARE(doc.blockCount(), w->pane().document()->blockCount() + 2);
  const QTextBlock wide = doc.findBlockByNumber(301);
  QCOMPARE(wide.text(), QString::fromStdString(w->controller().protocol().lines()[301].text));
  QVERIFY(wide.layout()->lineCount() > 1);
  QVERIFY(wide.layout()->lineAt(1).x() > wide.layout()->lineAt(0).x());
}

// What the window hands the printer besides the protocol: the archive's name,
// the variant and the date of the check for every page, the verdict for the end.
void PrintSaveTest::printNamesTheArchiveVariantDateAndVerdict() {
  TestProgram p;
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("REV5_1234567_00002_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-faulty"), archive, test::NewFormatMembers()));
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  QVERIFY(w->OpenArchive(archive));
  QVERIFY(test::WaitForCommand(*w));
  QVERIFY(test::WaitForCommand(*w));
  p.printers.default_printer = QStringLiteral("office");
  w->PrintProtocol();
  QCOMPARE(p.printers.jobs.size(), std::size_t(1));
  const ui::PrintFrame& frame = p.printers.jobs[0].frame;
  for (const QString& part : {QStringLiteral("REV5_1234567_00002_2026T03.rar"), QStringLiteral("trimestrial"),
                              QStringLiteral("08.12.2026")}) {
    QVERIFY2(frame.heading.contains(part), qPrintable(frame.heading));
  }
  QVERIFY(!w->verdictText().isEmpty());
  QCOMPARE(frame.verdict, w->verdictText());
}

QTEST_MAIN(PrintSaveTest)
#include "tst_print_save.moc"
