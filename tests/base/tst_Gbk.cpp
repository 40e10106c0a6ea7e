#include "Gbk.h"

#include <QTest>

using namespace Gbk;

class tst_Gbk : public QObject {
  Q_OBJECT

private slots:
  void toGbk_data();
  void toGbk();
  void unencodableCharactersAreRefused_data();
  void unencodableCharactersAreRefused();
  void fromGbkMarksDamage_data();
  void fromGbkMarksDamage();
  void roundTripOfEveryDoubleByteCode();
  void trimBytes_data();
  void trimBytes();
  void copyBytes_data();
  void copyBytes();
};

void tst_Gbk::toGbk_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QByteArray>("bytes");
  // Known code points of code page 936.
  QTest::newRow("empty") << QString() << QByteArray();
  QTest::newRow("ascii") << QStringLiteral("Abc 1") << QByteArray("Abc 1");
  QTest::newRow("tian di ren") << QStringLiteral("天地人") << QByteArray("\xCC\xEC\xB5\xD8\xC8\xCB");
  QTest::newRow("traditional in GBK") << QStringLiteral("發") << QByteArray("\xB0\x6C");
  QTest::newRow("full-width colon") << QStringLiteral("：") << QByteArray("\xA3\xBA");
  QTest::newRow("euro of cp936") << QStringLiteral("€") << QByteArray("\x80");
  QTest::newRow("longer than the converter's buffer") << QString(3000, u'天') << QByteArray("\xCC\xEC").repeated(3000);
}

void tst_Gbk::toGbk() {
  QFETCH(QString, text);
  QFETCH(QByteArray, bytes);
  const std::optional<QByteArray> encoded = ToGbk(text);
  QVERIFY(encoded.has_value());
  QCOMPARE(*encoded, bytes);
  QCOMPARE(FromGbk(bytes), text);
}

void tst_Gbk::unencodableCharactersAreRefused_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("emoji") << QStringLiteral("天\U0001F600");
  QTest::newRow("hangul") << QStringLiteral("한");
  QTest::newRow("extension b ideograph") << QStringLiteral("\U00020000");
  QTest::newRow("lone surrogate") << QString(QChar(0xD800));
  QTest::newRow("replacement character") << QStringLiteral("\uFFFD");
}

void tst_Gbk::unencodableCharactersAreRefused() {
  QFETCH(QString, text);
  QVERIFY(!ToGbk(text).has_value());
  QVERIFY(!IsGbkEncodable(text));
}

void tst_Gbk::fromGbkMarksDamage_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("text");
  QTest::newRow("lone lead byte at end") << QByteArray("\xCC\xEC\xCC") << QStringLiteral("天\uFFFD");
  QTest::newRow("lead byte before a blank") << QByteArray("\xCC b") << QStringLiteral("\uFFFD b");
  QTest::newRow("0xFF") << QByteArray("a\xFF"
                                      "b")
                        << QStringLiteral("a\uFFFDb");
  QTest::newRow("nul kept") << QByteArray("a\0b", 3) << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
}

void tst_Gbk::fromGbkMarksDamage() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, text);
  QCOMPARE(FromGbk(bytes), text);
}

void tst_Gbk::roundTripOfEveryDoubleByteCode() {
  // Every two-byte code the converter accepts comes back as the same bytes.
  int decoded = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F)
        continue;
      const QByteArray bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const QString text = FromGbk(bytes);
      if (text.contains(QChar::ReplacementCharacter))
        continue;
      ++decoded;
      const std::optional<QByteArray> back = ToGbk(text);
      QVERIFY2(back && *back == bytes, bytes.toHex().constData());
    }
  }
  QVERIFY(decoded > 21000);
}

void tst_Gbk::trimBytes_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QByteArray>("trimmed");
  QTest::newRow("empty") << QByteArray() << QByteArray();
  QTest::newRow("only blanks") << QByteArray(" \t\r\n ") << QByteArray();
  QTest::newRow("nul and control bytes") << QByteArray("\0\x01\x1F"
                                                       "a b\x20\x0B",
                                                       8)
                                         << QByteArray("a b");
  QTest::newRow("inner blanks kept") << QByteArray("  天 地  ") << QByteArray("天 地");
  QTest::newRow("byte 33 kept") << QByteArray("!a!") << QByteArray("!a!");
  QTest::newRow("high bytes kept") << QByteArray(" \xA1\xA1 ") << QByteArray("\xA1\xA1");
}

void tst_Gbk::trimBytes() {
  QFETCH(QByteArray, text);
  QFETCH(QByteArray, trimmed);
  QCOMPARE(TrimBytes(text), trimmed);
}

void tst_Gbk::copyBytes_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<int>("index");
  QTest::addColumn<int>("count");
  QTest::addColumn<QByteArray>("copy");
  const QByteArray six("\xCC\xEC\xB5\xD8\xC8\xCB");
  QTest::newRow("first character") << six << 1 << 2 << QByteArray("\xCC\xEC");
  QTest::newRow("third character") << six << 5 << 2 << QByteArray("\xC8\xCB");
  QTest::newRow("runs past the end") << QByteArray("abcde") << 5 << 2 << QByteArray("e");
  QTest::newRow("starts past the end") << QByteArray("abcd") << 5 << 2 << QByteArray();
  QTest::newRow("straddles a character") << six << 2 << 2 << QByteArray("\xEC\xB5");
  QTest::newRow("index below one counts as one") << QByteArray("abc") << 0 << 2 << QByteArray("ab");
  QTest::newRow("zero count") << QByteArray("abc") << 1 << 0 << QByteArray();
  QTest::newRow("empty text") << QByteArray() << 1 << 2 << QByteArray();
}

void tst_Gbk::copyBytes() {
  QFETCH(QByteArray, text);
  QFETCH(int, index);
  QFETCH(int, count);
  QFETCH(QByteArray, copy);
  QCOMPARE(CopyBytes(text, index, count), copy);
}

QTEST_APPLESS_MAIN(tst_Gbk)
#include "tst_Gbk.moc"
