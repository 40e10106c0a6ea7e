// The shared button and clickable label from the keyboard and from assistive
// technology: which keys press them, that the focus shows, and what a screen
// reader is told.

#include "ErrorHandler.h"
#include "RzWidgets.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDialog>
#include <QSignalSpy>
#include <QTest>

class tst_RzWidgets : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void keysPressTheButton_data();
  void keysPressTheButton();
  void keysClickTheLabel_data();
  void keysClickTheLabel();
  void focusShows_data();
  void focusShows();
  void tabReachesLabelsThatTakeTheFocus();
  void labelIsALinkWithAPressAction();

private:
  QWidget *Window = nullptr;
  RzButton *Button = nullptr;
  RzClickLabel *Label = nullptr;
  RzClickLabel *Picture = nullptr;
};

void tst_RzWidgets::init() {
  Window = new QWidget();
  Window->resize(200, 100);
  Button = new RzButton(Window);
  Button->setText(QStringLiteral("查看日历"));
  Label = new RzClickLabel(Window);
  Label->setText(QStringLiteral("Vandrel黄历通书"));
  Picture = new RzClickLabel(Window);
  QPixmap pixmap(40, 20);
  pixmap.fill(Qt::darkRed);
  Picture->setPixmap(pixmap);
  Button->setGeometry(10, 10, 80, 20);
  Label->setGeometry(10, 40, 150, 14);
  Picture->setGeometry(10, 60, 40, 20);
  Window->show();
  QApplication::setActiveWindow(Window);
  QVERIFY(QTest::qWaitForWindowActive(Window));
}

void tst_RzWidgets::cleanup() {
  delete Window;
  Window = nullptr;
}

void tst_RzWidgets::keysPressTheButton_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<bool>("autoRepeat");
  QTest::addColumn<int>("clicks");
  QTest::newRow("Space") << int(Qt::Key_Space) << 0 << false << 1;
  QTest::newRow("Return outside a dialog") << int(Qt::Key_Return) << 0 << false << 1;
  QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false << 1;
  QTest::newRow("held Return repeats nothing") << int(Qt::Key_Return) << 0 << true << 0;
  QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier) << false << 0;
  QTest::newRow("a letter") << int(Qt::Key_A) << 0 << false << 0;
}

void tst_RzWidgets::keysPressTheButton() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(bool, autoRepeat);
  QFETCH(int, clicks);
  QSignalSpy clicked(Button, &QPushButton::clicked);
  Button->setFocus();
  if (autoRepeat) {
    // The repeats of a key held down since before the button had the focus.
    QTest::sendKeyEvent(QTest::Press, Button, Qt::Key(key), QString(), Qt::KeyboardModifiers(modifiers));
    clicked.clear();
    QKeyEvent repeat(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), QString(), true);
    QApplication::sendEvent(Button, &repeat);
  } else {
    QTest::keyClick(Button, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  }
  QCOMPARE(clicked.size(), clicks);
}

void tst_RzWidgets::keysClickTheLabel_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("clicks");
  QTest::newRow("Space") << int(Qt::Key_Space) << 0 << 1;
  QTest::newRow("Return") << int(Qt::Key_Return) << 0 << 1;
  QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1;
  QTest::newRow("Shift+Space") << int(Qt::Key_Space) << int(Qt::ShiftModifier) << 0;
  QTest::newRow("an arrow") << int(Qt::Key_Down) << 0 << 0;
}

// A key click is a left-button click: pressed(LeftButton) before clicked().
void tst_RzWidgets::keysClickTheLabel() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(int, clicks);
  QStringList order;
  connect(Label, &RzClickLabel::pressed, this, [&order](Qt::MouseButton button) {
    order << (button == Qt::LeftButton ? QStringLiteral("pressed left") : QStringLiteral("pressed other"));
  });
  connect(Label, &RzClickLabel::clicked, this, [&order] { order << QStringLiteral("clicked"); });
  Label->setFocus();
  QTest::keyClick(Label, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  QStringList expected;
  if (clicks)
    expected << QStringLiteral("pressed left") << QStringLiteral("clicked");
  QCOMPARE(order, expected);
}

void tst_RzWidgets::focusShows_data() {
  QTest::addColumn<QString>("which");
  QTest::newRow("button") << "button";
  QTest::newRow("text label") << "label";
  QTest::newRow("picture label") << "picture";
}

// The focused widget looks different from the same widget without the focus,
// and the difference lies inside the widget, on its text's or picture's edge.
void tst_RzWidgets::focusShows() {
  QFETCH(QString, which);
  QWidget *widget = which == QLatin1String("button")  ? static_cast<QWidget *>(Button)
                    : which == QLatin1String("label") ? static_cast<QWidget *>(Label)
                                                      : static_cast<QWidget *>(Picture);
  Window->setFocus();
  const QImage without = widget->grab().toImage();
  widget->setFocus();
  QVERIFY(widget->hasFocus());
  const QImage with = widget->grab().toImage();
  QCOMPARE(with.size(), without.size());
  QVERIFY(with != without);
  widget->clearFocus();
  QCOMPARE(widget->grab().toImage(), without);
}

void tst_RzWidgets::tabReachesLabelsThatTakeTheFocus() {
  Picture->setFocusPolicy(Qt::NoFocus);
  Button->setFocus();
  QTest::keyClick(Button, Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), Label);
  QTest::keyClick(Label, Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), Button); // the picture opted out
  // A click gives the label the focus too, as it does a button.
  QTest::mouseClick(Label, Qt::LeftButton);
  QCOMPARE(QApplication::focusWidget(), Label);
}

void tst_RzWidgets::labelIsALinkWithAPressAction() {
  QSignalSpy clicked(Label, &RzClickLabel::clicked);
  QAccessibleInterface *label = QAccessible::queryAccessibleInterface(Label);
  QVERIFY(label);
  QCOMPARE(label->role(), QAccessible::Link);
  // Named by its text until given a name of its own.
  QCOMPARE(label->text(QAccessible::Name), QStringLiteral("Vandrel黄历通书"));
  Label->setAccessibleName(QStringLiteral("黄历"));
  Label->setAccessibleDescription(QStringLiteral("在浏览器中打开下载页"));
  QCOMPARE(label->text(QAccessible::Name), QStringLiteral("黄历"));
  QCOMPARE(label->text(QAccessible::Description), QStringLiteral("在浏览器中打开下载页"));
  QVERIFY(label->actionInterface());
  QVERIFY(label->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
  label->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  QCOMPARE(clicked.size(), 1);
  // A picture label is a link too, named only by what the window tells it.
  QAccessibleInterface *picture = QAccessible::queryAccessibleInterface(Picture);
  QCOMPARE(picture->role(), QAccessible::Link);
  QCOMPARE(picture->text(QAccessible::Name), QString());
  // Plain labels keep Qt's own interface.
  QLabel plain(QStringLiteral("欢迎"), Window);
  QCOMPARE(QAccessible::queryAccessibleInterface(&plain)->role(), QAccessible::StaticText);
}

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  tst_RzWidgets test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_RzWidgets.moc"
