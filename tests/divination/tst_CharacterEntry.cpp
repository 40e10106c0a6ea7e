// The divination window's rules without the window: its introduction, what
// an edit keeps of a change, and the stroke note over an edit.

#include "CharacterEntry.h"
#include "Gbk.h"
#include "SignDatabase.h"
#include "SignFileFixture.h"

#include <QFile>
#include <QTest>

class tst_CharacterEntry : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { WriteSignFile(); }
  void introduction();
  void fitEditText_data();
  void fitEditText();
  void strokeNote_data();
  void strokeNote();
  void cleanupTestCase() { QFile::remove(SignFile()); }
};

void tst_CharacterEntry::introduction() {
  const QStringList lines = IntroductionText.split(u'\r');
  QVERIFY(!IntroductionText.contains(u'\n'));
  QCOMPARE(lines.size(), 13);
  QCOMPARE(lines.first(), u"    "_qs);
  QCOMPARE(lines.last(), u"   注意：输入简体中文还是繁体中文，笔画数均按繁体笔画数计算。"_qs);
  // Paragraphs begin with three spaces; empty lines follow the first,
  // second and fourth paragraph.
  int paragraphs = 0;
  QList<int> emptyAfter;
  for (const QString &line : lines.sliced(1)) {
    QVERIFY2(Gbk::ToGbk(line).value().size() <= 78, qPrintable(line));
    if (line.isEmpty())
      emptyAfter += paragraphs;
    else if (line.startsWith(u"   ") && !line.startsWith(u"    "))
      ++paragraphs;
  }
  QCOMPARE(paragraphs, 5);
  QCOMPARE(emptyAfter, (QList<int>{1, 2, 4}));
  QVERIFY(IntroductionText.contains(u"三百八十四"));
}

void tst_CharacterEntry::fitEditText_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("after");
  QTest::addColumn<QString>("shown");
  QTest::newRow("one character fits") << QString() << u"天"_qs << u"天"_qs;
  QTest::newRow("typing into a full edit") << u"天"_qs << u"天地"_qs << u"天"_qs;
  QTest::newRow("typing before the character") << u"天"_qs << u"地天"_qs << u"天"_qs;
  QTest::newRow("paste cut to one character") << QString() << u"天地人"_qs << u"天"_qs;
  QTest::newRow("paste cut before a half character") << u"a"_qs << u"a天"_qs << u"a"_qs;
  QTest::newRow("two one-byte characters fit") << QString() << u"ab"_qs << u"ab"_qs;
  QTest::newRow("replacing the selection") << u"天"_qs << u"地人"_qs << u"地"_qs;
  QTest::newRow("no GBK form refused") << QString() << u"😀"_qs << QString();
  QTest::newRow("deleting") << u"天"_qs << QString() << QString();
}

void tst_CharacterEntry::fitEditText() {
  QFETCH(QString, before);
  QFETCH(QString, after);
  QFETCH(QString, shown);
  QCOMPARE(FitEditText(before, after), shown);
}

void tst_CharacterEntry::strokeNote_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("note");
  QTest::newRow("its own form") << u"天"_qs << u"天 4画"_qs;
  QTest::newRow("a merged traditional form") << u"云"_qs << u"雲 12画"_qs;
  QTest::newRow("typed traditional") << u"雲"_qs << u"无此字"_qs; // the fixture lists 云 only
  QTest::newRow("no row") << u"☆"_qs << u"无此字"_qs;
  QTest::newRow("one-byte text") << u"a"_qs << u"无此字"_qs;
  QTest::newRow("wildcard is no character") << u"%"_qs << u"无此字"_qs;
  QTest::newRow("blank") << u" "_qs << QString();
  QTest::newRow("empty") << QString() << QString();
}

void tst_CharacterEntry::strokeNote() {
  QFETCH(QString, text);
  QFETCH(QString, note);
  QCOMPARE(StrokeNote(text), note);
}

QTEST_GUILESS_MAIN(tst_CharacterEntry)
#include "tst_CharacterEntry.moc"
