#include "JetQuery.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

// The engine's answers that differ between mdbtools and Jet; the expected
// values are Jet's (ANSI-92 wildcards of the OLE DB provider).
class tst_JetQuery : public QObject {
  Q_OBJECT

private slots:
  void like_data();
  void like();
  void invalidPatternIsAnError();
  void agreesWithRegularExpressions();
  void dataSource_data();
  void dataSource();
  void missingFileFailsToOpen();
};

void tst_JetQuery::like_data() {
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("pattern");
  QTest::addColumn<bool>("matches");
  QTest::newRow("contained, middle") << u"大天小"_qs << u"%天%"_qs << true;
  QTest::newRow("contained, whole value") << u"天"_qs << u"%天%"_qs << true;
  QTest::newRow("not contained") << u"地人"_qs << u"%天%"_qs << false;
  QTest::newRow("empty value") << QString() << u"%天%"_qs << false;
  QTest::newRow("underscore is one character, not one byte") << u"天"_qs << u"_"_qs << true;
  QTest::newRow("underscore needs a character") << u"天地"_qs << u"天_地"_qs << false;
  QTest::newRow("underscore inside a run") << u"天人地"_qs << u"%天_地%"_qs << true;
  QTest::newRow("percent as argument matches all") << u"天"_qs << u"%%%"_qs << true;
  QTest::newRow("percent matches the empty text") << QString() << u"%%%"_qs << true;
  QTest::newRow("quote is an ordinary character") << u"a'b"_qs << u"%'%"_qs << true;
  QTest::newRow("doubled quote is two quotes here") << u"a'b"_qs << u"%''%"_qs << false;
  QTest::newRow("case ignored") << u"ABC"_qs << u"%b%"_qs << true;
  QTest::newRow("full-width letters fold too") << u"ＡＢ"_qs << u"%ｂ%"_qs << true;
  QTest::newRow("list") << u"x天y"_qs << u"%[地天]%"_qs << true;
  QTest::newRow("negated list") << u"天"_qs << u"[!天]"_qs << false;
  QTest::newRow("range") << u"m"_qs << u"[a-z]"_qs << true;
  QTest::newRow("range includes its first character") << u"a"_qs << u"[a-z]"_qs << true;
  QTest::newRow("range includes its last character") << u"z"_qs << u"[a-z]"_qs << true;
  QTest::newRow("hyphen closing a list is literal") << u"-"_qs << u"[a-]"_qs << true;
  QTest::newRow("letter before a closing hyphen") << u"a"_qs << u"[a-]"_qs << true;
  QTest::newRow("lone exclamation mark is literal") << u"!"_qs << u"[!]"_qs << true;
  QTest::newRow("bracket escapes a wildcard") << u"50%"_qs << u"%[%]"_qs << true;
  QTest::newRow("escaped wildcard is literal") << u"50"_qs << u"%[%]"_qs << false;
  QTest::newRow("empty list is the zero-length text") << u"天"_qs << u"天[]"_qs << true;
  QTest::newRow("backtracking over two runs") << u"天天地天人"_qs << u"%天%天人"_qs << true;
  QTest::newRow("trailing text must end the value") << u"天地人"_qs << u"%地"_qs << false;
  QTest::newRow("surrounding blanks count") << u" 天 "_qs << u"天"_qs << false;
  QTest::newRow("long value compared in full") << QString(300, u'人') + u'天' << u"%天%"_qs << true;
}

void tst_JetQuery::like() {
  QFETCH(QString, value);
  QFETCH(QString, pattern);
  QFETCH(bool, matches);
  QCOMPARE(JetLike(value, pattern), matches);
}

void tst_JetQuery::invalidPatternIsAnError() { QVERIFY_THROWS_EXCEPTION(JetError, JetLike(u"天", u"%[天%")); }

void tst_JetQuery::agreesWithRegularExpressions() {
  // Random patterns over a small alphabet against the same patterns written
  // as regular expressions (case-insensitive, anchored): the matcher's
  // backtracking over several % must find every match and no other.
  const QStringList tokens = {u"天"_qs, u"a"_qs, u"B"_qs, u"%"_qs, u"_"_qs, u"[a天]"_qs, u"[!天]"_qs, u"[]"_qs};
  const QStringList regex = {u"天"_qs, u"a"_qs, u"B"_qs, u".*"_qs, u"."_qs, u"[a天]"_qs, u"[^天]"_qs, QString()};
  const QString letters = u"天aAbB"_qs;
  QRandomGenerator random(20261208);
  for (int round = 0; round < 3000; ++round) {
    QString pattern, expression;
    for (int n = random.bounded(6); n >= 0; --n) {
      const int k = random.bounded(int(tokens.size()));
      pattern += tokens[k];
      expression += regex[k];
    }
    QString value;
    for (int n = random.bounded(7); n > 0; --n)
      value += letters[random.bounded(int(letters.size()))];
    const QRegularExpression reference(QRegularExpression::anchoredPattern(expression),
                                       QRegularExpression::CaseInsensitiveOption);
    QVERIFY2(JetLike(value, pattern) == reference.match(value).hasMatch(), qPrintable(value + u" like "_qs + pattern));
  }
}

void tst_JetQuery::dataSource_data() {
  QTest::addColumn<QString>("connection");
  QTest::addColumn<QString>("path");
  QTest::newRow("designed form")
      << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/v/KelmFile.dll;Persist Security Info=True"_qs
      << u"/opt/v/KelmFile.dll"_qs;
  QTest::newRow("name in other case, blanks") << u"data source = /a b/x.dll ;"_qs << u"/a b/x.dll"_qs;
  QTest::newRow("none") << u"Provider=Microsoft.Jet.OLEDB.4.0"_qs << QString();
}

void tst_JetQuery::dataSource() {
  QFETCH(QString, connection);
  QFETCH(QString, path);
  QCOMPARE(DataSourceOf(connection), path);
}

void tst_JetQuery::missingFileFailsToOpen() {
  JetQuery query;
  query.SetConnectionString(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/nonexistent/KelmFile.dll"_qs);
  query.SetSql("Select num from bihua");
  QVERIFY_THROWS_EXCEPTION(JetError, query.Open());
  QVERIFY(query.IsEmpty());
}

QTEST_APPLESS_MAIN(tst_JetQuery)
#include "tst_JetQuery.moc"
