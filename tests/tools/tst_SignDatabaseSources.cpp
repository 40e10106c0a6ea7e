// The sign database's text sources and the tables made from them: the
// committed stroke source against counts checked by hand, the grouped layout
// against mdbtools' matching limit, table descriptions, and the generated
// KelmFile.dll decoded with the program's own DescrambleSignText.

#include "Descramble.h"
#include "Gbk.h"
#include "MdbRead.h"
#include "SignDatabaseSources.h"

#include <QFile>
#include <QHash>
#include <QTest>

namespace {

QByteArray ReadAll(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    qFatal("cannot read %s", qPrintable(path));
  return file.readAll();
}

const QString StrokeSource = QStringLiteral(VANDREL_SOURCE_DIR "/data/strokes.txt");
const QString SignSource = QStringLiteral(VANDREL_SOURCE_DIR "/data/signs.txt");
const QString GeneratedDatabase = QStringLiteral(VANDREL_APP_DIR "/KelmFile.dll");

} // namespace

class tst_SignDatabaseSources : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void strokeCountsCheckedByHand_data();
  void strokeCountsCheckedByHand();
  void strokeSourceCoversGbk();
  void groupedLayoutsKeepEveryCharacterFindable_data();
  void groupedLayoutsKeepEveryCharacterFindable();
  void tableDescriptionValues();
  void tableDescriptionRefusals_data();
  void tableDescriptionRefusals();
  void generatedDatabaseDecodesToTheSignSource();

private:
  std::vector<StrokeEntry> strokes;
};

void tst_SignDatabaseSources::initTestCase() { strokes = ParseStrokeSource(ReadAll(StrokeSource), StrokeSource); }

void tst_SignDatabaseSources::strokeCountsCheckedByHand_data() {
  QTest::addColumn<QString>("character");
  QTest::addColumn<QString>("form");
  QTest::addColumn<int>("count");
  // Counted by hand, traditional form in brackets where it differs.
  const std::pair<const char16_t *, int> rows[] = {
      {u"天", 4},
      {u"地", 6},
      {u"人", 2},
      {u"一", 1},
      {u"中", 4},
      {u"山", 3},
      {u"水", 4},
      {u"心", 4},
      {u"金", 8},
      {u"字", 6},
      {u"发(發)", 12},
      {u"龙(龍)", 16},
      {u"爱(愛)", 13},
      {u"国(國)", 11},
      {u"门(門)", 8},
      {u"马(馬)", 10},
      {u"鱼(魚)", 11},
      {u"鸟(鳥)", 11},
      {u"车(車)", 7},
      {u"书(書)", 10},
      {u"学(學)", 16},
      {u"东(東)", 8},
      {u"长(長)", 8},
      {u"语(語)", 14},
      {u"汉(漢)", 14},
      {u"见(見)", 7},
      {u"说(說)", 14},
      {u"话(話)", 13},
      {u"飞(飛)", 9},
      {u"贝(貝)", 7},
      {u"页(頁)", 9},
      {u"钱(錢)", 16},
      {u"铁(鐵)", 21},
      {u"问(問)", 11},
      {u"关(關)", 19},
      // Unihan lists the simplified form itself too, some of them first.
      {u"风(風)", 9},
      {u"云(雲)", 12},
      {u"电(電)", 13},
      {u"对(對)", 14},
      {u"时(時)", 10},
      {u"义(義)", 13},
      {u"气(氣)", 10},
      {u"应(應)", 17},
      {u"乐(樂)", 15},
      {u"开(開)", 12},
      // Itself the traditional form of its everyday sense: not the rare
      // character that merged into it (出 not 齣, 才 not 纔, 只 not 隻).
      {u"出", 5},
      {u"才", 3},
      {u"千", 3},
      {u"了", 2},
      {u"面", 9},
      {u"合", 6},
      {u"回", 6},
      {u"表", 8},
      {u"板", 8},
      {u"冬", 5},
      {u"松", 8},
      {u"秋", 9},
      {u"只", 5},
      {u"后(後)", 9},
      {u"办(辦)", 16},
      // Split senses, chosen in tools/stroke_exceptions.txt.
      {u"钟(鐘)", 20},
      {u"干(幹)", 13},
  };
  for (const auto &[label, count] : rows) {
    const QString text = QString::fromUtf16(label);
    QTest::newRow(qPrintable(text)) << text.left(1) << (text.size() > 1 ? text.mid(2, 1) : text) << count;
  }
}

void tst_SignDatabaseSources::strokeCountsCheckedByHand() {
  QFETCH(QString, character);
  QFETCH(QString, form);
  QFETCH(int, count);
  const auto it =
      std::find_if(strokes.begin(), strokes.end(), [&](const StrokeEntry &e) { return e.Character == character; });
  QVERIFY(it != strokes.end());
  QCOMPARE(it->Form, form);
  QCOMPARE(it->Strokes, count);
}

void tst_SignDatabaseSources::strokeSourceCoversGbk() {
  // Every GB2312 hanzi (rows 0xB0..0xF7) must be there; the whole GBK
  // repertoire is about 21,000 ideographs, each two GBK bytes.
  QVERIFY(strokes.size() > 20800 && strokes.size() < 21100);
  QSet<QString> listed;
  for (const StrokeEntry &e : strokes) {
    QCOMPARE(Gbk::ToGbk(e.Character).value_or(QByteArray()).size(), 2);
    listed.insert(e.Character);
  }
  int missing = 0;
  for (int lead = 0xB0; lead <= 0xF7; ++lead)
    for (int trail = 0xA1; trail <= 0xFE; ++trail) {
      if (lead == 0xD7 && trail > 0xF9)
        continue; // the five unassigned codes at the end of row 0xD7
      const QString ch = Gbk::FromGbk(QByteArray().append(char(lead)).append(char(trail)));
      missing += listed.contains(ch) ? 0 : 1;
    }
  QCOMPARE(missing, 0);
}

void tst_SignDatabaseSources::groupedLayoutsKeepEveryCharacterFindable_data() {
  QTest::addColumn<int>("layout");
  QTest::addColumn<int>("budget");
  QTest::newRow("grouped text") << int(StrokeLayout::GroupedText) << MaxMatchedTextBytes;
  QTest::newRow("grouped memo") << int(StrokeLayout::GroupedMemo) << MaxMatchedMemoBytes;
  QTest::newRow("per character") << int(StrokeLayout::PerCharacter) << MaxMatchedTextBytes;
}

void tst_SignDatabaseSources::groupedLayoutsKeepEveryCharacterFindable() {
  QFETCH(int, layout);
  QFETCH(int, budget);
  // A character beyond the part of a value that mdbtools matches would never
  // be found; every character must appear once, with its count.
  const Jet::Table table = MakeStrokeTable(strokes, StrokeLayout(layout));
  QHash<QString, int> found;
  for (const auto &row : table.Rows) {
    const QString value = std::get<QString>(row[0]);
    QVERIFY2(value.toUtf8().size() <= budget, qPrintable(value.left(10)));
    for (qsizetype i = 0; i < value.size(); ++i) {
      const qsizetype len = value[i].isHighSurrogate() ? 2 : 1;
      const QString ch = value.mid(i, len);
      QVERIFY2(!found.contains(ch), qPrintable(ch));
      found.insert(ch, std::get<std::int32_t>(row[1]));
      i += len - 1;
    }
  }
  QCOMPARE(found.size(), qsizetype(strokes.size()));
  for (const StrokeEntry &e : strokes)
    QCOMPARE(found.value(e.Character, -1), e.Strokes);
}

void tst_SignDatabaseSources::tableDescriptionValues() {
  const QByteArray source = "# fixture\n"
                            "table\tbihua\n"
                            "column\thanzi\ttext\t4\n"
                            "column\tnum\ttext\n"
                            "row\t天\t12a\n"
                            "row\t地\t\\N\n"
                            "row\t  \\t\\\\\\n\\r \t\n"
                            "table\tvandrel\n"
                            "column\tid\ttext\t3\n"
                            "column\tcontent\tscrambled\n"
                            "row\t123\t  文字  \n";
  const auto tables = ParseTableDescription(source, QStringLiteral("fixture"));
  QCOMPARE(tables.size(), std::size_t(2));
  const Jet::Table &bihua = tables[0];
  QCOMPARE(bihua.Columns[0].MaxLength, 4);
  QCOMPARE(std::get<QString>(bihua.Rows[0][1]), QStringLiteral("12a"));
  QVERIFY(std::holds_alternative<std::monostate>(bihua.Rows[1][1]));
  QCOMPARE(std::get<QString>(bihua.Rows[2][0]), QStringLiteral("  \t\\\n\r "));
  QCOMPARE(std::get<QString>(bihua.Rows[2][1]), QString()); // empty, not NULL
  // A scrambled column stores what DescrambleSignText turns back into the
  // GBK of the value, blanks included.
  const QByteArray stored = std::get<QString>(tables[1].Rows[0][1]).toLatin1();
  QCOMPARE(DescrambleSignText(stored, SignTextKey, SignTextCycles), Gbk::ToGbk(u"  文字  ").value());
}

void tst_SignDatabaseSources::tableDescriptionRefusals_data() {
  QTest::addColumn<QByteArray>("source");
  QTest::addColumn<QString>("message");
  QTest::newRow("row before any table") << QByteArray("row\t1\n")
                                        << QStringLiteral("fixture:1: a table line must come first");
  QTest::newRow("unknown type") << QByteArray("table\tt\ncolumn\tc\tfloat\n")
                                << QStringLiteral("fixture:2: unknown column type");
  QTest::newRow("row too short") << QByteArray("table\tt\ncolumn\ta\ttext\ncolumn\tb\ttext\nrow\tx\n")
                                 << QStringLiteral("fixture:4: the row has 1 values for 2 columns");
  QTest::newRow("long that is no number") << QByteArray("table\tt\ncolumn\tn\tlong\nrow\t12a\n")
                                          << QStringLiteral("fixture:3: column \"n\": \"12a\" is no integer");
  QTest::newRow("dangling backslash") << QByteArray("table\tt\ncolumn\ta\ttext\nrow\tx\\\n")
                                      << QStringLiteral("fixture:3: a backslash ends the value");
  QTest::newRow("unknown escape") << QByteArray("table\tt\ncolumn\ta\ttext\nrow\tx\\q\n")
                                  << QStringLiteral("fixture:3: unknown escape \\q");
  QTest::newRow("not UTF-8") << QByteArray("table\tt\xff\n") << QStringLiteral("not valid UTF-8");
}

void tst_SignDatabaseSources::tableDescriptionRefusals() {
  QFETCH(QByteArray, source);
  QFETCH(QString, message);
  try {
    ParseTableDescription(source, QStringLiteral("fixture"));
    QFAIL("the description was accepted");
  } catch (const SourceError &e) {
    QVERIFY2(QString::fromStdString(e.what()).contains(message), e.what());
  }
}

void tst_SignDatabaseSources::generatedDatabaseDecodesToTheSignSource() {
  const auto signs = ParseSignSource(ReadAll(SignSource), SignSource);
  const auto table = ReadMdbTable(GeneratedDatabase, QStringLiteral("vandrel"));
  QVERIFY2(table, "KelmFile.dll missing or unreadable: build the KelmFile target");
  QCOMPARE(table->columns, (QStringList{"id", "title", "content"}));
  QCOMPARE(table->rows.size(), qsizetype(signs.size()));
  for (qsizetype i = 0; i < table->rows.size(); ++i) {
    const auto &row = table->rows[i];
    const SignEntry &sign = signs[std::size_t(i)];
    QCOMPARE(row[0].value_or(QString()), sign.Id);
    QCOMPARE(row[1].value_or(QString()), sign.Title);
    const QByteArray stored = row[2].value_or(QString()).toLatin1();
    QCOMPARE(DescrambleSignText(stored, SignTextKey, SignTextCycles), Gbk::ToGbk(sign.Text).value());
  }
}

QTEST_GUILESS_MAIN(tst_SignDatabaseSources)
#include "tst_SignDatabaseSources.moc"
