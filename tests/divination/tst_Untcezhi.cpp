#include "ErrorHandler.h"
#include "Gbk.h"
#include "RzWidgets.h"
#include "SignDatabase.h"
#include "SignFileFixture.h"
#include "SilentAbort.h"
#include "Unt_Main.h"
#include "Untcezhi.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

class tst_Untcezhi : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void layoutFollowsTheDesign();
  void typedKeys_data();
  void typedKeys();
  void enterWalksTheFocus();
  void pastedTextIsCutToFit();
  void strokeNotesFollowTheEdits();
  void reportForThreeCharacters();
  void blankEditLeavesTheMemo_data();
  void blankEditLeavesTheMemo();
  void secondComputeReplacesTheReport();
  void clearKeepsTheMemo();
  void piecesStraddleCharacters();
  void absentDatabaseLeavesTheHeading();
  void failedTextLookupLeavesFourLines();
  void reopeningShowsAnEmptyWindow();
  void mainWindowCommandOpensIt();
  void reportIsDescribed();
  void glyphsHaveTwiceTheSizeForScaledScreens();

private:
  template <class T> T *Find(const char *name) { return Window->findChild<T *>(QString::fromLatin1(name)); }
  QStringList MemoLines() { return Find<QPlainTextEdit>("RzMemo1")->toPlainText().split(u'\n'); }
  void Type(const char *edit, const QString &text) {
    auto *line = Find<QLineEdit>(edit);
    line->setFocus();
    line->insert(text);
  }
  // The compute action as the top-level handler runs it: a silent abort ends
  // it and is discarded.
  void Compute() {
    try {
      Window->RzBitBtn1Click();
    } catch (const SilentAbort &) {
    }
  }

  QPointer<TFrmcezhi> Window;
  int Lookups = 0;
};

void tst_Untcezhi::init() {
  WriteSignFile();
  Lookups = 0;
  SetLookupObserver([this](const QByteArray &) { ++Lookups; });
  Window = new TFrmcezhi();
  Window->show();
  QVERIFY(QTest::qWaitForWindowExposed(Window));
  QApplication::setActiveWindow(Window);
}

void tst_Untcezhi::cleanup() {
  delete Window.data();
  SetLookupObserver({});
  QFile::remove(SignFile());
}

void tst_Untcezhi::layoutFollowsTheDesign() {
  QCOMPARE(Window->windowTitle(), u"测字算命"_qs);
  QCOMPARE(Window->size(), QSize(487, 498));
  QVERIFY(!(Window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
  QCOMPARE(Find<QWidget>("RzPanel1")->geometry(), QRect(0, 0, 487, 177));
  QCOMPARE(Find<QWidget>("RzPanel2")->geometry(), QRect(0, 177, 487, 80));
  QCOMPARE(Find<QWidget>("RzPanel3")->geometry(), QRect(0, 257, 487, 241));
  QCOMPARE(Find<QLineEdit>("RzEdit1")->geometry(), QRect(144, 16, 73, 20));
  QCOMPARE(Find<QLineEdit>("RzEdit2")->geometry(), QRect(224, 16, 73, 20));
  QCOMPARE(Find<QLineEdit>("RzEdit3")->geometry(), QRect(304, 16, 73, 20));
  const std::pair<const char *, const char *> buttons[] = {
      {"RzBitBtn1", "测算"}, {"RzBitBtn2", "清除"}, {"RzBitBtn3", "关闭"}};
  const int lefts[] = {247, 320, 392};
  for (int i = 0; i < 3; ++i) {
    auto *button = Find<RzButton>(buttons[i].first);
    QCOMPARE(button->text(), QString::fromUtf8(buttons[i].second));
    QCOMPARE(button->geometry().topLeft(), QPoint(lefts[i], 47));
    QCOMPARE(button->width(), 65);
    QCOMPARE(button->frameColor(), QColor(0, 60, 116));
    QVERIFY(!button->icon().pixmap(16, 16, QIcon::Normal).isNull());
    QVERIFY(!button->icon().pixmap(16, 16, QIcon::Disabled).isNull());
  }
  QCOMPARE(Find<QLabel>("RzLabel2")->text(), u"请输入你测试的三个字:"_qs);
  // The stroke notes sit in the strip over their edits, clear of the rest.
  const char *notes[] = {"RzLabel3", "RzLabel4", "RzLabel5"};
  const char *edits[] = {"RzEdit1", "RzEdit2", "RzEdit3"};
  for (int i = 0; i < 3; ++i) {
    const QRect note = Find<QLabel>(notes[i])->geometry();
    QCOMPARE(note.left(), Find<QLineEdit>(edits[i])->x());
    QVERIFY(note.top() >= 2 && note.bottom() < 16);
  }
  QCOMPARE(QApplication::focusWidget(), Find<QLineEdit>("RzEdit1"));
}

void tst_Untcezhi::typedKeys_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("shown");
  QTest::newRow("letter discarded") << int(Qt::Key_A) << u"a"_qs << u"天"_qs;
  QTest::newRow("digit discarded") << int(Qt::Key_1) << u"1"_qs << u"天"_qs;
  QTest::newRow("space discarded") << int(Qt::Key_Space) << u" "_qs << u"天"_qs;
  QTest::newRow("punctuation discarded") << int(Qt::Key_Period) << u"."_qs << u"天"_qs;
  QTest::newRow("control code discarded") << int(Qt::Key_V) << u"\x16"_qs << u"天"_qs;
  QTest::newRow("backspace deletes") << int(Qt::Key_Backspace) << u"\b"_qs << QString();
}

void tst_Untcezhi::typedKeys() {
  QFETCH(int, key);
  QFETCH(QString, text);
  QFETCH(QString, shown);
  auto *edit = Find<QLineEdit>("RzEdit1");
  edit->setFocus();
  QKeyEvent chinese(QEvent::KeyPress, 0, Qt::NoModifier, u"天"_qs);
  QApplication::sendEvent(edit, &chinese);
  QCOMPARE(edit->text(), u"天"_qs);
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(edit, &press);
  QCOMPARE(edit->text(), shown);
}

void tst_Untcezhi::enterWalksTheFocus() {
  const char *order[] = {"RzEdit1", "RzEdit2", "RzEdit3"};
  const char *next[] = {"RzEdit2", "RzEdit3", "RzBitBtn1"};
  for (int i = 0; i < 3; ++i) {
    Find<QWidget>(order[i])->setFocus();
    QTest::keyClick(Find<QWidget>(order[i]), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), Find<QWidget>(next[i]));
  }
  QCOMPARE(MemoLines(), QStringList{QString()}); // Enter in the edits computed nothing
  // On the focused "测算", Enter presses it.
  for (const char *edit : {"RzEdit1", "RzEdit2", "RzEdit3"})
    Type(edit, u"天"_qs);
  Find<QWidget>("RzBitBtn1")->setFocus();
  QTest::keyClick(Find<QWidget>("RzBitBtn1"), Qt::Key_Return);
  QCOMPARE(MemoLines().first(), u"你测算的三个字是:天天天 解析如下..."_qs);
}

void tst_Untcezhi::pastedTextIsCutToFit() {
  auto *edit = Find<QLineEdit>("RzEdit2");
  Type("RzEdit2", u"天地人"_qs);
  QCOMPARE(edit->text(), u"天"_qs);
  Type("RzEdit2", u"地"_qs);
  QCOMPARE(edit->text(), u"天"_qs);
  // Pasting through the edit's own command (the context menu's "Paste").
  edit->clear();
  QApplication::clipboard()->setText(u"人天地"_qs);
  edit->paste();
  QCOMPARE(edit->text(), u"人"_qs);
  // Ctrl+V pastes too, within the same two bytes.
  QTest::mouseClick(Find<QWidget>("RzBitBtn2"), Qt::LeftButton);
  QApplication::clipboard()->setText(u"地人"_qs);
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(edit->text(), u"地"_qs);
}

void tst_Untcezhi::strokeNotesFollowTheEdits() {
  auto *note = Find<QLabel>("RzLabel4");
  auto *edit = Find<QLineEdit>("RzEdit2");
  Type("RzEdit2", u"云"_qs);
  QCOMPARE(note->text(), u"雲 12画"_qs);
  QCOMPARE(edit->accessibleDescription(), u"雲 12画"_qs);
  QCOMPARE(Find<QLabel>("RzLabel3")->text(), QString());
  // The count shown is the one the sign computation reads.
  QCOMPARE(GetStrokeCount(Gbk::ToGbk(edit->text()).value()), 12);
  QTest::mouseClick(Find<QWidget>("RzBitBtn2"), Qt::LeftButton);
  QCOMPARE(note->text(), QString());
  QCOMPARE(edit->accessibleDescription(), QString());
  // A failing database shows no count, and typing goes on without a message.
  QFile::remove(SignFile());
  Type("RzEdit2", u"天"_qs);
  QCOMPARE(edit->text(), u"天"_qs);
  QCOMPARE(note->text(), QString());
  QVERIFY(!QApplication::activeModalWidget() || QApplication::activeModalWidget() == Window);
}

void tst_Untcezhi::reportForThreeCharacters() {
  Type("RzEdit1", u"天"_qs);
  Type("RzEdit2", u"地"_qs);
  Type("RzEdit3", u"人"_qs);
  QCOMPARE(Lookups, 3); // one per typed character, for its note
  Lookups = 0;
  QTest::mouseClick(Find<QWidget>("RzBitBtn1"), Qt::LeftButton);
  QCOMPARE(MemoLines(), (QStringList{u"你测算的三个字是:天地人 解析如下..."_qs, QString(), u"    天地人签"_qs,
                                     QString(), u"    天高地厚，人在其中。"_qs}));
  QCOMPARE(Lookups, 8);
}

void tst_Untcezhi::blankEditLeavesTheMemo_data() {
  QTest::addColumn<QString>("first");
  QTest::addColumn<QString>("second");
  QTest::addColumn<QString>("third");
  QTest::newRow("first empty") << QString() << u"地"_qs << u"人"_qs;
  QTest::newRow("second blanks") << u"天"_qs << u"  "_qs << u"人"_qs;
  QTest::newRow("third empty") << u"天"_qs << u"地"_qs << QString();
}

void tst_Untcezhi::blankEditLeavesTheMemo() {
  QFETCH(QString, first);
  QFETCH(QString, second);
  QFETCH(QString, third);
  Find<QPlainTextEdit>("RzMemo1")->setPlainText(u"上次的结果"_qs);
  Find<QLineEdit>("RzEdit1")->setText(first);
  Find<QLineEdit>("RzEdit2")->setText(second);
  Find<QLineEdit>("RzEdit3")->setText(third);
  Lookups = 0;
  Compute();
  QCOMPARE(MemoLines(), QStringList{u"上次的结果"_qs});
  QCOMPARE(Lookups, 0);
}

void tst_Untcezhi::secondComputeReplacesTheReport() {
  Type("RzEdit1", u"天"_qs);
  Type("RzEdit2", u"地"_qs);
  Type("RzEdit3", u"人"_qs);
  Compute();
  Compute();
  QCOMPARE(MemoLines().size(), 5);
  QCOMPARE(MemoLines().first(), u"你测算的三个字是:天地人 解析如下..."_qs);
}

void tst_Untcezhi::clearKeepsTheMemo() {
  Type("RzEdit1", u"天"_qs);
  Type("RzEdit2", u"地"_qs);
  Type("RzEdit3", u"人"_qs);
  Compute();
  QTest::mouseClick(Find<QWidget>("RzBitBtn2"), Qt::LeftButton);
  for (const char *edit : {"RzEdit1", "RzEdit2", "RzEdit3"})
    QVERIFY(Find<QLineEdit>(edit)->text().isEmpty());
  QCOMPARE(MemoLines().size(), 5);
  // The cleared edits take a new character again.
  Type("RzEdit1", u"人"_qs);
  QCOMPARE(Find<QLineEdit>("RzEdit1")->text(), u"人"_qs);
}

void tst_Untcezhi::piecesStraddleCharacters() {
  // A pasted one-byte character shifts the six-byte split: "a天地" gives the
  // pieces a+CC, EC+B5, D8; they are looked up as they are.
  Type("RzEdit1", u"a"_qs);
  Type("RzEdit2", u"天"_qs);
  Type("RzEdit3", u"地"_qs);
  QList<QByteArray> statements;
  SetLookupObserver([&](const QByteArray &statement) { statements += statement; });
  Compute();
  QCOMPARE(MemoLines().first(), u"你测算的三个字是:a天地 解析如下..."_qs);
  QCOMPARE(statements.size(), 8);
  QCOMPARE(statements[0], StrokeCountStatement(QByteArray("a\xCC")));
  QCOMPARE(statements[1], StrokeCountStatement(QByteArray("\xEC\xB5")));
  QCOMPARE(statements[2], StrokeCountStatement(QByteArray("\xD8")));
}

void tst_Untcezhi::absentDatabaseLeavesTheHeading() {
  QFile::remove(SignFile());
  Type("RzEdit1", u"天"_qs);
  Type("RzEdit2", u"地"_qs);
  Type("RzEdit3", u"人"_qs);
  Lookups = 0;
  Compute();
  QCOMPARE(MemoLines(), (QStringList{u"你测算的三个字是:天地人 解析如下..."_qs, QString()}));
  QCOMPARE(Lookups, 1);
}

void tst_Untcezhi::failedTextLookupLeavesFourLines() {
  // The file disappears just before the fifth lookup, the first of the text.
  Type("RzEdit1", u"天"_qs);
  Type("RzEdit2", u"地"_qs);
  Type("RzEdit3", u"人"_qs);
  Lookups = 0;
  SetLookupObserver([this](const QByteArray &) {
    if (++Lookups == 5)
      QFile::remove(SignFile());
  });
  Compute();
  QCOMPARE(MemoLines(),
           (QStringList{u"你测算的三个字是:天地人 解析如下..."_qs, QString(), u"    天地人签"_qs, QString()}));
  QCOMPARE(Lookups, 5);
}

// A screen reader announces the memo by name with the report it holds, also
// when a failed lookup leaves only part of it.
void tst_Untcezhi::reportIsDescribed() {
  auto *memo = Find<QPlainTextEdit>("RzMemo1");
  QCOMPARE(memo->accessibleName(), u"测算结果"_qs);
  QCOMPARE(memo->accessibleDescription(), QString());
  Type("RzEdit1", u"天"_qs);
  Type("RzEdit2", u"地"_qs);
  Type("RzEdit3", u"人"_qs);
  Compute();
  QCOMPARE(memo->accessibleDescription(), u"你测算的三个字是:天地人 解析如下...\n天地人签\n天高地厚，人在其中。"_qs);
  SetLookupObserver([this](const QByteArray &) {
    if (++Lookups == 5)
      QFile::remove(SignFile());
  });
  Lookups = 0;
  Compute();
  QCOMPARE(memo->accessibleDescription(), u"你测算的三个字是:天地人 解析如下...\n天地人签"_qs);
  QCOMPARE(Find<QLineEdit>("RzEdit2")->accessibleName(), u"第二个字"_qs);
}

// At a scale of 2 the buttons draw the glyphs painted at 32 x 32, not the
// 16 x 16 ones enlarged.
void tst_Untcezhi::glyphsHaveTwiceTheSizeForScaledScreens() {
  for (const char *name : {"RzBitBtn1", "RzBitBtn2", "RzBitBtn3"}) {
    const QIcon icon = Find<RzButton>(name)->icon();
    for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
      const QImage single = icon.pixmap(QSize(16, 16), 1.0, mode).toImage();
      const QImage doubled = icon.pixmap(QSize(16, 16), 2.0, mode).toImage();
      QCOMPARE(single.size(), QSize(16, 16));
      QCOMPARE(doubled.size(), QSize(32, 32));
      const QImage enlarged = single.scaled(32, 32).convertToFormat(doubled.format());
      QVERIFY2(doubled != enlarged, name);
    }
  }
}

void tst_Untcezhi::reopeningShowsAnEmptyWindow() {
  delete Window.data();
  // Two openings through the main window's command: the first fills in a
  // report and closes with "关闭", the second must start empty.
  QStringList seen;
  for (int opening = 0; opening < 2; ++opening) {
    QPointer<TFrmcezhi> shown;
    QTimer::singleShot(0, this, [&] {
      shown = qobject_cast<TFrmcezhi *>(QApplication::activeModalWidget());
      QVERIFY(shown);
      const auto edits = shown->findChildren<QLineEdit *>();
      QString state;
      for (const QLineEdit *edit : edits)
        state += edit->text();
      state += shown->findChild<QPlainTextEdit *>(u"RzMemo1"_qs)->toPlainText();
      seen += state;
      for (QLineEdit *edit : edits)
        edit->insert(u"天"_qs);
      shown->RzBitBtn1Click();
      QTest::mouseClick(shown->findChild<QWidget *>(u"RzBitBtn3"_qs), Qt::LeftButton);
    });
    ShowCharacterDivination();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(shown.isNull()); // freed on close
  }
  QCOMPARE(seen, (QStringList{QString(), QString()}));
}

void tst_Untcezhi::mainWindowCommandOpensIt() {
  delete Window.data();
  TFrmmain main;
  bool opened = false;
  QTimer::singleShot(0, this, [&] {
    auto *shown = qobject_cast<TFrmcezhi *>(QApplication::activeModalWidget());
    opened = shown && !shown->parent();
    if (shown)
      shown->RzBitBtn3Click();
  });
  QTest::mouseClick(main.findChild<QWidget *>(u"RzButton1"_qs), Qt::LeftButton);
  QVERIFY(opened);
}

QTEST_MAIN(tst_Untcezhi)
#include "tst_Untcezhi.moc"
