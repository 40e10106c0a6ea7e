// The structure checks of a sign file, called directly on files written by
// our Jet writer and then damaged byte by byte: the pages a usage map lists
// (the file's last page and the one past it, pages of another table), the
// pages a table definition continues on, and the rows a memo value points to.

#include "JetFileCheck.h"
#include "JetWriter.h"

#include <QTest>
#include <QtEndian>

namespace {

constexpr qsizetype PageSize = 4096;
constexpr std::uint32_t PastTheEnd = 0xFFFFFFFF; // stands for the page count

std::uint32_t Le32(const QByteArray &bytes, qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }
void Put32(QByteArray &bytes, qsizetype at, std::uint32_t value) { qToLittleEndian<quint32>(value, bytes.data() + at); }
std::uint32_t Pages(const QByteArray &file) { return std::uint32_t(file.size() / PageSize); }

// Text that Jet keeps as UCS-2 (no compression): two bytes a character.
QString Chinese(int characters) { return QString(characters, QChar(u'签')); }

// signs: memos inline (2 bytes), on one long-value row (200 bytes) and
// chained over two (6000 bytes); other: one row; wide: a definition over
// several pages.
QByteArray Fixture() {
  std::vector<Jet::Column> wideColumns;
  wideColumns.reserve(160);
  for (int i = 0; i < 160; ++i)
    wideColumns.push_back({QStringLiteral("column_with_a_long_name_%1").arg(i), Jet::ColumnType::Long});
  return Jet::BuildDatabase({{u"signs"_qs,
                              {{u"id"_qs, Jet::ColumnType::Text}, {u"content"_qs, Jet::ColumnType::Memo}},
                              {{u"1"_qs, Chinese(1)}, {u"2"_qs, Chinese(100)}, {u"3"_qs, Chinese(3000)}}},
                             {u"other"_qs, {{u"other_name"_qs, Jet::ColumnType::Text}}, {{u"x"_qs}}},
                             {u"wide"_qs, wideColumns, {}}});
}

// The definition page that names the column (names are UCS-2 there).
std::uint32_t DefinitionOf(const QByteArray &file, const QString &column) {
  const QByteArray name(reinterpret_cast<const char *>(column.utf16()), column.size() * 2);
  for (std::uint32_t page = 1; page < Pages(file); ++page)
    if (file[page * PageSize] == 2 && file.mid(page * PageSize, PageSize).contains(name))
      return page;
  return 0;
}

std::uint32_t DataPageOf(const QByteArray &file, std::uint32_t tdef) {
  for (std::uint32_t page = 1; page < Pages(file); ++page)
    if (file[page * PageSize] == 1 && Le32(file, page * PageSize + 4) == tdef)
      return page;
  return 0;
}

// Where the row a pointer (page << 8 | row) names starts in the file.
qsizetype RowAt(const QByteArray &file, std::uint32_t pointer) {
  const qsizetype page = pointer >> 8, row = pointer & 0xFF;
  return page * PageSize + (qFromLittleEndian<quint16>(file.constData() + page * PageSize + 14 + 2 * row) & 0x1FFF);
}

// Where the table's usage map row starts (an inline map: type, first page,
// bits).
qsizetype UsageMapOf(const QByteArray &file, std::uint32_t tdef) {
  return RowAt(file, Le32(file, tdef * PageSize + 55));
}

// Adds page to the table's inline map, rewritten to start at page 0 (it
// starts at the first page it lists; the fixture has far fewer than 512).
void ListPage(QByteArray &file, std::uint32_t tdef, std::uint32_t page) {
  const qsizetype map = UsageMapOf(file, tdef);
  const std::uint32_t first = Le32(file, map + 1);
  QByteArray bits(64, '\0');
  for (std::uint32_t bit = 0; bit < 512; ++bit)
    if (file[map + 5 + bit / 8] & (1 << (bit % 8)))
      bits[(first + bit) / 8] = char(bits[(first + bit) / 8] | (1 << ((first + bit) % 8)));
  bits[page / 8] = char(bits[page / 8] | (1 << (page % 8)));
  Put32(file, map + 1, 0);
  file.replace(map + 5, 64, bits);
}

// Makes the table's usage map a reference map whose one bitmap is on page
// bitmapPage.
void ReferToBitmap(QByteArray &file, std::uint32_t tdef, std::uint32_t bitmapPage) {
  const qsizetype map = UsageMapOf(file, tdef);
  file.replace(map, 69, QByteArray(69, '\0'));
  file[map] = 1;
  Put32(file, map + 1, bitmapPage);
}

// Points the table's usage map at the row one past the last of its page,
// whose offset slot (free space, zeros) is made to frame 69 zero bytes: an
// empty inline map if it were read.
void PointPastTheRows(QByteArray &file, std::uint32_t tdef) {
  const std::uint32_t pointer = Le32(file, tdef * PageSize + 55);
  const qsizetype page = qsizetype(pointer >> 8) * PageSize;
  const quint16 rows = qFromLittleEndian<quint16>(file.constData() + page + 12);
  const quint16 lastStart = qFromLittleEndian<quint16>(file.constData() + page + 14 + 2 * qsizetype(rows - 1)) & 0x1FFF;
  qToLittleEndian<quint16>(quint16(lastStart - 69), file.data() + page + 14 + 2 * qsizetype(rows));
  Put32(file, tdef * PageSize + 55, (pointer & ~0xFFu) | rows);
}

// Where the memo field of the given length and kind starts on signs' data.
qsizetype MemoField(const QByteArray &file, std::uint32_t head) {
  QByteArray pattern(4, '\0');
  Put32(pattern, 0, head);
  return file.indexOf(pattern, qsizetype(DataPageOf(file, DefinitionOf(file, u"content"_qs))) * PageSize);
}

QByteArray WithPageCopied(const QByteArray &file, std::uint32_t page) {
  return file + file.mid(page * PageSize, PageSize);
}

} // namespace

class tst_JetFileCheck : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void tablePages_data();
  void tablePages();
  void tableDefinition_data();
  void tableDefinition();
  void longValue_data();
  void longValue();

private:
  QByteArray Sound;
  std::uint32_t Signs = 0, Other = 0, Wide = 0;
};

void tst_JetFileCheck::initTestCase() {
  Sound = Fixture();
  Signs = DefinitionOf(Sound, u"content"_qs);
  Other = DefinitionOf(Sound, u"other_name"_qs);
  for (std::uint32_t page = 1; page < Pages(Sound) && !Wide; ++page) // its names run over pages: found by count
    if (Sound[page * PageSize] == 2 && qFromLittleEndian<quint16>(Sound.constData() + page * PageSize + 45) == 160)
      Wide = page;
  QVERIFY(Signs && Other && Wide && DataPageOf(Sound, Signs) && DataPageOf(Sound, Other));
  // wide's definition takes three pages: its second page's pointer is used.
  QVERIFY(Le32(Sound, Le32(Sound, Wide * PageSize + 4) * PageSize + 4) != 0);
  QCOMPARE(JetFileCheck::CheckFile(Sound), std::nullopt);
}

void tst_JetFileCheck::tablePages_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<std::uint32_t>("tdef");
  QTest::addColumn<bool>("sound");
  QTest::newRow("as written") << Sound << Signs << true;
  QByteArray last = WithPageCopied(Sound, DataPageOf(Sound, Signs));
  ListPage(last, Signs, Pages(Sound));
  QTest::newRow("lists the file's last page") << last << Signs << true;
  QByteArray past = Sound;
  ListPage(past, Signs, Pages(Sound));
  QTest::newRow("lists the page just past the end") << past << Signs << false;
  QByteArray foreign = Sound;
  ListPage(foreign, Signs, DataPageOf(Sound, Other));
  QTest::newRow("lists a data page of another table") << foreign << Signs << false;
  QByteArray own = Sound;
  ListPage(own, Signs, Signs);
  QTest::newRow("lists its own definition page") << own << Signs << false;
  QByteArray bitmapLast = Sound + QByteArray(PageSize, '\0');
  ReferToBitmap(bitmapLast, Signs, Pages(Sound));
  QTest::newRow("bitmap on the file's last page") << bitmapLast << Signs << true;
  QByteArray bitmapPast = Sound;
  ReferToBitmap(bitmapPast, Signs, Pages(Sound));
  QTest::newRow("bitmap just past the end") << bitmapPast << Signs << false;
  QByteArray rowPast = Sound;
  PointPastTheRows(rowPast, Signs);
  QTest::newRow("map row one past its page's rows") << rowPast << Signs << false;
  QTest::newRow("definition at page 0") << Sound << std::uint32_t(0) << false;
  QTest::newRow("definition just past the end") << Sound << Pages(Sound) << false;
}

void tst_JetFileCheck::tablePages() {
  QFETCH(QByteArray, file);
  QFETCH(std::uint32_t, tdef);
  QFETCH(bool, sound);
  const JetFileCheck::Problem problem = JetFileCheck::CheckTablePages(file, tdef);
  QVERIFY2(!problem == sound, problem ? *problem : "sound");
}

void tst_JetFileCheck::tableDefinition_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<std::uint32_t>("tdef");
  QTest::addColumn<std::uint32_t>("columns"); // 0: as written
  QTest::addColumn<std::uint32_t>("next");    // the first page's next pointer; 0: as written
  QTest::addColumn<bool>("sound");
  QTest::newRow("one page") << Sound << Signs << 0u << 0u << true;
  QTest::newRow("over several pages") << Sound << Wide << 0u << 0u << true;
  // 200 columns fill more than a page: the rest is read from the next page.
  QByteArray appended = Sound + QByteArray(PageSize, '\0');
  appended[Pages(Sound) * PageSize] = 2;
  QTest::newRow("continued on the file's last page") << appended << Signs << 200u << Pages(Sound) << true;
  QTest::newRow("continued just past the end") << Sound << Signs << 200u << PastTheEnd << false;
  QTest::newRow("continued on page 0") << Sound << Signs << 200u << 0u << false;
  QTest::newRow("continued on a data page") << Sound << Signs << 200u << DataPageOf(Sound, Signs) << false;
  QTest::newRow("continued on itself") << Sound << Signs << 200u << Signs << false;
  QTest::newRow("more columns than the file holds") << Sound << Signs << 0xFFFFu << 0u << false;
  QTest::newRow("second page's pointer past the end")
      << Sound << Le32(Sound, Wide * PageSize + 4) << 0u << PastTheEnd << false;
}

void tst_JetFileCheck::tableDefinition() {
  QFETCH(QByteArray, file);
  QFETCH(std::uint32_t, tdef);
  QFETCH(std::uint32_t, columns);
  QFETCH(std::uint32_t, next);
  QFETCH(bool, sound);
  QVERIFY(tdef != 0);
  if (columns)
    qToLittleEndian<quint16>(quint16(columns), file.data() + tdef * PageSize + 45);
  if (next)
    Put32(file, tdef * PageSize + 4, next == PastTheEnd ? Pages(file) : next);
  else if (columns)
    Put32(file, tdef * PageSize + 4, 0);
  // The second page of the wide definition is checked through the first.
  const std::uint32_t checked = tdef == Le32(Sound, Wide * PageSize + 4) ? Wide : tdef;
  const JetFileCheck::Problem problem = JetFileCheck::CheckTableDefinition(file, checked);
  QVERIFY2(!problem == sound, problem ? *problem : "sound");
}

void tst_JetFileCheck::longValue_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QByteArray>("field");
  QTest::addColumn<bool>("sound");
  const qsizetype inlineAt = MemoField(Sound, 2 | 0x80000000u);
  const qsizetype oneRowAt = MemoField(Sound, 200 | 0x40000000u);
  const qsizetype chainAt = MemoField(Sound, 6000);
  QVERIFY(inlineAt > 0 && oneRowAt > 0 && chainAt > 0);
  const QByteArray inlineField = Sound.mid(inlineAt, 14), oneRow = Sound.mid(oneRowAt, 12),
                   chain = Sound.mid(chainAt, 12);
  const auto changed = [](QByteArray field, qsizetype at, std::uint32_t value) {
    Put32(field, at, value);
    return field;
  };
  QTest::newRow("inline") << Sound << inlineField << true;
  QTest::newRow("inline, length one more") << Sound << changed(inlineField, 0, 3 | 0x80000000u) << false;
  QTest::newRow("head cut short") << Sound << oneRow.first(11) << false;
  QTest::newRow("zero-length value") << Sound << QByteArray() << true;
  QTest::newRow("one row") << Sound << oneRow << true;
  QTest::newRow("one row, length one more") << Sound << changed(oneRow, 0, 201 | 0x40000000u) << false;
  const std::uint32_t lvalPage = Le32(oneRow, 4) >> 8;
  QTest::newRow("one row on the file's last page")
      << WithPageCopied(Sound, lvalPage) << changed(oneRow, 4, Pages(Sound) << 8 | (Le32(oneRow, 4) & 0xFF)) << true;
  QTest::newRow("one row just past the end") << Sound << changed(oneRow, 4, Pages(Sound) << 8) << false;
  QTest::newRow("one row on a data page") << Sound << changed(oneRow, 4, DataPageOf(Sound, Signs) << 8) << false;
  QTest::newRow("one row that its page lacks") << Sound << changed(oneRow, 4, lvalPage << 8 | 200) << false;
  QTest::newRow("kind unknown") << Sound << changed(oneRow, 0, 200 | 0x20000000u) << false;
  QTest::newRow("chain") << Sound << chain << true;
  QTest::newRow("chain shorter than the value") << Sound << changed(chain, 0, 6001) << false;
  QTest::newRow("chain longer than the value") << Sound << changed(chain, 0, 5999) << false;
  // The second link pointing back at the first.
  QByteArray loop = Sound;
  const std::uint32_t first = Le32(chain, 4);
  const qsizetype secondRow = RowAt(Sound, Le32(Sound, RowAt(Sound, first)));
  Put32(loop, secondRow, first);
  QTest::newRow("chain coming back on itself") << loop << chain << false;
}

void tst_JetFileCheck::longValue() {
  QFETCH(QByteArray, file);
  QFETCH(QByteArray, field);
  QFETCH(bool, sound);
  const JetFileCheck::Problem problem = JetFileCheck::CheckLongValue(file, field);
  QVERIFY2(!problem == sound, problem ? *problem : "sound");
}

QTEST_APPLESS_MAIN(tst_JetFileCheck)
#include "tst_JetFileCheck.moc"
