// Runs the vandrel-tool executable as a user would. Known calendar answers
// come from the published Chinese calendar; the sign databases are fixtures
// written by MakeSignDatabase, and the program's own KelmFile.dll.

#include "TerminalText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// SQLite's default page size, the journal file's.
constexpr qsizetype SqlitePage = 4096;

struct Run {
  int Status = -1;
  QString Out;
  QString Err;
};

Run Tool(const QStringList &arguments, const QString &dataHome = QString()) {
  QProcess process;
  if (!dataHome.isEmpty()) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_DATA_HOME"_qs, dataHome);
    process.setProcessEnvironment(environment);
  }
  process.start(QStringLiteral(VANDREL_TOOL), arguments);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
    return {};
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

QStringList Lines(const QString &text) {
  QStringList lines = text.split(u'\n');
  if (lines.value(lines.size() - 1).isEmpty())
    lines.removeLast();
  return lines;
}

// A table description for MakeSignDatabase: 天 4, 地 6 and 人 2 strokes select
// sign 078 (digits 4, 6, 2 give 462, less 384).
QString Fixture(const QString &earthStrokes) {
  return QStringLiteral("table\tbihua\ncolumn\thanzi\ttext\ncolumn\tnum\ttext\n"
                        "row\t天\t4\nrow\t地\t%1\nrow\t人\t2\n"
                        "table\tvandrel\ncolumn\tid\ttext\t10\ncolumn\ttitle\ttext\ncolumn\tcontent\tscrambled\n"
                        "row\t078\t  天地人之签 \t云起于山，水归于海，此为夹具签文。\n")
      .arg(earthStrokes);
}

// An SQLite file made by statement, as its bytes.
QByteArray SqliteFile(const QStringList &statements) {
  QTemporaryDir scratch;
  const QString path = scratch.filePath(u"made.sqlite"_qs);
  {
    QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"maker"_qs);
    database.setDatabaseName(path);
    if (database.open())
      for (const QString &statement : statements)
        QSqlQuery(database).exec(statement);
    database.close();
  }
  QSqlDatabase::removeDatabase(u"maker"_qs);
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString JournalTable =
    u"CREATE TABLE readings (id INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT NOT NULL,"
    " characters TEXT NOT NULL, strokes1 INTEGER NOT NULL, strokes2 INTEGER NOT NULL,"
    " strokes3 INTEGER NOT NULL, sign TEXT NOT NULL, name TEXT NOT NULL, grade TEXT NOT NULL)"_qs;

// A device to point a link at. As root, whom nothing stops from replacing a
// device node, one of the test's own (the null device's numbers) in folder,
// so that a fault can never replace the system's; otherwise /dev/null, which
// no other user may replace.
QString TestDevice(const QString &folder) {
  if (::geteuid() != 0)
    return u"/dev/null"_qs;
  const QString node = folder + u"/null-device"_qs;
  return ::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? node : QString();
}

const QString Heading = QStringLiteral("你测算的三个字是:天地人 解析如下...");

} // namespace

class tst_VandrelTool : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void calendarDays_data();
  void calendarDays();
  void calendarRangeOverNewYearAndLeapMonth();
  void almanacOfADay();
  void monthOfFebruary2024();
  void lunarDates_data();
  void lunarDates();
  void monthShapes_data();
  void monthShapes();
  void displayWidth_data();
  void displayWidth();
  void divineWorkedReport();
  void divineFailureKeepsPartialReport_data();
  void divineFailureKeepsPartialReport();
  void unwritableOutput_data();
  void unwritableOutput();
  void strokesFromTheProgramsDatabase();
  void slipAndJournal();
  void journalIsOnlyRead_data();
  void journalIsOnlyRead();
  void badArguments_data();
  void badArguments();
  void help_data();
  void help();

private:
  QTemporaryDir Directory;
  QString GoodDatabase;
  QString BrokenDatabase;
};

void tst_VandrelTool::initTestCase() {
  QVERIFY(Directory.isValid());
  const auto write = [this](const QString &name, const QString &description) {
    QFile file(Directory.filePath(name + QStringLiteral(".txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(description.toUtf8());
    file.close();
    const QString database = Directory.filePath(name + QStringLiteral(".mdb"));
    QCOMPARE(QProcess::execute(QStringLiteral(MAKE_SIGN_DATABASE),
                               {QStringLiteral("--tables"), file.fileName(), QStringLiteral("-o"), database}),
             0);
  };
  write(QStringLiteral("good"), Fixture(QStringLiteral("6")));
  write(QStringLiteral("broken"), Fixture(QStringLiteral("6a"))); // a stroke count that is no number
  GoodDatabase = Directory.filePath(QStringLiteral("good.mdb"));
  BrokenDatabase = Directory.filePath(QStringLiteral("broken.mdb"));
}

void tst_VandrelTool::calendarDays_data() {
  QTest::addColumn<QString>("date");
  QTest::addColumn<QString>("line");
  QTest::newRow("first day of the table") << "1901-01-01"
                                          << "1901-01-01\t1111\t冬月\t十一\t\t\t元旦节\t子鼠\t摩羯座\t庚子 戊子 己卯";
  QTest::newRow("day before the table") << "1900-12-31"
                                        << "1900-12-31\t0\t\t\t\t\t\t\t摩羯座\t";
  QTest::newRow("last day of the table") << "2050-12-31"
                                         << "2050-12-31\t1118\t冬月\t十八\t\t\t\t午马\t摩羯座\t庚午 戊子 乙酉";
  QTest::newRow("day after the table") << "2051-01-01"
                                       << "2051-01-01\t0\t\t\t\t\t元旦节\t\t摩羯座\t";
  QTest::newRow("first day of the calendar") << "0001-01-01"
                                             << "0001-01-01\t0\t\t\t\t\t元旦节\t\t摩羯座\t";
  QTest::newRow("eve on the thirtieth") << "2024-02-09"
                                        << "2024-02-09\t1230\t腊月\t三十\t除夕\t\t\t卯兔\t水瓶座\t甲辰 丙寅 癸卯";
  QTest::newRow("spring festival") << "2024-02-10"
                                   << "2024-02-10\t101\t正月\t初一\t春节\t\t\t辰龙\t水瓶座\t甲辰 丙寅 甲辰";
  QTest::newRow("first day of a leap month") << "2023-03-22"
                                             << "2023-03-22\t-201\t闰二\t初一\t\t\t\t卯兔\t白羊座\t癸卯 乙卯 己卯";
  QTest::newRow("term and festival on one day")
      << "2020-06-21"
      << "2020-06-21\t501\t五月\t初一\t\t夏至\t父亲节\t子鼠\t双子座\t庚子 壬午 乙未";
  QTest::newRow("leap day") << "2024-02-29"
                            << "2024-02-29\t120\t正月\t二十\t\t\t\t辰龙\t双鱼座\t甲辰 丙寅 癸亥";
}

void tst_VandrelTool::calendarDays() {
  QFETCH(QString, date);
  QFETCH(QString, line);
  const Run run = Tool({u"calendar"_qs, date});
  QCOMPARE(run.Status, 0);
  QCOMPARE(run.Out, line + u'\n');
  QVERIFY(run.Err.isEmpty());
}

void tst_VandrelTool::calendarRangeOverNewYearAndLeapMonth() {
  // The leap eleventh month of 2033 runs over New Year into 2034.
  const Run run = Tool({u"calendar"_qs, u"2033-12-20"_qs, u"2034-01-21"_qs});
  QCOMPARE(run.Status, 0);
  const QStringList lines = Lines(run.Out);
  QCOMPARE(lines.size(), 33);
  QCOMPARE(lines.first().section(u'\t', 0, 0), u"2033-12-20"_qs);
  QCOMPARE(lines[2].section(u'\t', 0, 3), u"2033-12-22\t-1101\t闰冬\t初一"_qs);
  QCOMPARE(lines[12].section(u'\t', 0, 1), u"2034-01-01\t-1111"_qs);
  QCOMPARE(lines[31].section(u'\t', 0, 3), u"2034-01-20\t1201\t腊月\t初一"_qs);
  QCOMPARE(lines.last().section(u'\t', 0, 0), u"2034-01-21"_qs);
  for (const QString &line : lines)
    QCOMPARE(line.count(u'\t'), 9);
}

void tst_VandrelTool::almanacOfADay() {
  // 2024-02-10: 甲辰 in 寅月, 满日 (寅月 辰日), a 无禄 day (甲辰 among the ten).
  const Run text = Tool({u"almanac"_qs, u"2024-02-10"_qs});
  QCOMPARE(text.Status, 0);
  const QStringList lines = Lines(text.Out);
  QCOMPARE(lines.first(), u"2024-02-10  甲辰年 丙寅月 甲辰日"_qs);
  QVERIFY(lines.contains(u"子时 23:00-01:00 甲子 天牢（黑道）"_qs));
  QCOMPARE(lines.size(), 12 + 12); // the day, then its twelve double-hours
  const Run json = Tool({u"almanac"_qs, u"2024-02-10"_qs, u"--json"_qs});
  QCOMPARE(json.Status, 0);
  const QJsonObject day = QJsonDocument::fromJson(json.Out.toUtf8()).object();
  QCOMPARE(day.value(u"officer"_qs).toString(), u"满"_qs);
  // 无禄 止注 its few items: what else the 吉神 suit is struck, and says so.
  bool struckByWuLu = false;
  for (const QJsonValue item : day.value(u"struck"_qs).toArray())
    for (const QJsonValue rule : item.toObject().value(u"struckBy"_qs).toArray())
      struckByWuLu = struckByWuLu || rule.toObject().value(u"rule"_qs).toString() == u"无禄"_qs;
  QVERIFY(struckByWuLu);
  for (const QJsonValue item : day.value(u"avoided"_qs).toArray())
    QVERIFY(!item.toObject().value(u"addedBy"_qs).toArray().isEmpty());
  const Run outside = Tool({u"almanac"_qs, u"1900-12-31"_qs});
  QCOMPARE(outside.Status, 1);
  QVERIFY(outside.Err.contains(u"1901-2050"_qs));
}

void tst_VandrelTool::monthOfFebruary2024() {
  const Run run = Tool({u"month"_qs, u"2024-02"_qs});
  QCOMPARE(run.Status, 0);
  QCOMPARE(run.Out, uR"(                       2024年2月
 星期日  星期一  星期二  星期三  星期四  星期五  星期六
                                   1       2       3
                                  廿二    廿三    廿四
   4       5       6       7       8       9       10
  立春    廿六    廿七    廿八    廿九    除夕    春节
   11      12      13      14      15      16      17
  初二    初三    初四   情人节   初六    初七    初八
   18      19      20      21      22      23      24
  初九    雨水    十一    十二    十三    十四   元宵节
   25      26      27      28      29
  十六    十七    十八    十九    二十
生肖：卯兔
)"_qs);
}

// Known answers from lunar-javascript and python3-lunardate; the regular
// month's day in a year without the leap month is our rule.
void tst_VandrelTool::lunarDates_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("out");
  QTest::newRow("leap fourth month birthday of 2020")
      << QStringList{u"birthday"_qs, u"4"_qs, u"8"_qs, u"--leap"_qs, u"2020"_qs, u"2022"_qs}
      << u"2020-05-30\t2020\t闰四月初八\n2021-05-19\t2021\t四月初八\n2022-05-08\t2022\t四月初八\n"_qs;
  QTest::newRow("leap second month birthday of 2023, by name")
      << QStringList{u"birthday"_qs, u"闰二月"_qs, u"初八"_qs, u"2022"_qs, u"2024"_qs}
      << u"2022-03-10\t2022\t二月初八\n2023-03-29\t2023\t闰二月初八\n2024-03-17\t2024\t二月初八\n"_qs;
  QTest::newRow("leap eleventh month birthday of 2033, in January 2034")
      << QStringList{u"birthday"_qs, u"冬月"_qs, u"十五"_qs, u"--leap"_qs, u"2032"_qs, u"2034"_qs}
      << u"2032-12-17\t2032\t冬月十五\n2034-01-05\t2033\t闰冬月十五\n2034-12-25\t2034\t冬月十五\n"_qs;
  QTest::newRow("三十 of a 29-day 腊月 kept on 廿九")
      << QStringList{u"birthday"_qs, u"腊月"_qs, u"三十"_qs, u"2023"_qs, u"2024"_qs}
      << u"2024-02-09\t2023\t腊月三十\n2025-01-28\t2024\t腊月廿九\n"_qs;
  QTest::newRow("solar: leap month by name")
      << QStringList{u"solar"_qs, u"2023"_qs, u"闰二月"_qs, u"初八"_qs} << u"2023-03-29\n"_qs;
  QTest::newRow("solar: 腊月 of 2033 lies in 2034")
      << QStringList{u"solar"_qs, u"2033"_qs, u"12"_qs, u"8"_qs} << u"2034-01-27\n"_qs;
  QTest::newRow("solar: first day of the table")
      << QStringList{u"solar"_qs, u"1900"_qs, u"冬月"_qs, u"十一"_qs} << u"1901-01-01\n"_qs;
}

void tst_VandrelTool::lunarDates() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, out);
  const Run run = Tool(arguments);
  QCOMPARE(run.Err, QString());
  QCOMPARE(run.Status, 0);
  QCOMPARE(run.Out, out);
}

void tst_VandrelTool::monthShapes_data() {
  QTest::addColumn<QString>("month");
  QTest::addColumn<int>("lineCount");
  QTest::addColumn<QString>("lastDays");
  QTest::addColumn<QString>("zodiac");
  QTest::newRow("31 days from a Saturday: sixth row") << "2020-08" << 15 << "   30      31"
                                                      << "生肖：子鼠";
  QTest::newRow("28 days from a Sunday: four rows")
      << "2015-02" << 11 << "   22      23      24      25      26      27      28"
      << "生肖：午马"; // before the lunar new year
  QTest::newRow("zodiac of the day given") << "2024-02-10" << 13 << "   25      26      27      28      29"
                                           << "生肖：辰龙";
  QTest::newRow("century year without leap day, before the table") << "1900-02" << 12 << "   25      26      27      28"
                                                                   << "";
}

void tst_VandrelTool::monthShapes() {
  QFETCH(QString, month);
  QFETCH(int, lineCount);
  QFETCH(QString, lastDays);
  QFETCH(QString, zodiac);
  const Run run = Tool({u"month"_qs, month});
  QCOMPARE(run.Status, 0);
  const QStringList lines = Lines(run.Out);
  QCOMPARE(lines.size(), lineCount);
  QCOMPARE(lines[lines.size() - (zodiac.isEmpty() ? 2 : 3)], lastDays);
  if (!zodiac.isEmpty())
    QCOMPARE(lines.last(), zodiac);
}

void tst_VandrelTool::displayWidth_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("width");
  QTest::newRow("ASCII digits") << "31" << 2;
  QTest::newRow("ideographs") << "元宵节" << 6;
  QTest::newRow("fullwidth colon") << "生肖：" << 6;
  QTest::newRow("ambiguous middle dot is narrow") << "·" << 1;
  QTest::newRow("ideograph beyond the BMP") << QString::fromUcs4(U"\U00020000") << 2;
  QTest::newRow("control character") << "\t" << 0;
  QTest::newRow("end of CJK punctuation, 303F is narrow") << QString::fromUcs4(U"\u303E\u303F") << 3;
}

void tst_VandrelTool::displayWidth() {
  QFETCH(QString, text);
  QFETCH(int, width);
  QCOMPARE(Terminal::DisplayWidth(text), width);
}

void tst_VandrelTool::divineWorkedReport() {
  const Run run = Tool({u"divine"_qs, u"--db"_qs, GoodDatabase, u"天"_qs, u"地"_qs, u"人"_qs});
  QCOMPARE(run.Status, 0);
  QCOMPARE(Lines(run.Out), (QStringList{Heading, QString(), u"    天地人之签"_qs, QString(),
                                        u"    云起于山，水归于海，此为夹具签文。"_qs}));
  QVERIFY(run.Err.isEmpty());
  // --db=PATH after the characters reads the same file.
  const Run after = Tool({u"divine"_qs, u"天"_qs, u"地"_qs, u"人"_qs, u"--db="_qs + GoodDatabase});
  QCOMPARE(after.Out, run.Out);
}

void tst_VandrelTool::divineFailureKeepsPartialReport_data() {
  QTest::addColumn<QString>("database");
  QTest::addColumn<QString>("reason");
  QTest::newRow("no such file") << "/nonexistent/KelmFile.dll"
                                << "does not exist";
  QTest::newRow("stroke count that is no number") << "broken"
                                                  << "'%地%'";
  QTest::newRow("not a database") << "notadatabase"
                                  << "failed";
  // Refused before it is read (a sparse file: no disk space taken).
  QTest::newRow("2 GiB, far larger than a sign database") << "huge"
                                                          << "far larger";
}

void tst_VandrelTool::divineFailureKeepsPartialReport() {
  QFETCH(QString, database);
  QFETCH(QString, reason);
  if (database == u"broken")
    database = BrokenDatabase;
  if (database == u"notadatabase") {
    database = Directory.filePath(u"text.mdb"_qs);
    QFile file(database);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is no Jet database\n");
  }
  if (database == u"huge") {
    database = Directory.filePath(u"huge.mdb"_qs);
    QFile::remove(database);
    QVERIFY(QFile::copy(GoodDatabase, database));
    QVERIFY(QFile(database).resize(qint64(2) << 30));
  }
  const Run run = Tool({u"divine"_qs, u"--db"_qs, database, u"天"_qs, u"地"_qs, u"人"_qs});
  QCOMPARE(run.Status, 2);
  // The title lookup failed: the heading and the empty line stay.
  QCOMPARE(Lines(run.Out), (QStringList{Heading, QString()}));
  QCOMPARE(Lines(run.Err).size(), 1);
  QVERIFY2(run.Err.contains(reason), qPrintable(run.Err));
}

void tst_VandrelTool::unwritableOutput_data() {
  QTest::addColumn<QString>("redirection");
  QTest::newRow("full disk") << u">/dev/full"_qs;
  QTest::newRow("standard output closed") << u">&-"_qs;
}

void tst_VandrelTool::unwritableOutput() {
  QFETCH(QString, redirection);
  QProcess shell;
  shell.start(u"/bin/sh"_qs, {u"-c"_qs, u"exec \"$0\" calendar 2024-02-01 2024-02-03 "_qs + redirection,
                              QStringLiteral(VANDREL_TOOL)});
  QVERIFY(shell.waitForFinished(60000));
  QCOMPARE(shell.exitCode(), 3);
  QVERIFY2(shell.readAllStandardError().contains("cannot write the output"), qPrintable(redirection));
}

void tst_VandrelTool::strokesFromTheProgramsDatabase() {
  // The generated KelmFile.dll beside the tool. Counts as a reader gives them,
  // of the traditional form written for the everyday sense: 出 is itself
  // that form (5, not 齣's 20), 发 stands for 發.
  const QString text = u"出才千了面合回表板冬松秋只发云后办开"_qs;
  const QString forms = u"出才千了面合回表板冬松秋只發雲後辦開"_qs;
  const int counts[] = {5, 3, 3, 2, 9, 6, 6, 8, 8, 5, 8, 9, 5, 12, 12, 9, 16, 12};
  QString expected;
  for (qsizetype i = 0; i < text.size(); ++i)
    expected += QStringLiteral("%1\t%2\t%3\n").arg(text[i]).arg(counts[i]).arg(forms[i]);
  const Run run = Tool({u"strokes"_qs, text});
  QCOMPARE(run.Status, 0);
  QCOMPARE(run.Out, expected);
  // A tab or line feed of TEXT is shown by its picture and cannot break the
  // one line per character; without a row there is no form.
  const Run controls = Tool({u"strokes"_qs, u"天\t\n\x7f☆"_qs});
  QCOMPARE(controls.Out, u"天\t4\t天\n\u2409\t0\t\n\u240A\t0\t\n\u2421\t0\t\n☆\t0\t\n"_qs);
  // What is not one two-byte GBK character counts 0 and is never looked up,
  // so neither a pattern's wildcard nor a broken pattern reaches the database
  // (one that does not exist here); a plain space stays a space.
  const Run unlooked = Tool({u"strokes"_qs, u"--db"_qs, u"/nonexistent.mdb"_qs, u"[%_ a!"_qs});
  QCOMPARE(unlooked.Status, 0);
  QCOMPARE(unlooked.Out, u"[\t0\t\n%\t0\t\n_\t0\t\n \t0\t\na\t0\t\n!\t0\t\n"_qs);
  QCOMPARE(Tool({u"strokes"_qs, u"天[_%"_qs}).Out, u"天\t4\t天\n[\t0\t\n_\t0\t\n%\t0\t\n"_qs);
  const Run missing = Tool({u"strokes"_qs, u"--db"_qs, u"/nonexistent.mdb"_qs, u"天地"_qs});
  QCOMPARE(missing.Status, 2);
  QVERIFY(missing.Out.isEmpty());
}

void tst_VandrelTool::slipAndJournal() {
  // The slip follows the extension; a file it cannot write is status 4 after
  // the whole report. The tool records nothing in the journal.
  QTemporaryDir folder;
  const Run png = Tool({u"divine"_qs, u"--card"_qs, folder.filePath(u"s.png"_qs), u"--date=2024-02-10"_qs, u"天"_qs,
                        u"地"_qs, u"人"_qs});
  QCOMPARE(png.Status, 0);
  QCOMPARE(QImage(folder.filePath(u"s.png"_qs)).size(), QSize(1080, 1620));
  const Run jpeg = Tool({u"divine"_qs, u"--card"_qs, folder.filePath(u"s.jpg"_qs), u"天"_qs, u"地"_qs, u"人"_qs});
  QCOMPARE(jpeg.Status, 4);
  QCOMPARE(Lines(jpeg.Out).size(), 5);
  QVERIFY(!QFile::exists(folder.filePath(u"s.jpg"_qs)));
  // --card replaces only a regular file: a link to a device or a FIFO named
  // like a picture is refused after the report and left as it is.
  QTemporaryDir devices;
  const QString device = TestDevice(devices.path());
  QVERIFY(!device.isEmpty());
  QVERIFY(QFile::link(device, folder.filePath(u"device.png"_qs)));
  QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath(u"fifo.pdf"_qs)).constData(), 0600), 0);
  for (const QString &name : {u"device.png"_qs, u"fifo.pdf"_qs}) {
    const Run refused = Tool({u"divine"_qs, u"--card"_qs, folder.filePath(name), u"天"_qs, u"地"_qs, u"人"_qs});
    QCOMPARE(refused.Status, 4);
    QCOMPARE(Lines(refused.Out).size(), 5);
    QVERIFY2(refused.Err.contains(u"只能写入普通文件"_qs), qPrintable(refused.Err));
    QVERIFY(!QFileInfo(folder.filePath(name)).isFile());
  }
  QCOMPARE(QFileInfo(folder.filePath(u"device.png"_qs)).symLinkTarget(), device);
  QVERIFY(!QFileInfo(device).isFile());
  const Run journal = Tool({u"journal"_qs, u"--json"_qs});
  QCOMPARE(journal.Status, 0);
  QCOMPARE(journal.Out, u"[]\n"_qs);
  QCOMPARE(Tool({u"journal"_qs}).Out, QString());
}

void tst_VandrelTool::journalIsOnlyRead_data() {
  QTest::addColumn<QByteArray>("contents");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("out");
  const QString row = u"INSERT INTO readings VALUES (1, '2026-12-08T10:30:00', '天地人', 4, 6, 2, '078', '锦鲤跃波',"
                      " '上上签')"_qs;
  QStringList many{JournalTable};
  for (int i = 0; i < 150; ++i)
    many += u"INSERT INTO readings VALUES (NULL, '2026-12-08T10:30:00', '天地人', 4, 6, 2, '078', '锦鲤跃波',"
            " '上上签')"_qs;
  QByteArray damaged = SqliteFile(many);
  damaged.replace(damaged.size() - SqlitePage, SqlitePage, QByteArray(SqlitePage, '\xA5'));
  QTest::newRow("journal") << SqliteFile({JournalTable, row}) << 0
                           << u"2026-12-08 10:30:00\t天地人\t4 6 2\t078\t锦鲤跃波\t上上签\n"_qs;
  QTest::newRow("empty file") << QByteArray() << 0 << QString();
  QTest::newRow("text") << QByteArray("no journal\n") << 4 << QString();
  QTest::newRow("zeros") << QByteArray(8192, '\0') << 4 << QString();
  QTest::newRow("one damaged page") << damaged << 4 << QString();
  QTest::newRow("cut short") << SqliteFile(many).chopped(2 * SqlitePage) << 4 << QString();
  QTest::newRow("foreign SQLite file") << SqliteFile({u"CREATE TABLE notes (text TEXT)"_qs}) << 4 << QString();
  QTest::newRow("readings of other columns")
      << SqliteFile({u"CREATE TABLE readings (id INTEGER, what TEXT)"_qs, u"INSERT INTO readings VALUES (1, 'x')"_qs})
      << 4 << QString();
}

void tst_VandrelTool::journalIsOnlyRead() {
  // The tool reads the journal and changes nothing: a file it cannot read
  // as a journal is a message and status 4, and stays as it was, unmoved.
  QFETCH(QByteArray, contents);
  QTemporaryDir home;
  QVERIFY(QDir(home.path()).mkpath(u"vandrel"_qs));
  const QString path = home.filePath(u"vandrel/journal.sqlite"_qs);
  {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
  }
  const Run run = Tool({u"journal"_qs}, home.path());
  QTEST(run.Status, "status");
  QTEST(run.Out, "out");
  QCOMPARE(run.Err.isEmpty(), run.Status == 0);
  if (run.Status != 0)
    QVERIFY2(run.Err.contains(path), qPrintable(run.Err));
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), contents);
  QCOMPARE(QDir(home.filePath(u"vandrel"_qs)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
           QStringList{u"journal.sqlite"_qs});
}

void tst_VandrelTool::badArguments_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("named");
  QTest::newRow("no command") << QStringList{} << "missing command";
  QTest::newRow("unknown command") << QStringList{u"moon"_qs} << "moon";
  QTest::newRow("calendar without date") << QStringList{u"calendar"_qs} << "missing FROM";
  QTest::newRow("30 February") << QStringList{u"calendar"_qs, u"2024-02-30"_qs} << "2024-02-30";
  QTest::newRow("29 February of a century year") << QStringList{u"calendar"_qs, u"1900-02-29"_qs} << "1900-02-29";
  QTest::newRow("year 0") << QStringList{u"calendar"_qs, u"0000-12-31"_qs} << "0000-12-31";
  QTest::newRow("unpadded month") << QStringList{u"calendar"_qs, u"2024-2-01"_qs} << "2024-2-01";
  QTest::newRow("TO before FROM") << QStringList{u"calendar"_qs, u"2024-01-02"_qs, u"2024-01-01"_qs} << "before";
  QTest::newRow("third date") << QStringList{u"calendar"_qs, u"2024-01-01"_qs, u"2024-01-02"_qs, u"2024-01-03"_qs}
                              << "too many";
  QTest::newRow("--db for the calendar") << QStringList{u"calendar"_qs, u"--db"_qs, u"x"_qs} << "--db";
  QTest::newRow("month 13") << QStringList{u"month"_qs, u"2024-13"_qs} << "2024-13";
  QTest::newRow("two characters") << QStringList{u"divine"_qs, u"天"_qs, u"地"_qs} << "divine needs three";
  QTest::newRow("two characters in one edit")
      << QStringList{u"divine"_qs, u"天地"_qs, u"地"_qs, u"人"_qs} << "the first character";
  QTest::newRow("blank edit") << QStringList{u"divine"_qs, u"天"_qs, u" "_qs, u"人"_qs}
                              << "the second character is blank";
  QTest::newRow("character without GBK form") << QStringList{u"divine"_qs, u"天"_qs, u"地"_qs, u"😀"_qs} << "U+1F600";
  QTest::newRow("Korean syllable in TEXT") << QStringList{u"strokes"_qs, u"天한"_qs} << "U+D55C";
  QTest::newRow("empty TEXT") << QStringList{u"strokes"_qs, u""_qs} << "TEXT is empty";
  QTest::newRow("--db without path") << QStringList{u"strokes"_qs, u"天"_qs, u"--db"_qs} << "--db";
  QTest::newRow("unknown option") << QStringList{u"divine"_qs, u"--fast"_qs, u"天"_qs, u"地"_qs, u"人"_qs} << "--fast";
  QTest::newRow("--card without file") << QStringList{u"divine"_qs, u"天"_qs, u"地"_qs, u"人"_qs, u"--card"_qs}
                                       << "--card";
  QTest::newRow("--date not a day") << QStringList{u"divine"_qs,     u"--card"_qs, u"x.png"_qs, u"--date"_qs,
                                                   u"2024-02-30"_qs, u"天"_qs,     u"地"_qs,    u"人"_qs}
                                    << "2024-02-30";
  QTest::newRow("--card for strokes") << QStringList{u"strokes"_qs, u"--card=x.png"_qs, u"天"_qs} << "--card";
  QTest::newRow("journal with two searches") << QStringList{u"journal"_qs, u"天"_qs, u"地"_qs} << "too many";
  QTest::newRow("--json for divine") << QStringList{u"divine"_qs, u"--json"_qs, u"天"_qs, u"地"_qs, u"人"_qs}
                                     << "--json";
  QTest::newRow("三十 of a 29-day leap month") << QStringList{u"solar"_qs, u"2023"_qs, u"2"_qs, u"30"_qs, u"--leap"_qs}
                                               << "闰二月 of the lunar year 2023 has 29 days";
  QTest::newRow("year without a leap month")
      << QStringList{u"solar"_qs, u"2024"_qs, u"闰四月"_qs, u"初八"_qs} << "2024 has no leap month";
  QTest::newRow("leap month of another number")
      << QStringList{u"solar"_qs, u"2023"_qs, u"闰四月"_qs, u"初八"_qs} << "has 闰二月 as its leap month, not 闰四月";
  QTest::newRow("after the table") << QStringList{u"solar"_qs, u"2050"_qs, u"腊月"_qs, u"初八"_qs} << "outside";
  QTest::newRow("birthday running past the table, no partial list")
      << QStringList{u"birthday"_qs, u"腊月"_qs, u"初八"_qs, u"2049"_qs, u"2050"_qs} << "1900 to 2049";
  QTest::newRow("ics without -o") << QStringList{u"ics"_qs, u"2024-01-01"_qs, u"2024-12-31"_qs} << "-o";
  QTest::newRow("ics birthday cut short") << QStringList{u"ics"_qs,   u"2024-01-01"_qs, u"2024-12-31"_qs, u"-o"_qs,
                                                         u"x.ics"_qs, u"--birthday"_qs, u"妈妈"_qs,       u"4"_qs}
                                          << "--birthday needs NAME MONTH DAY";
  QTest::newRow("ics --leap without a birthday")
      << QStringList{u"ics"_qs, u"2024-01-01"_qs, u"2024-12-31"_qs, u"--leap"_qs, u"-o"_qs, u"x.ics"_qs} << "--leap";
  QTest::newRow("lunar month 13") << QStringList{u"solar"_qs, u"2024"_qs, u"13"_qs, u"1"_qs} << "bad lunar month";
  QTest::newRow("lunar day 31") << QStringList{u"birthday"_qs, u"4"_qs, u"31"_qs, u"2020"_qs, u"2021"_qs}
                                << "bad lunar day";
}

void tst_VandrelTool::badArguments() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, named);
  const Run run = Tool(arguments);
  QCOMPARE(run.Status, 1);
  QVERIFY(run.Out.isEmpty());
  QCOMPARE(Lines(run.Err).size(), 1);
  QVERIFY2(run.Err.contains(named), qPrintable(run.Err));
}

void tst_VandrelTool::help_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::newRow("tool") << QStringList{u"--help"_qs};
  QTest::newRow("calendar") << QStringList{u"calendar"_qs, u"--help"_qs};
  QTest::newRow("month, before a bad date") << QStringList{u"month"_qs, u"--help"_qs, u"2024-13"_qs};
  QTest::newRow("divine") << QStringList{u"divine"_qs, u"-h"_qs};
  QTest::newRow("strokes") << QStringList{u"strokes"_qs, u"--help"_qs};
  QTest::newRow("journal") << QStringList{u"journal"_qs, u"--help"_qs};
  QTest::newRow("birthday") << QStringList{u"birthday"_qs, u"--help"_qs};
  QTest::newRow("solar") << QStringList{u"solar"_qs, u"--help"_qs};
  QTest::newRow("ics") << QStringList{u"ics"_qs, u"--help"_qs};
}

void tst_VandrelTool::help() {
  QFETCH(QStringList, arguments);
  const Run run = Tool(arguments);
  QCOMPARE(run.Status, 0);
  QVERIFY(run.Out.startsWith(u"Usage: vandrel-tool"_qs));
  QVERIFY(run.Err.isEmpty());
}

QTEST_GUILESS_MAIN(tst_VandrelTool)
#include "tst_VandrelTool.moc"
