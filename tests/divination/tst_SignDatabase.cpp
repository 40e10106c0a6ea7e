#include "Desktop.h"
#include "Gbk.h"
#include "JetQuery.h"
#include "JetWriter.h"
#include "SignDatabase.h"
#include "SignDatabaseSources.h"
#include "SilentAbort.h"

#include <QFile>
#include <QTemporaryFile>
#include <QTest>

#include <unistd.h>

#include <cstdio>
#include <optional>

// Fixture databases are written by our own Jet 4.0 writer into this test's
// directory as KelmFile.dll, where the lookups look for it.
namespace {

using Jet::Value;
using Row = std::vector<Value>;

QByteArray G(QStringView text) { return Gbk::ToGbk(text).value(); }

QString SignFile() { return GetAppDir() + QStringLiteral("KelmFile.dll"); }

Jet::Table Bihua(std::vector<Row> rows, Jet::ColumnType numType = Jet::ColumnType::Text) {
  return {u"bihua"_qs, {{u"hanzi"_qs, Jet::ColumnType::Text}, {u"num"_qs, numType}}, std::move(rows)};
}

Jet::Table Vandrel(std::vector<Row> rows) {
  return {u"vandrel"_qs,
          {{u"id"_qs, Jet::ColumnType::Text, 10},
           {u"title"_qs, Jet::ColumnType::Text},
           {u"content"_qs, Jet::ColumnType::Memo}},
          std::move(rows)};
}

void WriteSignFile(const std::vector<Jet::Table> &tables) { Jet::WriteDatabase(SignFile(), tables); }

// The stroke count, or nothing when the lookup ended the action.
std::optional<int> StrokeCount(const QByteArray &character) {
  try {
    return GetStrokeCount(character);
  } catch (const SilentAbort &) {
    return std::nullopt;
  }
}

} // namespace

Q_DECLARE_METATYPE(std::vector<Row>)
Q_DECLARE_METATYPE(std::optional<int>)

class tst_SignDatabase : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void statements_data();
  void statements();
  void connectionString();
  void twoByteCharacter_data();
  void twoByteCharacter();
  void parseStrokeCount_data();
  void parseStrokeCount();
  void strokeCount_data();
  void strokeCount();
  void strokeCountFromLongColumn();
  void brokenDatabase_data();
  void brokenDatabase();
  void signText_data();
  void signText();
  void badStoredPairsBeep();
  void emptySignNumberStillRunsTheStatement();
  void lookupsOfOneSign();
  void columnsOutsideTheResultAreRefused();
  void absentDatabaseStopsAtTheFirstLookup();
  void engineStaysQuiet();

private:
  QList<QByteArray> Statements;
};

void tst_SignDatabase::init() {
  Statements.clear();
  SetLookupObserver([this](const QByteArray &statement) { Statements += statement; });
  QFile::remove(SignFile());
}

void tst_SignDatabase::cleanup() {
  SetLookupObserver({});
  QFile::remove(SignFile());
}

void tst_SignDatabase::statements_data() {
  QTest::addColumn<QByteArray>("statement");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("stroke count") << StrokeCountStatement(G(u"天"))
                                << G(u"Select num from bihua where hanzi like '%天%'");
  QTest::newRow("quote doubled") << StrokeCountStatement("'")
                                 << QByteArray("Select num from bihua where hanzi like '%''%'");
  QTest::newRow("wildcards kept") << StrokeCountStatement("_%")
                                  << QByteArray("Select num from bihua where hanzi like '%_%%'");
  QTest::newRow("argument not trimmed") << StrokeCountStatement(" a")
                                        << QByteArray("Select num from bihua where hanzi like '% a%'");
  QTest::newRow("sign") << SignStatement("123")
                        << QByteArray("Select top 1 title,content from vandrel where id ='123'");
  QTest::newRow("empty sign number") << SignStatement("")
                                     << QByteArray("Select top 1 title,content from vandrel where id =''");
}

void tst_SignDatabase::statements() {
  QFETCH(QByteArray, statement);
  QFETCH(QByteArray, expected);
  QCOMPARE(statement, expected);
}

void tst_SignDatabase::connectionString() {
  QCOMPARE(GetConnectionString(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + G(GetAppDir()) +
                                      "KelmFile.dll;Persist Security Info=True");
  QVERIFY(GetAppDir().endsWith(u'/'));
}

void tst_SignDatabase::twoByteCharacter_data() {
  // GBK's two-byte range: lead bytes 81-FE, trail bytes 40-7E and 80-FE.
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<bool>("looked");
  QTest::newRow("天") << G(u"天") << true;
  QTest::newRow("first code 8140") << QByteArray("\x81\x40") << true;
  QTest::newRow("last code FEFE") << QByteArray("\xFE\xFE") << true;
  QTest::newRow("trail 7E") << QByteArray("\x81\x7E") << true;
  QTest::newRow("trail 80") << QByteArray("\x81\x80") << true;
  QTest::newRow("trail 7F is none") << QByteArray("\x81\x7F") << false;
  QTest::newRow("trail 3F is none") << QByteArray("\x81\x3F") << false;
  QTest::newRow("trail FF is none") << QByteArray("\x81\xFF") << false;
  QTest::newRow("lead 80 is none") << QByteArray("\x80\x40") << false;
  QTest::newRow("lead FF is none") << QByteArray("\xFF\x40") << false;
  QTest::newRow("two ASCII bytes") << QByteArray("%_") << false;
  QTest::newRow("one byte") << QByteArray("[") << false;
  QTest::newRow("empty") << QByteArray() << false;
  QTest::newRow("a character and a byte") << G(u"天") + "a" << false;
}

void tst_SignDatabase::twoByteCharacter() {
  QFETCH(QByteArray, text);
  QTEST(IsTwoByteCharacter(text), "looked");
}

void tst_SignDatabase::parseStrokeCount_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<std::optional<int>>("count");
  QTest::newRow("digits") << QByteArray("12") << std::optional<int>(12);
  QTest::newRow("leading blanks and sign") << QByteArray("  +7") << std::optional<int>(7);
  QTest::newRow("negative") << QByteArray("-3") << std::optional<int>(-3);
  QTest::newRow("trailing letter") << QByteArray("12a") << std::optional<int>();
  QTest::newRow("trailing blank") << QByteArray("12 ") << std::optional<int>();
  QTest::newRow("empty (NULL)") << QByteArray() << std::optional<int>();
  QTest::newRow("sign alone") << QByteArray("-") << std::optional<int>();
  QTest::newRow("decimal point") << QByteArray("1.0") << std::optional<int>();
  QTest::newRow("largest") << QByteArray("2147483647") << std::optional<int>(INT_MAX);
  QTest::newRow("smallest") << QByteArray("-2147483648") << std::optional<int>(INT_MIN);
  QTest::newRow("past 32 bits") << QByteArray("2147483648") << std::optional<int>();
  QTest::newRow("far past 32 bits") << QByteArray("99999999999999999999") << std::optional<int>();
}

void tst_SignDatabase::parseStrokeCount() {
  QFETCH(QByteArray, text);
  QFETCH(std::optional<int>, count);
  QCOMPARE(ParseStrokeCount(text), count);
}

void tst_SignDatabase::strokeCount_data() {
  QTest::addColumn<std::vector<Row>>("rows");
  QTest::addColumn<QByteArray>("character");
  QTest::addColumn<std::optional<int>>("count");
  const QString tian = u"天"_qs;
  QTest::newRow("absent character") << std::vector<Row>{{u"地"_qs, u"6"_qs}} << G(u"天") << std::optional<int>(0);
  QTest::newRow("num 12") << std::vector<Row>{{tian, u"12"_qs}} << G(u"天") << std::optional<int>(12);
  QTest::newRow("num 12a ends the action") << std::vector<Row>{{tian, u"12a"_qs}} << G(u"天") << std::optional<int>();
  QTest::newRow("NULL num ends the action") << std::vector<Row>{{tian, Value()}} << G(u"天") << std::optional<int>();
  QTest::newRow("first of several rows") << std::vector<Row>{{u"人天"_qs, u"9"_qs}, {tian, u"4"_qs}} << G(u"天")
                                         << std::optional<int>(9);
  QTest::newRow("row of many characters")
      << std::vector<Row>{{u"大天小"_qs, u"4"_qs}} << G(u"天") << std::optional<int>(4);
  // 奶 (C4 CC) then 忑 (EC FD): the bytes C4 CC EC FD hold 天 (CC EC)
  // across the boundary of the two characters.
  QTest::newRow("no match across a character boundary")
      << std::vector<Row>{{u"奶忑"_qs, u"5"_qs}} << G(u"天") << std::optional<int>(0);
  QTest::newRow("quote in the argument") << std::vector<Row>{{u"天"_qs, u"1"_qs}, {u"a'b"_qs, u"7"_qs}}
                                         << QByteArray("'") << std::optional<int>(7);
  QTest::newRow("two quotes are not one")
      << std::vector<Row>{{u"a'b"_qs, u"7"_qs}, {u"''"_qs, u"8"_qs}} << QByteArray("''") << std::optional<int>(8);
  QTest::newRow("underscore is one whole character")
      << std::vector<Row>{{u"天"_qs, u"4"_qs}} << QByteArray("_") << std::optional<int>(4);
  QTest::newRow("percent skips NULL hanzi")
      << std::vector<Row>{{Value(), u"9"_qs}, {tian, u"4"_qs}} << QByteArray("%") << std::optional<int>(4);
  QTest::newRow("case ignored") << std::vector<Row>{{u"AB"_qs, u"3"_qs}} << QByteArray("b") << std::optional<int>(3);
  QTest::newRow("bracket opens a list") << std::vector<Row>{{u"[天"_qs, u"3"_qs}, {u"天"_qs, u"4"_qs}}
                                        << QByteArray("[[]") << std::optional<int>(3);
  QTest::newRow("unclosed bracket ends the action")
      << std::vector<Row>{{u"[天"_qs, u"3"_qs}} << QByteArray("[") << std::optional<int>();
  QTest::newRow("leading blanks in num") << std::vector<Row>{{tian, u"  12"_qs}} << G(u"天") << std::optional<int>(12);
  QTest::newRow("empty table") << std::vector<Row>{} << G(u"天") << std::optional<int>(0);
  QTest::newRow("argument with a blank is used as given")
      << std::vector<Row>{{tian, u"4"_qs}} << QByteArray(" ") + G(u"天") << std::optional<int>(0);
}

void tst_SignDatabase::strokeCount() {
  QFETCH(std::vector<Row>, rows);
  QFETCH(QByteArray, character);
  QFETCH(std::optional<int>, count);
  WriteSignFile({Bihua(rows)});
  QCOMPARE(StrokeCount(character), count);
}

void tst_SignDatabase::strokeCountFromLongColumn() {
  // An integer column reads as its decimal text; a text value is searched in
  // full, past the 255 bytes that mdbtools' own LIKE looks at.
  WriteSignFile({Bihua({{QString(200, u'人') + u'天', 21}, {u"地"_qs, 6}}, Jet::ColumnType::Long)});
  QCOMPARE(StrokeCount(G(u"天")), 21);
  QCOMPARE(StrokeCount(G(u"地")), 6);
}

void tst_SignDatabase::brokenDatabase_data() {
  QTest::addColumn<QByteArray>("fileBytes");
  QTest::addColumn<int>("tableShape");
  QTest::newRow("not a database") << QByteArray("this is not a database", 22) << 0;
  QTest::newRow("empty file") << QByteArray("") << 0;
  QTest::newRow("no table bihua") << QByteArray() << 1;
  QTest::newRow("no column num") << QByteArray() << 2;
  QTest::newRow("no column hanzi") << QByteArray() << 3;
}

void tst_SignDatabase::brokenDatabase() {
  QFETCH(QByteArray, fileBytes);
  QFETCH(int, tableShape);
  if (tableShape == 0) {
    QFile file(SignFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(fileBytes);
  } else if (tableShape == 1) {
    WriteSignFile({Vandrel({})});
  } else if (tableShape == 2) {
    WriteSignFile({{u"bihua"_qs, {{u"hanzi"_qs, Jet::ColumnType::Text}}, {{u"天"_qs}}}});
  } else {
    WriteSignFile({{u"bihua"_qs,
                    {{u"zi"_qs, Jet::ColumnType::Text}, {u"num"_qs, Jet::ColumnType::Text}},
                    {{u"天"_qs, u"4"_qs}}}});
  }
  QCOMPARE(StrokeCount(G(u"天")), std::optional<int>());
}

void tst_SignDatabase::signText_data() {
  QTest::addColumn<std::vector<Row>>("signs");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("text");
  // 天 4, 地 6, 人 2: digits 4 6 2, raw 462, sign 078.
  const QString content = StoredSignText(u"天高地厚，人在其中。"_qs);
  QTest::newRow("title and text") << std::vector<Row>{{u"078"_qs, u"天地人签"_qs, content}} << u"天地人签"_qs
                                  << u"天高地厚，人在其中。"_qs;
  QTest::newRow("blanks around title and content")
      << std::vector<Row>{{u"078"_qs, u" \t天地人签 \r\n"_qs, u"  "_qs + content + u"\r\n"_qs}} << u"天地人签"_qs
      << u"天高地厚，人在其中。"_qs;
  // One blank each side: an odd count that would shift every hexadecimal pair.
  QTest::newRow("one blank around the content")
      << std::vector<Row>{{u"078"_qs, u"天地人签"_qs, u" "_qs + content + u"\n"_qs}} << u"天地人签"_qs
      << u"天高地厚，人在其中。"_qs;
  QTest::newRow("no such sign") << std::vector<Row>{{u"077"_qs, u"别签"_qs, content}} << QString() << QString();
  QTest::newRow("first of two rows") << std::vector<Row>{{u"078"_qs, u"先"_qs, StoredSignText(u"一"_qs)},
                                                         {u"078"_qs, u"后"_qs, StoredSignText(u"二"_qs)}}
                                     << u"先"_qs << u"一"_qs;
  QTest::newRow("NULL title and content") << std::vector<Row>{{u"078"_qs, Value(), Value()}} << QString() << QString();
  QTest::newRow("id compared whole") << std::vector<Row>{{u"78"_qs, u"短"_qs, content}, {u"0780"_qs, u"长"_qs, content}}
                                     << QString() << QString();
}

void tst_SignDatabase::signText() {
  QFETCH(std::vector<Row>, signs);
  QFETCH(QString, title);
  QFETCH(QString, text);
  WriteSignFile({Bihua({{u"天"_qs, u"4"_qs}, {u"地"_qs, u"6"_qs}, {u"人"_qs, u"2"_qs}}), Vandrel(signs)});
  QCOMPARE(Gbk::FromGbk(GetSignText(G(u"天"), G(u"地"), G(u"人"), false)), title);
  QCOMPARE(Gbk::FromGbk(GetSignText(G(u"天"), G(u"地"), G(u"人"), true)), text);
}

void tst_SignDatabase::badStoredPairsBeep() {
  // "zz" and "x-" are no hexadecimal pairs: each is left out of the text,
  // which the pairs between them still give whole, and beeps once. The
  // decoder only counts them; the lookup beeps.
  const QString content = u"zz"_qs + StoredSignText(u"一"_qs) + u"x-"_qs;
  WriteSignFile({Bihua({{u"天"_qs, u"4"_qs}, {u"地"_qs, u"6"_qs}, {u"人"_qs, u"2"_qs}}),
                 Vandrel({{u"078"_qs, u"签"_qs, content}})});
  int beeps = 0;
  const auto counted = Desktop::Beep.Replace([&beeps] { ++beeps; });
  QCOMPARE(Gbk::FromGbk(GetSignText(G(u"天"), G(u"地"), G(u"人"), false)), u"签"_qs);
  QCOMPARE(beeps, 0);
  QCOMPARE(Gbk::FromGbk(GetSignText(G(u"天"), G(u"地"), G(u"人"), true)), u"一"_qs);
  QCOMPARE(beeps, 2);
}

void tst_SignDatabase::emptySignNumberStillRunsTheStatement() {
  // A blank argument: no stroke lookup, the sign statement with id ''. A
  // zero-length id matches it, a NULL id does not.
  WriteSignFile({Bihua({}), Vandrel({{Value(), u"无号"_qs, Value()}, {u""_qs, u"空号"_qs, Value()}})});
  QCOMPARE(Gbk::FromGbk(GetSignText(G(u"天"), "  ", G(u"人"), false)), u"空号"_qs);
  QCOMPARE(Statements, QList<QByteArray>{SignStatement("")});
}

void tst_SignDatabase::lookupsOfOneSign() {
  WriteSignFile({Bihua({{u"天"_qs, u"4"_qs}}), Vandrel({})});
  GetSignText(G(u"天"), G(u"地"), G(u"人"), true);
  // Three stroke counts (地 and 人 absent: digit 1), then the sign 411 - 384.
  QCOMPARE(Statements, (QList<QByteArray>{StrokeCountStatement(G(u"天")), StrokeCountStatement(G(u"地")),
                                          StrokeCountStatement(G(u"人")), SignStatement("027")}));
}

void tst_SignDatabase::columnsOutsideTheResultAreRefused() {
  WriteSignFile({Bihua({{u"天"_qs, u"4"_qs}})});
  JetQuery query;
  query.SetConnectionString(Gbk::FromGbk(GetConnectionString()));
  query.SetSql(StrokeCountStatement(G(u"天")));
  query.Open();
  QCOMPARE(query.FieldAsText(0), QByteArray("4"));
  QVERIFY_THROWS_EXCEPTION(JetError, query.FieldAsText(1));
  QVERIFY_THROWS_EXCEPTION(JetError, query.FieldAsText(-1));
}

void tst_SignDatabase::absentDatabaseStopsAtTheFirstLookup() {
  QVERIFY_THROWS_EXCEPTION(SilentAbort, GetSignText(G(u"天"), G(u"地"), G(u"人"), false));
  QCOMPARE(Statements, QList<QByteArray>{StrokeCountStatement(G(u"天"))});
  // A sign table missing: the three stroke lookups run, the fourth fails.
  Statements.clear();
  WriteSignFile({Bihua({})});
  QVERIFY_THROWS_EXCEPTION(SilentAbort, GetSignText(G(u"天"), G(u"地"), G(u"人"), false));
  QCOMPARE(Statements.size(), 4);
}

void tst_SignDatabase::engineStaysQuiet() {
  // mdbtools reports a missing table and a bad statement on stderr; none of
  // it may reach the terminal. Capture fd 2 around two failing lookups.
  WriteSignFile({Vandrel({})});
  QTemporaryFile capture;
  QVERIFY(capture.open());
  std::fflush(stderr);
  const int saved = ::dup(2);
  ::dup2(capture.handle(), 2);
  StrokeCount(G(u"天"));
  QFile::remove(SignFile());
  StrokeCount(G(u"天"));
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  QCOMPARE(capture.readAll(), QByteArray());
}

QTEST_GUILESS_MAIN(tst_SignDatabase)
#include "tst_SignDatabase.moc"
