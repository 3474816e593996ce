// The record page: a faulty quarterly package (a birth date 31.02.1990, an
// amount "12100,00", a Cyrillic letter in a Latin surname, a line none of
// whose fields loads, and the example's own unknown category) is unpacked
// and checked through the window; its findings open the records they name.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidgetItem>

#include "app/start_menu.h"
#include "app/zentrox_app.h"
#include "gui_test_support.h"
#include "report/rule_catalogue.h"
#include "session/session.h"
#include "ui/checker_controller.h"
#include "ui/checker_window.h"
#include "ui/findings_overview.h"
#include "ui/protocol_pane.h"
#include "ui/record_model.h"
#include "ui/record_page.h"
#include "ui/run_gate.h"

using namespace zentrox;
using zentrox::test::TestProgram;

namespace {

bool Replace(const QString& path, const QByteArray& from, const QByteArray& to) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  QByteArray bytes = file.readAll();
  file.close();
  const qsizetype at = bytes.indexOf(from);
  if (at < 0) return false;
  bytes.replace(at, from.size(), to);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The example's faulty package with the mistakes of a package edited by hand.
bool MakeFaultyPackage(const QString& folder, const QString& archive) {
  const QDir examples(QStringLiteral(ZENTROX_EXAMPLES_DIR "/quarterly-faulty"));
  for (const QString& name : test::NewFormatMembers()) {
    if (!QFile::copy(examples.filePath(name), folder + u'/' + name)) return false;
  }
  const QString na = folder + QStringLiteral("/rev5_na");
  const QString sd = folder + QStringLiteral("/rev5_sd");
  // Line 2 of REV5_NA: a date that does not exist; line 1: a Cyrillic A (0xC0) in "ARNAUT".
  if (!Replace(na, "02.11.1990", "31.02.1990") || !Replace(na, "ARNAUT", "ARN\xC0UT")) return false;
  // REV5_SD: an amount with a decimal comma (line 21 once the line below is in).
  if (!Replace(sd, "12100.00", "12100,00")) return false;
  // A line 3 of which no field loads: the table leaves it out.
  if (!Replace(sd,
               "\r\n1\xB0"
               "1\xB0"
               "9\xB0",
               "\r\nX7\xB0\r\n1\xB0"
               "1\xB0"
               "9\xB0"))
    return false;
  QProcess rar;
  rar.setWorkingDirectory(folder);
  rar.start(QStringLiteral(ZENTROX_RAR_PROGRAM), QStringList{QStringLiteral("a"), archive} + test::NewFormatMembers());
  return rar.waitForFinished(30000) && rar.exitStatus() == QProcess::NormalExit && rar.exitCode() == 0;
}

// The protocol line of the finding of `rule` that names `line` of `file`; -1 when none.
int FindingLine(const Protocol& protocol, std::string_view rule, std::string_view file, int line) {
  const auto& lines = protocol.lines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto& f = lines[i].finding;
    if (f && f->rule == rule && f->record && f->record->file == file && f->record->line == line) return int(i);
  }
  return -1;
}

// Puts the pane's cursor on protocol line `index` and returns where it shows.
QRect ShowLineInPane(ui::ProtocolPane& pane, int index) {
  QTextCursor cursor(pane.document()->findBlockByNumber(pane.FirstBlockOfLine(index)));
  pane.setTextCursor(cursor);
  pane.ensureCursorVisible();
  return pane.cursorRect(cursor);
}

// Counts what a view reads from its model.
class CountingProxy : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
    ++reads;
    return QIdentityProxyModel::data(index, role);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override {
    ++reads;
    return QIdentityProxyModel::headerData(section, orientation, role);
  }
  mutable qint64 reads = 0;
};

}  // namespace

class RecordPageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void loaderFaultOpensTheCellAsItStoodInTheFile();
  void ruleFaultMarksTheCharacterOutsideTheAlphabet();
  void lineLeftOutOfTheTableShowsTheNearestRow();
  void stepsThroughFindingsAndReturnsToTheProtocol();
  void searchFindsAValueInTheGrid();
  void showsWhatWouldBeRight_data();
  void showsWhatWouldBeRight();
  void identifyingColumnsStayInViewAndEveryFindingShows();
  void escapeShowsTheProtocolLineFromItsStart();
  void frozenWhileARunFillsTheTables();
  void tablesReloadedByAnotherWindowAreNotShown();
  void millionsOfRowsAreReadOnlyWhereShown();

 private:
  std::unique_ptr<TestProgram> program_;
  QTemporaryDir packages_;
  ui::CheckerWindow* window_ = nullptr;
  ui::RecordPage* page_ = nullptr;
  const Protocol* protocol_ = nullptr;
  QTabWidget* tabs_ = nullptr;
};

void RecordPageTest::initTestCase() {
  program_ = std::make_unique<TestProgram>();
  QVERIFY(program_->install.ok());
  const QString archive = packages_.filePath(QStringLiteral("REV5_1234567_00002_2026T03.rar"));
  QVERIFY(QDir(packages_.path()).mkdir(QStringLiteral("files")));
  QVERIFY(MakeFaultyPackage(packages_.filePath(QStringLiteral("files")), archive));
  window_ = program_->app->quarterlyWindow();
  program_->app->startMenu()->OpenCheckerWindow(Variant::Quarterly);
  QApplication::setActiveWindow(window_);
  QVERIFY(QTest::qWaitForWindowActive(window_));
  program_->dialogs.open_answers.push_back(archive);
  window_->ChooseAndUnpackArchive();
  QVERIFY(test::WaitForCommand(*window_));
  window_->ControlPackage();
  QVERIFY(test::WaitForCommand(*window_));
  protocol_ = &window_->controller().protocol();
  page_ = &window_->recordPage();
  tabs_ = window_->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  // The run deleted the package files; the page reads the tables it left.
  QVERIFY(!QFile::exists(program_->install.path(QStringLiteral("rev5_na"))));
}

void RecordPageTest::loaderFaultOpensTheCellAsItStoodInTheFile() {
  const int index = FindingLine(*protocol_, "load.data-type-valid", "REV5_NA", 2);
  QVERIFY(index >= 0);
  ui::ProtocolPane& pane = window_->pane();
  const QRect at = ShowLineInPane(pane, index);
  QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, at.center());

  QCOMPARE(tabs_->currentWidget(), page_);
  QCOMPARE(page_->currentLine(), index);
  const Table& na = program_->app->session().dm().name_account;
  QCOMPARE(page_->model().table(), &na);
  const QModelIndex cell = page_->grid().currentIndex();
  QCOMPARE(cell.row(), int(na.RowAtLine(2)));
  QCOMPARE(cell.column(), na.CaptionIndex("7.Дата рождения"));
  QCOMPARE(cell.data().toString(), QStringLiteral("31.02.1990"));
  QVERIFY(cell.data(ui::RecordModel::UnconvertedRole).toBool());
  QVERIFY(cell.data(ui::RecordModel::MarkedRole).toBool());
  QVERIFY(page_->grid().selectionModel()->isSelected(cell));
  // The captions title the columns; the rows show their file lines.
  QCOMPARE(page_->model().headerData(cell.column(), Qt::Horizontal).toString(), QStringLiteral("7.Дата рождения"));
  QCOMPARE(page_->model().headerData(cell.row(), Qt::Vertical).toInt(), 2);
}

void RecordPageTest::ruleFaultMarksTheCharacterOutsideTheAlphabet() {
  const int index = FindingLine(*protocol_, "new.na.last-name-characters", "REV5_NA", 1);
  QVERIFY(index >= 0);
  ui::ProtocolPane& pane = window_->pane();
  tabs_->setCurrentWidget(pane.parentWidget());
  pane.setFocus();
  ShowLineInPane(pane, index);
  QTest::keyClick(&pane, Qt::Key_Return);

  QCOMPARE(tabs_->currentWidget(), page_);
  const Table& na = program_->app->session().dm().name_account;
  const QModelIndex cell = page_->grid().currentIndex();
  QCOMPARE(cell.row(), int(na.RowAtLine(1)));
  QCOMPARE(cell.column(), na.CaptionIndex("4.Фамилия"));
  QCOMPARE(cell.data().toString(), QStringLiteral("ARNАUT"));
  QCOMPARE(cell.data(ui::RecordModel::OddCharactersRole).toList(), (QVariantList{3, 1}));
  QVERIFY2(cell.data(Qt::ToolTipRole).toString().contains(QStringLiteral("U+0410 CYRILLIC CAPITAL LETTER A")),
           qPrintable(cell.data(Qt::ToolTipRole).toString()));
  // The first name beside it is all Latin capitals; a date field is no name field.
  QVERIFY(
      cell.sibling(cell.row(), na.CaptionIndex("5.Имя")).data(ui::RecordModel::OddCharactersRole).toList().isEmpty());

  // Beside the grid, every finding of that record with its rule's sentence in
  // the language chosen in the start menu (Romanian unless Russian was
  // chosen, and remembered); the rule id only in the tooltip.
  QListWidget& list = page_->findings();
  QVERIFY(list.count() >= 1);
  QComboBox& language = program_->app->startMenu()->languageBox();
  QCOMPARE(language.currentIndex(), 0);
  for (const SentenceLanguage shown :
       {SentenceLanguage::Romanian, SentenceLanguage::Russian, SentenceLanguage::Romanian}) {
    language.setCurrentIndex(shown == SentenceLanguage::Russian ? 1 : 0);
    QCOMPARE(QSettings().value(QStringLiteral("Rules/language"), QStringLiteral("ro")).toString(),
             shown == SentenceLanguage::Russian ? QStringLiteral("ru") : QStringLiteral("ro"));
    for (int i = 0; i < list.count(); ++i) {
      const int line = list.item(i)->data(Qt::UserRole).toInt();
      const Finding& f = *protocol_->lines()[std::size_t(line)].finding;
      QCOMPARE(f.record, (RecordRef{"REV5_NA", 1}));
      const std::string_view sentence = FindRule(f.rule)->Requirement(shown);
      QVERIFY(list.item(i)->text().contains(QString::fromUtf8(sentence.data(), qsizetype(sentence.size()))));
      QVERIFY(!list.item(i)->text().contains(QString::fromStdString(f.rule)));
      QVERIFY(list.item(i)->toolTip().contains(QString::fromStdString(f.rule)));
    }
    // The overview follows the same choice.
    const FindingGroup& group = window_->overview().summary().groups.at(0);
    const std::string_view first = FindRule(group.rule)->Requirement(shown);
    QCOMPARE(window_->overview().GroupItem(0)->text(0), QString::fromUtf8(first.data(), qsizetype(first.size())));
  }
  QCOMPARE(list.currentItem()->data(Qt::UserRole).toInt(), index);
}

void RecordPageTest::lineLeftOutOfTheTableShowsTheNearestRow() {
  const int index = FindingLine(*protocol_, "load.data-type-valid", "REV5_SD", 3);
  QVERIFY(index >= 0);
  const Table& sd = program_->app->session().dm().saldo_data;
  QCOMPARE(sd.RowAtLine(3), kNoRow);
  QVERIFY(page_->OpenLine(index));
  const QString header = page_->header().text();
  QVERIFY2(header.contains(QStringLiteral("Linia 3 din REV5_SD nu a fost încărcată")), qPrintable(header));
  QVERIFY2(header.contains(QStringLiteral("«X7»")), qPrintable(header));
  QCOMPARE(page_->grid().currentIndex().row(), int(sd.RowAtLine(4)));
  QVERIFY(!page_->grid().currentIndex().data(ui::RecordModel::MarkedRole).toBool());
}

void RecordPageTest::stepsThroughFindingsAndReturnsToTheProtocol() {
  // The lines that name a record, in protocol order.
  std::vector<int> named;
  for (std::size_t i = 0; i < protocol_->lines().size(); ++i) {
    const auto& f = protocol_->lines()[i].finding;
    if (f && f->record) named.push_back(int(i));
  }
  QVERIFY(named.size() > 3);
  QVERIFY(page_->OpenLine(named[1]));
  QTest::keyClick(&page_->grid(), Qt::Key_F8);
  QCOMPARE(page_->currentLine(), named[2]);
  QTest::keyClick(&page_->grid(), Qt::Key_F8, Qt::ShiftModifier);
  QTest::keyClick(&page_->grid(), Qt::Key_F8, Qt::ShiftModifier);
  QCOMPARE(page_->currentLine(), named[0]);
  // The grid follows: the record of the finding is current.
  const Finding& f = *protocol_->lines()[std::size_t(named[0])].finding;
  const Table* table = page_->model().table();
  QCOMPARE(QString::fromStdString(table->source_file()), QString::fromStdString(f.record->file));
  if (table->RowAtLine(std::uint32_t(f.record->line)) != kNoRow) {
    QCOMPARE(page_->grid().currentIndex().row(), int(table->RowAtLine(std::uint32_t(f.record->line))));
  }

  QTest::keyClick(&page_->grid(), Qt::Key_Escape);
  ui::ProtocolPane& pane = window_->pane();
  QCOMPARE(tabs_->currentWidget(), pane.parentWidget());
  QCOMPARE(pane.ProtocolLineAtBlock(pane.textCursor().blockNumber()), named[0]);
  QCOMPARE(pane.textCursor().selectedText(), QString::fromStdString(protocol_->lines()[std::size_t(named[0])].text));
  // F8 in the protocol opens the next finding after the cursor's line.
  QTest::keyClick(&pane, Qt::Key_F8);
  QCOMPARE(tabs_->currentWidget(), page_);
  QCOMPARE(page_->currentLine(), named[1]);
}

void RecordPageTest::searchFindsAValueInTheGrid() {
  const int index = FindingLine(*protocol_, "load.data-type-valid", "REV5_SD", 21);
  QVERIFY(index >= 0);
  QVERIFY(page_->OpenLine(index));
  const Table& sd = program_->app->session().dm().saldo_data;
  page_->grid().setCurrentIndex(page_->model().index(0, 0));
  QTest::keyClick(&page_->grid(), Qt::Key_F, Qt::ControlModifier);
  QVERIFY(page_->searchEdit().isVisible());
  QTest::keyClicks(&page_->searchEdit(), QStringLiteral("12100,"));
  QTest::keyClick(&page_->searchEdit(), Qt::Key_Return);
  QModelIndex found = page_->grid().currentIndex();
  QCOMPARE(found.data().toString(), QStringLiteral("12100,00"));
  QCOMPARE(found.row(), int(sd.RowAtLine(21)));
  // F3 goes on to the next match ("12100.00" of line 22), ignoring case.
  page_->searchEdit().setText(QStringLiteral("12100"));
  QTest::keyClick(&page_->searchEdit(), Qt::Key_F3);
  QCOMPARE(page_->grid().currentIndex().row(), int(sd.RowAtLine(22)));
  QVERIFY(!page_->Find(QStringLiteral("no such text")));
  QCOMPARE(page_->grid().currentIndex().row(), int(sd.RowAtLine(22)));
  QTest::keyClick(&page_->searchEdit(), Qt::Key_Escape);
  QVERIFY(!page_->searchEdit().isVisible());
  QCOMPARE(tabs_->currentWidget(), page_);
}

// The first finding of a rule: its right value beside the value as it stood,
// the rows it refers to marked, and what the kind of fault offers.
void RecordPageTest::showsWhatWouldBeRight_data() {
  QTest::addColumn<QString>("rule");
  QTest::addColumn<QString>("shown");  // in the header
  QTest::addColumn<int>("related");    // rows marked besides the finding's own
  QTest::addRow("sum") << "new.sd.fond-matches-months"
                       << "«68250.00»" << 4;
  QTest::addRow("code") << "new.sd.category-in-dictionary"
                        << "sps_newkateg.txt" << 0;
  QTest::addRow("duplicate") << "new.na.cpas-unique"
                             << "F7" << 1;
  QTest::addRow("date") << "load.data-type-valid"
                        << "«30.09.2026»" << 0;
}

void RecordPageTest::showsWhatWouldBeRight() {
  QFETCH(QString, rule);
  QFETCH(QString, shown);
  QFETCH(int, related);
  int index = -1;
  for (std::size_t i = 0; i < protocol_->lines().size() && index < 0; ++i) {
    const auto& f = protocol_->lines()[i].finding;
    if (f && f->record && f->rule == rule.toStdString() && (rule != "load.data-type-valid" || f->value == "31.09.2026"))
      index = int(i);
  }
  QVERIFY(index >= 0);
  QVERIFY(page_->OpenLine(index));
  QVERIFY2(page_->header().text().contains(shown), qPrintable(page_->header().text()));
  int marked = 0;
  for (int r = 0; r < page_->model().rowCount(); ++r) {
    marked += page_->model().index(r, 0).data(ui::RecordModel::RelatedRole).toBool() ? 1 : 0;
  }
  QCOMPARE(marked, related);
  QCOMPARE(page_->validCodes().isVisible(), rule == "new.sd.category-in-dictionary");
  if (page_->validCodes().isVisible()) {
    // The dictionary's codes with their names, narrowed by what is typed.
    const int all = page_->validCodes().count();
    QVERIFY(all > 1);
    QVERIFY2(page_->validCodes().item(0)->text().startsWith(QStringLiteral("1 — Лица")),
             qPrintable(page_->validCodes().item(0)->text()));
    page_->codesFilter().setText(QStringLiteral("совместительству"));
    int visible = 0;
    for (int i = 0; i < all; ++i) visible += page_->validCodes().item(i)->isHidden() ? 0 : 1;
    QCOMPARE(visible, 1);
    page_->codesFilter().clear();
  }
  if (rule == "new.na.cpas-unique") {
    // One key to the other record holding the same code, and back.
    QTest::keyClick(&page_->grid(), Qt::Key_F7);
    const int other = page_->currentLine();
    QVERIFY(other != index);
    QCOMPARE(QString::fromStdString(protocol_->lines()[std::size_t(other)].finding->rule), rule);
    QTest::keyClick(&page_->grid(), Qt::Key_F7);
    QCOMPARE(page_->currentLine(), index);
  }
}

void RecordPageTest::frozenWhileARunFillsTheTables() {
  const int index = FindingLine(*protocol_, "load.data-type-valid", "REV5_NA", 2);
  QVERIFY(page_->OpenLine(index));
  ui::RunGate& gate = program_->app->gate();
  QVERIFY(gate.TryEnter());
  QCOMPARE(page_->model().rowCount(), 0);
  QVERIFY(!page_->isEnabled());
  QVERIFY(!page_->OpenLine(index));
  gate.Leave();
  QVERIFY(page_->isEnabled());
  QCOMPARE(page_->currentLine(), index);
  QCOMPARE(page_->grid().currentIndex().data().toString(), QStringLiteral("31.02.1990"));
}

void RecordPageTest::tablesReloadedByAnotherWindowAreNotShown() {
  // The annual window shares the data module: its Control reloads the tables.
  ui::CheckerWindow* annual = program_->app->annualWindow();
  annual->ControlPackage();
  QVERIFY(test::WaitForCommand(*annual));
  const int index = FindingLine(*protocol_, "load.data-type-valid", "REV5_NA", 2);
  QVERIFY(page_->OpenLine(index));
  QCOMPARE(page_->model().rowCount(), 0);
  QVERIFY2(page_->header().text().contains(QStringLiteral("Control din altă fereastră")),
           qPrintable(page_->header().text()));
}

void RecordPageTest::millionsOfRowsAreReadOnlyWhereShown() {
  constexpr RowId kRows = 1'200'000;
  Table table("saldo_data", {{"SD_NA", FieldType::Float},
                             {"SD_MONTH", FieldType::Integer},
                             {"SD_BEGIN_DT", FieldType::Date},
                             {"SD_NAME", FieldType::String, 40}});
  table.SetSourceFile("REV5_SD");
  for (RowId r = 0; r < kRows; ++r) {
    table.AppendRow();
    table.SetSourceLine(r, r + 1);
  }
  const RowId last = kRows - 1;
  table.SetText(last, 3, "LAST\x01ROW");
  table.KeepFileText(last, 2, "31.02.2026");

  CountingProxy counter;
  ui::CheckerWindow* monthly = program_->app->monthlyWindow();
  ui::RecordPage& page = monthly->recordPage();
  monthly->findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentWidget(&page);
  monthly->show();
  QVERIFY(QTest::qWaitForWindowExposed(monthly));
  counter.setSourceModel(&page.model());
  page.grid().setModel(&counter);
  page.model().SetTable(&table);
  page.model().SetMarked(last, 3);
  QCOMPARE(counter.rowCount(), int(kRows));
  const QModelIndex cell = counter.index(int(last), 3);
  page.grid().setCurrentIndex(cell);
  page.grid().scrollTo(cell, QAbstractItemView::PositionAtCenter);
  page.grid().grab();
  QVERIFY(page.grid().visualRect(cell).intersects(page.grid().viewport()->rect()));
  // Only the cells on screen were read, not a value per row.
  QVERIFY2(counter.reads < 20000, qPrintable(QString::number(counter.reads)));
  QCOMPARE(cell.data().toString(), QStringLiteral("LAST\x01ROW"));
  QCOMPARE(cell.data(ui::RecordModel::OddCharactersRole).toList(), (QVariantList{4, 1}));
  QVERIFY(cell.data(ui::RecordModel::MarkedRole).toBool());
  QCOMPARE(counter.index(int(last), 2).data().toString(), QStringLiteral("31.02.2026"));
  QCOMPARE(counter.headerData(int(last), Qt::Vertical).toInt(), int(kRows));
  // The model reads through to the table: nothing was copied.
  table.SetText(last, 3, "CHANGED");
  QCOMPARE(cell.data().toString(), QStringLiteral("CHANGED"));
  page.model().SetTable(nullptr);
}

// Scrolled to the far right, the record's identifying columns (declaration,
// pack, month of REV5_SD) stay in view; the list beside the grid shows each
// finding of the record whole, none cut and none below the list's end.
void RecordPageTest::identifyingColumnsStayInViewAndEveryFindingShows() {
  const int index = FindingLine(*protocol_, "new.sd.category-in-dictionary", "REV5_SD", 2);
  QVERIFY(index >= 0);
  QVERIFY(page_->OpenLine(index));
  QListWidget& list = page_->findings();
  QVERIFY(list.count() >= 2);
  QApplication::processEvents();
  for (int i = 0; i < list.count(); ++i) {
    const QRect shown = list.visualItemRect(list.item(i));
    const QRect needed =
        list.fontMetrics().boundingRect(QRect(0, 0, shown.width(), 10000), Qt::TextWordWrap, list.item(i)->text());
    QVERIFY2(shown.height() >= needed.height(),
             qPrintable(QStringLiteral("item %1: %2 of %3 pixels").arg(i).arg(shown.height()).arg(needed.height())));
    QVERIFY2(shown.bottom() <= list.viewport()->height(),
             qPrintable(QStringLiteral("item %1 ends at %2, the list at %3")
                            .arg(i)
                            .arg(shown.bottom())
                            .arg(list.viewport()->height())));
  }
  QTableView& grid = page_->grid();
  auto* frozen = page_->findChild<QTableView*>(QStringLiteral("RecordFrozenColumns"));
  QVERIFY(frozen != nullptr);
  QVERIFY(frozen->isVisible());
  QCOMPARE(frozen->model(), grid.model());
  const QStringList captions = {QStringLiteral("1.Номер декларации"), QStringLiteral("2.Номер пачки"),
                                QStringLiteral("3.Месяц")};
  for (int c = 0; c < grid.model()->columnCount(); ++c) {
    const bool identifying = captions.contains(grid.model()->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(!frozen->isColumnHidden(c), identifying);
  }
  grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
  QVERIFY(grid.horizontalScrollBar()->value() > 0);
  QCOMPARE(frozen->columnViewportPosition(0), 0);
  QCOMPARE(frozen->geometry().left(), grid.viewport()->geometry().left());
  QCOMPARE(frozen->rowViewportPosition(grid.currentIndex().row()), grid.rowViewportPosition(grid.currentIndex().row()));
}

// Escape from a finding whose protocol line is wider than the pane shows the
// line from its start, not scrolled to its end.
void RecordPageTest::escapeShowsTheProtocolLineFromItsStart() {
  int index = -1;
  for (int line = 1; line < 40 && index < 0; ++line)
    index = FindingLine(*protocol_, "new.sd.fond-matches-months", "REV5_SD", line);
  QVERIFY(index >= 0);
  ui::ProtocolPane& pane = window_->pane();
  QVERIFY(pane.fontMetrics().horizontalAdvance(QString::fromStdString(protocol_->lines()[std::size_t(index)].text)) >
          pane.viewport()->width());
  QVERIFY(page_->OpenLine(index));
  QTest::keyClick(&page_->grid(), Qt::Key_Escape);
  QCOMPARE(tabs_->currentWidget(), pane.parentWidget());
  QCOMPARE(pane.ProtocolLineAtBlock(pane.textCursor().blockNumber()), index);
  QCOMPARE(pane.horizontalScrollBar()->value(), 0);
}

QTEST_MAIN(RecordPageTest)
#include "tst_record_page.moc"
