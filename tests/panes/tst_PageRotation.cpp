#include "PageRotation.h"

#include <QTest>
#include <QTimer>

#include <optional>

namespace {

// The lines of a list joined by CR LF, with a trailing line end as the
// publisher's documents have it.
PageList ListOf(const QList<QByteArray> &lines) { return PageList(lines.join("\r\n") + "\r\n"); }

// The lines the pane shows over ticks: -1 for a tick that does nothing.
QList<int> Rotate(const PageList &list, QByteArrayView kind, int ticks) {
  QList<int> shown;
  int index = 0;
  for (int tick = 0; tick < ticks; ++tick) {
    if (const std::optional<RotationStep> step = NextRotationStep(list, 1, kind, index)) {
      shown << step->Line;
      index = step->NextIndex;
    } else {
      shown << -1;
    }
  }
  return shown;
}

QByteArray Entry(const char *kind, const char *seconds = "5", const char *address = "http://127.0.0.1/p") {
  return QByteArray(kind) + '>' + seconds + '>' + address;
}

} // namespace

class tst_PageRotation : public QObject {
  Q_OBJECT

private slots:
  void lines_data();
  void lines();
  void fields_data();
  void fields();
  void displayPeriod_data();
  void displayPeriod();
  void pageAddress_data();
  void pageAddress();
  void rotation_data();
  void rotation();
  void stepCarriesAddressAndPeriod_data();
  void stepCarriesAddressAndPeriod();
  void switchedOffPaneDoesNothing();
  void periodRestartsOnlyWhenItChanges();
  void switchValue_data();
  void switchValue();
};

void tst_PageRotation::lines_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QList<QByteArray>>("lines");
  QTest::newRow("empty text has no lines") << QByteArray() << QList<QByteArray>{};
  QTest::newRow("last line without line end") << QByteArray("a\r\nb") << QList<QByteArray>{"a", "b"};
  QTest::newRow("final empty line not counted") << QByteArray("a\r\nb\r\n") << QList<QByteArray>{"a", "b"};
  QTest::newRow("empty line before the end counts") << QByteArray("a\r\n\r\n") << QList<QByteArray>{"a", ""};
  QTest::newRow("a lone line end is one empty line") << QByteArray("\r\n") << QList<QByteArray>{""};
  QTest::newRow("lone LF ends a line") << QByteArray("a\nb\n") << QList<QByteArray>{"a", "b"};
  QTest::newRow("lone CR ends a line") << QByteArray("a\rb") << QList<QByteArray>{"a", "b"};
  QTest::newRow("CR CR LF is two line ends") << QByteArray("a\r\r\nb") << QList<QByteArray>{"a", "", "b"};
  QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << QList<QByteArray>{"a", "", "b"};
  QTest::newRow("blanks and NUL stay in the line")
      << QByteArray("\0 x \t", 5) << QList<QByteArray>{QByteArray("\0 x \t", 5)};
  const QByteArray longLine = "0>5>http://127.0.0.1/" + QByteArray(5000, 'a');
  QTest::newRow("a long line stays whole") << longLine + "\r\n1>5>x" << QList<QByteArray>{longLine, "1>5>x"};
}

void tst_PageRotation::lines() {
  QFETCH(QByteArray, text);
  QFETCH(QList<QByteArray>, lines);
  const PageList list(text);
  QCOMPARE(list.Text(), text);
  QCOMPARE(list.LineCount(), lines.size());
  QCOMPARE(list.LastIndex(), lines.size() - 1);
  for (int index = 0; index < lines.size(); ++index)
    QCOMPARE(list.Line(index), lines[index]);
  QCOMPARE(list.Line(-1), QByteArray());
  QCOMPARE(list.Line(lines.size()), QByteArray());
}

void tst_PageRotation::fields_data() {
  QTest::addColumn<QByteArray>("line");
  QTest::addColumn<QByteArray>("kind");
  QTest::addColumn<QByteArray>("seconds");
  QTest::addColumn<QByteArray>("address");
  QTest::newRow("plain entry") << QByteArray("0>45>http://h/p") << QByteArray("0") << QByteArray("45")
                               << QByteArray("http://h/p");
  QTest::newRow("blank before separator stays in the kind")
      << QByteArray("0 >45>http://h") << QByteArray("0 ") << QByteArray("45") << QByteArray("http://h");
  QTest::newRow("line trimmed, inner fields not")
      << QByteArray(" \t1> 5 >  http://h  \x01") << QByteArray("1") << QByteArray(" 5 ") << QByteArray("http://h");
  QTest::newRow("address keeps its own separators")
      << QByteArray("0>5>http://h/a>b>c") << QByteArray("0") << QByteArray("5") << QByteArray("http://h/a>b>c");
  QTest::newRow("no separator: all is address")
      << QByteArray("hello") << QByteArray() << QByteArray() << QByteArray("hello");
  QTest::newRow("one separator: no seconds")
      << QByteArray("0>http://h") << QByteArray("0") << QByteArray() << QByteArray("http://h");
  QTest::newRow("empty line") << QByteArray() << QByteArray() << QByteArray() << QByteArray();
  QTest::newRow("GBK bytes untouched") << QByteArray("1>3>http://h/\xb2\xe2\xd7\xd6") << QByteArray("1")
                                       << QByteArray("3") << QByteArray("http://h/\xb2\xe2\xd7\xd6");
}

void tst_PageRotation::fields() {
  QFETCH(QByteArray, line);
  QFETCH(QByteArray, kind);
  QFETCH(QByteArray, seconds);
  QFETCH(QByteArray, address);
  QCOMPARE(ListLineField(line, 0), kind);
  QCOMPARE(ListLineField(line, 1), seconds);
  QCOMPARE(ListLineField(line, 2), address);
  QCOMPARE(ListLineField(line, 3), QByteArray());
  QCOMPARE(ListLineField(line, -1), QByteArray());
  const PageList list("x\r\n" + line);
  QCOMPARE(GetListField(list, 2, 1), address);
}

void tst_PageRotation::displayPeriod_data() {
  QTest::addColumn<QByteArray>("seconds");
  QTest::addColumn<int>("milliseconds"); // -1: not a display time
  QTest::newRow("whole seconds") << QByteArray("45") << 45000;
  QTest::newRow("zero stops") << QByteArray("0") << 0;
  QTest::newRow("leading blanks") << QByteArray("  7") << 7000;
  QTest::newRow("plus sign") << QByteArray("+3") << 3000;
  QTest::newRow("leading zeros") << QByteArray("007") << 7000;
  QTest::newRow("minus zero is zero") << QByteArray("-0") << 0;
  QTest::newRow("negative") << QByteArray("-5") << -1;
  QTest::newRow("empty") << QByteArray() << -1;
  QTest::newRow("blanks only") << QByteArray("  ") << -1;
  QTest::newRow("sign only") << QByteArray("+") << -1;
  QTest::newRow("trailing blank") << QByteArray("45 ") << -1;
  QTest::newRow("fraction") << QByteArray("4.5") << -1;
  QTest::newRow("exponent") << QByteArray("1e3") << -1;
  QTest::newRow("hexadecimal") << QByteArray("0x10") << -1;
  QTest::newRow("full-width digits") << QByteArray("\xa3\xb5") << -1;
  QTest::newRow("longest period a timer takes") << QByteArray("2147483") << 2147483000;
  QTest::newRow("one second longer") << QByteArray("2147484") << -1;
  QTest::newRow("far past 64 bits") << QByteArray("99999999999999999999999") << -1;
}

void tst_PageRotation::displayPeriod() {
  QFETCH(QByteArray, seconds);
  QFETCH(int, milliseconds);
  QCOMPARE(DisplayPeriodMs(seconds).value_or(-1), milliseconds);
}

void tst_PageRotation::pageAddress_data() {
  QTest::addColumn<QByteArray>("field");
  QTest::addColumn<QString>("address"); // empty: never navigated
  QTest::newRow("http") << QByteArray("http://127.0.0.1:8088/a.html") << QStringLiteral("http://127.0.0.1:8088/a.html");
  QTest::newRow("https, scheme in capitals")
      << QByteArray("HTTPS://Example.org/x") << QStringLiteral("https://example.org/x");
  QTest::newRow("separator in the path") << QByteArray("http://h/a>b") << QStringLiteral("http://h/a%3Eb");
  QTest::newRow("javascript") << QByteArray("javascript:alert(1)") << QString();
  QTest::newRow("javascript, mixed case") << QByteArray("JavaScript:alert(1)") << QString();
  QTest::newRow("local file") << QByteArray("file:///etc/passwd") << QString();
  QTest::newRow("data") << QByteArray("data:text/html,<b>x</b>") << QString();
  QTest::newRow("ftp") << QByteArray("ftp://h/x") << QString();
  QTest::newRow("about") << QByteArray("about:blank") << QString();
  QTest::newRow("no scheme") << QByteArray("www.example.org/x") << QString();
  QTest::newRow("scheme-relative") << QByteArray("//h/x") << QString();
  QTest::newRow("http without host") << QByteArray("http:///x") << QString();
  QTest::newRow("empty") << QByteArray() << QString();
}

void tst_PageRotation::pageAddress() {
  QFETCH(QByteArray, field);
  QFETCH(QString, address);
  const std::optional<QUrl> url = PageAddress(field);
  QCOMPARE(url.has_value(), !address.isEmpty());
  if (url)
    QCOMPARE(url->toString(QUrl::FullyEncoded), address);
}

void tst_PageRotation::rotation_data() {
  QTest::addColumn<PageList>("list");
  QTest::addColumn<QByteArray>("kind");
  QTest::addColumn<QList<int>>("shown");
  const PageList fourLines = ListOf({Entry("0"), Entry("1"), Entry("0"), Entry("1")});
  QTest::newRow("kinds 0,1,0,1: main returns to line 0")
      << fourLines << QByteArray("0") << QList<int>{0, 2, 0, 2, 0, 2};
  QTest::newRow("kinds 0,1,0,1: banner keeps the last line")
      << fourLines << QByteArray("1") << QList<int>{1, 3, -1, -1, -1, -1};
  const PageList fiveLines = ListOf({Entry("0"), Entry("0"), Entry("1"), Entry("1"), "<html>"});
  QTest::newRow("five lines: main halts on line 1") << fiveLines << QByteArray("0") << QList<int>{0, 1, -1, -1, -1, -1};
  QTest::newRow("five lines: banner alternates") << fiveLines << QByteArray("1") << QList<int>{2, 3, 2, 3, 2, 3};
  QTest::newRow("three lines of kind 0: last never shown")
      << ListOf({Entry("0"), Entry("0"), Entry("0")}) << QByteArray("0") << QList<int>{0, 1, 0, 1, 0, 1};
  QTest::newRow("two lines, kind 1 first: repeats line 0")
      << ListOf({Entry("1"), Entry("0")}) << QByteArray("1") << QList<int>{0, 0, 0, 0};
  QTest::newRow("two lines, kind 1 second: shown once")
      << ListOf({Entry("0"), Entry("1")}) << QByteArray("1") << QList<int>{1, -1, -1, -1};
  QTest::newRow("one line: shown once") << ListOf({Entry("0")}) << QByteArray("0") << QList<int>{0, -1, -1};
  QTest::newRow("no line of the kind: stays blank") << fourLines << QByteArray("2") << QList<int>{-1, -1};
  QTest::newRow("blank lines only") << PageList(" \r\n\r\n\t\r\n") << QByteArray("0") << QList<int>{-1, -1};
  QTest::newRow("kind \"0 \" skipped") << ListOf({"0 >5>http://127.0.0.1/a", Entry("0")}) << QByteArray("0")
                                       << QList<int>{1, -1};
  QTest::newRow("javascript line skipped, search goes on")
      << ListOf({Entry("0", "5", "javascript:alert(1)"), Entry("0"), Entry("1")}) << QByteArray("0")
      << QList<int>{1, 1, 1};
  QTest::newRow("file line skipped") << ListOf({Entry("0", "5", "file:///etc/passwd"), Entry("0"), Entry("1")})
                                     << QByteArray("0") << QList<int>{1, 1};
  QTest::newRow("non-numeric seconds skipped")
      << ListOf({Entry("0", "ten"), Entry("0"), Entry("1")}) << QByteArray("0") << QList<int>{1, 1};
  QTest::newRow("negative seconds skipped")
      << ListOf({Entry("0", "-5"), Entry("0"), Entry("1")}) << QByteArray("0") << QList<int>{1, 1};
  QTest::newRow("only invalid entries: stays blank")
      << ListOf({Entry("0", "x"), Entry("0", "5", "file:///x")}) << QByteArray("0") << QList<int>{-1, -1};
  QTest::newRow("markup and blank lines between entries")
      << ListOf({"<html><body>", Entry("0"), "", Entry("1"), Entry("0"), "</body></html>", ""}) << QByteArray("0")
      << QList<int>{1, 4, -1};
}

void tst_PageRotation::rotation() {
  QFETCH(PageList, list);
  QFETCH(QByteArray, kind);
  QFETCH(QList<int>, shown);
  QCOMPARE(Rotate(list, kind, static_cast<int>(shown.size())), shown);
}

void tst_PageRotation::stepCarriesAddressAndPeriod_data() {
  QTest::addColumn<QByteArray>("line");
  QTest::addColumn<QString>("address");
  QTest::addColumn<int>("periodMs");
  QTest::newRow("seconds 0") << QByteArray("0>0>http://127.0.0.1/stay.html")
                             << QStringLiteral("http://127.0.0.1/stay.html") << 0;
  QTest::newRow("address containing the separator")
      << QByteArray("0>30>http://127.0.0.1/q?a=1>2&b=>") << QStringLiteral("http://127.0.0.1/q?a=1%3E2&b=%3E") << 30000;
  QTest::newRow("GBK path decoded") << QByteArray("0>2>http://127.0.0.1/\xb2\xe2\xd7\xd6.html")
                                    << QStringLiteral("http://127.0.0.1/%E6%B5%8B%E5%AD%97.html") << 2000;
}

void tst_PageRotation::stepCarriesAddressAndPeriod() {
  QFETCH(QByteArray, line);
  QFETCH(QString, address);
  QFETCH(int, periodMs);
  const std::optional<RotationStep> step = NextRotationStep(ListOf({line}), 1, MainPaneKind, 0);
  QVERIFY(step);
  QCOMPARE(step->Address.toString(QUrl::FullyEncoded), address);
  QCOMPARE(step->PeriodMs, periodMs);
}

void tst_PageRotation::switchedOffPaneDoesNothing() {
  const PageList list = ListOf({Entry("0"), Entry("1")});
  QVERIFY(!NextRotationStep(list, 0, MainPaneKind, 0));
  QVERIFY(NextRotationStep(list, 9, MainPaneKind, 0));
  QVERIFY(!NextRotationStep(PageList(), 1, MainPaneKind, 0));
}

void tst_PageRotation::periodRestartsOnlyWhenItChanges() {
  QTimer timer;
  timer.start(1000);
  QTest::qWait(150);
  ApplyDisplayPeriod(timer, 1000);
  QVERIFY2(timer.remainingTime() <= 900, "the same period must leave the countdown alone");
  ApplyDisplayPeriod(timer, 5000);
  QVERIFY(timer.isActive());
  QCOMPARE(timer.interval(), 5000);
  QVERIFY(timer.remainingTime() > 4500);
  ApplyDisplayPeriod(timer, 0);
  QVERIFY(!timer.isActive());
}

void tst_PageRotation::switchValue_data() {
  QTest::addColumn<QByteArray>("document");
  QTest::addColumn<int>("first"); // -1: none
  QTest::addColumn<int>("second");
  QTest::newRow("on and off") << QByteArray("10") << 1 << 0;
  QTest::newRow("any digit, rest ignored") << QByteArray("97<html>") << 9 << 7;
  QTest::newRow("one byte") << QByteArray("1") << 1 << -1;
  QTest::newRow("empty") << QByteArray() << -1 << -1;
  QTest::newRow("blank before digits") << QByteArray(" 11") << -1 << 1;
  QTest::newRow("letters") << QByteArray("ab") << -1 << -1;
  QTest::newRow("NUL byte") << QByteArray("\0"
                                          "1",
                                          2)
                            << -1 << 1;
  QTest::newRow("full-width one") << QByteArray("\xa3\xb1") << -1 << -1;
}

void tst_PageRotation::switchValue() {
  QFETCH(QByteArray, document);
  QFETCH(int, first);
  QFETCH(int, second);
  QCOMPARE(SwitchValue(document, 0).value_or(-1), first);
  QCOMPARE(SwitchValue(document, 1).value_or(-1), second);
}

QTEST_GUILESS_MAIN(tst_PageRotation)
#include "tst_PageRotation.moc"
