// The checker window: its layout, UnRar and Control through injected
// dialogs on real packages, the shared package name, one run at a time,
// the DEBUG grid, the installation check and the status bar.
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBlock>

#include "app/start_menu.h"
#include "app/zentrox_app.h"
#include "gui_test_support.h"
#include "intake/workdir_lock.h"
#include "report/text_writer.h"
#include "session/session.h"
#include "ui/checker_controller.h"
#include "ui/checker_window.h"
#include "ui/installation_check.h"
#include "ui/protocol_pane.h"
#include "ui/run_gate.h"
#include "ui/run_verdict.h"
#include "ui/table_model.h"

using namespace zentrox;
using zentrox::test::TestProgram;

Q_DECLARE_METATYPE(zentrox::Variant)

namespace {

QPushButton* Button(QWidget* w, const char* name) { return w->findChild<QPushButton*>(QLatin1String(name)); }

// The block of the pane that shows `text`, or an invalid block.
QTextBlock BlockWith(const QTextDocument& doc, const QString& text) {
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    if (b.text() == text) return b;
  }
  return {};
}

QTextCharFormat FormatOf(const QTextBlock& block) { return block.begin().fragment().charFormat(); }

}  // namespace

class CheckerWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void layout_data();
  void layout();
  void windowIsItsSizeFrameIncluded_data();
  void windowIsItsSizeFrameIncluded();
  void windowRemembersItsSize();
  void verdictIsAsPlainAsTheProtocol();
  void unrarDialogSettings();
  void statusBarShowsTheArchiversReason();
  void cancelledUnrarChangesNothing();
  void unrarThenControlOnAQuarterlyPackage();
  void everyWindowChecksItsValidExample_data();
  void everyWindowChecksItsValidExample();
  void paneShowsLinesBeforeTheMessageBox();
  void secondControlFindsTheFilesGone();
  void packageUnpackedInQuarterlyCountsInAnnual();
  void refusedNameWritesItsLines();
  void oneRunAtATimeInTheWholeProgram();
  void workdirHeldByAnotherProcess_data();
  void workdirHeldByAnotherProcess();
  void debugGridShowsThePackTable();
  void installationCheck_data();
  void installationCheck();
};

void CheckerWindowTest::layout_data() {
  QTest::addColumn<Variant>("variant");
  for (Variant v : AllVariants()) QTest::newRow(Profile(v).window.c_str()) << v;
}

void CheckerWindowTest::layout() {
  QFETCH(Variant, variant);
  TestProgram p;
  ui::CheckerWindow* w = p.app->WindowOf(variant);
  w->show();
  QVERIFY(QTest::qWaitForWindowExposed(w));
  const char* names[] = {"Button3", "BitBtn1", "Button1", "Button2", "BitBtn2"};
  const char* captions[] = {"UnRar", "Control", "Tiparul", "Scrie in fisierul", "Inregistrare"};
  int last_x = -1;
  for (int i = 0; i < 5; ++i) {
    QPushButton* b = Button(w, names[i]);
    QVERIFY2(b != nullptr, names[i]);
    QCOMPARE(b->text(), QString::fromLatin1(captions[i]));
    QCOMPARE(b->height(), 25);
    QVERIFY(b->isEnabled());
    QVERIFY(b->x() > last_x);  // left to right
    last_x = b->x();
  }
  QVERIFY(!Button(w, "BitBtn2")->icon().isNull());
  auto* panel = w->findChild<QWidget*>(QStringLiteral("Panel1"));
  QCOMPARE(panel->height(), 53);
  // Under the buttons only the one-line status bar.
  QStatusBar& status = w->statusBar();
  QCOMPARE(status.geometry().top(), panel->geometry().bottom() + 1);
  QCOMPARE(status.geometry().bottom(), w->rect().bottom());
  QVERIFY(status.currentMessage().isEmpty());
  ui::ProtocolPane& pane = w->pane();
  QVERIFY(pane.isReadOnly());
  QCOMPARE(pane.palette().color(QPalette::Base), QColor(Qt::white));
  QCOMPARE(pane.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(pane.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(pane.parentWidget()->objectName(), QStringLiteral("TabSheet2"));
  QVERIFY(w->findChild<QProgressBar*>(QStringLiteral("BusyIndicator"))->isHidden());
  // Resizable.
  w->resize(1000, 600);
  QCOMPARE(w->size(), QSize(1000, 600));
}

void CheckerWindowTest::windowIsItsSizeFrameIncluded_data() { layout_data(); }

void CheckerWindowTest::windowIsItsSizeFrameIncluded() {
  // The checker windows' size is the whole window, frame included, where
  // the platform reports a frame (the offscreen platform draws a thin one).
  QFETCH(Variant, variant);
  TestProgram p;
  ui::CheckerWindow* w = p.app->WindowOf(variant);
  const QSize whole(variant == Variant::AnnualOld ? 837 : 845, 439);
  w->show();
  QVERIFY(QTest::qWaitForWindowExposed(w));
  if (w->frameGeometry().size() == w->size()) QSKIP("this platform reports no window frame");
  QTRY_COMPARE(w->frameGeometry().size(), whole);
  QVERIFY(w->size().width() < whole.width() && w->size().height() < whole.height());
  // Once sized, the window is the user's to resize; showing it again keeps it.
  w->resize(900, 500);
  w->hide();
  w->show();
  QTest::qWait(50);
  QCOMPARE(w->size(), QSize(900, 500));
}

// A size the user gave a window is its size the next time the program
// starts (kept in the user's settings); maximised stays maximised.
void CheckerWindowTest::windowRemembersItsSize() {
  TestProgram p;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  w->show();
  QVERIFY(QTest::qWaitForWindowExposed(w));
  QTest::qWait(400);  // the frame is fitted
  w->resize(1000, 600);
  QTRY_COMPARE(QSettings().value(QStringLiteral("CheckerWindow/TFmain_KV/size")).toSize(), QSize(1000, 600));
  QVERIFY(w->maximumSize().width() >= QWIDGETSIZE_MAX && (w->windowFlags() & Qt::WindowMaximizeButtonHint));
  w->showMaximized();
  QTRY_VERIFY(QSettings().value(QStringLiteral("CheckerWindow/TFmain_KV/maximized")).toBool());
  QCOMPARE(QSettings().value(QStringLiteral("CheckerWindow/TFmain_KV/size")).toSize(), QSize(1000, 600));
  // The annual window, never shown yet, opens at the size remembered for it.
  QSettings().setValue(QStringLiteral("CheckerWindow/TFmain/size"), QSize(900, 520));
  ui::CheckerWindow* annual = p.app->annualWindow();
  annual->show();
  QVERIFY(QTest::qWaitForWindowExposed(annual));
  QTRY_COMPARE(annual->size(), QSize(900, 520));
}

// The verdict is set as large and as heavy as the protocol's text.
void CheckerWindowTest::verdictIsAsPlainAsTheProtocol() {
  TestProgram p;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  auto* verdict = w->findChild<QLabel*>(QStringLiteral("Verdict"));
  QVERIFY(verdict != nullptr);
  const QFontInfo shown(verdict->font());
  const QFontInfo protocol(w->pane().font());
  QVERIFY2(shown.pixelSize() >= protocol.pixelSize(),
           qPrintable(QStringLiteral("%1 against %2 pixels").arg(shown.pixelSize()).arg(protocol.pixelSize())));
  QVERIFY(verdict->font().bold());
}

void CheckerWindowTest::statusBarShowsTheArchiversReason() {
  // A file named as a package that is no archive: the listing fails.
  QTemporaryDir packages;
  const QString broken = packages.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
  {
    QFile f(broken);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not an archive at all");
  }
  const QString good = packages.filePath(QStringLiteral("REV5_1234567_00002_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), good, test::NewFormatMembers()));
  auto unrar = [](TestProgram& p, const QString& archive) {
    ui::CheckerWindow* w = p.app->quarterlyWindow();
    p.dialogs.open_answers.push_back(archive);
    w->ChooseAndUnpackArchive();
    return test::WaitForCommand(*w);
  };

  // The bar says in Romanian what kind of failure the session reports; the
  // archiver's own words, paths cut to file names, stay in the tooltip.
  TestProgram plain;
  QVERIFY(unrar(plain, broken));
  QCOMPARE(plain.app->session().archiver_fault(), ArchiverFault::Unreadable);
  const QString full = QString::fromStdString(plain.app->session().archiver_message()).simplified();
  QCOMPARE(plain.app->quarterlyWindow()->archiverReason(), full);
  auto* shown = plain.app->quarterlyWindow()->findChild<ui::ElidedLabel*>(QStringLiteral("ArchiverReason"));
  QVERIFY(shown != nullptr);
  QCOMPARE(shown->fullText(), ui::ArchiverFaultText(ArchiverFault::Unreadable));
  QVERIFY2(shown->toolTip().endsWith(ui::ShortArchiverReason(full)), qPrintable(shown->toolTip()));
  QVERIFY2(!shown->toolTip().contains(packages.path()), qPrintable(shown->toolTip()));

  // A reason of several lines shows on one; the protocol's lines stay as
  // they are without a reason.
  TestProgram p;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  w->controller().SetArchiverMessageSource([](const Session& s) {
    return s.archiver_message().empty() ? std::string("not a RAR archive:\n  bad header") : s.archiver_message();
  });
  QVERIFY(unrar(p, broken));
  const QString reason = QString::fromStdString(p.app->session().archiver_message()).simplified();
  QCOMPARE(w->archiverReason(), reason.isEmpty() ? QStringLiteral("not a RAR archive: bad header") : reason);
  QCOMPARE(test::ProtocolTexts(w->controller().protocol()),
           test::ProtocolTexts(plain.app->quarterlyWindow()->controller().protocol()));

  // A clean UnRar leaves the bar empty.
  w->controller().SetArchiverMessageSource([](const Session& s) { return s.archiver_message(); });
  QVERIFY(unrar(p, good));
  QVERIFY(!p.messages.shown.empty());
  QCOMPARE(p.messages.shown.back().text, QStringLiteral("Pachet dezarhivat"));
  QVERIFY(w->archiverReason().isEmpty());
}

void CheckerWindowTest::unrarDialogSettings() {
  TestProgram p;
  p.app->quarterlyWindow()->ChooseAndUnpackArchive();
  QCOMPARE(p.dialogs.open_specs.size(), std::size_t(1));
  const ui::OpenDialogOptions& setup = p.dialogs.open_specs[0];
  QCOMPARE(setup.object_name, QStringLiteral("odUnRar"));
  QCOMPARE(setup.title, QStringLiteral("Alegeți arhiva RAR de dezarhivat în directorul de lucru"));
  QCOMPARE(setup.filters, (QStringList{"arhive rar (*.rar)", "toate fișierele (*)"}));
}

void CheckerWindowTest::cancelledUnrarChangesNothing() {
  TestProgram p;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  w->controller().protocol().Add("before");
  p.dialogs.open_answers.push_back(QString());
  w->ChooseAndUnpackArchive();
  QVERIFY(!w->controller().running());
  QVERIFY(!p.app->gate().busy());
  QCOMPARE(test::ProtocolTexts(w->controller().protocol()), QStringList{"before"});
  QVERIFY(p.app->session().window(Variant::Quarterly).archive_path.empty());
  QVERIFY(p.messages.shown.empty());
}

void CheckerWindowTest::unrarThenControlOnAQuarterlyPackage() {
  TestProgram p;
  QVERIFY(p.install.ok());
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("REV5_1234567_00002_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-faulty"), archive, test::NewFormatMembers()));
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  p.app->startMenu()->OpenCheckerWindow(Variant::Quarterly);

  p.dialogs.open_answers.push_back(archive);
  QTest::mouseClick(Button(w, "Button3"), Qt::LeftButton);
  QVERIFY(test::WaitForCommand(*w));
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QCOMPARE(p.messages.shown[0].text, QStringLiteral("Pachet dezarhivat"));
  QVERIFY(QFile::exists(p.install.path(QStringLiteral("rev5_sd"))));
  const QStringList unrar = test::ProtocolTexts(w->controller().protocol());
  QCOMPARE(unrar, (QStringList{"Распаковка " + archive, "Наименование пакета:", "REV5_1234567_00002_2026T03.rar",
                               "пакет распакован в рабочий каталог  " + QString::fromStdString(p.install.dir())}));

  QTest::mouseClick(Button(w, "BitBtn1"), Qt::LeftButton);
  QVERIFY(test::WaitForCommand(*w));
  const Protocol& protocol = w->controller().protocol();
  const QStringList lines = test::ProtocolTexts(protocol);
  QCOMPARE(lines.value(1), QStringLiteral("ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА."));
  QCOMPARE(lines.value(2), "Распакован пакет " + archive);
  QVERIFY(lines.contains(QStringLiteral("к о н т р о л ь  з а в е р ш е н.")));
  QVERIFY(lines.contains(QStringLiteral("Экономический Агент  1234567")));
  QVERIFY(lines.contains(QStringLiteral("Количество пачек в пакете: 2")));
  QVERIFY(lines.contains(QStringLiteral("Пачка 2 Декл 2 LUPU-NEGRU  поле <5.Имя> не заполнено, строка 5")));
  QVERIFY(protocol.FaultCount() > 0);
  // The package files are gone after a complete run.
  QVERIFY(!QFile::exists(p.install.path(QStringLiteral("rev5_sd"))));

  // The pane shows exactly the protocol, line for line, with its emphasis.
  ui::ProtocolPane& pane = w->pane();
  QCOMPARE(pane.lineCount(), qsizetype(protocol.lines().size()));
  QString expected = QString::fromStdString(ProtocolToText(protocol));
  expected.chop(1);  // the text writer ends every line, the pane has no final break
  QCOMPARE(pane.toPlainText(), expected);
  const QTextDocument& doc = *pane.document();
  QTextCharFormat heading =
      FormatOf(BlockWith(doc, QStringLiteral("Контроль, часть 1 - проверка соответствия форматам данных:")));
  QCOMPARE(heading.foreground().color(), QColor(255, 0, 0));
  QCOMPARE(heading.fontWeight(), int(QFont::Bold));
  QVERIFY(heading.fontItalic());
  QTextCharFormat section = FormatOf(BlockWith(doc, QStringLiteral("fisierul REV5_SD")));
  QCOMPARE(section.foreground().color(), QColor(255, 0, 0));
  QCOMPARE(section.fontWeight(), int(QFont::Bold));
  QVERIFY(!section.fontItalic());
  QTextCharFormat finding =
      FormatOf(BlockWith(doc, QStringLiteral("Пачка 2 Декл 2 LUPU-NEGRU  поле <5.Имя> не заполнено, строка 5")));
  QCOMPARE(finding.foreground().color(), QColor(0, 0, 255));
  QCOMPARE(finding.fontWeight(), int(QFont::Normal));
  QCOMPARE(finding.property(QTextFormat::FontPixelSize).toInt(), 16);
}

void CheckerWindowTest::everyWindowChecksItsValidExample_data() {
  QTest::addColumn<Variant>("variant");
  QTest::addColumn<QString>("folder");
  QTest::addColumn<QString>("archive");
  QTest::addColumn<QString>("unpacked");  // the message box after a good UnRar
  QTest::addColumn<int>("packs");
  QTest::newRow("monthly") << Variant::Monthly << "monthly-valid"
                           << "REV5_1234567_00003_2026L11.rar"
                           << "Pachet dezarhivat" << 2;
  QTest::newRow("quarterly") << Variant::Quarterly << "quarterly-valid"
                             << "REV5_1234567_00001_2026T03.rar"
                             << "Pachet dezarhivat" << 2;
  QTest::newRow("annual") << Variant::Annual << "annual-valid"
                          << "REV5_1234567_00004_2025L00.rar"
                          << "Pachet dezarhivat" << 1;
  QTest::newRow("annual-old") << Variant::AnnualOld << "annual-old-valid"
                              << "REV5_1234567_00005.rar"
                              << "Файл распакован в рабочий каталог " << 1;
}

void CheckerWindowTest::everyWindowChecksItsValidExample() {
  QFETCH(Variant, variant);
  QFETCH(QString, folder);
  QFETCH(QString, archive);
  QFETCH(QString, unpacked);
  QFETCH(int, packs);
  TestProgram p({QStringLiteral("zentrox"), QStringLiteral("debug")});
  QTemporaryDir packages;
  const QString path = packages.filePath(archive);
  QStringList members;
  for (const std::string& name : Profile(variant).unpacked_names) members << QString::fromStdString(name);
  QVERIFY(test::PackExample(folder, path, members));
  ui::CheckerWindow* w = p.app->WindowOf(variant);
  p.dialogs.open_answers.push_back(path);
  w->ChooseAndUnpackArchive();
  QVERIFY(test::WaitForCommand(*w));
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QCOMPARE(p.messages.shown[0].text, unpacked);
  w->ControlPackage();
  QVERIFY(test::WaitForCommand(*w));
  const QStringList lines = test::ProtocolTexts(w->controller().protocol());
  QVERIFY2(lines.contains(QStringLiteral("к о н т р о л ь  з а в е р ш е н.")), qPrintable(lines.join('\n')));
  QVERIFY(lines.contains(QStringLiteral("Количество пачек в пакете: %1").arg(packs)));
  QCOMPARE(w->pane().lineCount(), qsizetype(lines.size()));
  // The window's grid shows its own data module's pack table.
  QCOMPARE(w->packModel().rowCount(), packs);
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
}

void CheckerWindowTest::paneShowsLinesBeforeTheMessageBox() {
  // "Pachet dezarhivat" comes from the worker while the run waits for the
  // user; the pane must already show the lines written before it.
  TestProgram p;
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  qsizetype lines_while_open = -1;
  p.messages.while_open = [&](const test::ShownMessage&) { lines_while_open = w->pane().lineCount(); };
  p.dialogs.open_answers.push_back(archive);
  w->ChooseAndUnpackArchive();
  QVERIFY(test::WaitForCommand(*w));
  QCOMPARE(lines_while_open, qsizetype(3));
  QCOMPARE(w->pane().lineCount(), qsizetype(4));
}

void CheckerWindowTest::secondControlFindsTheFilesGone() {
  TestProgram p;
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  p.dialogs.open_answers.push_back(archive);
  w->ChooseAndUnpackArchive();
  QVERIFY(test::WaitForCommand(*w));
  w->ControlPackage();
  QVERIFY(test::WaitForCommand(*w));
  QVERIFY(
      test::ProtocolTexts(w->controller().protocol()).contains(QStringLiteral("Проверено электронных деклараций : 5")));
  w->ControlPackage();
  QVERIFY(test::WaitForCommand(*w));
  const QStringList lines = test::ProtocolTexts(w->controller().protocol());
  QCOMPARE(lines.size(), 4);
  QCOMPARE(lines.last(), QStringLiteral("отсутствуют нужные файлы из пакета "));
  QCOMPARE(w->pane().lineCount(), qsizetype(4));
}

void CheckerWindowTest::packageUnpackedInQuarterlyCountsInAnnual() {
  TestProgram p;
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  // Nothing unpacked yet: the annual run stops at once.
  ui::CheckerWindow* annual = p.app->annualWindow();
  annual->ControlPackage();
  QVERIFY(test::WaitForCommand(*annual));
  QCOMPARE(test::ProtocolTexts(annual->controller().protocol()).last(), QStringLiteral("Пакет НЕ распакован."));

  ui::CheckerWindow* kv = p.app->quarterlyWindow();
  p.dialogs.open_answers.push_back(archive);
  kv->ChooseAndUnpackArchive();
  QVERIFY(test::WaitForCommand(*kv));
  annual->ControlPackage();
  QVERIFY(test::WaitForCommand(*annual));
  const QStringList lines = test::ProtocolTexts(annual->controller().protocol());
  // The shared package name is the annual window's marker; its own archive
  // path is empty, so the period check lets the quarterly package through.
  QCOMPARE(lines.value(2), QStringLiteral("Распакован пакет REV5_1234567_00001_2026T03.rar"));
  QVERIFY(lines.contains(QStringLiteral("к о н т р о л ь  з а в е р ш е н.")));
  // The annual run loaded the quarterly package into the shared DM.
  QCOMPARE(p.app->DM().pack_label.size(), std::size_t(2));
}

void CheckerWindowTest::refusedNameWritesItsLines() {
  TestProgram p;
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("package.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  ui::CheckerWindow* kv = p.app->quarterlyWindow();
  p.dialogs.open_answers.push_back(archive);
  kv->ChooseAndUnpackArchive();
  QVERIFY(test::WaitForCommand(*kv));
  QVERIFY(p.messages.shown.empty());
  const Protocol& protocol = kv->controller().protocol();
  QVERIFY(protocol.lines().size() > 3);
  QVERIFY(protocol.FaultCount() > 0);
  QVERIFY(p.app->session().shared_package_name().empty());
  QCOMPARE(kv->pane().lineCount(), qsizetype(protocol.lines().size()));
}

void CheckerWindowTest::oneRunAtATimeInTheWholeProgram() {
  TestProgram p;
  p.app->Show();
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  ui::CheckerWindow* kv = p.app->quarterlyWindow();
  ui::CheckerWindow* annual = p.app->annualWindow();
  annual->controller().protocol().Add("annual's own");

  // While "Pachet dezarhivat" is open the quarterly UnRar is still running.
  bool checked = false;
  p.messages.while_open = [&](const test::ShownMessage&) {
    checked = true;
    QVERIFY(p.app->gate().busy());
    QVERIFY(kv->controller().running());
    QVERIFY(!kv->findChild<QProgressBar*>(QStringLiteral("BusyIndicator"))->isHidden());
    for (Variant v : AllVariants()) {
      ui::CheckerWindow* w = p.app->WindowOf(v);
      QVERIFY(!Button(w, "Button3")->isEnabled());
      QVERIFY(!Button(w, "BitBtn1")->isEnabled());
      // Print, save and the installation check stay for the other windows.
      QCOMPARE(Button(w, "Button2")->isEnabled(), w != kv);
      QCOMPARE(Button(w, "Button1")->isEnabled(), w != kv);
      QCOMPARE(Button(w, "BitBtn2")->isEnabled(), w != kv);
    }
    for (const char* name : {"Button3", "Button0", "Button2", "Button1"}) {
      QVERIFY(!Button(p.app->startMenu(), name)->isEnabled());
    }
    // A second run anywhere is refused and changes nothing.
    QVERIFY(!annual->controller().StartControl());
    QCOMPARE(test::ProtocolTexts(annual->controller().protocol()), QStringList{"annual's own"});
    // A menu button does not clear a window meanwhile.
    p.app->startMenu()->OpenCheckerWindow(Variant::Annual);
    QVERIFY(!annual->isVisible());
    // The grids over DM read nothing while the run fills it.
    QCOMPARE(annual->packModel().rowCount(), 0);
  };
  p.dialogs.open_answers.push_back(archive);
  kv->ChooseAndUnpackArchive();
  QVERIFY(test::WaitForCommand(*kv));
  QVERIFY(checked);
  QVERIFY(!p.app->gate().busy());
  QVERIFY(kv->findChild<QProgressBar*>(QStringLiteral("BusyIndicator"))->isHidden());
  for (Variant v : AllVariants()) {
    QVERIFY(Button(p.app->WindowOf(v), "Button3")->isEnabled());
    QVERIFY(Button(p.app->WindowOf(v), "BitBtn1")->isEnabled());
  }
  QVERIFY(Button(p.app->startMenu(), "Button0")->isEnabled());
}

void CheckerWindowTest::workdirHeldByAnotherProcess_data() {
  QTest::addColumn<bool>("unrar");
  QTest::newRow("UnRar") << true;
  QTest::newRow("Control") << false;
}

void CheckerWindowTest::workdirHeldByAnotherProcess() {
  QFETCH(bool, unrar);
  TestProgram p;
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  p.app->session().set_lock_wait(std::chrono::milliseconds(50));
  WorkdirLock other(p.install.dir(), std::chrono::milliseconds(0));
  QVERIFY(other.acquired());
  ui::CheckerWindow* kv = p.app->quarterlyWindow();
  if (unrar) {
    p.dialogs.open_answers.push_back(archive);
    kv->ChooseAndUnpackArchive();
  } else {
    kv->ControlPackage();
  }
  QVERIFY(test::WaitForCommand(*kv));
  const QString busy = QString::fromStdString(WorkdirBusyText(p.install.dir()));
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY(p.messages.shown[0].error);
  QCOMPARE(p.messages.shown[0].text, busy);
  QCOMPARE(test::ProtocolTexts(kv->controller().protocol()), QStringList{busy});
  QCOMPARE(kv->pane().toPlainText(), busy);
  QVERIFY(!p.app->gate().busy());
  QCOMPARE(kv->verdictText(),
           QStringLiteral("Pachetul nu a fost verificat: directorul de lucru este ocupat de altă verificare."));
}

void CheckerWindowTest::debugGridShowsThePackTable() {
  TestProgram p({QStringLiteral("zentrox"), QStringLiteral("debug")});
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  ui::CheckerWindow* kv = p.app->quarterlyWindow();
  QVERIFY(kv->debugPageShown());
  auto* grid = kv->findChild<QTableView*>(QStringLiteral("DBGrid1"));
  QCOMPARE(grid->parentWidget()->objectName(), QStringLiteral("TabSheet3"));
  QCOMPARE(grid->model()->rowCount(), 0);
  p.dialogs.open_answers.push_back(archive);
  kv->ChooseAndUnpackArchive();
  QVERIFY(test::WaitForCommand(*kv));
  kv->ControlPackage();
  QVERIFY(test::WaitForCommand(*kv));

  const Table& packs = p.app->DM().pack_label;
  QCOMPARE(grid->model()->rowCount(), 2);
  QCOMPARE(grid->model()->columnCount(), packs.FieldCount());
  QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("PL_ID"));
  for (int r = 0; r < 2; ++r) {
    for (int f = 0; f < packs.FieldCount(); ++f) {
      QCOMPARE(grid->model()->index(r, f).data().toString(), QString::fromStdString(packs.Text(RowId(r), f)));
    }
  }
  // The monthly and annual windows show the same DM table; the old-format one DM1's.
  QCOMPARE(p.app->monthlyWindow()->packModel().rowCount(), 2);
  QCOMPARE(p.app->annualOldWindow()->packModel().rowCount(), 0);
  QCOMPARE(p.app->annualOldWindow()->packModel().headerData(0, Qt::Horizontal).toString(),
           QString::fromStdString(p.app->DM1().pack_label.field(0).name));
}

void CheckerWindowTest::installationCheck_data() {
  QTest::addColumn<Variant>("variant");
  QTest::addColumn<QStringList>("remove");
  QTest::addColumn<QStringList>("missing");
  QTest::newRow("complete, quarterly") << Variant::Quarterly << QStringList{} << QStringList{};
  QTest::newRow("complete, old format") << Variant::AnnualOld << QStringList{} << QStringList{};
  QTest::newRow("no archiver") << Variant::Monthly << QStringList{"Rar"} << QStringList{"Rar"};
  QTest::newRow("new-format dictionary") << Variant::Annual << QStringList{"sps_viddoc.txt", "tarif.txt"}
                                         << QStringList{"sps_viddoc.txt"};
  QTest::newRow("old-format dictionaries")
      << Variant::AnnualOld << QStringList{"rang.txt", "Rar", "sps_prof.txt"} << QStringList{"Rar", "rang.txt"};
}

void CheckerWindowTest::installationCheck() {
  QFETCH(Variant, variant);
  QFETCH(QStringList, remove);
  QFETCH(QStringList, missing);
  // The archiver is looked for beside the program and along PATH: keep PATH
  // free of any other copy.
  const QByteArray saved_path = qgetenv("PATH");
  qputenv("PATH", "/usr/bin:/bin");
  TestProgram p;
  for (const QString& name : remove) QVERIFY(QFile::remove(p.install.path(name)));
  ui::CheckerWindow* w = p.app->WindowOf(variant);
  w->controller().protocol().SetDefaultColor(kBlue);
  w->controller().protocol().Add("earlier line");
  QTest::mouseClick(Button(w, "BitBtn2"), Qt::LeftButton);
  qputenv("PATH", saved_path);

  const Protocol& protocol = w->controller().protocol();
  if (missing.isEmpty()) {
    QCOMPARE(test::ProtocolTexts(protocol), QStringList{"earlier line"});
    return;
  }
  QCOMPARE(protocol.lines().size(), std::size_t(2 + missing.size()));
  QCOMPARE(protocol.lines()[0].text, std::string("earlier line"));
  for (std::size_t i = 1; i < protocol.lines().size(); ++i) {
    QCOMPARE(protocol.lines()[i].style.color, kRed);
    QCOMPARE(protocol.lines()[i].kind, LineKind::Fault);
  }
  for (qsizetype i = 0; i < missing.size(); ++i) {
    const QString line = QString::fromStdString(protocol.lines()[std::size_t(2 + i)].text);
    QVERIFY2(line.contains(missing[i]), qPrintable(line));
    // Where it is expected: the program's (the working) directory.
    QVERIFY2(line.contains(QString::fromStdString(p.install.dir())), qPrintable(line));
  }
  // Later lines take the protocol's colour again.
  QCOMPARE(protocol.current().color, kBlue);
  QCOMPARE(w->pane().lineCount(), qsizetype(protocol.lines().size()));
}

QTEST_MAIN(CheckerWindowTest)
#include "tst_checker_window.moc"
