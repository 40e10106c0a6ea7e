#include "Descramble.h"
#include "Desktop.h"
#include "SignScramble.h"

#include <QRandomGenerator>
#include <QTest>

class tst_Descramble : public QObject {
  Q_OBJECT

private slots:
  void init();
  void hexToText_data();
  void hexToText();
  void transformIsChainedAndKeyed();
  void shortTextsAndNoCyclesPassThrough_data();
  void shortTextsAndNoCyclesPassThrough();
  void everyByteValueSurvives();
  void roundTripThroughScrambler();

private:
  int Beeps = 0;
  const Seam<void()>::Override CountedBeep{Desktop::Beep, [this] { ++Beeps; }};
};

void tst_Descramble::init() { Beeps = 0; }

void tst_Descramble::hexToText_data() {
  QTest::addColumn<QByteArray>("stored");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("badPairs");
  QTest::newRow("empty") << QByteArray() << QByteArray() << 0;
  QTest::newRow("one character") << QByteArray("4") << QByteArray() << 0;
  QTest::newRow("odd length, last ignored") << QByteArray("414") << QByteArray("A") << 0;
  QTest::newRow("bad first pair") << QByteArray("4G42") << QByteArray("B") << 1;
  QTest::newRow("three bad pairs") << QByteArray("zz41 x--") << QByteArray("A") << 3;
  QTest::newRow("lower case") << QByteArray("6a") << QByteArray("\x6A") << 0;
  QTest::newRow("upper case") << QByteArray("6A") << QByteArray("\x6A") << 0;
  QTest::newRow("nul and ff") << QByteArray("00FF") << QByteArray("\x00\xFF", 2) << 0;
  QTest::newRow("sign is no digit") << QByteArray("-1+1") << QByteArray() << 2;
  QTest::newRow("blank is no digit") << QByteArray(" 1") << QByteArray() << 1;
  QTest::newRow("pairs never shift after a bad one") << QByteArray("4x414") << QByteArray("\x41") << 1;
}

void tst_Descramble::hexToText() {
  QFETCH(QByteArray, stored);
  QFETCH(QByteArray, bytes);
  QFETCH(int, badPairs);
  qsizetype reported = -1;
  QCOMPARE(HexToText(stored, &reported), bytes);
  QCOMPARE(reported, qsizetype(badPairs));
  QCOMPARE(Beeps, 0); // the decoder leaves the beep to its caller
}

void tst_Descramble::transformIsChainedAndKeyed() {
  // Worked by hand with key 0x0102 (H = 1, L = 2) and one cycle over 10 20 30:
  // forward: b1 = (10 + 20) ^ 1 = 31, b2 = (31 + 30) ^ 1 = 60;
  // backward: b1 = (60 + 31) ^ 2 = 93, b0 = (93 + 10) ^ 2 = A1.
  QCOMPARE(DescrambleSignText("102030", 0x0102, 1), QByteArray("\xA1\x93\x60"));
  // Wrap-around modulo 256: forward FF + 02 = 01, backward 01 + FF = 00.
  QCOMPARE(DescrambleSignText("FF02", 0x0000, 1), QByteArray("\x00\x01", 2));
  // A second cycle runs both passes again over the first cycle's output.
  const QByteArray once = DescrambleSignText("102030", 0x0102, 1);
  QCOMPARE(DescrambleSignText("102030", 0x0102, 2), DescrambleSignText(once.toHex(), 0x0102, 1));
  QCOMPARE(Beeps, 0);
}

void tst_Descramble::shortTextsAndNoCyclesPassThrough_data() {
  QTest::addColumn<QByteArray>("stored");
  QTest::addColumn<int>("cycles");
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("one byte, seven cycles") << QByteArray("C8") << 7 << QByteArray("\xC8");
  QTest::newRow("zero cycles") << QByteArray("CCECB5D8") << 0 << QByteArray("\xCC\xEC\xB5\xD8");
  QTest::newRow("negative cycles") << QByteArray("CCECB5D8") << -5 << QByteArray("\xCC\xEC\xB5\xD8");
  QTest::newRow("most negative cycles") << QByteArray("0102") << std::numeric_limits<int>::min()
                                        << QByteArray("\x01\x02");
  QTest::newRow("empty, many cycles") << QByteArray() << 100 << QByteArray();
  QTest::newRow("one good pair among bad ones") << QByteArray("xx41yy") << 7 << QByteArray("A");
}

void tst_Descramble::shortTextsAndNoCyclesPassThrough() {
  QFETCH(QByteArray, stored);
  QFETCH(int, cycles);
  QFETCH(QByteArray, bytes);
  QCOMPARE(DescrambleSignText(stored, SignTextKey, cycles), bytes);
}

void tst_Descramble::everyByteValueSurvives() {
  QByteArray all(256, Qt::Uninitialized);
  for (int i = 0; i < 256; ++i)
    all[i] = static_cast<char>(i);
  const QByteArray restored =
      DescrambleSignText(ScrambleSignText(all, SignTextKey, SignTextCycles), SignTextKey, SignTextCycles);
  QCOMPARE(restored.size(), 256);
  QCOMPARE(restored, all);
}

void tst_Descramble::roundTripThroughScrambler() {
  QRandomGenerator random(0x5EED);
  const quint16 keys[] = {SignTextKey, 0, 0xFFFF, 0x00FF, 0xFF00, 0x1234};
  for (const quint16 key : keys) {
    for (int cycles = 0; cycles <= 10; ++cycles) {
      for (int trial = 0; trial < 20; ++trial) {
        QByteArray plain(random.bounded(0, 700), Qt::Uninitialized);
        for (char &byte : plain)
          byte = static_cast<char>(random.bounded(256));
        const QByteArray stored = ScrambleSignText(plain, key, cycles);
        QCOMPARE(stored.size(), plain.size() * 2);
        QCOMPARE(DescrambleSignText(stored, key, cycles), plain);
        // Stored texts may use either digit case.
        QCOMPARE(DescrambleSignText(stored.toLower(), key, cycles), plain);
      }
    }
  }
  QCOMPARE(Beeps, 0);
}

QTEST_APPLESS_MAIN(tst_Descramble)
#include "tst_Descramble.moc"
