// A damaged or unusable KelmFile.dll, met by the divination window's "测算"
// as the program runs it: the press goes through the application's top-level
// handler, the action ends silently at the failing lookup with the lines it
// had already written, no error is shown, and the next press on a sound file
// gives the whole report.

#include "ErrorHandler.h"
#include "Gbk.h"
#include "JetWriter.h"
#include "SignDatabase.h"
#include "SignDatabaseSources.h"
#include "Untcezhi.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QtEndian>

#include <optional>

#include <sys/fsuid.h>
#include <unistd.h>

namespace {

using Row = std::vector<Jet::Value>;

QString SignFile() { return GetAppDir() + QStringLiteral("KelmFile.dll"); }

const QString Heading = u"你测算的三个字是:天地人 解析如下..."_qs;
const QStringList FullReport{Heading, QString(), u"    天地人签"_qs, QString(), u"    天高地厚，人在其中。"_qs};
const QStringList HeadingOnly{Heading, QString()};

Jet::Table Bihua(std::vector<Row> rows, Jet::ColumnType numType = Jet::ColumnType::Long) {
  return {u"bihua"_qs, {{u"hanzi"_qs, Jet::ColumnType::Text}, {u"num"_qs, numType}}, std::move(rows)};
}

// 天 4, 地 6, 人 2 strokes: sign 078.
Jet::Table Signs() {
  return {u"vandrel"_qs,
          {{u"id"_qs, Jet::ColumnType::Text, 3},
           {u"title"_qs, Jet::ColumnType::Text},
           {u"content"_qs, Jet::ColumnType::Memo}},
          {{u"078"_qs, u"天地人签"_qs, StoredSignText(u"天高地厚，人在其中。"_qs)}}};
}

QByteArray SoundFile() { return Jet::BuildDatabase({Bihua({{u"天"_qs, 4}, {u"地"_qs, 6}, {u"人"_qs, 2}}), Signs()}); }

void PutSignFile(const QByteArray &bytes) {
  QFile file(SignFile());
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

std::uint32_t Le32(const QByteArray &bytes, qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }

// The file with the system catalog's usage map (row pointer at offset 55 of
// its definition, page 2) turned into a reference map whose first bitmap page
// lies far past the end of the file.
QByteArray CatalogMapPastTheEnd(QByteArray file) {
  const std::uint32_t pointer = Le32(file, 2 * 4096 + 55);
  const qsizetype page = pointer >> 8, row = pointer & 0xFF;
  const qsizetype start = qFromLittleEndian<quint16>(file.constData() + page * 4096 + 14 + 2 * row) & 0x1FFF;
  file[page * 4096 + start] = 1;
  qToLittleEndian<quint32>(0x00FFFFFF, file.data() + page * 4096 + start + 1);
  return file;
}

qsizetype PageCount(const QByteArray &file) { return file.size() / 4096; }

// The table definition page naming the column (names are UCS-2 there).
qsizetype DefinitionOf(const QByteArray &file, const QString &column) {
  const QByteArray name(reinterpret_cast<const char *>(column.utf16()), column.size() * 2);
  for (qsizetype page = 1; page < PageCount(file); ++page)
    if (file[page * 4096] == 2 && file.mid(page * 4096, 4096).contains(name))
      return page;
  return 0;
}

// The stroke table's definition announcing 200 columns, more than its page
// holds, continued on page `next` (the file's page count: just past the end).
QByteArray StrokeColumnsContinuedOn(QByteArray file, qsizetype next) {
  const qsizetype tdef = DefinitionOf(file, u"hanzi"_qs) * 4096;
  qToLittleEndian<quint16>(200, file.data() + tdef + 45);
  qToLittleEndian<quint32>(quint32(next), file.data() + tdef + 4);
  return file;
}

// A file whose sign text is long enough for a row of a long-value page, with
// the text's field changed: its row pointer made `pointer` (page << 8 | row;
// the page count stands for the page past the end) or its length one more.
QByteArray SignTextPointing(std::optional<qsizetype> pointer) {
  QByteArray file =
      Jet::BuildDatabase({Bihua({{u"天"_qs, 4}, {u"地"_qs, 6}, {u"人"_qs, 2}}),
                          {u"vandrel"_qs,
                           {{u"id"_qs, Jet::ColumnType::Text, 3},
                            {u"title"_qs, Jet::ColumnType::Text},
                            {u"content"_qs, Jet::ColumnType::Memo}},
                           {{u"078"_qs, u"天地人签"_qs, StoredSignText(u"天高地厚，人在其中。"_qs.repeated(10))}}}});
  qsizetype lval = 1;
  while (lval < PageCount(file) && file.mid(lval * 4096 + 4, 4) != "LVAL")
    ++lval;
  QByteArray field(4, '\0');
  qToLittleEndian<quint32>(quint32(lval << 8), field.data());
  const qsizetype at = file.indexOf(field, (PageCount(file) - 1) * 4096) - 4; // the data page comes last
  if (pointer)
    qToLittleEndian<quint32>(quint32((*pointer == PageCount(file) ? *pointer << 8 : *pointer)), file.data() + at + 4);
  else
    qToLittleEndian<quint32>(Le32(file, at) + 1, file.data() + at);
  return file;
}

// The file with the system catalog's inline usage map also listing `listed`,
// a page past the catalog's own: mdbtools would read its rows as the
// catalog's.
QByteArray CatalogMapAlsoLists(QByteArray file, qsizetype listed) {
  const std::uint32_t pointer = Le32(file, 2 * 4096 + 55);
  const qsizetype page = pointer >> 8, row = pointer & 0xFF;
  const qsizetype start = qFromLittleEndian<quint16>(file.constData() + page * 4096 + 14 + 2 * row) & 0x1FFF;
  const qsizetype bit = listed - Le32(file, page * 4096 + start + 1);
  file[page * 4096 + start + 5 + bit / 8] = char(file[page * 4096 + start + 5 + bit / 8] | 1 << bit % 8);
  return file;
}

// The last data page of a table other than the catalog.
qsizetype LastForeignDataPage(const QByteArray &file) {
  qsizetype foreign = 0;
  for (qsizetype p = 3; p < file.size() / 4096; ++p) {
    const std::uint32_t owner = Le32(file, p * 4096 + 4);
    if (file[p * 4096] == 1 && owner != 2 && owner != 0x4C41564C) // "LVAL": memo pages
      foreign = p;
  }
  return foreign;
}

// The file and one more page, a table definition page (type 2) whose bytes
// 4..7 read as the catalog's page: owned, by the look of it, but no data page.
QByteArray WithDefinitionPageOwnedByTheCatalog(const QByteArray &file) {
  QByteArray page(4096, '\0');
  page[0] = 2;
  page[4] = 2;
  return file + page;
}

// How the file is damaged in one row of damagedFile.
enum class Damage { Missing, Bytes, Directory, Tables, Oversized };

} // namespace

Q_DECLARE_METATYPE(Damage)
Q_DECLARE_METATYPE(std::vector<Jet::Table>)

class tst_SignDatabaseFaults : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void damagedFile_data();
  void damagedFile();
  void unreadableFile();

private:
  template <class T> T *Find(const char *name) { return Window->findChild<T *>(QString::fromLatin1(name)); }
  QStringList MemoLines() { return Find<QPlainTextEdit>("RzMemo1")->toPlainText().split(u'\n'); }
  // One press of "测算" on 天 地 人, delivered like a user's click.
  void Press() {
    Find<QPlainTextEdit>("RzMemo1")->clear();
    Lookups = 0;
    QTest::mouseClick(Find<QWidget>("RzBitBtn1"), Qt::LeftButton);
  }
  // After any fault: nothing was shown, the window is still there, and with a
  // sound file the next press gives the whole report.
  void GoesOnWorking() {
    QVERIFY(Reported.isEmpty());
    QVERIFY(Window && Window->isVisible());
    QFile::remove(SignFile());
    QDir().rmdir(SignFile());
    PutSignFile(SoundFile());
    Press();
    QCOMPARE(MemoLines(), FullReport);
    QCOMPARE(Lookups, 8);
  }

  QPointer<TFrmcezhi> Window;
  int Lookups = 0;
  QStringList Reported;
};

void tst_SignDatabaseFaults::init() {
  QFile::remove(SignFile());
  QDir().rmdir(SignFile());
  Reported.clear();
  SetErrorReporter([this](const QString &message, const QString &) { Reported += message; });
  SetLookupObserver([this](const QByteArray &) { ++Lookups; });
  Window = new TFrmcezhi();
  Window->show();
  QVERIFY(QTest::qWaitForWindowExposed(Window));
  for (const char *edit : {"RzEdit1", "RzEdit2", "RzEdit3"})
    Find<QLineEdit>(edit)->clear();
  Find<QLineEdit>("RzEdit1")->insert(u"天"_qs);
  Find<QLineEdit>("RzEdit2")->insert(u"地"_qs);
  Find<QLineEdit>("RzEdit3")->insert(u"人"_qs);
}

void tst_SignDatabaseFaults::cleanup() {
  delete Window.data();
  SetLookupObserver({});
  SetErrorReporter({});
  QFile::remove(SignFile());
  QDir().rmdir(SignFile());
}

void tst_SignDatabaseFaults::damagedFile_data() {
  QTest::addColumn<Damage>("damage");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<std::vector<Jet::Table>>("tables");
  QTest::addColumn<QStringList>("lines");
  QTest::addColumn<int>("lookups");
  const std::vector<Jet::Table> none;
  QTest::newRow("missing") << Damage::Missing << QByteArray() << none << HeadingOnly << 1;
  QTest::newRow("empty") << Damage::Bytes << QByteArray() << none << HeadingOnly << 1;
  QTest::newRow("a directory") << Damage::Directory << QByteArray() << none << HeadingOnly << 1;
  QTest::newRow("text, not a database") << Damage::Bytes << QByteArray("Standard Jet DB\n") << none << HeadingOnly << 1;
  QTest::newRow("one page of zeros") << Damage::Bytes << QByteArray(4096, '\0') << none << HeadingOnly << 1;

  // A file cut short, as by a failed copy, at every page boundary and inside
  // every page (4096-byte pages; the system catalog is page 2). The action
  // ends at the first lookup that needs what is gone: the first stroke count,
  // or the sign after three sound stroke counts when only the sign table's
  // pages are lost (-1 below: either). Never a report of a sign that was
  // silently not found.
  const QByteArray sound = SoundFile();
  const qsizetype pages = sound.size() / 4096;
  for (qsizetype page = 0; page < pages; ++page) {
    for (const qsizetype cut : {page * 4096, page * 4096 + 100, page * 4096 + 4095})
      QTest::addRow("truncated at %lld of %lld", qlonglong(cut), qlonglong(sound.size()))
          << Damage::Bytes << sound.first(cut) << none << HeadingOnly << -1;
  }
  // A page wiped: pages the two tables never use (other system tables) may
  // go unnoticed, and then the report is whole and right (empty list below:
  // either outcome).
  for (qsizetype page = 1; page < pages; ++page) {
    QByteArray zeroed = sound;
    zeroed.replace(page * 4096, 4096, QByteArray(4096, '\0'));
    QTest::addRow("page %lld zeroed", qlonglong(page)) << Damage::Bytes << zeroed << none << QStringList() << -1;
  }

  QTest::newRow("catalog's usage map past the end")
      << Damage::Bytes << CatalogMapPastTheEnd(sound) << none << HeadingOnly << 1;
  QTest::newRow("catalog's usage map lists another table's page")
      << Damage::Bytes << CatalogMapAlsoLists(sound, LastForeignDataPage(sound)) << none << HeadingOnly << 1;
  QTest::newRow("catalog's usage map lists a page that is no data page")
      << Damage::Bytes << CatalogMapAlsoLists(WithDefinitionPageOwnedByTheCatalog(sound), pages) << none << HeadingOnly
      << 1;

  // mdbtools gives up on a definition it cannot read whole, without freeing
  // what it read of the table (a leak the sanitizer build reports).
  QTest::newRow("stroke table's columns continued past the end")
      << Damage::Bytes << StrokeColumnsContinuedOn(sound, PageCount(sound)) << none << HeadingOnly << 1;
  QTest::newRow("stroke table's columns continued on page 0")
      << Damage::Bytes << StrokeColumnsContinuedOn(sound, 0) << none << HeadingOnly << 1;
  // The sign text's long value, which mdbtools would read as an empty text:
  // the lookups of the sign's row (both select the text) end the action.
  const QByteArray longText = SignTextPointing(std::nullopt);
  QTest::newRow("sign text on the page past the end")
      << Damage::Bytes << SignTextPointing(PageCount(longText)) << none << HeadingOnly << 4;
  QTest::newRow("sign text on a page that holds no long values")
      << Damage::Bytes << SignTextPointing((PageCount(longText) - 1) << 8) << none << HeadingOnly << 4;
  QTest::newRow("sign text longer than its row") << Damage::Bytes << longText << none << HeadingOnly << 4;

  // A sound file followed by zero pages up to just over 64 MiB (sparse):
  // refused before it is read, as a file of gigabytes is.
  QTest::newRow("far larger than a sign database") << Damage::Oversized << QByteArray() << none << HeadingOnly << 1;

  QTest::newRow("bihua missing") << Damage::Tables << QByteArray() << std::vector<Jet::Table>{Signs()} << HeadingOnly
                                 << 1;
  QTest::newRow("vandrel missing: the three stroke counts, then the end")
      << Damage::Tables << QByteArray() << std::vector<Jet::Table>{Bihua({{u"天"_qs, 4}})} << HeadingOnly << 4;
  QTest::newRow("num holding text") << Damage::Tables << QByteArray()
                                    << std::vector<Jet::Table>{Bihua({{u"天"_qs, u"四"_qs}}, Jet::ColumnType::Text),
                                                               Signs()}
                                    << HeadingOnly << 1;
  QTest::newRow("num holding text for the third character only")
      << Damage::Tables << QByteArray()
      << std::vector<Jet::Table>{Bihua({{u"天"_qs, u"4"_qs}, {u"地"_qs, u"6"_qs}, {u"人"_qs, u"2 "_qs}},
                                       Jet::ColumnType::Text),
                                 Signs()}
      << HeadingOnly << 3;
  QTest::newRow("num NULL") << Damage::Tables << QByteArray()
                            << std::vector<Jet::Table>{Bihua({{u"天"_qs, Jet::Value()}}), Signs()} << HeadingOnly << 1;
}

void tst_SignDatabaseFaults::damagedFile() {
  QFETCH(Damage, damage);
  QFETCH(QByteArray, bytes);
  QFETCH(std::vector<Jet::Table>, tables);
  QFETCH(QStringList, lines);
  QFETCH(int, lookups);
  if (damage == Damage::Bytes)
    PutSignFile(bytes);
  else if (damage == Damage::Directory)
    QVERIFY(QDir().mkdir(SignFile()));
  else if (damage == Damage::Tables)
    Jet::WriteDatabase(SignFile(), tables);
  else if (damage == Damage::Oversized) {
    PutSignFile(SoundFile());
    QVERIFY(QFile(SignFile()).resize((qint64(64) << 20) + 4096));
  }
  Press();
  const QStringList shown = MemoLines();
  if (lines.isEmpty() && shown == FullReport) { // damage that no lookup met
    QCOMPARE(Lookups, 8);
  } else {
    QCOMPARE(shown, lines.isEmpty() ? HeadingOnly : lines);
    if (lookups < 0)
      QVERIFY2(Lookups == 1 || Lookups == 4, qPrintable(QString::number(Lookups)));
    else
      QCOMPARE(Lookups, lookups);
  }
  GoesOnWorking();
}

void tst_SignDatabaseFaults::unreadableFile() {
  PutSignFile(SoundFile());
  QVERIFY(QFile::setPermissions(SignFile(), QFile::WriteOwner));
  // Root reads any file: take the file-system identity of an unprivileged
  // user for this check (setfsuid drops the capability to override file
  // permissions as well), and give it back afterwards.
  const bool root = ::geteuid() == 0;
  if (root)
    ::setfsuid(65534);
  Press();
  const QStringList lines = MemoLines();
  const int lookups = Lookups;
  if (root)
    ::setfsuid(0);
  QCOMPARE(lines, HeadingOnly);
  QCOMPARE(lookups, 1);
  QVERIFY(QFile::setPermissions(SignFile(), QFile::ReadOwner | QFile::WriteOwner));
  GoesOnWorking();
}

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  tst_SignDatabaseFaults test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_SignDatabaseFaults.moc"
