#include "SignDatabase.h"
#include "SignNumber.h"
#include "SilentAbort.h"

#include <QSet>
#include <QTest>

// No KelmFile.dll lies next to this test: a lookup that runs ends in
// SilentAbort, and the lookup observer counts every lookup that starts.
class tst_SignNumber : public QObject {
  Q_OBJECT

private slots:
  void init() {
    Lookups = 0;
    SetLookupObserver([this](const QByteArray &) { ++Lookups; });
  }
  void cleanup() { SetLookupObserver({}); }
  void workedValues_data();
  void workedValues();
  void everyDigitTriple();
  void blankArgumentLooksNothingUp_data();
  void blankArgumentLooksNothingUp();
  void lookupFailureEndsTheAction();

private:
  int Lookups = 0;
};

void tst_SignNumber::workedValues_data() {
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("second");
  QTest::addColumn<int>("third");
  QTest::addColumn<QByteArray>("sign");
  QTest::newRow("528 folds by 384") << 5 << 12 << 8 << QByteArray("144");
  QTest::newRow("tens read as one") << 10 << 20 << 30 << QByteArray("111");
  QTest::newRow("absent characters read as one") << 0 << 0 << 0 << QByteArray("111");
  QTest::newRow("fold at 768") << 7 << 16 << 8 << QByteArray("000");
  QTest::newRow("fold at 384") << 3 << 8 << 4 << QByteArray("000");
  QTest::newRow("two leading zeros") << 7 << 7 << 7 << QByteArray("009");
  QTest::newRow("one leading zero") << 4 << 4 << 4 << QByteArray("060");
  QTest::newRow("768 tested before 384") << 9 << 9 << 9 << QByteArray("231");
  QTest::newRow("largest, no fold") << 3 << 8 << 3 << QByteArray("383");
  QTest::newRow("largest, after fold") << 7 << 6 << 7 << QByteArray("383");
  QTest::newRow("large counts use the last digit") << 123 << 45 << 67 << QByteArray("357");
  QTest::newRow("negative count uses its magnitude") << -5 << -12 << -10 << QByteArray("137");
  QTest::newRow("extreme counts") << INT_MIN << INT_MAX << 0 << QByteArray("103");
}

void tst_SignNumber::workedValues() {
  QFETCH(int, first);
  QFETCH(int, second);
  QFETCH(int, third);
  QFETCH(QByteArray, sign);
  QCOMPARE(SignNumberOf(first, second, third), sign);
}

void tst_SignNumber::everyDigitTriple() {
  // Every sign 000..383 but four is reached, by one to three triples each.
  QMap<QByteArray, int> reached;
  for (int a = 1; a <= 9; ++a)
    for (int b = 1; b <= 9; ++b)
      for (int c = 1; c <= 9; ++c) {
        const QByteArray sign = SignNumberOf(a, b, c);
        QCOMPARE(sign.size(), 3);
        QVERIFY(sign.toInt() >= 0 && sign.toInt() <= 383);
        ++reached[sign];
      }
  QCOMPARE(reached.size(), 380);
  for (const char *never : {"022", "036", "306", "320"})
    QVERIFY2(!reached.contains(never), never);
  for (int count : std::as_const(reached))
    QVERIFY(count >= 1 && count <= 3);
}

void tst_SignNumber::blankArgumentLooksNothingUp_data() {
  QTest::addColumn<QByteArray>("first");
  QTest::addColumn<QByteArray>("second");
  QTest::addColumn<QByteArray>("third");
  const QByteArray tian("\xCC\xEC");
  QTest::newRow("first empty") << QByteArray() << tian << tian;
  QTest::newRow("second blanks") << tian << QByteArray("  ") << tian;
  QTest::newRow("third control bytes") << tian << tian << QByteArray("\t\r\n\x01 ");
  QTest::newRow("last blank after two good ones") << tian << tian << QByteArray(" ");
}

void tst_SignNumber::blankArgumentLooksNothingUp() {
  QFETCH(QByteArray, first);
  QFETCH(QByteArray, second);
  QFETCH(QByteArray, third);
  QCOMPARE(GetSignNumber(first, second, third, GetStrokeCount), QByteArray());
  QCOMPARE(Lookups, 0);
}

void tst_SignNumber::lookupFailureEndsTheAction() {
  // The first lookup fails; the second and third never start.
  QVERIFY_THROWS_EXCEPTION(SilentAbort, GetSignNumber("\xCC\xEC", "\xB5\xD8", "\xC8\xCB", GetStrokeCount));
  QCOMPARE(Lookups, 1);
}

QTEST_APPLESS_MAIN(tst_SignNumber)
#include "tst_SignNumber.moc"
