// The report of the compute action: which texts make a report, how the joined
// characters are cut for the lookups, and what stays written when a lookup
// fails. The lookups run against a file that does not exist, so the first one
// fails; the statements they were about to send show how the report cut the
// characters. The report's full text is checked through vandrel-tool.

#include "Gbk.h"
#include "SignDatabase.h"
#include "SignReport.h"
#include "SilentAbort.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {

QByteArray G(QStringView text) { return Gbk::ToGbk(text).value(); }

} // namespace

class tst_SignReport : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void cleanupTestCase();
  void reportCharacters_data();
  void reportCharacters();
  void failedLookupKeepsTheLinesWritten_data();
  void failedLookupKeepsTheLinesWritten();
  void chosenDatabaseFile();
};

void tst_SignReport::initTestCase() { SetSignDatabaseFile(QStringLiteral("/nonexistent/KelmFile.dll")); }

void tst_SignReport::cleanupTestCase() { SetSignDatabaseFile(QString()); }

void tst_SignReport::reportCharacters_data() {
  QTest::addColumn<QByteArray>("first");
  QTest::addColumn<QByteArray>("second");
  QTest::addColumn<QByteArray>("third");
  QTest::addColumn<std::optional<QByteArray>>("characters");
  QTest::newRow("three characters") << G(u"天") << G(u"地") << G(u"人") << std::optional(G(u"天地人"));
  QTest::newRow("blanks and controls around are trimmed")
      << G(u" 天") << QByteArray("\t\x01") + G(u"地") << G(u"人\r") << std::optional(G(u"天地人"));
  QTest::newRow("first blank") << QByteArray("  ") << G(u"地") << G(u"人") << std::optional<QByteArray>();
  QTest::newRow("third empty") << G(u"天") << G(u"地") << QByteArray() << std::optional<QByteArray>();
  QTest::newRow("control bytes only") << G(u"天") << QByteArray("\x1F\x01") << G(u"人") << std::optional<QByteArray>();
  QTest::newRow("one-byte texts are joined as they are")
      << QByteArray("a") << G(u"天") << QByteArray("b") << std::optional(QByteArray("a") + G(u"天") + "b");
}

void tst_SignReport::reportCharacters() {
  QFETCH(QByteArray, first);
  QFETCH(QByteArray, second);
  QFETCH(QByteArray, third);
  QFETCH(std::optional<QByteArray>, characters);
  QCOMPARE(ReportCharacters(first, second, third), characters);
}

void tst_SignReport::failedLookupKeepsTheLinesWritten_data() {
  QTest::addColumn<QByteArray>("characters");
  QTest::addColumn<QByteArray>("firstStatement");
  QTest::newRow("first lookup is the first character's stroke count")
      << G(u"天地人") << QByteArray("Select num from bihua where hanzi like '%") + G(u"天") + "%'";
  // "a天b" is four bytes: "a" with the lead byte of 天, its trail byte with
  // "b", and an empty third piece, which leaves the sign number empty without
  // any stroke count.
  QTest::newRow("byte cut leaves the third piece empty")
      << QByteArray("a") + G(u"天") + "b" << QByteArray("Select top 1 title,content from vandrel where id =''");
}

void tst_SignReport::failedLookupKeepsTheLinesWritten() {
  QFETCH(QByteArray, characters);
  QFETCH(QByteArray, firstStatement);
  QList<QByteArray> statements;
  const LookupObserver previous =
      SetLookupObserver([&statements](const QByteArray &statement) { statements += statement; });
  QList<QByteArray> lines;
  QVERIFY_THROWS_EXCEPTION(SilentAbort,
                           WriteSignReport(characters, [&lines](const QByteArray &line) { lines += line; }));
  SetLookupObserver(previous);
  QCOMPARE(lines, (QList<QByteArray>{G(u"你测算的三个字是:") + characters + G(u" 解析如下..."), QByteArray()}));
  QCOMPARE(statements, QList<QByteArray>{firstStatement});
}

void tst_SignReport::chosenDatabaseFile() {
  const QString chosen = SetSignDatabaseFile(QStringLiteral("/data/其他.mdb"));
  QCOMPARE(GetSignDatabaseFile(), u"/data/其他.mdb"_qs);
  QVERIFY(GetConnectionString().contains("Data Source=/data/" + G(u"其他") + ".mdb;"));
  SetSignDatabaseFile(QString());
  QCOMPARE(GetSignDatabaseFile(), GetAppDir() + u"KelmFile.dll"_qs);
  SetSignDatabaseFile(chosen);
}

QTEST_GUILESS_MAIN(tst_SignReport)
#include "tst_SignReport.moc"
