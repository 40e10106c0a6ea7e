#include "MovieKinds.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QtEndian>

// The four movies as the build lays them out in the program's Flash folder,
// read as SWF files, and the lots the shrine movie compiles in.
class tst_Movies : public QObject {
  Q_OBJECT

private slots:
  void movieFile_data();
  void movieFile();
  void lotGlyphs();

private:
  struct Swf {
    int Version = 0;
    int WidthTwips = 0;
    int HeightTwips = 0;
    double FrameRate = 0;
    QList<int> Tags;
    QSet<char16_t> FontCharacters; // of every embedded DefineFont3
  };
  static std::optional<Swf> ReadSwf(const QByteArray &file);
};

std::optional<tst_Movies::Swf> tst_Movies::ReadSwf(const QByteArray &file) {
  if (file.size() < 8 || file.mid(1, 2) != "WS" || (file[0] != 'F' && file[0] != 'C'))
    return std::nullopt;
  Swf swf;
  swf.Version = quint8(file[3]);
  QByteArray body = file.mid(8);
  if (file[0] == 'C') {
    // zlib after the eight-byte header; qUncompress wants the length first.
    const quint32 length = qFromLittleEndian<quint32>(file.constData() + 4) - 8;
    QByteArray prefixed(4, '\0');
    qToBigEndian(length, prefixed.data());
    body = qUncompress(prefixed + body);
  }
  // RECT: 5 bits giving the field width, then four signed fields of it.
  const auto bit = [&](qsizetype n) { return (quint8(body[n / 8]) >> (7 - n % 8)) & 1; };
  const int width = int((quint8(body[0]) >> 3) & 31);
  qsizetype at = 5;
  int fields[4];
  for (int &field : fields) {
    int value = 0;
    for (int i = 0; i < width; ++i)
      value = (value << 1) | bit(at++);
    field = value;
  }
  swf.WidthTwips = fields[1] - fields[0];
  swf.HeightTwips = fields[3] - fields[2];
  qsizetype pos = (at + 7) / 8;
  swf.FrameRate = quint8(body[pos + 1]) + quint8(body[pos]) / 256.0;
  pos += 4;
  while (pos + 2 <= body.size()) {
    const quint16 header = qFromLittleEndian<quint16>(body.constData() + pos);
    pos += 2;
    const int code = header >> 6;
    qsizetype length = header & 0x3F;
    if (length == 0x3F) {
      length = qFromLittleEndian<quint32>(body.constData() + pos);
      pos += 4;
    }
    swf.Tags << code;
    if (code == 75) { // DefineFont3: id, flags, language, name, glyph offsets, then the code table
      const char *tag = body.constData() + pos;
      const quint8 flags = quint8(tag[2]);
      const bool wideOffsets = flags & 0x08;
      qsizetype p = 4 + 1 + quint8(tag[4]);
      const int glyphs = qFromLittleEndian<quint16>(tag + p);
      p += 2;
      const qsizetype tableStart = p;
      const qsizetype offsetSize = wideOffsets ? 4 : 2;
      const qsizetype codeTable = wideOffsets ? qFromLittleEndian<quint32>(tag + p + glyphs * offsetSize)
                                              : qFromLittleEndian<quint16>(tag + p + glyphs * offsetSize);
      for (qsizetype g = 0; g < glyphs; ++g)
        swf.FontCharacters.insert(qFromLittleEndian<quint16>(tag + tableStart + codeTable + 2 * g));
    }
    pos += length;
    if (code == 0)
      break;
  }
  return swf;
}

void tst_Movies::movieFile_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("shown"); // characters the movie's texts show
  QTest::newRow("0 eye shapes") << 0 << QStringLiteral("眼型占卜丹凤杏桃花邃");
  QTest::newRow("1 palm") << 1 << QStringLiteral("手相生命智慧感情线");
  QTest::newRow("2 lots") << 2 << QStringLiteral("拜佛求签第十百上下页解曰典故");
  QTest::newRow("3 blocks") << 3 << QStringLiteral("土地圣杯笑阴掷");
}

void tst_Movies::movieFile() {
  QFETCH(int, kind);
  QFETCH(QString, shown);
  const MovieKindRow row = *FindMovieKind(kind);
  QFile file(MoviePath(QStringLiteral(VANDREL_APP_DIR "/"), row));
  QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
  const std::optional<Swf> swf = ReadSwf(file.readAll());
  QVERIFY(swf);
  QVERIFY(swf->Version >= 10);
  // The stage the window shows whole: 674 x 477 pixels, 20 twips each.
  QCOMPARE(swf->WidthTwips, 674 * 20);
  QCOMPARE(swf->HeightTwips, 477 * 20);
  QCOMPARE(swf->FrameRate, 30.0);
  QVERIFY2(swf->Tags.contains(82), "no ActionScript 3 code (DoABC)");
  QVERIFY2(swf->Tags.contains(75), "no embedded font (DefineFont3)");
  // Every character the movie shows has a glyph in its embedded subset:
  // a missing one would be drawn as nothing.
  for (QChar c : shown)
    QVERIFY2(swf->FontCharacters.contains(c.unicode()), qPrintable(QStringLiteral("no glyph for %1").arg(c)));
  QVERIFY(swf->FontCharacters.contains(u'0'));
}

void tst_Movies::lotGlyphs() {
  // The slip shows every character of every lot (data/lots.txt, compiled in
  // by the build): each must have a glyph in the shrine movie's font subset.
  QFile lots(QStringLiteral(VANDREL_SOURCE_DIR "/data/lots.txt"));
  QVERIFY(lots.open(QIODevice::ReadOnly | QIODevice::Text));
  QFile movie(MoviePath(QStringLiteral(VANDREL_APP_DIR "/"), *FindMovieKind(2)));
  QVERIFY(movie.open(QIODevice::ReadOnly));
  const std::optional<Swf> swf = ReadSwf(movie.readAll());
  QVERIFY(swf);
  int records = 0;
  for (const QString &line : QString::fromUtf8(lots.readAll()).split(u'\n')) {
    if (line.isEmpty() || line.startsWith(u'#'))
      continue;
    ++records;
    for (QChar c : line)
      if (c.unicode() > 127)
        QVERIFY2(swf->FontCharacters.contains(c.unicode()),
                 qPrintable(QStringLiteral("no glyph for %1 of lot %2").arg(c).arg(line.left(3))));
  }
  QCOMPARE(records, 100);
}

QTEST_GUILESS_MAIN(tst_Movies)
#include "tst_Movies.moc"
