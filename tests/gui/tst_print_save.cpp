// Printing and saving the protocol: the messages, the preset file name, the
// written rich text opened by a real word processor, and real printing on a
// CUPS PDF queue where a CUPS server can run here.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app/zentrox_app.h"
#include "gui_test_support.h"
#include "session/session.h"
#include "ui/checker_controller.h"
#include "ui/checker_window.h"
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

QString Run(const QString& program, const QStringList& args, int timeout_ms = 120000, int* exit_code = nullptr) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
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
  void failedSaveShowsTheErrorBoxAndKeepsTheOldFile();
  void savedFileOpensInAWordProcessor();
  void printWithoutADefaultPrinterShowsTheErrorBox();
  void printFailureShowsTheErrorBox();
  void printSendsThePaneAsJobZentrox_data();
  void printSendsThePaneAsJobZentrox();
  void printOnACupsPdfQueue();
};

void PrintSaveTest::savePreset() {
  TestProgram p;
  ui::CheckerWindow* kv = p.app->FmainKV();
  kv->Button2Click();
  QCOMPARE(p.dialogs.save_presets.back(), QStringLiteral("ERROR_REV.doc"));
  QCOMPARE(p.dialogs.save_specs.back().object_name, QStringLiteral("sdToFile"));
  QCOMPARE(p.dialogs.save_specs.back().default_suffix, QStringLiteral("doc"));
  // After a file was chosen for UnRar: its directory (even when the name
  // was refused, the choice counts).
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("not-a-package.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  p.dialogs.open_answers.push_back(archive);
  kv->Button3Click();
  QVERIFY(test::WaitForCommand(*kv));
  kv->Button2Click();
  QCOMPARE(p.dialogs.save_presets.back(), packages.path() + QStringLiteral("/ERROR_REV.doc"));
  // Other windows keep their own choice.
  p.app->Fmain()->Button2Click();
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
  ui::CheckerWindow* w = p.app->FmainKV();
  WriteSampleProtocol(*w);
  p.dialogs.save_answers.push_back(QString());
  w->Button2Click();
  QVERIFY(p.messages.shown.empty());
  QCOMPARE(p.dialogs.save_presets.size(), std::size_t(1));
}

void PrintSaveTest::failedSaveShowsTheErrorBoxAndKeepsTheOldFile() {
  TestProgram p;
  ui::CheckerWindow* w = p.app->FmainKV();
  WriteSampleProtocol(*w);
  QTemporaryDir out;
  p.dialogs.save_answers.push_back(out.filePath(QStringLiteral("no/such/dir/ERROR_REV.doc")));
  w->Button2Click();
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY(p.messages.shown[0].error);
  QVERIFY(p.messages.shown[0].text.contains(QStringLiteral("ERROR_REV.doc")));

  // A file that can't be replaced (its name is taken by a directory that
  // holds something) stays as it was, and no confirmation is shown.
  const QString taken = out.filePath(QStringLiteral("taken.doc"));
  QVERIFY(QDir().mkpath(taken + QStringLiteral("/inner")));
  p.dialogs.save_answers.push_back(taken);
  w->Button2Click();
  QCOMPARE(p.messages.shown.size(), std::size_t(2));
  QVERIFY(p.messages.shown[1].error);
  QVERIFY(QFileInfo(taken + QStringLiteral("/inner")).isDir());
  QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 0);
}

void PrintSaveTest::savedFileOpensInAWordProcessor() {
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty()) QSKIP("soffice (libreoffice-writer-nogui) is not installed: the rich text reader test is skipped");
  TestProgram p;
  ui::CheckerWindow* w = p.app->Fmain();
  WriteSampleProtocol(*w);
  QTemporaryDir out;
  const QString doc = out.filePath(QStringLiteral("ERROR_REV.doc"));
  p.dialogs.save_answers.push_back(doc);
  w->Button2Click();
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
  ui::CheckerWindow* w = p.app->FmainKV();
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
  ui::CheckerWindow* w = p.app->Fmainrev();
  WriteSampleProtocol(*w);
  p.printers.default_printer = QStringLiteral("office");
  p.printers.fail = true;
  w->Button1Click();
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
  w->Button1Click();
  QCOMPARE(p.printers.jobs.size(), std::size_t(1));
  QCOMPARE(p.printers.jobs[0].printer, QStringLiteral("office"));
  QCOMPARE(p.printers.jobs[0].title, QStringLiteral("zentrox"));
  QVERIFY(p.printers.jobs[0].text.endsWith(QStringLiteral("последняя строка")));
  QVERIFY(p.printers.jobs[0].text.startsWith(QStringLiteral("ПРОТОКОЛ КОНТРОЛЯ")));
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY(!p.messages.shown[0].error);
  QCOMPARE(p.messages.shown[0].text, message);
}

void PrintSaveTest::printOnACupsPdfQueue() {
  // Needs root (it adds a queue and a cups-pdf configuration), a CUPS
  // server that runs or can be started, cups-pdf and pdftotext.
  if (::geteuid() != 0) QSKIP("not root: cannot set up a CUPS queue, real printing is not tested");
  for (const char* tool : {"cupsd", "lpadmin", "lpstat", "pdftotext"}) {
    if (QStandardPaths::findExecutable(QLatin1String(tool), {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}).isEmpty()) {
      QSKIP(qPrintable(QStringLiteral("%1 is not installed: real printing is not tested").arg(QLatin1String(tool))));
    }
  }
  if (!QFile::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")) ||
      !QFile::exists(QStringLiteral("/etc/cups/cups-pdf.conf"))) {
    QSKIP("printer-driver-cups-pdf is not installed: real printing is not tested");
  }
  auto scheduler_runs = [] { return Run(QStringLiteral("lpstat"), {QStringLiteral("-r")}, 10000).contains("is running"); };
  if (!scheduler_runs()) {
    Run(QStringLiteral("cupsd"), {}, 10000);
    for (int i = 0; i < 50 && !scheduler_runs(); ++i) QTest::qWait(100);
  }
  if (!scheduler_runs()) QSKIP("cupsd can't start here: real printing is not tested");

  // Our own queue whose cups-pdf configuration writes into a test folder.
  QTemporaryDir out;
  QFile::setPermissions(out.path(), QFileDevice::Permissions(0x7777));
  const QString suffix = QStringLiteral("zentrox-test-%1").arg(QCoreApplication::applicationPid());
  const QString conf_path = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(suffix);
  const QString queue = QStringLiteral("ZentroxTestPDF%1").arg(QCoreApplication::applicationPid());
  {
    QFile base(QStringLiteral("/etc/cups/cups-pdf.conf"));
    QVERIFY(base.open(QIODevice::ReadOnly));
    QString conf = QString::fromUtf8(base.readAll());
    conf += QStringLiteral("\nOut %1\nLabel 0\n").arg(out.path());
    QFile f(conf_path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(conf.toUtf8());
  }
  struct Cleanup {
    QString queue, conf;
    ~Cleanup() {
      Run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue}, 10000);
      QFile::remove(conf);
    }
  } cleanup{queue, conf_path};
  int code = -1;
  const QString added = Run(QStringLiteral("lpadmin"),
                            {QStringLiteral("-p"), queue, QStringLiteral("-v"), QStringLiteral("cups-pdf:/") + suffix,
                             QStringLiteral("-E"), QStringLiteral("-m"),
                             QStringLiteral("lsb/usr/cups-pdf/CUPS-PDF_opt.ppd"), QStringLiteral("-o"),
                             QStringLiteral("pdftops-renderer-default=pdftocairo")},
                            30000, &code);
  if (code != 0) QSKIP(qPrintable(QStringLiteral("lpadmin could not add a cups-pdf queue: ") + added));
  // The queue is this process's default (CUPS reads PRINTER before the
  // server's default), so the machine's default is left alone.
  qputenv("PRINTER", queue.toUtf8());
  ui::QtPrinters real;
  if (real.DefaultPrinter() != queue) {
    QSKIP(qPrintable(QStringLiteral("the test queue did not become the default printer (%1)").arg(real.DefaultPrinter())));
  }

  TestProgram p({QStringLiteral("zentrox")}, &real);
  ui::CheckerWindow* w = p.app->FmainKV();
  WriteSampleProtocol(*w);
  w->Button1Click();
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY2(!p.messages.shown[0].error, qPrintable(p.messages.shown[0].text));
  QCOMPARE(p.messages.shown[0].text, QStringLiteral("Protocol tiparit"));

  // cups-pdf writes the job into the test folder once CUPS has run it.
  QString pdf;
  auto find_pdf = [&] {
    const QStringList found = QDir(out.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    pdf = found.isEmpty() ? QString() : out.filePath(found.first());
    return !pdf.isEmpty();
  };
  QTRY_VERIFY_WITH_TIMEOUT(find_pdf(), 90000);
  QString text;
  QTRY_VERIFY_WITH_TIMEOUT(
      (text = Run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")}, 30000))
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

QTEST_MAIN(PrintSaveTest)
#include "tst_print_save.moc"
