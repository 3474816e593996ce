// The protocol pane: emphasis of each line, line breaks, clearing, and
// appending a long protocol written on another thread without freezing.
#include <set>
#include <thread>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include "ui/protocol_feed.h"
#include "ui/protocol_pane.h"

using namespace zentrox;
using zentrox::ui::ProtocolFeed;
using zentrox::ui::ProtocolPane;

Q_DECLARE_METATYPE(zentrox::TextStyle)

class ProtocolPaneTest : public QObject {
  Q_OBJECT

 private slots:
  void lineEmphasis_data();
  void lineEmphasis();
  void carriageReturnStartsANewLine();
  void emptyTextIsAnEmptyLine();
  void clearedProtocolStartsAnEmptyPage();
  void feedTakesInBatchesAndResetDropsWaitingLines();
  void subsetKeepsProtocolIndices();
  void hundredThousandLinesFromAWorkerKeepTheWindowResponsive();
};

void ProtocolPaneTest::lineEmphasis_data() {
  QTest::addColumn<TextStyle>("style");
  QTest::newRow("plain black") << TextStyle{kBlack, false, false, 16};
  QTest::newRow("blue") << TextStyle{kBlue, false, false, 16};
  QTest::newRow("red bold italic") << TextStyle{kRed, true, true, 16};
  QTest::newRow("bold") << TextStyle{kBlue, true, false, 16};
  QTest::newRow("italic, taller") << TextStyle{Rgb{0, 128, 0}, false, true, 24};
  QTest::newRow("small") << TextStyle{kRed, false, false, 10};
}

void ProtocolPaneTest::lineEmphasis() {
  QFETCH(TextStyle, style);
  Protocol protocol;
  ProtocolFeed feed;
  feed.Follow(protocol);
  ProtocolPane pane;
  pane.Attach(feed);
  protocol.Add("before");
  protocol.AddStyled("Пачка 1 Декл 2 ИВАНОВ", style);
  protocol.Add("after");
  pane.FlushAll();
  QCOMPARE(pane.document()->blockCount(), 3);
  const QTextBlock block = pane.document()->findBlockByNumber(1);
  QCOMPARE(block.text(), QStringLiteral("Пачка 1 Декл 2 ИВАНОВ"));
  const QTextCharFormat f = block.begin().fragment().charFormat();
  QCOMPARE(f.foreground().color(), QColor(style.color.r, style.color.g, style.color.b));
  QCOMPARE(f.fontWeight() == QFont::Bold, style.bold);
  QCOMPARE(f.fontItalic(), style.italic);
  QCOMPARE(f.property(QTextFormat::FontPixelSize).toInt(), style.height);
  // The neighbours keep the protocol's current attributes.
  const QTextCharFormat after = pane.document()->findBlockByNumber(2).begin().fragment().charFormat();
  QCOMPARE(after.foreground().color(), QColor(Qt::black));
  QCOMPARE(after.fontWeight(), int(QFont::Normal));
}

void ProtocolPaneTest::carriageReturnStartsANewLine() {
  Protocol protocol;
  ProtocolFeed feed;
  feed.Follow(protocol);
  ProtocolPane pane;
  pane.Attach(feed);
  protocol.SetColor(kBlue);
  protocol.SetBold(true);
  protocol.Add("РЕКОМЕНДАЦИЯ: first \r" + std::string(32, ' ') + "second");
  protocol.Add("next");
  pane.FlushAll();
  QCOMPARE(pane.lineCount(), qsizetype(2));
  QCOMPARE(pane.document()->blockCount(), 3);
  QCOMPARE(pane.document()->findBlockByNumber(0).text(), QStringLiteral("РЕКОМЕНДАЦИЯ: first "));
  const QTextBlock second = pane.document()->findBlockByNumber(1);
  QCOMPARE(second.text(), QString(32, QLatin1Char(' ')) + QStringLiteral("second"));
  QCOMPARE(second.begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
  // Both blocks of the first line lead back to it, the third to the second.
  QCOMPARE(pane.ProtocolLineAtBlock(0), 0);
  QCOMPARE(pane.ProtocolLineAtBlock(1), 0);
  QCOMPARE(pane.ProtocolLineAtBlock(2), 1);
  QCOMPARE(pane.ProtocolLineAtBlock(3), -1);
  QCOMPARE(pane.FirstBlockOfLine(1), 2);
  QCOMPARE(pane.FirstBlockOfLine(2), -1);
}

void ProtocolPaneTest::emptyTextIsAnEmptyLine() {
  Protocol protocol;
  ProtocolFeed feed;
  feed.Follow(protocol);
  ProtocolPane pane;
  pane.Attach(feed);
  protocol.Add("a");
  protocol.Add("");
  protocol.Add("b");
  pane.FlushAll();
  QCOMPARE(pane.toPlainText(), QStringLiteral("a\n\nb"));
}

void ProtocolPaneTest::clearedProtocolStartsAnEmptyPage() {
  Protocol protocol;
  ProtocolFeed feed;
  feed.Follow(protocol);
  ProtocolPane pane;
  pane.Attach(feed);
  protocol.Add("old 1");
  protocol.Add("old 2");
  pane.FlushAll();
  protocol.Add("old 3");  // still waiting when the protocol is cleared
  protocol.Clear();
  protocol.Add("new 1");
  protocol.Add("new 2");
  pane.FlushAll();
  QCOMPARE(pane.toPlainText(), QStringLiteral("new 1\nnew 2"));
  QCOMPARE(pane.lineCount(), qsizetype(2));
  // An explicit reset with nothing after it leaves an empty page.
  feed.Reset();
  pane.FlushAll();
  QVERIFY(pane.toPlainText().isEmpty());
  QCOMPARE(pane.lineCount(), qsizetype(0));
}

void ProtocolPaneTest::feedTakesInBatchesAndResetDropsWaitingLines() {
  ProtocolFeed feed;
  int wake_ups = 0;
  feed.SetWakeUp([&] { ++wake_ups; });
  ProtocolLine line{"x", {}, LineKind::Frame, std::nullopt};
  for (int i = 0; i < 5; ++i) feed.Push(line, false);
  QCOMPARE(wake_ups, 1);  // only the first line wakes an idle feed
  ProtocolFeed::Batch b = feed.Take(3);
  QVERIFY(!b.reset);
  QCOMPARE(b.lines.size(), std::size_t(3));
  feed.Push(line, true);  // a cleared protocol's first line
  b = feed.Take(10);
  QVERIFY(b.reset);
  QCOMPARE(b.lines.size(), std::size_t(1));
  QVERIFY(!feed.HasPending());
  feed.Push(line, false);
  QCOMPARE(wake_ups, 2);
}

void ProtocolPaneTest::subsetKeepsProtocolIndices() {
  Protocol protocol;
  ProtocolFeed feed;
  feed.Follow(protocol);
  ProtocolPane pane;
  pane.Attach(feed);
  protocol.Add("zero");
  protocol.Add("one\rone, second part");
  protocol.Add("two");
  protocol.SetColor(kRed);
  protocol.Add("three");
  protocol.Add("four");  // still in the feed when the subset is chosen
  pane.ShowOnly(protocol, {1, 3});
  QVERIFY(pane.filtered());
  QCOMPARE(pane.toPlainText(), QStringLiteral("one\none, second part\nthree"));
  QCOMPARE(pane.lineCount(), qsizetype(2));
  QCOMPARE(pane.ProtocolLineAtBlock(1), 1);
  QCOMPARE(pane.ProtocolLineAtBlock(2), 3);
  QCOMPARE(pane.FirstBlockOfLine(3), 2);
  QCOMPARE(pane.FirstBlockOfLine(2), -1);
  QCOMPARE(pane.document()->findBlockByNumber(2).begin().fragment().charFormat().foreground().color(), QColor(Qt::red));
  // A line written meanwhile waits for the whole protocol.
  protocol.Add("five");
  pane.FlushAll();
  QCOMPARE(pane.lineCount(), qsizetype(2));
  const QString whole = QStringLiteral("zero\none\none, second part\ntwo\nthree\nfour\nfive");
  QCOMPARE(pane.WholeDocument(protocol)->toPlainText(), whole);
  pane.ShowAll(protocol);
  QVERIFY(!pane.filtered());
  QCOMPARE(pane.toPlainText(), whole);
  QCOMPARE(pane.ProtocolLineAtBlock(6), 5);
  // And the feed goes on where the protocol is.
  protocol.Add("six");
  pane.FlushAll();
  QCOMPARE(pane.ProtocolLineAtBlock(7), 6);
  QCOMPARE(pane.lineCount(), qsizetype(protocol.lines().size()));
}

void ProtocolPaneTest::hundredThousandLinesFromAWorkerKeepTheWindowResponsive() {
  constexpr int kLines = 100000;
  Protocol protocol;
  ProtocolFeed feed;
  feed.Follow(protocol);
  ProtocolPane pane;
  pane.resize(800, 400);
  pane.show();
  QVERIFY(QTest::qWaitForWindowExposed(&pane));
  pane.Attach(feed);

  // The event loop gets its turns while the lines come in: a timer sees the
  // pane part filled more than once. (The longest time it did not get its
  // turn is printed, not asserted: it is the machine's as much as ours.)
  QElapsedTimer since_tick;
  qint64 longest_stall = 0;
  std::set<qsizetype> seen_part_filled;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longest_stall = std::max(longest_stall, since_tick.restart());
    if (pane.lineCount() > 0 && pane.lineCount() < kLines) seen_part_filled.insert(pane.lineCount());
  });
  QSignalSpy caught_up(&pane, &ProtocolPane::caughtUp);

  QElapsedTimer total;
  total.start();
  since_tick.start();
  ticker.start();
  std::thread writer([&] {
    protocol.SetDefaultColor(kBlue);
    for (int i = 0; i < kLines; ++i) {
      if (i % 100 == 0) {
        protocol.SetColor(kRed);
        protocol.Add("fisierul REV5_SD " + std::to_string(i), LineKind::Frame);
        protocol.ResetAttributes();
      } else {
        protocol.Add(
            "Пачка 1 Декл " + std::to_string(i) + " ИВАНОВ  поле <5.Имя> не заполнено, строка " + std::to_string(i),
            LineKind::Fault);
      }
    }
  });
  writer.join();
  QTRY_VERIFY_WITH_TIMEOUT(pane.lineCount() == kLines, 120000);
  ticker.stop();
  qInfo("100000 lines shown in %lld ms; longest stall of the event loop %lld ms", total.elapsed(), longest_stall);
  QVERIFY2(seen_part_filled.size() >= 2, "the lines went in without a turn of the event loop between batches");
  QCOMPARE(pane.document()->blockCount(), kLines);
  QCOMPARE(pane.document()->findBlockByNumber(kLines - 1).text(),
           QStringLiteral("Пачка 1 Декл 99999 ИВАНОВ  поле <5.Имя> не заполнено, строка 99999"));
  QCOMPARE(pane.document()->findBlockByNumber(200).begin().fragment().charFormat().foreground().color(),
           QColor(Qt::red));
  QCOMPARE(pane.document()->findBlockByNumber(201).begin().fragment().charFormat().foreground().color(),
           QColor(Qt::blue));
  QVERIFY(caught_up.count() > 0);
}

QTEST_MAIN(ProtocolPaneTest)
#include "tst_protocol_pane.moc"
