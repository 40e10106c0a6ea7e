#include "SlipActions.h"

#include "Answers.h"
#include "Desktop.h"
#include "FrmJournal.h"
#include "SignJournal.h"
#include "SilentAbort.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTimer>

namespace {

bool &JournalNoticeGiven() {
  static bool given = false;
  return given;
}

QString SuggestedSlipFile(const SignSlip &slip) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty() || !QDir(folder).exists())
    folder = QDir::homePath();
  QString characters;
  for (const SlipCharacter &character : slip.characters)
    characters += character.character;
  return folder + u"/测字签-"_qs + characters + u"-"_qs + slip.signNumber + u".png"_qs;
}

} // namespace

void ResetJournalNotice() { JournalNoticeGiven() = false; }

void SaveSlipAsked(QWidget *parent, const SignSlip &slip) {
  QString path = Desktop::AskSaveFile(parent, u"保存签图"_qs, SuggestedSlipFile(slip),
                                      u"PNG 图片 (*.png);;PDF 文件，供打印 (*.pdf)"_qs);
  if (path.isEmpty())
    return;
  // A name without a known ending is saved as a picture.
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != u"png"_qs && suffix != u"pdf"_qs)
    path += u".png"_qs;
  const QString problem = WriteSlipFile(slip, path);
  if (!problem.isEmpty())
    Desktop::Notice(parent, problem);
}

void CopySlip(const SignSlip &slip) { QApplication::clipboard()->setImage(PaintSlipImage(slip)); }

SlipActions::SlipActions(QWidget *window, QPlainTextEdit *memo)
    : QObject(window), Window(window), Memo(memo), Save(new QAction(u"保存签图(&S)…"_qs, window)),
      Copy(new QAction(u"复制签图(&C)"_qs, window)), Journal(new QAction(u"测字记录(&J)…"_qs, window)),
      Waiting(new QLabel(memo)) {
  Save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  Copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  Journal->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
  Save->setToolTip(u"把这一签保存为签图（PNG 图片或供打印的 PDF）"_qs);
  Copy->setToolTip(u"把这一签的签图复制到剪贴板"_qs);
  Journal->setToolTip(u"查看以往的测字记录"_qs);
  for (QAction *action : {Save, Copy, Journal}) {
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
  }
  Save->setEnabled(false);
  Copy->setEnabled(false);
  connect(Save, &QAction::triggered, this, [this] {
    if (Last)
      SaveSlipAsked(this->Window, *Last);
  });
  connect(Copy, &QAction::triggered, this, [this] {
    if (Last)
      CopySlip(*Last);
  });
  connect(Journal, &QAction::triggered, this, [this] {
    ShowJournal(this->Window); // opening the journal writes what waits
    ShowWaiting();
  });
  Waiting->setObjectName(u"JournalWaiting"_qs);
  Waiting->setStyleSheet(u"QLabel { background: #FFF8DC; color: #7A4B00; padding: 1px 4px; }"_qs);
  Waiting->hide();
  memo->installEventFilter(this);
  Memo->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Memo, &QWidget::customContextMenuRequested, this, &SlipActions::ShowMenu);
}

void SlipActions::ShowMenu(const QPoint &position) {
  std::unique_ptr<QMenu> menu(Memo->createStandardContextMenu(position));
  menu->addSeparator();
  menu->addAction(Save);
  menu->addAction(Copy);
  menu->addSeparator();
  menu->addAction(Journal);
  menu->exec(Memo->viewport()->mapToGlobal(position));
}

void SlipActions::ReportStarted() {
  ++Generation;
  Last.reset();
  Save->setEnabled(false);
  Copy->setEnabled(false);
}

void SlipActions::ReportCompleted(const QByteArray &characters) {
  // The report's own title and text (lines 3 and 5, after their indent); the
  // stroke counts are looked up once the compute action is over, so that the
  // action itself runs its eight lookups and no more.
  const QStringList lines = Memo->toPlainText().split(u'\n');
  const QString title = lines.value(2).mid(4);
  const QString text = lines.value(4).mid(4);
  const QDateTime now = Desktop::Clock();
  ++Generation;
  QTimer::singleShot(0, this, [this, characters, title, text, now, cast = Generation] {
    if (cast != Generation)
      return; // another report began meanwhile
    try {
      Last = SlipOfReport(characters, title, text, now.date());
    } catch (const SilentAbort &) {
      ReportStarted(); // the database failed since the report: no slip
      return;
    }
    Save->setEnabled(true);
    Copy->setEnabled(true);
    Record(*Last, now);
  });
}

bool SlipActions::eventFilter(QObject *watched, QEvent *event) {
  if (watched == Memo && event->type() == QEvent::Resize && Waiting->isVisible())
    ShowWaiting();
  return QObject::eventFilter(watched, event);
}

void SlipActions::Record(const SignSlip &slip, const QDateTime &time) {
  if (!JournalRecordingEnabled())
    return;
  SignJournal journalFile;
  const QString opened = journalFile.Problem(); // a damaged file set aside
  // What cannot be written now waits, and goes with the next recording.
  const bool written = journalFile.RecordOrKeep(JournalEntryOf(slip, time));
  const QString problem = written ? opened : journalFile.Problem();
  ShowWaiting();
  if (!problem.isEmpty() && !JournalNoticeGiven()) {
    JournalNoticeGiven() = true;
    const int waiting = SignJournal::PendingCount();
    Desktop::Notice(Window, waiting == 0 ? problem : problem + u"\n这一签先记在心里，稍后再存入测字记录。"_qs);
  }
}

void SlipActions::ShowWaiting() {
  const int waiting = SignJournal::PendingCount();
  if (waiting == 0) {
    Waiting->hide();
    return;
  }
  Waiting->setText(u"%1 签待记"_qs.arg(waiting));
  Waiting->setToolTip(u"测字记录暂时无法写入，这 %1 签稍后自动补记。"_qs.arg(waiting));
  Waiting->adjustSize();
  const QRect area = Memo->contentsRect();
  Waiting->move(area.right() - Waiting->width() - 16, area.bottom() - Waiting->height() - 2);
  Waiting->show();
  Waiting->raise();
}
