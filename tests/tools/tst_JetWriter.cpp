// The Jet 4.0 writer: the stored text forms, the header and the values as
// libmdb reads them back, and the refusal of input it cannot store.

#include "JetWriter.h"
#include "MdbRead.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Jet::ColumnType;

Q_DECLARE_METATYPE(std::vector<Jet::Table>)

namespace {

Jet::Column Col(const QString &name, ColumnType type, int maxLength = 255) {
  Jet::Column c;
  c.Name = name;
  c.Type = type;
  c.MaxLength = maxLength;
  return c;
}

Jet::Table OneColumn(const QString &table, const Jet::Column &column, const std::vector<Jet::Value> &values) {
  Jet::Table t{table, {column}, {}};
  for (const Jet::Value &v : values)
    t.Rows.push_back({v});
  return t;
}

QByteArray Hex(const char *hex) { return QByteArray::fromHex(hex); }

} // namespace

class tst_JetWriter : public QObject {
  Q_OBJECT

private slots:
  void encodeText_data();
  void encodeText();
  void headerAsLibmdbReadsIt();
  void valuesAsLibmdbReadsThem();
  void memoOfEveryStorageKind_data();
  void memoOfEveryStorageKind();
  void catalogIndexesAsLibmdbWalksThem();
  void sameInputSameBytes();
  void refusesInput_data();
  void refusesInput();
  void refusalLeavesExistingFile();
};

void tst_JetWriter::encodeText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("compress");
  QTest::addColumn<QByteArray>("stored");

  QTest::newRow("empty text") << QString() << true << QByteArray();
  QTest::newRow("ASCII compressed") << QStringLiteral("abc") << true << Hex("fffe616263");
  QTest::newRow("compression off") << QStringLiteral("abc") << false << Hex("610062006300");
  QTest::newRow("one letter is not shorter") << QStringLiteral("a") << true << Hex("6100");
  QTest::newRow("Chinese stays UCS-2") << QStringLiteral("天地") << true << Hex("29593057");
  QTest::newRow("Latin-1 letter compresses") << QStringLiteral("éé1") << true << Hex("fffee9e931");
  // A run of ASCII after Chinese pays for the switch back.
  QTest::newRow("switch to compressed at the end")
      << QStringLiteral("天abcdef") << true << Hex("fffe00295900616263646566");
  // One ASCII letter between Chinese characters is not worth two switches.
  QTest::newRow("short run stays uncompressed")
      << QStringLiteral("天a天bcdefgh") << true << Hex("fffe002959610029590062636465666768");
  // U+4E00 has the low byte 0x00, which would read as a mode switch.
  QTest::newRow("zero low byte blocks compression")
      << QStringLiteral("一abcdef") << true << Hex("004e610062006300640065006600");
  QTest::newRow("NUL character blocks compression")
      << QStringLiteral("ab") + QChar(0) + QStringLiteral("cdef") << true << Hex("6100620000006300640065006600");
}

void tst_JetWriter::encodeText() {
  QFETCH(QString, text);
  QFETCH(bool, compress);
  QFETCH(QByteArray, stored);
  QCOMPARE(Jet::EncodeText(text, compress).toHex(), stored.toHex());
}

void tst_JetWriter::headerAsLibmdbReadsIt() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("h.mdb"));
  Jet::WriteDatabase(path, {OneColumn(QStringLiteral("t"), Col(QStringLiteral("c"), ColumnType::Long), {1})});
  const auto header = ReadMdbHeader(path);
  QVERIFY(header);
  QCOMPARE(header->jetVersion, 1u);     // Jet 4
  QCOMPARE(header->codePage, 936u);     // Chinese (PRC)
  QCOMPARE(header->sortOrder, 0x0409u); // General
  QCOMPARE(header->databaseKey, 0u);    // pages not encoded
  QCOMPARE(QFile(path).size() % 4096, 0);
}

void tst_JetWriter::valuesAsLibmdbReadsThem() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("v.mdb"));
  Jet::Table t{QStringLiteral("mixed"),
               {Col(QStringLiteral("l"), ColumnType::Long), Col(QStringLiteral("i"), ColumnType::Integer),
                Col(QStringLiteral("t"), ColumnType::Text, 10), Col(QStringLiteral("m"), ColumnType::Memo),
                Col(QStringLiteral("b"), ColumnType::Boolean)},
               {}};
  t.Rows.push_back({std::int32_t(-2147483647 - 1), std::int32_t(-32768), QStringLiteral("  两端空白  "),
                    QStringLiteral("天"), true});
  t.Rows.push_back({std::monostate{}, std::int32_t(32767), QStringLiteral("abcdefghij"), std::monostate{}, false});
  Jet::Table second =
      OneColumn(QStringLiteral("second"), Col(QStringLiteral("x"), ColumnType::Text), {QStringLiteral("y")});
  Jet::WriteDatabase(path, {t, second});

  QCOMPARE(ReadMdbTableNames(path), (QStringList{QStringLiteral("mixed"), QStringLiteral("second")}));
  const auto read = ReadMdbTable(path, QStringLiteral("mixed"));
  QVERIFY(read);
  QCOMPARE(read->columns, (QStringList{"l", "i", "t", "m", "b"}));
  QCOMPARE(read->rows.size(), 2);
  const auto &r0 = read->rows[0];
  QCOMPARE(r0[0].value_or("NULL"), QStringLiteral("-2147483648"));
  QCOMPARE(r0[1].value_or("NULL"), QStringLiteral("-32768"));
  QCOMPARE(r0[2].value_or("NULL"), QStringLiteral("  两端空白  "));
  QCOMPARE(r0[3].value_or("NULL"), QStringLiteral("天"));
  QCOMPARE(r0[4].value_or("NULL"), QStringLiteral("1"));
  const auto &r1 = read->rows[1];
  QVERIFY(!r1[0]);
  QCOMPARE(r1[1].value_or("NULL"), QStringLiteral("32767"));
  QCOMPARE(r1[2].value_or("NULL"), QStringLiteral("abcdefghij"));
  QVERIFY(!r1[3]);
  QCOMPARE(r1[4].value_or("NULL"), QStringLiteral("0"));
}

void tst_JetWriter::memoOfEveryStorageKind_data() {
  QTest::addColumn<QString>("memo");
  // Stored sizes: up to 64 bytes in the row, up to 4076 in one LVAL row,
  // beyond that chained over LVAL pages.
  QTest::newRow("inline, 64 bytes compressed") << QString(62, u'a');
  QTest::newRow("one LVAL row, 65 bytes compressed") << QString(63, u'a');
  QTest::newRow("one LVAL row, 4076 bytes") << QString(2038, u'汉');
  QTest::newRow("chained, 4078 bytes") << QString(2039, u'汉');
  QTest::newRow("chained, three pages") << QString(5000, u'长');
  QTest::newRow("1025 characters stay uncompressed") << QString(1025, u'z');
}

void tst_JetWriter::memoOfEveryStorageKind() {
  QFETCH(QString, memo);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("m.mdb"));
  // Neighbours before and after, so a value read from the wrong LVAL row or
  // past its end shows.
  Jet::WriteDatabase(path, {OneColumn(QStringLiteral("memos"), Col(QStringLiteral("m"), ColumnType::Memo),
                                      {QStringLiteral("before"), memo, QString(3000, u'后')})});
  const auto read = ReadMdbTable(path, QStringLiteral("memos"));
  QVERIFY(read);
  QCOMPARE(read->rows.size(), 3);
  QCOMPARE(read->rows[0][0].value_or("NULL"), QStringLiteral("before"));
  QCOMPARE(read->rows[1][0].value_or("NULL"), memo);
  QCOMPARE(read->rows[2][0].value_or("NULL"), QString(3000, u'后'));
}

void tst_JetWriter::catalogIndexesAsLibmdbWalksThem() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("i.mdb"));
  const Jet::Column column = Col(QStringLiteral("c"), ColumnType::Long);
  // Names whose case and digits test the sort codes: Zeta_2 < zeta10 < ZETA9.
  Jet::WriteDatabase(path,
                     {OneColumn(QStringLiteral("ZETA9"), column, {}), OneColumn(QStringLiteral("zeta10"), column, {}),
                      OneColumn(QStringLiteral("Zeta_2"), column, {}), OneColumn(QStringLiteral("a b"), column, {})});
  const QStringList ids = ReadMdbIndexOrder(path, QStringLiteral("MSysObjects"), QStringLiteral("Id"), 0);
  QCOMPARE(ids.size(), 12); // 3 containers, the database, 4 system and 4 user tables
  for (qsizetype i = 1; i < ids.size(); ++i)
    QVERIFY2(ids[i - 1].toLongLong() < ids[i].toLongLong(), qPrintable(ids.join(u' ')));
  // Ordered by parent, then by name without regard to case: a blank sorts
  // before letters, an underscore before digits.
  const QStringList names = ReadMdbIndexOrder(path, QStringLiteral("MSysObjects"), QStringLiteral("ParentIdName"), 2);
  QCOMPARE(names, (QStringList{"a b", "Databases", "MSysACEs", "MSysObjects", "MSysQueries", "MSysRelationships",
                               "Relationships", "Tables", "Zeta_2", "zeta10", "ZETA9", "MSysDb"}));
}

void tst_JetWriter::sameInputSameBytes() {
  const std::vector<Jet::Table> tables{
      OneColumn(QStringLiteral("t"), Col(QStringLiteral("m"), ColumnType::Memo), {QString(3000, u'字')})};
  QCOMPARE(Jet::BuildDatabase(tables), Jet::BuildDatabase(tables));
}

void tst_JetWriter::refusesInput_data() {
  QTest::addColumn<std::vector<Jet::Table>>("tables");
  QTest::addColumn<QString>("message");

  const Jet::Column text3 = Col(QStringLiteral("id"), ColumnType::Text, 3);
  QTest::newRow("text longer than its column")
      << std::vector<Jet::Table>{OneColumn(QStringLiteral("v"), text3, {QStringLiteral("123"), QStringLiteral("1234")})}
      << QStringLiteral("table \"v\", row 2, column \"id\": the text has 4 characters, the column holds 3");
  QTest::newRow("text column of 256 characters")
      << std::vector<Jet::Table>{OneColumn(QStringLiteral("v"), Col(QStringLiteral("t"), ColumnType::Text, 256), {})}
      << QStringLiteral("column \"t\": the length must be 1 to 255");
  QTest::newRow("value of the wrong type")
      << std::vector<Jet::Table>{OneColumn(QStringLiteral("v"), Col(QStringLiteral("n"), ColumnType::Long),
                                           {QStringLiteral("12")})}
      << QStringLiteral("table \"v\", row 1, column \"n\": the value does not fit a long integer column");
  QTest::newRow("integer out of range") << std::vector<Jet::Table>{OneColumn(
                                               QStringLiteral("v"), Col(QStringLiteral("n"), ColumnType::Integer),
                                               {std::int32_t(40000)})}
                                        << QStringLiteral("row 1, column \"n\"");
  Jet::Table shortRow{
      QStringLiteral("v"), {text3, Col(QStringLiteral("t"), ColumnType::Text)}, {{QStringLiteral("1")}}};
  QTest::newRow("row missing a value") << std::vector<Jet::Table>{shortRow}
                                       << QStringLiteral("row 1: the row has 1 values for 2 columns");
  QTest::newRow("table name twice, any case") << std::vector<Jet::Table>{OneColumn(QStringLiteral("Bihua"), text3, {}),
                                                                         OneColumn(QStringLiteral("bihua"), text3, {})}
                                              << QStringLiteral("table \"bihua\": the table name is used twice");
  QTest::newRow("system table name") << std::vector<Jet::Table>{OneColumn(QStringLiteral("MSysObjects"), text3, {})}
                                     << QStringLiteral("MSys");
  Jet::Table twice{QStringLiteral("v"), {text3, text3}, {}};
  QTest::newRow("column name twice") << std::vector<Jet::Table>{twice} << QStringLiteral("used twice");
  QTest::newRow("table name the catalog index cannot encode")
      << std::vector<Jet::Table>{OneColumn(QStringLiteral("笔画"), text3, {})}
      << QStringLiteral("table \"笔画\": a table name may hold only letters");
  std::vector<Jet::Column> wideColumns;
  std::vector<Jet::Value> wideRow;
  for (int i = 0; i < 9; ++i) {
    wideColumns.push_back(Col(QStringLiteral("c%1").arg(i), ColumnType::Text));
    wideRow.emplace_back(QString(255, u'宽'));
  }
  QTest::newRow("row over 4060 bytes") << std::vector<Jet::Table>{Jet::Table{
                                              QStringLiteral("wide"), wideColumns, {wideRow}}}
                                       << QStringLiteral("table \"wide\", row 1: the row takes");
}

void tst_JetWriter::refusesInput() {
  QFETCH(std::vector<Jet::Table>, tables);
  QFETCH(QString, message);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("bad.mdb"));
  try {
    Jet::WriteDatabase(path, tables);
    QFAIL("the input was written");
  } catch (const Jet::WriteError &e) {
    QVERIFY2(QString::fromStdString(e.what()).contains(message), e.what());
  }
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

void tst_JetWriter::refusalLeavesExistingFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("keep.mdb"));
  const Jet::Column column = Col(QStringLiteral("id"), ColumnType::Text, 3);
  Jet::WriteDatabase(path, {OneColumn(QStringLiteral("v"), column, {QStringLiteral("001")})});
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray before = file.readAll();
  file.close();
  QVERIFY_THROWS_EXCEPTION(
      Jet::WriteError, Jet::WriteDatabase(path, {OneColumn(QStringLiteral("v"), column, {QStringLiteral("0001")})}));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), before);
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.mdb")});
}

QTEST_GUILESS_MAIN(tst_JetWriter)
#include "tst_JetWriter.moc"
