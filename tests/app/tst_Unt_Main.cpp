#include "Desktop.h"
#include "EndMsg.h"
#include "ErrorHandler.h"
#include "HomeSite.h"
#include "RzWidgets.h"
#include "Uabout.h"
#include "Unt_Main.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class tst_Unt_Main : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void layoutFollowsTheDesign();
  void latinTextIsLegible_data();
  void latinTextIsLegible();
  void mailLinkKeepsItsUnderlineWithTheFocus();
  void panelColours_data();
  void panelColours();
  void linkColumn_data();
  void linkColumn();
  void linkClicksOpenTheirPages();
  void infoWindowsAreReused_data();
  void infoWindowsAreReused();
  void exitButtonAsksOnceAndOpensTheHomeSite();
  void titleBarCloseRunsTheSameFlow();
  void answeringNoKeepsTheWindow();
  void homePageButtonOpensTheHomeSite();
  void homeSiteOverride_data();
  void homeSiteOverride();
  void keyboardReachesEveryCommand();
  void keysActLikeClicks_data();
  void keysActLikeClicks();
  void commandsAreDescribed();

private:
  QStringList Opened;
  int Questions = 0;
  bool Answer = true;
  TFrmmain *Window = nullptr;
  const Seam<void(const QString &)>::Override Browser{Desktop::Browser, [this](const QString &url) { Opened << url; }};
  const Seam<bool()>::Override Question{ExitQuestion, [this] {
                                          ++Questions;
                                          return Answer;
                                        }};
};

void tst_Unt_Main::init() {
  Opened.clear();
  Questions = 0;
  Answer = true;
  qunsetenv("VANDREL_HOME_SITE");
  Window = new TFrmmain();
  Window->show();
  QVERIFY(QTest::qWaitForWindowExposed(Window));
}

void tst_Unt_Main::cleanup() { delete Window; }

void tst_Unt_Main::layoutFollowsTheDesign() {
  QCOMPARE(Window->size(), QSize(792, 566));
  // Kept at its design size: no border drag can bare the panels round the pictures.
  QCOMPARE(Window->minimumSize(), QSize(792, 566));
  QCOMPARE(Window->maximumSize(), QSize(792, 566));
  QCOMPARE(Window->windowTitle(), QStringLiteral("Vandrel测字算命"));
  QVERIFY(!(Window->windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(Window->windowFlags() & Qt::WindowMinimizeButtonHint);
  auto geometryOf = [this](const char *name) {
    auto *widget = Window->findChild<QWidget *>(QString::fromLatin1(name));
    return widget ? QRect(widget->mapTo(Window, QPoint(0, 0)), widget->size()) : QRect();
  };
  QCOMPARE(geometryOf("RzPanel1"), QRect(0, 0, 792, 84));
  QCOMPARE(geometryOf("RzPanel3"), QRect(0, 84, 792, 462));
  QCOMPARE(geometryOf("RzPanel6"), QRect(0, 84, 792, 36));
  QCOMPARE(geometryOf("RzPanel2"), QRect(0, 120, 176, 426));
  QCOMPARE(geometryOf("RzPanel4"), QRect(176, 120, 616, 426));
  QCOMPARE(geometryOf("RzStatusBar1"), QRect(0, 546, 792, 20));
  QCOMPARE(geometryOf("RzStatusPane1").width(), 463);
  const struct {
    const char *name;
    const char *caption;
    int left;
  } buttons[] = {{"RzButton1", "Vandrel测字", 108}, {"RzButton4", "拜佛求签", 194}, {"RzButton6", "土地圣杯", 280},
                 {"RzButton5", "查看日历", 366},    {"RzButton2", "客户服务", 451}, {"RzButton3", "关于系统", 537},
                 {"RzButton8", "联系主页", 622},    {"RzButton7", "关闭系统", 708}};
  for (const auto &button : buttons) {
    auto *widget = Window->findChild<RzButton *>(QString::fromLatin1(button.name));
    QVERIFY2(widget, button.name);
    QCOMPARE(widget->text(), QString::fromUtf8(button.caption));
    QCOMPARE(widget->geometry(), QRect(button.left, 8, 80, 20));
    QVERIFY(widget->isVisible());
  }
}

void tst_Unt_Main::latinTextIsLegible_data() {
  QTest::addColumn<QString>("window");
  QTest::addColumn<QString>("name");
  QTest::newRow("first command, bold 12 px 宋体") << "main"
                                                  << "RzButton1";
  QTest::newRow("link column, bold 14 px 宋体") << "main"
                                                << "Label2";
  QTest::newRow("status bar, 12 px 宋体") << "main"
                                          << "RzStatusPane1";
  QTest::newRow("rights notice, bold 12 px 楷体_GB2312") << "about"
                                                         << "RzLabel1";
  QTest::newRow("support address, 12 px 宋体") << "about"
                                               << "RzURLLabel1";
}

// "Vandrel" in the label's own font must not read as "Vandre1": the Chinese
// faces' Latin letters at these sizes draw "l" and "1" alike, pixel for pixel.
void tst_Unt_Main::latinTextIsLegible() {
  QFETCH(QString, window);
  QFETCH(QString, name);
  std::unique_ptr<TAbout> about;
  QWidget *owner = Window;
  if (window == QLatin1String("about")) {
    about = std::make_unique<TAbout>();
    owner = about.get();
  }
  auto *widget = owner->findChild<QWidget *>(name);
  QVERIFY(widget);
  widget->ensurePolished();
  const QFont font = widget->font();
  auto render = [&font](const QString &text) {
    QImage image(120, 30, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(4, 22, text);
    return image;
  };
  const QImage word = render(QStringLiteral("Vandrel"));
  const QImage digit = render(QStringLiteral("Vandre1"));
  int differing = 0;
  for (int y = 0; y < word.height(); ++y)
    for (int x = 0; x < word.width(); ++x)
      differing += qAbs(qGray(word.pixel(x, y)) - qGray(digit.pixel(x, y))) > 96;
  // A clearly different glyph: the serif face's "l" and "1" differ in 19 or
  // more pixels at these sizes, the Chinese faces' in 0 to 5.
  QVERIFY2(differing >= 10, qPrintable(QStringLiteral("%1 pixels differ, in %2").arg(differing).arg(font.toString())));
}

// The longest unbroken run of dark pixels along any row: the underline.
static int LongestDarkRun(const QImage &image) {
  int longest = 0;
  for (int y = 0; y < image.height(); ++y) {
    int run = 0;
    for (int x = 0; x < image.width(); ++x) {
      run = qGray(image.pixel(x, y)) < 160 ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  }
  return longest;
}

// The support address is underlined as a link, with the focus too: the
// dotted focus line must not cover or push out the text's own underline.
void tst_Unt_Main::mailLinkKeepsItsUnderlineWithTheFocus() {
  const auto mainWindowActive = qScopeGuard([this] { QApplication::setActiveWindow(Window); });
  TAbout about;
  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  about.activateWindow();
  QApplication::setActiveWindow(&about);
  auto *link = about.findChild<RzClickLabel *>(QStringLiteral("RzURLLabel1"));
  QVERIFY(link);
  link->clearFocus();
  const QImage without = link->grab().toImage();
  link->setFocus();
  QTRY_VERIFY(link->hasFocus());
  const QImage with = link->grab().toImage();
  const int underline = LongestDarkRun(without);
  QVERIFY2(underline > link->width() / 2, qPrintable(QString::number(underline)));
  QVERIFY(with != without); // the focus shows
  QCOMPARE(LongestDarkRun(with), underline);
}

void tst_Unt_Main::panelColours_data() {
  QTest::addColumn<QString>("panel");
  QTest::addColumn<QColor>("from");
  QTest::addColumn<QColor>("to");
  // The design's #CDECFB and #CDE7FE are light blues (red 205 in the high
  // byte); read the other way round they give a peach.
  const QColor paleBlue(205, 236, 251), paleBlue2(205, 231, 254), skyBlue(135, 206, 235);
  QTest::newRow("RzPanel6 command bar") << "RzPanel6" << paleBlue << paleBlue2;
  QTest::newRow("RzPanel2 link column") << "RzPanel2" << paleBlue << skyBlue;
  QTest::newRow("RzPanel4 content area") << "RzPanel4" << paleBlue << paleBlue2;
  QTest::newRow("RzStatusBar1 status bar") << "RzStatusBar1" << QColor(227, 228, 228) << QColor();
}

// The colour drawn inside the grooves, with the pictures taken away.
void tst_Unt_Main::panelColours() {
  QFETCH(QString, panel);
  QFETCH(QColor, from);
  QFETCH(QColor, to);
  auto *widget = Window->findChild<RzPanel *>(panel);
  QVERIFY(widget);
  if (to.isValid()) {
    QCOMPARE(widget->gradientFrom(), from);
    QCOMPARE(widget->gradientTo(), to);
  }
  for (QLabel *picture : widget->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
    if (!picture->pixmap().isNull())
      picture->hide();
  for (QWidget *pane : widget->findChildren<QWidget *>(QRegularExpression(QStringLiteral("^EmbeddedWB"))))
    pane->hide();
  const QImage image = widget->grab().toImage();
  const QColor drawn = image.pixelColor(QPoint(5, 5) * image.devicePixelRatio());
  QVERIFY2(qAbs(drawn.red() - from.red()) <= 3 && qAbs(drawn.green() - from.green()) <= 3 &&
               qAbs(drawn.blue() - from.blue()) <= 3,
           qPrintable(drawn.name() + QStringLiteral(" instead of ") + from.name()));
}

void tst_Unt_Main::linkColumn_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("top");
  QTest::addColumn<QColor>("color");
  QTest::addColumn<QString>("ending");
  const QColor red(255, 0, 0), navy(0, 0, 128), green(0, 128, 0);
  QTest::newRow("Label2") << "Label2" << 15 << red << "[荐]";
  QTest::newRow("Label3") << "Label3" << 37 << red << "[荐]";
  QTest::newRow("Label4") << "Label4" << 61 << navy << "";
  QTest::newRow("Label1") << "Label1" << 85 << navy << "";
  const char *middle[] = {"Label5", "Label6", "Label7", "Label8", "Label9", "Label10", "Label12", "Label13", "Label14"};
  for (int i = 0; i < 9; ++i)
    QTest::newRow(middle[i]) << middle[i] << 109 + 24 * i << navy << "";
  QTest::newRow("Label11") << "Label11" << 325 << green << "(推荐)";
  QTest::newRow("Label15") << "Label15" << 349 << green << "(推荐)";
  QTest::newRow("Label16") << "Label16" << 373 << green << "(推荐)";
  QTest::newRow("Label17") << "Label17" << 397 << green << "(推荐)";
}

void tst_Unt_Main::linkColumn() {
  QFETCH(QString, name);
  QFETCH(int, top);
  QFETCH(QColor, color);
  QFETCH(QString, ending);
  auto *label = Window->findChild<QLabel *>(name);
  QVERIFY(label);
  QCOMPARE(label->parentWidget()->objectName(), QStringLiteral("RzPanel2"));
  QCOMPARE(label->geometry().topLeft(), QPoint(13, top));
  QCOMPARE(label->height(), 14);
  QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
  QCOMPARE(label->palette().color(QPalette::WindowText), color);
  QVERIFY(label->font().bold());
  QCOMPARE(label->font().pixelSize(), 14);
  QVERIFY(!label->text().isEmpty());
  if (!ending.isEmpty())
    QVERIFY2(label->text().endsWith(ending), qPrintable(label->text()));
  else
    QVERIFY(!label->text().endsWith(QStringLiteral("[荐]")) && !label->text().endsWith(QStringLiteral("(推荐)")));
  // Every caption fits the column.
  QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= 176 - 13, qPrintable(label->text()));
}

void tst_Unt_Main::linkClicksOpenTheirPages() {
  auto click = [this](const char *name) {
    Opened.clear();
    auto *label = Window->findChild<QLabel *>(QString::fromLatin1(name));
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(3, 3));
    return Opened;
  };
  const QStringList second = click("Label3");
  QCOMPARE(second.size(), 1);
  QSet<QString> distinct{second.first()};
  for (const char *name : {"Label2", "Label4", "Label1", "Label11", "Label15", "Label16", "Label17"}) {
    const QStringList opened = click(name);
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.first().startsWith(QStringLiteral("http")));
    distinct.insert(opened.first());
  }
  // Eight handlers, eight different pages.
  QCOMPARE(distinct.size(), 8);
  // The nine further products and the banner picture all lead to Label3's page.
  for (const char *name :
       {"Label5", "Label6", "Label7", "Label8", "Label9", "Label10", "Label12", "Label13", "Label14", "Image1"})
    QCOMPARE(click(name), second);
  // Only the left button follows a link.
  Opened.clear();
  QTest::mouseClick(Window->findChild<QLabel *>(QStringLiteral("Label2")), Qt::RightButton, {}, QPoint(3, 3));
  QVERIFY(Opened.isEmpty());
  // The outside downloads are the programs' own sites; the publisher's products
  // stay under the reserved .example domain.
  QVERIFY(click("Label2").first().contains(QStringLiteral(".example/")));
  QVERIFY(click("Label11").first().startsWith(QStringLiteral("https://www.mozilla.org/")));
}

void tst_Unt_Main::infoWindowsAreReused_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("windowClass");
  QTest::addColumn<QString>("caption");
  QTest::newRow("about") << "RzButton3"
                         << "TAbout"
                         << "关于系统";
  QTest::newRow("customer service") << "RzButton2"
                                    << "TFrm_servers"
                                    << "客户服务";
  QTest::newRow("calendar") << "RzButton5"
                            << "TFRM_Date"
                            << "Orlen日历";
}

void tst_Unt_Main::infoWindowsAreReused() {
  QFETCH(QString, button);
  QFETCH(QString, windowClass);
  QFETCH(QString, caption);
  auto instances = [&] {
    QList<QWidget *> found;
    for (QWidget *widget : QApplication::topLevelWidgets())
      if (windowClass == QLatin1String(widget->metaObject()->className()))
        found << widget;
    return found;
  };
  QPointer<QWidget> first;
  bool firstSeen = false;
  for (int round = 0; round < 2; ++round) {
    QTimer::singleShot(0, this, [&] {
      QWidget *modal = QApplication::activeModalWidget();
      QVERIFY(modal);
      QCOMPARE(QLatin1String(modal->metaObject()->className()), windowClass);
      QCOMPARE(modal->windowTitle(), caption);
      if (!firstSeen) {
        first = modal;
        firstSeen = true;
      }
      modal->close();
    });
    QTest::mouseClick(Window->findChild<QPushButton *>(button), Qt::LeftButton);
    // The closed window stays, hidden, until the command is used again.
    QCOMPARE(instances().size(), 1);
    QVERIFY(!instances().first()->isVisible());
  }
  // The second opening destroyed the first instance.
  QVERIFY(firstSeen && !first);
  delete instances().first();
}

void tst_Unt_Main::exitButtonAsksOnceAndOpensTheHomeSite() {
  QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
  QTest::mouseClick(Window->findChild<QPushButton *>(QStringLiteral("RzButton7")), Qt::LeftButton);
  QCOMPARE(Questions, 1);
  QCOMPARE(Opened, QStringList{HomeSiteUrl()});
  // Termination requested: a close that follows does not ask again.
  QVERIFY(Window->close());
  QCOMPARE(Questions, 1);
  QCOMPARE(Opened.size(), 1);
}

void tst_Unt_Main::titleBarCloseRunsTheSameFlow() {
  QVERIFY(Window->close());
  QCOMPARE(Questions, 1);
  QCOMPARE(Opened, QStringList{QStringLiteral("http://www.vandrel.example")});
}

void tst_Unt_Main::answeringNoKeepsTheWindow() {
  Answer = false;
  QVERIFY(!Window->close());
  QTest::mouseClick(Window->findChild<QPushButton *>(QStringLiteral("RzButton7")), Qt::LeftButton);
  QCOMPARE(Questions, 2);
  QVERIFY(Window->isVisible());
  QVERIFY(Opened.isEmpty());
  // A later Yes still works, and asks only once more.
  Answer = true;
  QVERIFY(Window->close());
  QCOMPARE(Questions, 3);
  QCOMPARE(Opened.size(), 1);
}

void tst_Unt_Main::homePageButtonOpensTheHomeSite() {
  QTest::mouseClick(Window->findChild<QPushButton *>(QStringLiteral("RzButton8")), Qt::LeftButton);
  QCOMPARE(Opened, QStringList{QStringLiteral("http://www.vandrel.example")});
  QCOMPARE(Questions, 0);
}

void tst_Unt_Main::homeSiteOverride_data() {
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("site");
  QTest::newRow("loopback with port") << "http://127.0.0.1:8088"
                                      << "http://127.0.0.1:8088";
  QTest::newRow("trailing slash dropped") << "https://demo.vandrel.example/"
                                          << "https://demo.vandrel.example";
  QTest::newRow("path refused") << "http://127.0.0.1/x"
                                << "http://www.vandrel.example";
  QTest::newRow("other scheme refused") << "file:///etc"
                                        << "http://www.vandrel.example";
  QTest::newRow("garbage refused") << "not a url"
                                   << "http://www.vandrel.example";
}

void tst_Unt_Main::homeSiteOverride() {
  QFETCH(QString, value);
  QFETCH(QString, site);
  qputenv("VANDREL_HOME_SITE", value.toUtf8());
  QCOMPARE(HomeSiteUrl(), site);
  qunsetenv("VANDREL_HOME_SITE");
}

namespace {

// The command bar's buttons and the link column's labels, top to bottom.
const char *const CommandButtons[] = {"RzButton1", "RzButton4", "RzButton6", "RzButton5",
                                      "RzButton2", "RzButton3", "RzButton8", "RzButton7"};
const char *const LinkLabels[] = {"Label2",  "Label3",  "Label4",  "Label1",  "Label5",  "Label6",
                                  "Label7",  "Label8",  "Label9",  "Label10", "Label12", "Label13",
                                  "Label14", "Label11", "Label15", "Label16", "Label17"};

} // namespace

// The window opens with the focus on its first command; Tab walks through
// every button and every link in the order they stand on the window and
// comes round again. The banner repeats the second link and takes no focus.
void tst_Unt_Main::keyboardReachesEveryCommand() {
  QApplication::setActiveWindow(Window);
  QVERIFY(QTest::qWaitForWindowActive(Window));
  QCOMPARE(QApplication::focusWidget(), Window->findChild<QWidget *>(QStringLiteral("RzButton1")));
  QStringList visited;
  for (int step = 0; step < 60; ++step) {
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    if (visited.contains(focus->objectName()))
      break;
    visited << focus->objectName();
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  QStringList expected;
  for (const char *name : CommandButtons)
    expected << QString::fromLatin1(name);
  for (const char *name : LinkLabels)
    expected << QString::fromLatin1(name);
  // Other controls (the content panes) may stand between; the order holds.
  qsizetype at = 0;
  for (const QString &name : expected) {
    at = visited.indexOf(name, at);
    QVERIFY2(at >= 0, qPrintable(name + QStringLiteral(" not reached in order: ") + visited.join(u' ')));
  }
}

void tst_Unt_Main::keysActLikeClicks_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("key");
  QTest::newRow("Enter on a link") << "Label11" << int(Qt::Key_Return);
  QTest::newRow("Space on a link") << "Label16" << int(Qt::Key_Space);
  QTest::newRow("Enter on one of the nine") << "Label9" << int(Qt::Key_Return);
  QTest::newRow("Enter on the home-page button") << "RzButton8" << int(Qt::Key_Return);
  QTest::newRow("keypad Enter on the exit button") << "RzButton7" << int(Qt::Key_Enter);
  QTest::newRow("Space on the exit button") << "RzButton7" << int(Qt::Key_Space);
}

// A key on a focused command does exactly what a left click on it does.
void tst_Unt_Main::keysActLikeClicks() {
  QFETCH(QString, name);
  QFETCH(int, key);
  auto *widget = Window->findChild<QWidget *>(name);
  QVERIFY(widget);
  Answer = false; // the exit question is answered No both times
  QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(3, 3));
  const QStringList clickOpened = Opened;
  const int clickQuestions = Questions;
  QVERIFY(!clickOpened.isEmpty() || clickQuestions > 0);
  Opened.clear();
  Questions = 0;
  widget->setFocus();
  QTest::keyClick(widget, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
  QCOMPARE(Opened, clickOpened);
  QCOMPARE(Questions, clickQuestions);
}

// A screen reader announces every command by name with what it does.
void tst_Unt_Main::commandsAreDescribed() {
  QSet<QString> names;
  QStringList commands{QStringLiteral("Image1")};
  for (const char *name : CommandButtons)
    commands << QString::fromLatin1(name);
  for (const char *name : LinkLabels)
    commands << QString::fromLatin1(name);
  for (const QString &command : commands) {
    QAccessibleInterface *widget = QAccessible::queryAccessibleInterface(Window->findChild<QWidget *>(command));
    QVERIFY2(widget, qPrintable(command));
    const QString name = widget->text(QAccessible::Name);
    QVERIFY2(!name.isEmpty(), qPrintable(command));
    QVERIFY2(!widget->text(QAccessible::Description).isEmpty(), qPrintable(command));
    QVERIFY2(widget->actionInterface() &&
                 widget->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()),
             qPrintable(command));
    names.insert(name);
  }
  // No two commands sound alike.
  QCOMPARE(names.size(), commands.size());
  // Links say where they lead: the nine further products lead where the
  // second featured one does.
  auto description = [this](const char *name) {
    return Window->findChild<QWidget *>(QString::fromLatin1(name))->accessibleDescription();
  };
  QCOMPARE(description("Label9"), description("Label3"));
  QCOMPARE(description("Image1"), description("Label3"));
  QVERIFY(description("Label2") != description("Label3"));
}

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  tst_Unt_Main test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_Unt_Main.moc"
