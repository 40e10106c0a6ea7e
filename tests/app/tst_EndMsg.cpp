#include "EndMsg.h"
#include "ErrorHandler.h"
#include "StartPage.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

// The exit confirmation and the start-page offer, against a settings file of
// the test's own.
class tst_EndMsg : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void layout();
  void offerFollowsTheStoredStartPage_data();
  void offerFollowsTheStoredStartPage();
  void yesWritesTheOfferOnlyWhenTicked_data();
  void yesWritesTheOfferOnlyWhenTicked();
  void noWritesNothingAndDeclines();
  void otherKeysSurviveAWrite();
  void valueOfTheWrongTypeStillOpensTheDialog();
  void failedWriteIsReportedAndDoesNotQuit();
  void readOnlyStoreIsReportedAndKeptWhole();
  void confirmExitBuildsAFreshDialogEachTime();
  void closingOtherwiseCountsAsNo();

private:
  QString StoredValue();
  void Store(const QVariant &value);

  std::unique_ptr<QTemporaryDir> Dir;
  QString File;
  QStringList Reported;
};

void tst_EndMsg::init() {
  Dir = std::make_unique<QTemporaryDir>();
  File = Dir->filePath(QStringLiteral("InternetExplorer.ini"));
  SetStartPageStoreFile(File);
  Reported.clear();
  SetErrorReporter([this](const QString &message, const QString &) { Reported << message; });
}

void tst_EndMsg::cleanup() {
  SetStartPageStoreFile(QString());
  SetErrorReporter({});
}

QString tst_EndMsg::StoredValue() {
  QSettings store(File, QSettings::IniFormat);
  return store.value(QStringLiteral("Main/Start Page"), QStringLiteral("<none>")).toString();
}

void tst_EndMsg::Store(const QVariant &value) {
  QSettings store(File, QSettings::IniFormat);
  store.setValue(QStringLiteral("Main/Start Page"), value);
}

void tst_EndMsg::layout() {
  TFrmMsG dialog;
  QCOMPARE(dialog.windowTitle(), QStringLiteral("退出系统"));
  QCOMPARE(dialog.size(), QSize(236, 101));
  QCOMPARE(dialog.pos(), QPoint(500, 303));
  QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
  QVERIFY(!(dialog.windowFlags() & Qt::WindowSystemMenuHint));
  auto *yes = dialog.findChild<QPushButton *>(QStringLiteral("Button1"));
  auto *no = dialog.findChild<QPushButton *>(QStringLiteral("Button2"));
  auto *box = dialog.findChild<QCheckBox *>(QStringLiteral("CheckBox1"));
  QCOMPARE(yes->text(), QStringLiteral("是(&Y)"));
  QCOMPARE(no->text(), QStringLiteral("否(&N)"));
  QCOMPARE(box->text(), QStringLiteral("设2345万能网址大全为首页"));
  QCOMPARE(yes->geometry(), QRect(40, 69, 82, 25));
  QCOMPARE(no->geometry(), QRect(136, 69, 82, 25));
  QCOMPARE(box->geometry(), QRect(64, 44, 169, 17));
  // Tab order: Yes, No, the check box.
  QList<QWidget *> order;
  for (QWidget *w = yes; order.size() < 3; w = w->nextInFocusChain())
    if (w->focusPolicy() & Qt::TabFocus)
      order << w;
  QCOMPARE(order, (QList<QWidget *>{yes, no, box}));
  // Access keys Y and N.
  QCOMPARE(yes->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Y));
  QCOMPARE(no->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
  QVERIFY(QByteArray(OfferedStartPage).endsWith("/?400"));
}

void tst_EndMsg::offerFollowsTheStoredStartPage_data() {
  QTest::addColumn<QVariant>("stored");
  QTest::addColumn<bool>("offered");
  const QString offer = QString::fromLatin1(OfferedStartPage);
  QTest::newRow("no value") << QVariant() << true;
  QTest::newRow("equal") << QVariant(offer) << false;
  QTest::newRow("equal within blanks and control bytes")
      << QVariant(QStringLiteral(" \t") + offer + QStringLiteral("\r\n")) << false;
  QTest::newRow("other letter case") << QVariant(offer.toUpper()) << true;
  QTest::newRow("other page") << QVariant(QStringLiteral("about:blank")) << true;
  QTest::newRow("offer with more after it") << QVariant(offer + QStringLiteral("1")) << true;
}

void tst_EndMsg::offerFollowsTheStoredStartPage() {
  QFETCH(QVariant, stored);
  QFETCH(bool, offered);
  if (stored.isValid())
    Store(stored);
  TFrmMsG dialog;
  auto *box = dialog.findChild<QCheckBox *>(QStringLiteral("CheckBox1"));
  QCOMPARE(box->isVisibleTo(&dialog), offered);
  QCOMPARE(box->isChecked(), offered);
  QVERIFY(Reported.isEmpty());
}

void tst_EndMsg::yesWritesTheOfferOnlyWhenTicked_data() {
  QTest::addColumn<QVariant>("stored");
  QTest::addColumn<bool>("untick");
  QTest::addColumn<QString>("after");
  const QString offer = QString::fromLatin1(OfferedStartPage);
  QTest::newRow("no value, ticked: created") << QVariant() << false << offer;
  QTest::newRow("other page, ticked: replaced") << QVariant(QStringLiteral("http://a.example/")) << false << offer;
  QTest::newRow("other page, unticked: kept")
      << QVariant(QStringLiteral("http://a.example/")) << true << QStringLiteral("http://a.example/");
  QTest::newRow("already set with blanks: untouched")
      << QVariant(QStringLiteral("  ") + offer) << false << QStringLiteral("  ") + offer;
}

void tst_EndMsg::yesWritesTheOfferOnlyWhenTicked() {
  QFETCH(QVariant, stored);
  QFETCH(bool, untick);
  QFETCH(QString, after);
  if (stored.isValid())
    Store(stored);
  TFrmMsG dialog;
  if (untick)
    dialog.findChild<QCheckBox *>(QStringLiteral("CheckBox1"))->setChecked(false);
  dialog.Button1Click();
  QVERIFY(dialog.ExitConfirmed);
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(StoredValue(), after);
}

void tst_EndMsg::noWritesNothingAndDeclines() {
  TFrmMsG dialog;
  dialog.Button2Click();
  QVERIFY(!dialog.ExitConfirmed);
  QCOMPARE(dialog.result(), int(QDialog::Rejected));
  QVERIFY(!QFile::exists(File));
}

void tst_EndMsg::otherKeysSurviveAWrite() {
  {
    QSettings store(File, QSettings::IniFormat);
    store.setValue(QStringLiteral("Main/Search Page"), QStringLiteral("http://search.example/"));
    store.setValue(QStringLiteral("Other/Window"), 42);
  }
  SetStartPage(QStringLiteral("http://x.example/"));
  QSettings store(File, QSettings::IniFormat);
  QCOMPARE(store.value(QStringLiteral("Main/Search Page")).toString(), QStringLiteral("http://search.example/"));
  QCOMPARE(store.value(QStringLiteral("Other/Window")).toInt(), 42);
  QCOMPARE(store.value(QStringLiteral("Main/Start Page")).toString(), QStringLiteral("http://x.example/"));
}

void tst_EndMsg::valueOfTheWrongTypeStillOpensTheDialog() {
  Store(QStringList{QStringLiteral("a"), QStringLiteral("b")});
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, GetStartPage());
  TFrmMsG dialog;
  auto *box = dialog.findChild<QCheckBox *>(QStringLiteral("CheckBox1"));
  QVERIFY(box->isVisibleTo(&dialog));
  QVERIFY(box->isChecked());
  QCOMPARE(Reported.size(), 1);
}

void tst_EndMsg::failedWriteIsReportedAndDoesNotQuit() {
  // The store's folder is a plain file, so nothing can be written there (this
  // holds for root too, unlike file permissions).
  QFile blocker(Dir->filePath(QStringLiteral("blocked")));
  QVERIFY(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  SetStartPageStoreFile(Dir->filePath(QStringLiteral("blocked/InternetExplorer.ini")));
  TFrmMsG dialog;
  dialog.Button1Click();
  QVERIFY(!dialog.ExitConfirmed);
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(Reported.size(), 1);
}

void tst_EndMsg::readOnlyStoreIsReportedAndKeptWhole() {
  if (geteuid() == 0)
    QSKIP("file permissions do not bind root");
  {
    QSettings store(File, QSettings::IniFormat);
    store.setValue(QStringLiteral("Main/Search Page"), QStringLiteral("http://search.example/"));
  }
  QFile(File).setPermissions(QFileDevice::ReadOwner);
  QFile original(File);
  QVERIFY(original.open(QIODevice::ReadOnly));
  const QByteArray before = original.readAll();
  original.close();
  TFrmMsG dialog;
  dialog.Button1Click();
  QVERIFY(!dialog.ExitConfirmed);
  QCOMPARE(Reported.size(), 1);
  QVERIFY(original.open(QIODevice::ReadOnly));
  QCOMPARE(original.readAll(), before);
}

void tst_EndMsg::confirmExitBuildsAFreshDialogEachTime() {
  QList<TFrmMsG *> seen;
  auto answer = [&](bool yes, bool untick) {
    QTimer::singleShot(0, this, [&, yes, untick] {
      QVERIFY(FrmMsG);
      seen << FrmMsG.data();
      auto *box = FrmMsG->findChild<QCheckBox *>(QStringLiteral("CheckBox1"));
      QVERIFY(box->isChecked());
      if (untick)
        box->setChecked(false);
      QTest::mouseClick(FrmMsG->findChild<QPushButton *>(yes ? QStringLiteral("Button1") : QStringLiteral("Button2")),
                        Qt::LeftButton);
    });
  };
  answer(false, true);
  QVERIFY(!ConfirmExit());
  answer(true, true);
  QVERIFY(ConfirmExit());
  QCOMPARE(seen.size(), 2);
  QVERIFY(!FrmMsG); // destroyed before ConfirmExit returned
  QCOMPARE(StoredValue(), QStringLiteral("<none>"));
}

void tst_EndMsg::closingOtherwiseCountsAsNo() {
  QTimer::singleShot(0, this, [] { FrmMsG->close(); });
  QVERIFY(!ConfirmExit());
  QTimer::singleShot(0, this, [] { QTest::keyClick(FrmMsG, Qt::Key_Escape); });
  QVERIFY(!ConfirmExit());
}

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  tst_EndMsg test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_EndMsg.moc"
