// What the checker window adds around the protocol: the verdict in the
// status bar, the "Rezumat" page and its filter, the find bar, and the
// findings saved as CSV. Driven on the example packages.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

#include "gui_test_support.h"
#include "report/csv_writer.h"
#include "report/rule_catalogue.h"
#include "report/text_writer.h"
#include "session/session.h"
#include "ui/checker_controller.h"
#include "ui/checker_window.h"
#include "ui/find_bar.h"
#include "ui/findings_overview.h"
#include "ui/protocol_pane.h"
#include "ui/run_verdict.h"

using namespace zentrox;
using zentrox::test::TestProgram;

namespace {

const QString kFaulty = QStringLiteral("REV5_1234567_00002_2026T03.rar");
const QString kValid = QStringLiteral("REV5_1234567_00001_2026T03.rar");

// UnRar of `archive` in the quarterly window, then Control when asked.
bool Check(TestProgram& p, const QString& archive, bool control = true) {
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  p.dialogs.open_answers.push_back(archive);
  w->ChooseAndUnpackArchive();
  if (!test::WaitForCommand(*w)) return false;
  if (!control) return true;
  w->ControlPackage();
  return test::WaitForCommand(*w);
}

QString Pack(const QTemporaryDir& dir, const QString& folder, const QString& name) {
  const QString archive = dir.filePath(name);
  return test::PackExample(folder, archive, test::NewFormatMembers()) ? archive : QString();
}

// The protocol line index behind every block the pane shows, once per line.
std::vector<int> ShownLines(const ui::ProtocolPane& pane) {
  std::vector<int> out;
  for (int b = 0; b < pane.document()->blockCount(); ++b) {
    const int line = pane.ProtocolLineAtBlock(b);
    if (out.empty() || out.back() != line) out.push_back(line);
  }
  return out;
}

}  // namespace

class FindingsOverviewTest : public QObject {
  Q_OBJECT

 private slots:
  void verdictAfterEveryRun();
  void verdictWhenThePackageIsRefused();
  void overviewAgreesWithTheJsonSummary();
  void linesPastTheLimitAndLinesWithoutARecord();
  void groupFiltersThePaneAndAllRestoresIt();
  void searchWithCtrlFAndF3();
  void findingsSavedAsCsv();
  void findingsSavedAsWorkbook();
  void countsInRomanian_data();
  void countsInRomanian();
};

void FindingsOverviewTest::countsInRomanian_data() {
  QTest::addColumn<int>("n");
  QTest::addColumn<QString>("text");
  QTest::newRow("1") << 1 << QStringLiteral("1 eroare");
  QTest::newRow("2") << 2 << QStringLiteral("2 erori");
  QTest::newRow("19") << 19 << QStringLiteral("19 erori");
  QTest::newRow("20") << 20 << QStringLiteral("20 de erori");
  QTest::newRow("101") << 101 << QStringLiteral("101 erori");
  QTest::newRow("120") << 120 << QStringLiteral("120 de erori");
  QTest::newRow("200") << 200 << QStringLiteral("200 de erori");
  QTest::newRow("1114") << 1114 << QStringLiteral("1114 erori");
  QTest::newRow("144190") << 144190 << QStringLiteral("144190 de erori");
}

void FindingsOverviewTest::countsInRomanian() {
  QFETCH(int, n);
  QFETCH(QString, text);
  QCOMPARE(ui::CountedNoun(static_cast<std::size_t>(n), "eroare", "erori"), text);
}

void FindingsOverviewTest::verdictAfterEveryRun() {
  TestProgram p;
  QTemporaryDir packages;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  QVERIFY(w->verdictText().isEmpty());

  // Control with nothing unpacked.
  w->ControlPackage();
  QVERIFY(test::WaitForCommand(*w));
  QCOMPARE(w->verdictText(), QStringLiteral("Pachetul nu a fost verificat: nu este dezarhivat (apăsați UnRar)."));

  const QString valid = Pack(packages, QStringLiteral("quarterly-valid"), kValid);
  QVERIFY(Check(p, valid, false));
  QCOMPARE(w->verdictText(), QStringLiteral("Pachet dezarhivat, încă neverificat: apăsați Control."));
  w->ControlPackage();
  QVERIFY(test::WaitForCommand(*w));
  QCOMPARE(w->controller().protocol().FaultCount(), std::size_t(0));
  QCOMPARE(w->verdictText(), QStringLiteral("Fără erori"));

  // The faulty example: 11 findings naming 5 declarations of 2 packs.
  const QString faulty = Pack(packages, QStringLiteral("quarterly-faulty"), kFaulty);
  QVERIFY(Check(p, faulty));
  QCOMPARE(w->controller().protocol().FaultCount(), std::size_t(11));
  QCOMPARE(w->verdictText(), QStringLiteral("11 erori în 5 declarații, 2 pachete"));

  // The control run deleted the files: a second Control finds them missing.
  w->ControlPackage();
  QVERIFY(test::WaitForCommand(*w));
  QCOMPARE(w->verdictText(), QStringLiteral("Pachetul nu a fost verificat: lipsesc fișiere ale pachetului."));
}

void FindingsOverviewTest::verdictWhenThePackageIsRefused() {
  QTemporaryDir packages;
  const QString broken = packages.filePath(kValid);
  {
    QFile f(broken);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not an archive at all");
  }
  TestProgram p;
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  QVERIFY(Check(p, broken, false));
  // The archiver's reason says why; the verdict leads to it.
  QVERIFY(!w->archiverReason().isEmpty());
  QCOMPARE(w->verdictText(), QStringLiteral("Pachetul nu a fost verificat:"));
  // Without a reason of the archiver the verdict says it itself.
  w->controller().SetArchiverMessageSource([](const Session&) { return std::string(); });
  QVERIFY(Check(p, broken, false));
  QVERIFY(w->archiverReason().isEmpty());
  QCOMPARE(w->verdictText(),
           QStringLiteral("Pachetul nu a fost verificat: arhiva nu conține doar fișierele pachetului."));

  // A name that is no package's name.
  const QString misnamed = Pack(packages, QStringLiteral("quarterly-valid"), QStringLiteral("package.rar"));
  QVERIFY(Check(p, misnamed, false));
  QCOMPARE(w->verdictText(), QStringLiteral("Pachetul nu a fost verificat: numele arhivei nu este corect."));
}

void FindingsOverviewTest::overviewAgreesWithTheJsonSummary() {
  QTemporaryDir packages;
  const QString faulty = Pack(packages, QStringLiteral("quarterly-faulty"), kFaulty);
  QVERIFY(!faulty.isEmpty());

  // The command-line checker's report, in its own working directory.
  test::TempInstall cli_install;
  QProcess check;
  check.start(QStringLiteral(ZENTROX_CHECK_PROGRAM),
              {QStringLiteral("--variant"), QStringLiteral("quarterly"), QStringLiteral("--workdir"),
               QString::fromStdString(cli_install.dir()), QStringLiteral("--today"), QStringLiteral("08.12.2026"),
               QStringLiteral("--format"), QStringLiteral("json"), faulty});
  QVERIFY(check.waitForFinished(60000));
  QCOMPARE(check.exitCode(), 1);
  const QJsonObject report = QJsonDocument::fromJson(check.readAllStandardOutput()).object();
  const QJsonObject summary = report.value(QStringLiteral("summary")).toObject();
  QMap<QString, int> json_groups;  // "file rule" -> findings
  for (const QJsonValue& v : report.value(QStringLiteral("findings")).toArray()) {
    const QJsonObject f = v.toObject();
    json_groups[f.value(QStringLiteral("record")).toObject().value(QStringLiteral("file")).toString() +
                QLatin1Char(' ') + f.value(QStringLiteral("rule")).toString()] += 1;
  }

  TestProgram p;
  QVERIFY(Check(p, faulty));
  ui::OverviewPage& overview = p.app->quarterlyWindow()->overview();
  const FindingsSummary& s = overview.summary();
  QCOMPARE(qint64(s.counts.findings), summary.value(QStringLiteral("findings")).toInteger());
  QCOMPARE(qint64(s.counts.left_out), summary.value(QStringLiteral("left_out")).toInteger());
  QMap<QString, int> groups;
  for (const FindingGroup& g : s.groups) {
    groups[QString::fromStdString(g.file + ' ' + g.rule)] += static_cast<int>(g.lines.size());
    QVERIFY(!g.message.empty());
    QVERIFY(!g.first_records.empty() && g.first_records.size() <= kFirstRecords);
  }
  QCOMPARE(groups, json_groups);
  QVERIFY(overview.headline().startsWith(QStringLiteral("Erori: 11 (în protocol 11, peste limită neafișate 0)")));

  // The tree: every group under its file with its count, message and records.
  QTreeWidgetItem* sd = overview.FileItem(QStringLiteral("REV5_SD"));
  QVERIFY(sd != nullptr);
  int sd_findings = 0;
  for (auto it = json_groups.cbegin(); it != json_groups.cend(); ++it) {
    if (it.key().startsWith(QStringLiteral("REV5_SD "))) sd_findings += it.value();
  }
  QCOMPARE(sd->text(1), QString::number(sd_findings));
  for (std::size_t i = 0; i < s.groups.size(); ++i) {
    QTreeWidgetItem* item = overview.GroupItem(i);
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(1), QString::number(s.groups[i].lines.size()));
    QCOMPARE(item->text(2).section(QStringLiteral(", "), 0, 0), QString::number(s.groups[i].first_records[0]));
    // The rule's sentence, Romanian by default; its id only in the tooltip.
    QCOMPARE(item->text(0), QString::fromUtf8(FindRule(s.groups[i].rule)->requirement_ro.data()));
    QVERIFY(item->toolTip(0).contains(QString::fromStdString(s.groups[i].rule)));
  }
}

void FindingsOverviewTest::linesPastTheLimitAndLinesWithoutARecord() {
  Protocol protocol;
  protocol.SetMaxFaultLines(5);
  auto finding = [](const char* rule, const char* file, int line, const char* message = "message of the line") {
    Finding f;
    f.rule = rule;
    f.pack = "1";
    f.declaration = std::to_string(line);
    f.message = message;
    if (file != nullptr) f.record = RecordRef{file, line};
    return f;
  };
  protocol.Add("heading");
  protocol.AddFinding("a", finding("new.sd.end-required", "REV5_SD", 7));
  protocol.AddFinding("a2", finding("new.sd.end-required", "REV5_SD", 8, "another message"));
  protocol.Add("no finding at all", LineKind::Fault);
  protocol.AddFinding("b", finding("new.na.first-name-filled", "REV5_NA", 3));
  protocol.AddFinding("c", finding("new.sd.end-required", nullptr, 0));    // names no record
  protocol.AddFinding("d", finding("new.sd.end-required", "REV5_SD", 9));  // past the limit
  protocol.AddFinding("e", finding("new.sd.end-required", "REV5_SD", 11));
  protocol.Finish();

  ui::OverviewPage page;
  page.ShowProtocol(protocol);
  const FindingsSummary& s = page.summary();
  QCOMPARE(s.counts.findings, std::size_t(7));
  QCOMPARE(s.counts.left_out, std::size_t(2));
  QCOMPARE(s.kept, std::size_t(5));
  // Files in the order the protocol names them, the lines without a record last.
  QCOMPARE(s.groups.size(), std::size_t(4));
  QCOMPARE(s.groups[0].file, std::string("REV5_SD"));
  QCOMPARE(s.groups[0].lines, (std::vector<int>{1, 2}));
  QCOMPARE(s.groups[0].first_records, (std::vector<int>{7, 8}));
  // Findings of one rule with different messages: the rule's message.
  QCOMPARE(s.groups[0].message, std::string(FindRule("new.sd.end-required")->message));
  QCOMPARE(s.groups[1].file, std::string("REV5_NA"));
  QCOMPARE(s.groups[1].message, std::string("message of the line"));
  QCOMPARE(s.groups[2].file, std::string());
  QCOMPARE(s.groups[2].rule, std::string());
  QCOMPARE(s.groups[2].message, std::string("no finding at all"));
  QCOMPARE(s.groups[3].file, std::string());
  QCOMPARE(s.groups[3].lines, std::vector<int>{5});
  QVERIFY(page.FileItem(QString()) != nullptr);
  QCOMPARE(page.FileItem(QString())->text(1), QStringLiteral("2"));
  // The lines left out are counted on a row of their own.
  QTreeWidgetItem* last = page.tree().topLevelItem(page.tree().topLevelItemCount() - 1);
  QCOMPARE(last->text(1), QStringLiteral("2"));
  QVERIFY(page.headline().contains(QStringLiteral("peste limită neafișate 2")));

  // A group says its rule's sentence in the language chosen; a line of no
  // rule its message.
  const RuleEntry& end_required = *FindRule("new.sd.end-required");
  for (const SentenceLanguage language : {SentenceLanguage::Russian, SentenceLanguage::Romanian}) {
    page.SetLanguage(language);
    const std::string_view sentence = end_required.Requirement(language);
    QCOMPARE(page.GroupItem(0)->text(0), QString::fromUtf8(sentence.data(), qsizetype(sentence.size())));
    QVERIFY(!page.GroupItem(0)->text(0).contains(QStringLiteral("new.sd.end-required")));
    QCOMPARE(page.GroupItem(2)->text(0), QStringLiteral("no finding at all"));
  }
}

void FindingsOverviewTest::groupFiltersThePaneAndAllRestoresIt() {
  QTemporaryDir packages;
  const QString faulty = Pack(packages, QStringLiteral("quarterly-faulty"), kFaulty);
  TestProgram p;
  p.printers.default_printer = QStringLiteral("office");
  QVERIFY(Check(p, faulty));
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  ui::ProtocolPane& pane = w->pane();
  const Protocol& protocol = w->controller().protocol();
  QString whole = QString::fromStdString(ProtocolToText(protocol));
  whole.chop(1);
  QCOMPARE(pane.toPlainText(), whole);

  // The group with two lines: the duplicate CPAS of REV5_NA.
  ui::OverviewPage& overview = w->overview();
  std::size_t chosen = overview.summary().groups.size();
  for (std::size_t i = 0; i < overview.summary().groups.size(); ++i) {
    if (overview.summary().groups[i].rule == "new.na.cpas-unique") chosen = i;
  }
  QVERIFY(chosen < overview.summary().groups.size());
  const std::vector<int> lines = overview.summary().groups[chosen].lines;
  QCOMPARE(lines.size(), std::size_t(2));
  overview.Choose(overview.GroupItem(chosen));
  QVERIFY(pane.filtered());
  QCOMPARE(pane.lineCount(), qsizetype(2));
  QCOMPARE(ShownLines(pane), lines);  // blocks still lead to the protocol's own lines
  QCOMPARE(pane.FirstBlockOfLine(lines[1]), 1);
  QCOMPARE(pane.document()->findBlockByNumber(0).text(), QString::fromStdString(protocol.lines()[lines[0]].text));
  QCOMPARE(pane.document()->findBlockByNumber(0).begin().fragment().charFormat().foreground().color(),
           QColor(0, 0, 255));
  auto* pages = w->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet2"));
  QVERIFY(!w->findChild<QWidget*>(QStringLiteral("FilterBar"))->isHidden());
  QCOMPARE(w->findChild<QLabel*>(QStringLiteral("FilterText"))->text(),
           QStringLiteral("Filtru: REV5_NA · %1 — 2 linii din %2")
               .arg(QString::fromUtf8(FindRule("new.na.cpas-unique")->requirement_ro.data()))
               .arg(protocol.lines().size()));

  // Printing and saving take the whole protocol, not the group.
  w->PrintProtocol();
  QCOMPARE(p.printers.jobs.size(), std::size_t(1));
  QCOMPARE(p.printers.jobs[0].text, whole);

  // A file's node shows all of its lines.
  overview.Choose(overview.FileItem(QStringLiteral("REV5_NA")));
  QVERIFY(pane.lineCount() > 2);
  for (int line : ShownLines(pane)) {
    QCOMPARE(QString::fromStdString(protocol.lines()[line].finding->record->file), QStringLiteral("REV5_NA"));
  }

  // "Toate erorile" brings the whole protocol back, and so does the button.
  overview.Choose(overview.AllItem());
  QVERIFY(!pane.filtered());
  QCOMPARE(pane.toPlainText(), whole);
  QCOMPARE(pane.ProtocolLineAtBlock(5), 5);
  overview.Choose(overview.GroupItem(chosen));
  QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("ShowWholeProtocol")), Qt::LeftButton);
  QVERIFY(!pane.filtered());
  QCOMPARE(pane.lineCount(), qsizetype(protocol.lines().size()));
  QVERIFY(w->findChild<QWidget*>(QStringLiteral("FilterBar"))->isHidden());

  // A new run starts from the whole page even when a group was shown.
  overview.Choose(overview.GroupItem(chosen));
  w->ControlPackage();
  QVERIFY(test::WaitForCommand(*w));
  QVERIFY(!pane.filtered());
  whole = QString::fromStdString(ProtocolToText(w->controller().protocol()));
  whole.chop(1);
  QCOMPARE(pane.toPlainText(), whole);
}

void FindingsOverviewTest::searchWithCtrlFAndF3() {
  QTemporaryDir packages;
  const QString faulty = Pack(packages, QStringLiteral("quarterly-faulty"), kFaulty);
  TestProgram p;
  QVERIFY(Check(p, faulty));
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  w->show();
  w->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(w));
  ui::ProtocolPane& pane = w->pane();
  pane.setFocus();
  ui::FindBar& bar = w->findBar();
  QVERIFY(bar.isHidden());

  QTest::keyClick(&pane, Qt::Key_F, Qt::ControlModifier);
  QVERIFY(bar.isVisible());
  QVERIFY(bar.field().hasFocus());
  // Typing finds the first match, whatever the case.
  QTest::keyClicks(&bar.field(), QStringLiteral("rev5_"));
  const QString text = pane.toPlainText();  // one character per block break, as the document counts
  std::vector<int> matches;
  for (int at = text.indexOf(QStringLiteral("REV5_"), 0, Qt::CaseInsensitive); at >= 0;
       at = text.indexOf(QStringLiteral("REV5_"), at + 1, Qt::CaseInsensitive)) {
    matches.push_back(at);
  }
  QVERIFY(matches.size() >= 4);
  QCOMPARE(pane.textCursor().selectionStart(), matches[0]);
  QCOMPARE(pane.textCursor().selectedText().toUpper(), QStringLiteral("REV5_"));

  QTest::keyClick(&bar.field(), Qt::Key_F3);
  QCOMPARE(pane.textCursor().selectionStart(), matches[1]);
  QTest::keyClick(&pane, Qt::Key_F3);
  QCOMPARE(pane.textCursor().selectionStart(), matches[2]);
  QTest::keyClick(&pane, Qt::Key_F3, Qt::ShiftModifier);
  QCOMPARE(pane.textCursor().selectionStart(), matches[1]);
  // Past the last match the search goes round to the first.
  for (std::size_t i = 2; i < matches.size(); ++i) QTest::keyClick(&pane, Qt::Key_F3);
  QCOMPARE(pane.textCursor().selectionStart(), matches.back());
  QTest::keyClick(&pane, Qt::Key_F3);
  QCOMPARE(pane.textCursor().selectionStart(), matches[0]);

  // Text that is nowhere: said so, the cursor stays.
  bar.field().setText(QStringLiteral("nowhere in the protocol"));
  QVERIFY(!bar.FindNext());
  QCOMPARE(pane.textCursor().selectionStart(), matches[0]);
  QCOMPARE(w->findChild<QLabel*>(QStringLiteral("FindState"))->text(), QStringLiteral("negăsit"));
  QTest::keyClick(&bar.field(), Qt::Key_Escape);
  QVERIFY(bar.isHidden());
  QVERIFY(pane.hasFocus());
}

void FindingsOverviewTest::findingsSavedAsCsv() {
  QTemporaryDir packages;
  const QString faulty = Pack(packages, QStringLiteral("quarterly-faulty"), kFaulty);
  TestProgram p;
  QVERIFY(Check(p, faulty));
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  const std::string expected = FindingsToCsv(w->controller().protocol(), faulty.toStdString());

  // From the pane's context menu.
  QTemporaryDir out;
  const QString first = out.filePath(QStringLiteral("erori.csv"));
  p.dialogs.save_answers.push_back(first);
  std::unique_ptr<QMenu> menu(w->pane().CreateContextMenu());
  auto* save = menu->findChild<QAction*>(QStringLiteral("SaveFindingsCsv"));
  QVERIFY(save != nullptr);
  QCOMPARE(save->text(), QStringLiteral("Salvează erorile (CSV)…"));
  save->trigger();
  QCOMPARE(p.dialogs.save_specs.size(), std::size_t(1));
  QCOMPARE(p.dialogs.save_specs[0].object_name, QStringLiteral("sdFindingsCsv"));
  QCOMPARE(p.dialogs.save_specs[0].default_suffix, QStringLiteral("csv"));
  QCOMPARE(p.dialogs.save_presets[0], packages.path() + QStringLiteral("/ERROR_REV.csv"));
  QFile written(first);
  QVERIFY(written.open(QIODevice::ReadOnly));
  QCOMPARE(written.readAll(), QByteArray::fromStdString(expected));

  // With Ctrl+Shift+S, while a group is shown: still every finding.
  w->overview().Choose(w->overview().GroupItem(0));
  w->show();
  w->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(w));
  const QString second = out.filePath(QStringLiteral("again.csv"));
  p.dialogs.save_answers.push_back(second);
  QTest::keyClick(&w->pane(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  QFile again(second);
  QVERIFY(again.open(QIODevice::ReadOnly));
  QCOMPARE(again.readAll(), QByteArray::fromStdString(expected));

  // A place that cannot be written: the error box, nothing else.
  const std::size_t boxes = p.messages.shown.size();
  p.dialogs.save_answers.push_back(out.path());  // a directory
  w->SaveFindingsCsv();
  QCOMPARE(p.messages.shown.size(), boxes + 1);
  QVERIFY(p.messages.shown.back().error);
}

// "Salvează erorile (Excel)…": the workbook beside the archive (what it holds
// is read back by the spreadsheet program in the command line's tests).
void FindingsOverviewTest::findingsSavedAsWorkbook() {
  QTemporaryDir packages;
  const QString faulty = Pack(packages, QStringLiteral("quarterly-faulty"), kFaulty);
  TestProgram p;
  QVERIFY(Check(p, faulty));
  ui::CheckerWindow* w = p.app->quarterlyWindow();
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("erori.xlsx"));
  p.dialogs.save_answers.push_back(path);
  std::unique_ptr<QMenu> menu(w->pane().CreateContextMenu());
  auto* save = menu->findChild<QAction*>(QStringLiteral("SaveFindingsXlsx"));
  QVERIFY(save != nullptr);
  QCOMPARE(save->text(), QStringLiteral("Salvează erorile (Excel)…"));
  save->trigger();
  QCOMPARE(p.dialogs.save_specs.back().object_name, QStringLiteral("sdFindingsXlsx"));
  QCOMPARE(p.dialogs.save_specs.back().default_suffix, QStringLiteral("xlsx"));
  QCOMPARE(p.dialogs.save_presets.back(), packages.path() + QStringLiteral("/ERROR_REV.xlsx"));
  QFile written(path);
  QVERIFY(written.open(QIODevice::ReadOnly));
  QCOMPARE(written.read(2), QByteArray("PK"));  // a zip container, as .xlsx is
  QVERIFY(!p.messages.shown.back().error);
  QVERIFY(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size() == 1);  // no scratch file left
}

QTEST_MAIN(FindingsOverviewTest)
#include "tst_findings_overview.moc"
