#include "ErrorHandler.h"
#include "SilentAbort.h"

#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <new>
#include <stdexcept>

Q_DECLARE_METATYPE(std::function<void()>)

// The top-level handler: errors escaping a handler or a timer tick end that
// handler only; the loop and later events go on.
class tst_ErrorHandler : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void throwingTickLeavesTheLoopRunning();
  void silentAbortShowsNothing();
  void errorInsideNestedLoopIsCaughtThere();
  void dialogShowsWordsAndCopiesTheType_data();
  void dialogShowsWordsAndCopiesTheType();

private:
  QStringList Reported;
  QStringList Details;
};

void tst_ErrorHandler::init() {
  Reported.clear();
  Details.clear();
  SetErrorReporter([this](const QString &message, const QString &details) {
    Reported << message;
    Details << details;
  });
}

void tst_ErrorHandler::cleanup() { SetErrorReporter({}); }

void tst_ErrorHandler::throwingTickLeavesTheLoopRunning() {
  int ticks = 0;
  QTimer timer;
  timer.setInterval(1);
  connect(&timer, &QTimer::timeout, this, [&] {
    ++ticks;
    if (ticks <= 3)
      throw std::runtime_error("tick failed");
  });
  timer.start();
  QTRY_VERIFY(ticks >= 6);
  QCOMPARE(Reported.size(), 3);
  QCOMPARE(Reported.first(), QStringLiteral("tick failed"));
}

void tst_ErrorHandler::silentAbortShowsNothing() {
  bool after = false;
  QTimer::singleShot(0, this, [] { throw SilentAbort(); });
  QTimer::singleShot(5, this, [&] { after = true; });
  QTRY_VERIFY(after);
  QVERIFY(Reported.isEmpty());
}

void tst_ErrorHandler::errorInsideNestedLoopIsCaughtThere() {
  // A modal window runs its own loop; an error in it must not end that loop.
  QEventLoop nested;
  int ticks = 0;
  QTimer timer;
  timer.setInterval(1);
  connect(&timer, &QTimer::timeout, this, [&] {
    if (++ticks == 1)
      throw std::logic_error("inside");
    if (ticks == 3)
      nested.quit();
  });
  timer.start();
  nested.exec();
  QCOMPARE(ticks, 3);
  QCOMPARE(Reported, QStringList{QStringLiteral("inside")});
}

void tst_ErrorHandler::dialogShowsWordsAndCopiesTheType_data() {
  QTest::addColumn<std::function<void()>>("fault");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("mangled");
  QTest::newRow("runtime_error") << std::function<void()>([] { throw std::runtime_error("读取失败"); })
                                 << QStringLiteral("读取失败") << QStringLiteral("std::runtime_error")
                                 << QStringLiteral("St13runtime_error");
  QTest::newRow("out of memory") << std::function<void()>([] { throw std::bad_alloc(); }) << QStringLiteral("内存不足")
                                 << QStringLiteral("std::bad_alloc") << QStringLiteral("St9bad_alloc");
  QTest::newRow("empty message") << std::function<void()>([] { throw std::runtime_error(""); })
                                 << QStringLiteral("未知错误") << QStringLiteral("std::runtime_error")
                                 << QStringLiteral("St13runtime_error");
}

// The real dialog: the words on screen, the type in what "复制详细信息" copies.
void tst_ErrorHandler::dialogShowsWordsAndCopiesTheType() {
  QFETCH(std::function<void()>, fault);
  QFETCH(QString, shown);
  QFETCH(QString, type);
  QFETCH(QString, mangled);
  SetErrorReporter({});
  QString onScreen, copied;
  // Looks at the dialog from within its own loop, once it is up.
  QTimer inspector;
  inspector.setInterval(10);
  connect(&inspector, &QTimer::timeout, this, [&] {
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialog)
      return;
    inspector.stop();
    for (const QLabel *label : dialog->findChildren<QLabel *>())
      onScreen += label->text();
    for (const QPlainTextEdit *text : dialog->findChildren<QPlainTextEdit *>())
      onScreen += text->toPlainText();
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
      if (button->text() == u"复制详细信息")
        button->click();
    copied = QGuiApplication::clipboard()->text();
    dialog->accept();
  });
  inspector.start();
  QTimer::singleShot(0, this, fault);
  QTRY_VERIFY(!copied.isEmpty());
  QVERIFY2(onScreen.contains(shown), qPrintable(onScreen));
  QVERIFY2(!onScreen.contains(type) && !onScreen.contains(mangled), qPrintable(onScreen));
  QVERIFY2(copied.startsWith(type + u'\n'), qPrintable(copied));
}

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  tst_ErrorHandler test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_ErrorHandler.moc"
