// The slip: how a sign's words are split into the slip's parts, the date
// line, and the files it is written to.

#include "SignSlip.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QString FullText = u"春潮初涨锦鳞肥，一跃波心溅日晖；险滩急浪浑闲事，满身金彩逐流飞。典故：孟母三迁择邻。"
                         "解曰：时运亨通，正当奋进。家宅：平安，宜修旧。自身：得意。求财：正财可得。婚姻：可成。"
                         "六甲：宜静养，勤产检。功名：有望。出行：顺利。行人：月内有信。疾病：宜就医调治。"
                         "诉讼：宜和解。失物：寻于东北可得。移徙：吉。"_qs;

SignSlip Sample() {
  SignSlip slip;
  slip.signNumber = u"078"_qs;
  slip.words = ParseSignWords(u"锦鲤跃波（上上签）"_qs, FullText);
  slip.characters = {SlipCharacter{u"天"_qs, u"天"_qs, 4}, SlipCharacter{u"发"_qs, u"發"_qs, 12},
                     SlipCharacter{u"人"_qs, u"人"_qs, 2}};
  slip.date = QDate(2024, 2, 10);
  return slip;
}

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

} // namespace

class tst_SignSlip : public QObject {
  Q_OBJECT

private slots:
  void parse_data();
  void parse();
  void dateLine_data();
  void dateLine();
  void pictureAndPage();
  void refusedFiles_data();
  void refusedFiles();
  void onlyRegularFilesReplaced_data();
  void onlyRegularFilesReplaced();
  void failedWriteKeepsTheOldFile();
};

void tst_SignSlip::parse_data() {
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("grade");
  QTest::addColumn<QStringList>("verse");
  QTest::addColumn<QString>("story");
  QTest::addColumn<QString>("reading");
  QTest::addColumn<int>("matters");
  const QStringList verse = {u"春潮初涨锦鳞肥"_qs, u"一跃波心溅日晖"_qs, u"险滩急浪浑闲事"_qs, u"满身金彩逐流飞"_qs};
  QTest::newRow("every part") << u"锦鲤跃波（上上签）"_qs << FullText << u"锦鲤跃波"_qs << u"上上签"_qs << verse
                              << u"孟母三迁择邻"_qs << u"时运亨通，正当奋进。"_qs << 12;
  QTest::newRow("verse and reading only")
      << u"大雪压竹（下签）"_qs << u"春潮初涨锦鳞肥，一跃波心溅日晖；险滩急浪浑闲事，满身金彩逐流飞。解曰：宜守。"_qs
      << u"大雪压竹"_qs << u"下签"_qs << verse << QString() << u"宜守。"_qs << 0;
  QTest::newRow("title without grade, blanks around")
      << u"  天地人签 "_qs << u"天高地厚，人在其中。"_qs << u"天地人签"_qs << QString() << QStringList() << QString()
      << u"天高地厚，人在其中。"_qs << 0;
  QTest::newRow("text of no known shape is kept whole")
      << u"某签（中平签）"_qs << u"一句话"_qs << u"某签"_qs << u"中平签"_qs << QStringList() << QString()
      << u"一句话"_qs << 0;
  QTest::newRow("words of no verse shape before 解曰 are kept")
      << u"某签（中平签）"_qs << u"一句话。解曰：宜守。"_qs << u"某签"_qs << u"中平签"_qs << QStringList() << QString()
      << u"一句话。宜守。"_qs << 0;
  QTest::newRow("empty") << QString() << QString() << QString() << QString() << QStringList() << QString() << QString()
                         << 0;
  QTest::newRow("a matter missing keeps the others")
      << u"锦鲤跃波（上上签）"_qs << QString(FullText).remove(u"婚姻：可成。"_qs) << u"锦鲤跃波"_qs << u"上上签"_qs
      << verse << u"孟母三迁择邻"_qs << u"时运亨通，正当奋进。"_qs << 11;
}

void tst_SignSlip::parse() {
  QFETCH(QString, title);
  QFETCH(QString, text);
  const SignWords words = ParseSignWords(title, text);
  QTEST(words.name, "name");
  QTEST(words.grade, "grade");
  QTEST(words.verse, "verse");
  QTEST(words.story, "story");
  QTEST(words.reading, "reading");
  QTEST(int(words.matters.size()), "matters");
  if (words.matters.size() == 12) {
    QCOMPARE(words.matters.first(), qMakePair(u"家宅"_qs, u"平安，宜修旧"_qs));
    QCOMPARE(words.matters.last(), qMakePair(u"移徙"_qs, u"吉"_qs));
  }
}

void tst_SignSlip::dateLine_data() {
  QTest::addColumn<QDate>("date");
  QTest::addColumn<QString>("line");
  QTest::newRow("new year's day of the lunar year")
      << QDate(2024, 2, 10) << u"2024年2月10日　农历正月初一　甲辰年 丙寅月 甲辰日"_qs;
  QTest::newRow("leap month") << QDate(2023, 3, 22) << u"2023年3月22日　农历闰二月初一　癸卯年 乙卯月 己卯日"_qs;
  QTest::newRow("last day of the table") << QDate(2050, 12, 31)
                                         << u"2050年12月31日　农历冬月十八　庚午年 戊子月 乙酉日"_qs;
  QTest::newRow("after the table: no lunar part") << QDate(2051, 1, 1) << u"2051年1月1日"_qs;
  QTest::newRow("before the table: no lunar part") << QDate(1900, 12, 31) << u"1900年12月31日"_qs;
  QTest::newRow("no date") << QDate() << QString();
}

void tst_SignSlip::dateLine() {
  QFETCH(QDate, date);
  QTEST(SlipDateLine(date), "line");
}

void tst_SignSlip::pictureAndPage() {
  QTemporaryDir folder;
  const QString png = folder.filePath(u"slip.png"_qs);
  const QString pdf = folder.filePath(u"slip.PDF"_qs);
  QCOMPARE(WriteSlipFile(Sample(), png), QString());
  QCOMPARE(WriteSlipFile(Sample(), pdf), QString());
  const QImage image(png);
  QCOMPARE(image.size(), QSize(2 * SlipWidth, 2 * SlipHeight));
  // The paper fills the corners; the frame is cinnabar.
  QCOMPARE(image.pixelColor(2, 2), QColor(0xF4, 0xE9, 0xD2));
  QCOMPARE(image.pixelColor(2 * 14, 2 * 400).red() > 140 && image.pixelColor(2 * 14, 2 * 400).green() < 80, true);
  // The same slip paints the same picture.
  QImage painted = PaintSlipImage(Sample());
  painted.setDevicePixelRatio(1);
  QCOMPARE(painted, image.convertToFormat(QImage::Format_RGB32));
  QFile page(pdf);
  QVERIFY(page.open(QIODevice::ReadOnly));
  QVERIFY(page.readAll().startsWith("%PDF-"));
  QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2); // no temporary left
}

void tst_SignSlip::refusedFiles_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("unknown ending") << u"slip.jpg"_qs;
  QTest::newRow("no ending") << u"slip"_qs;
  QTest::newRow("folder that does not exist") << u"missing/slip.png"_qs;
}

void tst_SignSlip::refusedFiles() {
  QFETCH(QString, name);
  QTemporaryDir folder;
  QVERIFY(!WriteSlipFile(Sample(), folder.filePath(name)).isEmpty());
  QVERIFY(QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

void tst_SignSlip::onlyRegularFilesReplaced_data() {
  // What the name is, made by the test; whether a slip may replace it.
  QTest::addColumn<QString>("kind");
  QTest::addColumn<bool>("written");
  QTest::newRow("regular file") << u"file"_qs << true;
  QTest::newRow("link to a regular file") << u"link to file"_qs << true;
  QTest::newRow("FIFO") << u"fifo"_qs << false;
  QTest::newRow("link to a FIFO") << u"link to fifo"_qs << false;
  QTest::newRow("link to a device") << u"link to device"_qs << false;
  QTest::newRow("link to a folder") << u"link to folder"_qs << false;
  QTest::newRow("dangling link") << u"dangling link"_qs << false;
}

void tst_SignSlip::onlyRegularFilesReplaced() {
  QFETCH(QString, kind);
  QFETCH(bool, written);
  QTemporaryDir folder;
  const QString slip = folder.filePath(u"slip.png"_qs);
  const QString file = folder.filePath(u"old.png"_qs);
  const QString fifo = folder.filePath(u"fifo.png"_qs);
  QFile old(file);
  QVERIFY(old.open(QIODevice::WriteOnly));
  old.write("old");
  old.close();
  QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  QTemporaryDir devices;
  const QString device = TestDevice(devices.path());
  QVERIFY(!device.isEmpty());
  const QMap<QString, QString> links = {{u"link to file"_qs, file},
                                        {u"link to fifo"_qs, fifo},
                                        {u"link to device"_qs, device},
                                        {u"link to folder"_qs, folder.path()},
                                        {u"dangling link"_qs, folder.filePath(u"nothing.png"_qs)}};
  const QString target = kind == u"file"_qs ? file : kind == u"fifo"_qs ? fifo : slip;
  if (links.contains(kind))
    QVERIFY(QFile::link(links[kind], slip));
  const QFileInfo before(target);
  const QString problem = WriteSlipFile(Sample(), target);
  QCOMPARE(problem.isEmpty(), written);
  const QFileInfo after(target);
  if (written) {
    QCOMPARE(QImage(target).size(), QSize(2 * SlipWidth, 2 * SlipHeight));
  } else {
    QVERIFY(problem.contains(target));
    QCOMPARE(after.isSymLink(), before.isSymLink()); // the name itself is left as it was
    QCOMPARE(after.symLinkTarget(), before.symLinkTarget());
    QCOMPARE(QFileInfo(fifo).isFile(), false);
    QVERIFY(QFileInfo::exists(device) && !QFileInfo(device).isFile());
  }
  // The old file keeps its bytes unless it was the one written, and no
  // temporary is left.
  if (target != file && kind != u"link to file"_qs) {
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
  }
  QStringList names = QDir(folder.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  names.removeAll(u"slip.png"_qs);
  QCOMPARE(names, (QStringList{u"fifo.png"_qs, u"old.png"_qs}));
}

void tst_SignSlip::failedWriteKeepsTheOldFile() {
  // A target that is a folder cannot be replaced: it stays as it was.
  QTemporaryDir folder;
  QVERIFY(QDir(folder.path()).mkdir(u"slip.png"_qs));
  QVERIFY(!WriteSlipFile(Sample(), folder.filePath(u"slip.png"_qs)).isEmpty());
  QVERIFY(QFileInfo(folder.filePath(u"slip.png"_qs)).isDir());
}

QTEST_MAIN(tst_SignSlip)
#include "tst_SignSlip.moc"
