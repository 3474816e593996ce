// Start-up, the start menu, the formatting settings check, the about dialog
// and the DEBUG page switch.
#include <clocale>
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "app/about_dialog.h"
#include "app/formatting_settings.h"
#include "app/qt_texts.h"
#include "app/start_menu.h"
#include "app/zentrox_app.h"
#include "gui_test_support.h"
#include "session/session.h"
#include "ui/checker_controller.h"
#include "ui/checker_window.h"
#include "ui/protocol_pane.h"

using namespace zentrox;
using zentrox::test::TestProgram;

Q_DECLARE_METATYPE(zentrox::Variant)

class StartMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void startupCreatesEveryObjectOnceInOrder();
  void windowsCarryTheirVariantProfiles_data();
  void windowsCarryTheirVariantProfiles();
  void menuLayout_data();
  void menuLayout();
  void menuSizeFollowsItsButtons();
  void menuButtonOpensItsWindowWithAnEmptyProtocol_data();
  void menuButtonOpensItsWindowWithAnEmptyProtocol();
  void reopeningAnOpenWindowKeepsThePackage();
  void failedSettingsCheckShowsTheBoxAndOpensNothing();
  void verifyFormatting_data();
  void verifyFormatting();
  void checkRegionalSettingsOverridesACommaLocale();
  void closingTheMenuEndsTheProgram();
  void closingACheckerWindowOnlyHidesIt();
  void aboutDialogFromHelpButtonAndF1();
  void debugPage_data();
  void debugPage();
  void qtOwnTextsAreRomanian();
};

void StartMenuTest::startupCreatesEveryObjectOnceInOrder() {
  TestProgram p;
  QVERIFY(p.install.ok());
  const std::vector<std::string> expected = {"TForm1", "TFmain", "TFmain_KV", "TFmain_MES",
                                             "DM",     "DM1",    "TFmainrev", "TFormBla"};
  QCOMPARE(p.app->creation_order(), expected);
  QCOMPARE(app::ZentroxApp::instance(), p.app.get());

  p.app->Show();
  // Every window exists once among the top-level widgets; only the menu shows.
  for (const char* name : {"TForm1", "TFmain", "TFmain_KV", "TFmain_MES", "TFmainrev", "TFormBla"}) {
    int count = 0;
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == QLatin1String(name)) {
        ++count;
        found = w;
      }
    }
    QCOMPARE(count, 1);
    QCOMPARE(found->isVisible(), QByteArray(name) == "TForm1");
  }
  // The windows of the new formats share DM, the old-format window has DM1.
  QCOMPARE(&p.app->DM(), &p.app->session().dm());
  QCOMPARE(&p.app->DM1(), &p.app->session().dm1());
  QCOMPARE(p.app->session().workdir(), p.install.dir());
}

void StartMenuTest::windowsCarryTheirVariantProfiles_data() {
  QTest::addColumn<Variant>("variant");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<int>("width");
  QTest::newRow("monthly") << Variant::Monthly << "TFmain_MES"
                           << "Zentrox            LUNAR        МЕСЯЧНЫЙ       Н О В Ы Е   Ф О Р М А Т Ы" << 845;
  QTest::newRow("quarterly") << Variant::Quarterly << "TFmain_KV"
                             << "Zentrox            TRIMESTRIAL        КВАРТАЛЬНЫЙ       Н О В Ы Е   Ф О Р М А Т Ы"
                             << 845;
  QTest::newRow("annual") << Variant::Annual << "TFmain"
                          << "Zentrox            ANUAL         ГОДОВЫЕ       Н О В Ы Е   Ф О Р М А Т Ы" << 845;
  QTest::newRow("annual-old") << Variant::AnnualOld << "TFmainrev"
                              << "Zentrox    ANUAL         ГОДОВЫЕ          С Т А Р Ы Е   Ф О Р М А Т Ы" << 837;
}

void StartMenuTest::windowsCarryTheirVariantProfiles() {
  QFETCH(Variant, variant);
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(int, width);
  TestProgram p;
  ui::CheckerWindow* w = p.app->WindowOf(variant);
  QVERIFY(w != nullptr);
  QCOMPARE(w->objectName(), name);
  QCOMPARE(w->windowTitle(), caption);
  QCOMPARE(w->variant(), variant);
  QCOMPARE(w->size(), QSize(width, 439));
  QCOMPARE(w->font().pixelSize(), 16);
  const QColor background = w->palette().color(QPalette::Window);
  const QColor expected =
      QApplication::palette().color(variant == Variant::AnnualOld ? QPalette::Highlight : QPalette::Button);
  QCOMPARE(background, expected);
}

void StartMenuTest::menuLayout_data() {
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QColor>("color");
  QTest::addColumn<bool>("bold");
  QTest::addColumn<int>("pixels");
  QTest::addColumn<int>("height");
  QTest::newRow("lunar") << 0 << "Button3"
                         << "Controlul declaratiilor electronice. L U N A R" << QColor(128, 0, 0) << true << 16 << 89;
  QTest::newRow("trimestrial") << 1 << "Button0"
                               << "Controlul declaratiilor electronice. TRIMESTRIAL" << QColor(255, 0, 255) << true
                               << 16 << 89;
  QTest::newRow("anual") << 2 << "Button2"
                         << "Controlul declaratiilor electronice.  A N U A L." << QColor(255, 0, 0) << false << 19
                         << 89;
  QTest::newRow("vechi") << 3 << "Button1"
                         << "Controlul declaratiilor electronice. A N U A L. Formatul vechi." << QColor(0, 0, 128)
                         << true << 16 << 65;
}

void StartMenuTest::menuLayout() {
  QFETCH(int, index);
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(QColor, color);
  QFETCH(bool, bold);
  QFETCH(int, pixels);
  QFETCH(int, height);
  TestProgram p;
  app::StartMenu* menu = p.app->startMenu();
  p.app->Show();
  QCOMPARE(menu->windowTitle(), QStringLiteral("Zentrox v.11.02.2015"));
  QCOMPARE(menu->size(), QSize(664, 499));
  QCOMPARE(menu->minimumSize(), menu->maximumSize());  // not resizable
  QCOMPARE(menu->palette().color(QPalette::Window), QColor(166, 202, 240));

  auto* button = menu->findChild<QPushButton*>(name);
  QVERIFY(button != nullptr);
  QCOMPARE(button->text(), caption);
  QCOMPARE(button->palette().color(QPalette::ButtonText), color);
  QCOMPARE(button->font().bold(), bold);
  QCOMPARE(button->font().pixelSize(), pixels);
  QCOMPARE(button->height(), height);
  QCOMPARE(button->width(), 601);
  // Stacked from top to bottom in table order.
  const QStringList order = {"Button3", "Button0", "Button2", "Button1"};
  if (index > 0) {
    auto* above = menu->findChild<QPushButton*>(order[index - 1]);
    QVERIFY(above->geometry().bottom() < button->geometry().top());
  }
  QCOMPARE(menu->focusWidget(), menu->findChild<QPushButton*>(QStringLiteral("Button3")));
}

void StartMenuTest::menuSizeFollowsItsButtons() {
  QCOMPARE(app::StartMenu::SizeFor({89, 89, 89, 65}), QSize(664, 499));
  QCOMPARE(app::StartMenu::SizeFor({89, 89, 89, 65, 89}), QSize(664, 499 + 89 + 24));
}

void StartMenuTest::menuButtonOpensItsWindowWithAnEmptyProtocol_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<Variant>("variant");
  QTest::newRow("Button3") << "Button3" << Variant::Monthly;
  QTest::newRow("Button0") << "Button0" << Variant::Quarterly;
  QTest::newRow("Button2") << "Button2" << Variant::Annual;
  QTest::newRow("Button1") << "Button1" << Variant::AnnualOld;
}

void StartMenuTest::menuButtonOpensItsWindowWithAnEmptyProtocol() {
  QFETCH(QString, button);
  QFETCH(Variant, variant);
  TestProgram p;
  p.app->Show();
  ui::CheckerWindow* target = p.app->WindowOf(variant);
  target->controller().protocol().Add("left over");
  target->pane().FlushAll();
  QCOMPARE(target->pane().lineCount(), 1);

  QTest::mouseClick(p.app->startMenu()->findChild<QPushButton*>(button), Qt::LeftButton);
  target->pane().FlushAll();
  QCOMPARE(p.settings_checks, 1);
  QVERIFY(target->isVisible());
  QVERIFY(target->controller().protocol().empty());
  QCOMPARE(target->pane().lineCount(), 0);
  QVERIFY(target->pane().toPlainText().isEmpty());
  QVERIFY(p.app->startMenu()->isVisible());  // the menu stays open
  for (Variant other : AllVariants()) {
    if (other != variant) QVERIFY(!p.app->WindowOf(other)->isVisible());
  }
}

void StartMenuTest::reopeningAnOpenWindowKeepsThePackage() {
  TestProgram p;
  p.app->Show();
  ui::CheckerWindow* kv = p.app->quarterlyWindow();
  p.app->startMenu()->OpenCheckerWindow(Variant::Quarterly);
  p.app->session().window(Variant::Quarterly).last_chosen = "/some/where/REV5_1234567_00001_2026T03.rar";
  kv->controller().protocol().Add("line");
  p.app->startMenu()->OpenCheckerWindow(Variant::Quarterly);
  kv->pane().FlushAll();
  QVERIFY(kv->isVisible());
  QVERIFY(kv->controller().protocol().empty());
  QCOMPARE(p.app->session().window(Variant::Quarterly).last_chosen,
           std::string("/some/where/REV5_1234567_00001_2026T03.rar"));
}

void StartMenuTest::failedSettingsCheckShowsTheBoxAndOpensNothing() {
  TestProgram p;
  p.app->Show();
  p.settings_error = app::DateFormatMessage();
  ui::CheckerWindow* kv = p.app->quarterlyWindow();
  kv->controller().protocol().Add("kept");
  p.app->startMenu()->OpenCheckerWindow(Variant::Quarterly);
  QCOMPARE(p.messages.shown.size(), std::size_t(1));
  QVERIFY(p.messages.shown[0].error);
  QCOMPARE(p.messages.shown[0].text, app::DateFormatMessage());
  QVERIFY(!kv->isVisible());
  QCOMPARE(kv->controller().protocol().lines().size(), std::size_t(1));
  QVERIFY(p.app->startMenu()->isVisible());
}

void StartMenuTest::verifyFormatting_data() {
  QTest::addColumn<QString>("number");
  QTest::addColumn<QString>("today");
  QTest::addColumn<QString>("expected");  // "" when the check passes
  const QString decimal = QString::fromUtf8(
      "Separator zecimal trebuie sa fie \".\"\r Instalati corect formatul numeric !\r"
      " Control Panel->Regional and Language Options");
  const QString date = QString::fromUtf8(
      "Formatul datei este incorect.\"\r Instalati corect formatul datei !\r"
      " Control Panel->Regional and Language Options");
  QTest::newRow("right") << "12.34"
                         << "08.12.2026"
                         << "";
  QTest::newRow("decimal comma") << "12,34"
                                 << "08.12.2026" << decimal;
  QTest::newRow("decimal first") << "12,34"
                                 << "8.12.26" << decimal;
  QTest::newRow("short date") << "12.34"
                              << "8.12.2026" << date;
  QTest::newRow("long date") << "12.34"
                             << "08.12.2026 " << date;
  QTest::newRow("letters in day") << "12.34"
                                  << "ab.12.2026" << date;
  QTest::newRow("letters in year") << "12.34"
                                   << "08.12.20x6" << date;
  // Only the positions are read, not the separators.
  QTest::newRow("slashes") << "12.34"
                           << "08/12/2026"
                           << "";
}

void StartMenuTest::verifyFormatting() {
  QFETCH(QString, number);
  QFETCH(QString, today);
  QFETCH(QString, expected);
  app::Formatter f;
  f.number = [number](double) { return number; };
  f.today = [today] { return today; };
  std::optional<QString> error = app::VerifyFormatting(f);
  QCOMPARE(error.value_or(QString()), expected);
}

void StartMenuTest::checkRegionalSettingsOverridesACommaLocale() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QVERIFY(app::VerifyFormatting(app::ProcessFormatter()).has_value());
  QCOMPARE(app::CheckRegionalSettings(), std::optional<QString>());
  QCOMPARE(QLocale().toString(12.34, 'g'), QStringLiteral("12.34"));
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", 12.34);
  QCOMPARE(QByteArray(buffer), QByteArray("12.34"));
  const QString today = app::ProcessFormatter().today();
  QCOMPARE(today, QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
}

void StartMenuTest::closingTheMenuEndsTheProgram() {
  TestProgram p;
  p.app->Show();
  QSignalSpy closed(p.app->startMenu(), &app::StartMenu::closed);
  p.app->startMenu()->close();
  QCOMPARE(closed.count(), 1);
}

void StartMenuTest::closingACheckerWindowOnlyHidesIt() {
  TestProgram p;
  p.app->Show();
  p.app->startMenu()->OpenCheckerWindow(Variant::Annual);
  ui::CheckerWindow* annual = p.app->annualWindow();
  annual->controller().protocol().Add("still here");
  annual->pane().FlushAll();
  QVERIFY(annual->close());
  QVERIFY(!annual->isVisible());
  QCOMPARE(annual->controller().protocol().lines().size(), std::size_t(1));
  QCOMPARE(annual->pane().toPlainText(), QStringLiteral("still here"));
  // Reopened from the menu: the same window with an empty protocol.
  p.app->startMenu()->OpenCheckerWindow(Variant::Annual);
  annual->pane().FlushAll();
  QVERIFY(annual->isVisible());
  QCOMPARE(p.app->annualWindow(), annual);
  QVERIFY(annual->pane().toPlainText().isEmpty());
}

void StartMenuTest::aboutDialogFromHelpButtonAndF1() {
  TestProgram p;
  p.app->Show();
  app::AboutDialog* about = p.app->aboutDialog();
  QVERIFY(!about->isVisible());
  QTest::mouseClick(p.app->startMenu()->findChild<QPushButton*>(QStringLiteral("HelpButton")), Qt::LeftButton);
  QVERIFY(about->isVisible());
  about->hide();

  p.app->startMenu()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(p.app->startMenu()));
  QTest::keyClick(p.app->startMenu(), Qt::Key_F1);
  QVERIFY(about->isVisible());

  auto* memo = about->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
  QCOMPARE(memo->toPlainText(), QStringLiteral("Вы можете пользоваться этой программой абсолютно бесплатно.\n\n\n"));
  QVERIFY(memo->isReadOnly());
  // The version the installation package carries.
  auto* version = about->findChild<QLabel*>(QStringLiteral("VersionLabel"));
  QVERIFY(version != nullptr);
  QVERIFY(version->isVisible());
  QCOMPARE(version->text(), QStringLiteral("Zentrox, версия " ZENTROX_PACKAGE_VERSION));
  app::LinkLabel& link = about->link();
  QCOMPARE(link.text(), QStringLiteral("https://example.org/zentrox"));
  QCOMPARE(link.palette().color(QPalette::WindowText), QColor(Qt::blue));
  QCOMPARE(link.font().pixelSize(), 16);
  QVERIFY(!link.font().underline());
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QApplication::sendEvent(&link, &enter);
  QVERIFY(link.font().underline());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&link, &leave);
  QVERIFY(!link.font().underline());

  QTest::mouseClick(&link, Qt::LeftButton);
  QCOMPARE(p.opened_urls.size(), std::size_t(1));
  QCOMPARE(p.opened_urls[0], QUrl(QStringLiteral("https://example.org/zentrox")));

  auto* ok = about->findChild<QPushButton*>(QStringLiteral("Button1"));
  QCOMPARE(ok->text(), QString::fromUtf16(u"\u041E\u041A"));  // Cyrillic letters
  QTest::mouseClick(ok, Qt::LeftButton);
  QVERIFY(!about->isVisible());
}

void StartMenuTest::debugPage_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<bool>("shown");
  QTest::newRow("no argument") << QStringList{"zentrox"} << false;
  QTest::newRow("debug") << QStringList{"zentrox", "debug"} << true;
  QTest::newRow("debug then more") << QStringList{"zentrox", "debug", "x"} << true;
  QTest::newRow("Debug") << QStringList{"zentrox", "Debug"} << false;
  QTest::newRow("debug2") << QStringList{"zentrox", "debug2"} << false;
  // An archive from the desktop entry may come before it.
  QTest::newRow("after an archive") << QStringList{"zentrox", "/home/acc/x.rar", "debug"} << true;
  QTest::newRow("program name only") << QStringList{"debug"} << false;
}

void StartMenuTest::debugPage() {
  QFETCH(QStringList, arguments);
  QFETCH(bool, shown);
  TestProgram p(arguments);
  for (Variant v : AllVariants()) {
    ui::CheckerWindow* w = p.app->WindowOf(v);
    QCOMPARE(w->debugPageShown(), shown);
    auto* pages = w->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    QCOMPARE(pages->tabText(0), QStringLiteral("Protocol"));
    QCOMPARE(pages->tabText(1), QStringLiteral("DEBUG"));
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(pages->isTabVisible(1), shown);
  }
}

// The toolkit's edit menus, buttons and file dialog speak Romanian once the
// program's translation is installed.
void StartMenuTest::qtOwnTextsAreRomanian() {
  QVERIFY(app::InstallRomanianQtTexts());
  QLineEdit edit;
  std::unique_ptr<QMenu> edit_menu(edit.createStandardContextMenu());
  ui::ProtocolPane pane;
  std::unique_ptr<QMenu> pane_menu(pane.CreateContextMenu());
  QStringList texts;
  for (QMenu* menu : {edit_menu.get(), pane_menu.get()}) {
    for (QAction* a : menu->actions()) {
      if (!a->isSeparator()) texts << a->text().section(u'\t', 0, 0);
    }
  }
  for (const char* english : {"&Copy", "Select All", "&Select All", "&Paste", "Cu&t", "&Undo"}) {
    QVERIFY2(!texts.contains(QString::fromLatin1(english)), english);
  }
  QVERIFY2(texts.contains(QStringLiteral("&Copiază")), qPrintable(texts.join(u'|')));
  QVERIFY2(texts.contains(QStringLiteral("Selectează &tot")), qPrintable(texts.join(u'|')));
  struct Text {
    const char* context;
    const char* source;
    const char* romanian;
  };
  for (const Text& t : {Text{"QPlatformTheme", "Cancel", "Renunță"}, Text{"QFileDialog", "Save As", "Salvează ca"},
                        Text{"QFileDialog", "File &name:", "&Numele fișierului:"}}) {
    QCOMPARE(QCoreApplication::translate(t.context, t.source), QString::fromUtf8(t.romanian));
  }
}

QTEST_MAIN(StartMenuTest)
#include "tst_start_menu.moc"
