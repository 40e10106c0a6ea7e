#include "ErrorHandler.h"
#include "SilentAbort.h"

#include <QTest>
#include <QTimer>

#include <stdexcept>

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

private:
  QStringList Reported;
};

void tst_ErrorHandler::init() {
  Reported.clear();
  SetErrorReporter([this](const QString &message, const QString &) { Reported << message; });
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

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  tst_ErrorHandler test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_ErrorHandler.moc"
