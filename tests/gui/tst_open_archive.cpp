// The program started with an archive (the desktop entry's "Open with"),
// the folder the UnRar dialog opens in, and the cascade of the checker
// windows.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/start_menu.h"
#include "app/zentrox_app.h"
#include "gui_test_support.h"
#include "session/session.h"
#include "ui/checker_controller.h"
#include "ui/checker_window.h"
#include "ui/protocol_pane.h"
#include "ui/run_gate.h"
#include "ui/variant_look.h"

using namespace zentrox;
using zentrox::test::TestProgram;

Q_DECLARE_METATYPE(zentrox::Variant)

namespace {

const QString kControlEnd = QStringLiteral("к о н т р о л ь  з а в е р ш е н.");

QStringList MembersOf(Variant variant) {
  QStringList members;
  for (const std::string& name : Profile(variant).unpacked_names) members << QString::fromStdString(name);
  return members;
}

QList<ui::CheckerWindow*> VisibleWindows(const app::ZentroxApp& app) {
  QList<ui::CheckerWindow*> shown;
  for (Variant v : AllVariants()) {
    if (app.WindowOf(v)->isVisible()) shown << app.WindowOf(v);
  }
  return shown;
}

}  // namespace

class OpenArchiveTest : public QObject {
  Q_OBJECT

 private slots:
  void archiveArgument_data();
  void archiveArgument();
  void desktopEntryPassesTheFile();
  void archiveOpensInItsVariantsWindow_data();
  void archiveOpensInItsVariantsWindow();
  void anArchiveOfNoTellableVariantLeavesTheMenu();
  void aMissingArchiveOpensNothing();
  void theVariantQuestionIsRomanian_data();
  void theVariantQuestionIsRomanian();
  void unrarDialogOpensInTheFolderLastUsed();
  void theFileDialogOpensInTheFolderAskedFor();
  void cascadePosition_data();
  void cascadePosition();
  void windowsOpenCascaded();
};

void OpenArchiveTest::archiveArgument_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("archive");
  const QString here = QDir::currentPath();
  QTest::newRow("none") << QStringList{"zentrox"} << QString();
  QTest::newRow("debug only") << QStringList{"zentrox", "debug"} << QString();
  QTest::newRow("absolute") << QStringList{"zentrox", "/home/acc/a b.rar"} << "/home/acc/a b.rar";
  QTest::newRow("after debug") << QStringList{"zentrox", "debug", "/p/x.rar"} << "/p/x.rar";
  QTest::newRow("before debug") << QStringList{"zentrox", "/p/x.rar", "debug"} << "/p/x.rar";
  QTest::newRow("relative") << QStringList{"zentrox", "sub/x.rar"} << here + "/sub/x.rar";
  QTest::newRow("file URL") << QStringList{"zentrox", "file:///home/acc/a%20b.rar"} << "/home/acc/a b.rar";
}

void OpenArchiveTest::archiveArgument() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, archive);
  QCOMPARE(app::ArchiveArgument(arguments), archive);
}

// The file manager runs the entry's Exec line with the file for its field
// code; the program finds the archive among the arguments.
void OpenArchiveTest::desktopEntryPassesTheFile() {
  QFile entry(QStringLiteral(ZENTROX_DICTIONARY_DIR "/../desktop/zentrox.desktop"));
  QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
  QStringList exec;
  QString mime;
  for (const QString& line : QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1String("Exec="))) exec = line.mid(5).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (line.startsWith(QLatin1String("MimeType="))) mime = line;
  }
  QVERIFY(mime.contains(QLatin1String("application/vnd.rar")));
  QCOMPARE(exec.value(0), QStringLiteral("zentrox"));
  const QString archive = QStringLiteral("/home/acc/Рапорт 2026/REV5_1234567_00002_2026T03.rar");
  QStringList run;
  for (const QString& word : exec) {
    if (word == QLatin1String("%f") || word == QLatin1String("%F")) {
      run << archive;
    } else if (word == QLatin1String("%u") || word == QLatin1String("%U")) {
      run << QUrl::fromLocalFile(archive).toString(QUrl::FullyEncoded);
    } else {
      run << word;
    }
  }
  QCOMPARE(app::ArchiveArgument(run), archive);
}

void OpenArchiveTest::archiveOpensInItsVariantsWindow_data() {
  QTest::addColumn<Variant>("variant");
  QTest::addColumn<QString>("folder");
  QTest::addColumn<QString>("archive");
  QTest::addColumn<QString>("unpacked");  // the message box after a good UnRar
  QTest::addColumn<QString>("finding");   // a line the control run writes
  QTest::addColumn<bool>("debug");
  QTest::newRow("quarterly") << Variant::Quarterly << "quarterly-faulty"
                             << "REV5_1234567_00002_2026T03.rar"
                             << "Pachet dezarhivat"
                             << "Пачка 2 Декл 2 LUPU-NEGRU  поле <5.Имя> не заполнено, строка 5" << false;
  QTest::newRow("monthly, debug first") << Variant::Monthly << "monthly-valid"
                                        << "REV5_1234567_00003_2026L11.rar"
                                        << "Pachet dezarhivat"
                                        << "Количество пачек в пакете: 2" << true;
  QTest::newRow("annual") << Variant::Annual << "annual-valid"
                          << "REV5_1234567_00004_2025L00.rar"
                          << "Pachet dezarhivat"
                          << "Количество пачек в пакете: 1" << false;
  QTest::newRow("annual-old") << Variant::AnnualOld << "annual-old-valid"
                              << "REV5_1234567_00005.rar"
                              << "Файл распакован в рабочий каталог "
                              << "Количество пачек в пакете: 1" << false;
}

// The window of the archive's variant opens, UnRar shows its box as the
// button does, and the control run follows: the pane shows its protocol.
void OpenArchiveTest::archiveOpensInItsVariantsWindow() {
  QFETCH(Variant, variant);
  QFETCH(QString, folder);
  QFETCH(QString, archive);
  QFETCH(QString, unpacked);
  QFETCH(QString, finding);
  QFETCH(bool, debug);
  QTemporaryDir packages;
  const QString path = packages.filePath(archive);
  QVERIFY(test::PackExample(folder, path, MembersOf(variant)));
  TestProgram p(debug ? QStringList{"zentrox", "debug", path} : QStringList{"zentrox", path});
  QVERIFY(p.install.ok());
  p.app->Show();
  ui::CheckerWindow* w = p.app->WindowOf(variant);
  QTRY_VERIFY_WITH_TIMEOUT(w->isVisible(), 10000);
  QCOMPARE(VisibleWindows(*p.app), QList<ui::CheckerWindow*>{w});
  QCOMPARE(w->debugPageShown(), debug);
  const Protocol& protocol = w->controller().protocol();
  QTRY_VERIFY_WITH_TIMEOUT(!w->controller().running() && test::ProtocolTexts(protocol).contains(kControlEnd), 60000);
  QVERIFY(test::WaitForCommand(*w));
  const QStringList lines = test::ProtocolTexts(protocol);
  QCOMPARE(lines.value(1), QStringLiteral("ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА."));
  QVERIFY2(lines.contains(finding), qPrintable(lines.join('\n')));
  QCOMPARE(w->pane().lineCount(), qsizetype(lines.size()));
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QCOMPARE(p.messages.shown[0].text, unpacked);
  QVERIFY(p.dialogs.open_specs.empty());  // no dialog asked
  QVERIFY(p.app->startMenu()->pendingArchive().isEmpty());
}

// The menu stays and says why; no window opens and no button is
// preselected. The window the user then opens takes the archive.
void OpenArchiveTest::anArchiveOfNoTellableVariantLeavesTheMenu() {
  QTemporaryDir packages;
  const QString path = packages.filePath(QStringLiteral("package.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), path, test::NewFormatMembers()));
  TestProgram p({QStringLiteral("zentrox"), path});
  p.app->Show();
  QTRY_COMPARE_WITH_TIMEOUT(p.messages.shown.size(), std::size_t(1), 10000);
  QVERIFY(!p.messages.shown[0].error);
  QVERIFY2(p.messages.shown[0].text.contains(QStringLiteral("package.rar")), qPrintable(p.messages.shown[0].text));
  QVERIFY2(p.messages.shown[0].text.contains(QStringLiteral("22 sau 30 de caractere")),
           qPrintable(p.messages.shown[0].text));
  QTest::qWait(50);
  QVERIFY(VisibleWindows(*p.app).isEmpty());
  QVERIFY(p.app->startMenu()->isVisible());
  QVERIFY(!p.app->gate().busy());
  QCOMPARE(p.app->startMenu()->pendingArchive(), path);
  for (QPushButton* b : p.app->startMenu()->findChildren<QPushButton*>())
    QVERIFY2(!b->hasFocus(), qPrintable(b->objectName()));

  ui::CheckerWindow* kv = p.app->quarterlyWindow();
  QTest::mouseClick(p.app->startMenu()->findChild<QPushButton*>(
                        QLatin1String(ui::LookOf(Variant::Quarterly).menu_button.object_name)),
                    Qt::LeftButton);
  QVERIFY(kv->isVisible());
  QVERIFY(test::WaitForCommand(*kv));
  // UnRar's name check refuses the name in the window's protocol; no
  // control run follows.
  const Protocol& protocol = kv->controller().protocol();
  QCOMPARE(test::ProtocolTexts(protocol).value(0), "Распаковка " + path);
  QVERIFY(protocol.FaultCount() > 0);
  QCOMPARE(kv->controller().lastUnRarOutcome(), std::optional<UnrarOutcome>(UnrarOutcome::NameRefused));
  QTest::qWait(50);
  QVERIFY(!kv->controller().running());
  QVERIFY(!test::ProtocolTexts(protocol).contains(QStringLiteral("ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.")));
  QVERIFY(p.app->startMenu()->pendingArchive().isEmpty());
}

void OpenArchiveTest::aMissingArchiveOpensNothing() {
  QTemporaryDir packages;
  const QString path = packages.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
  TestProgram p({QStringLiteral("zentrox"), path});
  p.app->Show();
  QTRY_COMPARE_WITH_TIMEOUT(p.messages.shown.size(), std::size_t(1), 10000);
  QVERIFY(p.messages.shown[0].error);
  QVERIFY(p.messages.shown[0].text.contains(QStringLiteral("fișierul nu există")));
  QVERIFY(VisibleWindows(*p.app).isEmpty());
  QVERIFY(p.app->startMenu()->pendingArchive().isEmpty());
}

void OpenArchiveTest::theVariantQuestionIsRomanian_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("why");
  QTest::newRow("name length") << "package.rar"
                               << "22 sau 30 de caractere";
  QTest::newRow("period code") << "REV5_1234567_00001_2026X03.rar"
                               << "codul perioadei „X03”";
}

// The box that says why the variant can't be told speaks Romanian from its
// first word to its last, the reason included.
void OpenArchiveTest::theVariantQuestionIsRomanian() {
  QFETCH(QString, name);
  QFETCH(QString, why);
  QTemporaryDir packages;
  const QString path = packages.filePath(name);
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), path, test::NewFormatMembers()));
  TestProgram p({QStringLiteral("zentrox"), path});
  p.app->Show();
  QTRY_COMPARE_WITH_TIMEOUT(p.messages.shown.size(), std::size_t(1), 10000);
  const QString text = p.messages.shown[0].text;
  QVERIFY2(text.startsWith(QStringLiteral("Varianta arhivei ") + name), qPrintable(text));
  QVERIFY2(text.contains(why), qPrintable(text));
  static const QRegularExpression kEnglish(QStringLiteral("\\b(the|of|is|can't|none|Choose|archive|name)\\b"));
  QVERIFY2(!QString(text).remove(name).contains(kEnglish), qPrintable(text));
}

// The home folder the first time, not the working directory; then the
// folder of the archive last unpacked, in this run and the next.
void OpenArchiveTest::unrarDialogOpensInTheFolderLastUsed() {
  QTemporaryDir packages;
  const QString archive = packages.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
  QVERIFY(test::PackExample(QStringLiteral("quarterly-valid"), archive, test::NewFormatMembers()));
  QTemporaryDir settings;
  {
    TestProgram first;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ui::CheckerWindow* kv = first.app->quarterlyWindow();
    first.dialogs.open_answers.push_back(QString());  // cancelled: nothing remembered
    kv->ChooseAndUnpackArchive();
    first.dialogs.open_answers.push_back(archive);
    kv->ChooseAndUnpackArchive();
    QVERIFY(test::WaitForCommand(*kv));
    kv->ChooseAndUnpackArchive();  // cancelled
    QCOMPARE(first.dialogs.open_specs.size(), std::size_t(3));
    QCOMPARE(first.dialogs.open_specs[0].directory, QDir::homePath());
    QVERIFY(first.dialogs.open_specs[0].directory != QDir::currentPath());
    QCOMPARE(first.dialogs.open_specs[1].directory, QDir::homePath());
    QCOMPARE(first.dialogs.open_specs[2].directory, packages.path());
  }
  {
    TestProgram next;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    next.app->monthlyWindow()->ChooseAndUnpackArchive();
    QCOMPARE(next.dialogs.open_specs.at(0).directory, packages.path());
  }
  {
    // An archive opened with the program counts as used; a folder that is
    // gone gives the home folder again.
    QTemporaryDir gone;
    const QString moved = gone.filePath(QStringLiteral("REV5_1234567_00001_2026T03.rar"));
    QVERIFY(QFile::copy(archive, moved));
    TestProgram opened;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    opened.app->OpenArchive(moved);
    ui::CheckerWindow* kv = opened.app->quarterlyWindow();
    QVERIFY(kv->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(
        !kv->controller().running() && test::ProtocolTexts(kv->controller().protocol()).contains(kControlEnd), 60000);
    kv->ChooseAndUnpackArchive();
    QVERIFY(gone.remove());
    kv->ChooseAndUnpackArchive();
    QCOMPARE(opened.dialogs.open_specs.size(), std::size_t(2));
    QCOMPARE(opened.dialogs.open_specs[0].directory, gone.path());
    QCOMPARE(opened.dialogs.open_specs[1].directory, QDir::homePath());
  }
}

// The desktop's own dialog, closed as soon as it shows.
void OpenArchiveTest::theFileDialogOpensInTheFolderAskedFor() {
  QTemporaryDir settings;  // where the dialog keeps its history
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QTemporaryDir folder;
  ui::OpenDialogOptions dialog = ui::UnRarDialogOptions();
  dialog.directory = folder.path();
  QString shown;
  QTimer poll;
  connect(&poll, &QTimer::timeout, this, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      shown = dialog->directory().absolutePath();
      dialog->reject();
    }
  });
  poll.start(20);
  ui::QtFileDialogs dialogs;
  QVERIFY(!dialogs.Open(nullptr, dialog));
  QCOMPARE(shown, folder.path());
}

void OpenArchiveTest::cascadePosition_data() {
  QTest::addColumn<QRect>("area");
  QTest::addColumn<QList<QPoint>>("expected");
  QTest::newRow("room for the cascade") << QRect(0, 0, 1280, 1024)
                                        << QList<QPoint>{{169, 244}, {201, 276}, {233, 308}, {265, 340}};
  QTest::newRow("second screen, beside a panel")
      << QRect(1280, 30, 1280, 994) << QList<QPoint>{{1449, 259}, {1481, 291}, {1513, 323}, {1545, 355}};
  QTest::newRow("narrower than a window")
      << QRect(0, 0, 800, 600) << QList<QPoint>{{0, 32}, {0, 64}, {0, 96}, {0, 128}};
  QTest::newRow("lower than the cascade")
      << QRect(0, 0, 1024, 500) << QList<QPoint>{{41, 0}, {73, 14}, {105, 46}, {137, 61}};
}

void OpenArchiveTest::cascadePosition() {
  QFETCH(QRect, area);
  QFETCH(QList<QPoint>, expected);
  const QSize size(845, 439);
  QList<QPoint> got;
  for (int k = 0; k < 4; ++k) got << ui::CascadePosition(area, size, k, 4);
  QCOMPARE(got, expected);
  for (const QPoint& at : got) {
    QVERIFY(at.x() >= area.left() && at.y() >= area.top());
    if (size.width() <= area.width()) QVERIFY(QRect(at, size).right() <= area.right());
    if (size.height() <= area.height()) QVERIFY(QRect(at, size).bottom() <= area.bottom());
  }
}

// Each window a step below (and, where the screen allows, right of) the one
// before, all on the screen: none hides another completely.
void OpenArchiveTest::windowsOpenCascaded() {
  TestProgram p;
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  QList<QPoint> at;
  for (Variant v : AllVariants()) at << p.app->WindowOf(v)->pos();
  for (qsizetype k = 1; k < at.size(); ++k) {
    QCOMPARE(at[k].y() - at[k - 1].y(), 32);
    QVERIFY(at[k].x() >= at[k - 1].x());
  }
  for (Variant v : AllVariants()) {
    const QRect r = p.app->WindowOf(v)->geometry();
    QVERIFY(r.left() >= area.left() && r.top() >= area.top());
    QVERIFY(r.bottom() <= area.bottom());
  }
}

QTEST_MAIN(OpenArchiveTest)
#include "tst_open_archive.moc"
