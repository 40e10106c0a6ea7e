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
    : QObject(window), window(window), memo(memo), save(new QAction(u"保存签图(&S)…"_qs, window)),
      copy(new QAction(u"复制签图(&C)"_qs, window)), journal(new QAction(u"测字记录(&J)…"_qs, window)) {
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  journal->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
  save->setToolTip(u"把这一签保存为签图（PNG 图片或供打印的 PDF）"_qs);
  copy->setToolTip(u"把这一签的签图复制到剪贴板"_qs);
  journal->setToolTip(u"查看以往的测字记录"_qs);
  for (QAction *action : {save, copy, journal}) {
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
  }
  save->setEnabled(false);
  copy->setEnabled(false);
  connect(save, &QAction::triggered, this, [this] {
    if (last)
      SaveSlipAsked(this->window, *last);
  });
  connect(copy, &QAction::triggered, this, [this] {
    if (last)
      CopySlip(*last);
  });
  connect(journal, &QAction::triggered, this, [this] { ShowJournal(this->window); });
  memo->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(memo, &QWidget::customContextMenuRequested, this, &SlipActions::ShowMenu);
}

void SlipActions::ShowMenu(const QPoint &position) {
  std::unique_ptr<QMenu> menu(memo->createStandardContextMenu(position));
  menu->addSeparator();
  menu->addAction(save);
  menu->addAction(copy);
  menu->addSeparator();
  menu->addAction(journal);
  menu->exec(memo->viewport()->mapToGlobal(position));
}

void SlipActions::ReportStarted() {
  ++generation;
  last.reset();
  save->setEnabled(false);
  copy->setEnabled(false);
}

void SlipActions::ReportCompleted(const QByteArray &characters) {
  // The report's own title and text (lines 3 and 5, after their indent); the
  // stroke counts are looked up once the compute action is over, so that the
  // action itself runs its eight lookups and no more.
  const QStringList lines = memo->toPlainText().split(u'\n');
  const QString title = lines.value(2).mid(4);
  const QString text = lines.value(4).mid(4);
  const QDateTime now = Desktop::Clock();
  ++generation;
  QTimer::singleShot(0, this, [this, characters, title, text, now, cast = generation] {
    if (cast != generation)
      return; // another report began meanwhile
    try {
      last = SlipOfReport(characters, title, text, now.date());
    } catch (const SilentAbort &) {
      ReportStarted(); // the database failed since the report: no slip
      return;
    }
    save->setEnabled(true);
    copy->setEnabled(true);
    Record(*last, now);
  });
}

void SlipActions::Record(const SignSlip &slip, const QDateTime &time) {
  if (!JournalRecordingEnabled())
    return;
  SignJournal journalFile;
  const QString opened = journalFile.Problem(); // a damaged file set aside
  const bool written = journalFile.Record(JournalEntryOf(slip, time));
  const QString problem = written ? opened : journalFile.Problem();
  if (!problem.isEmpty() && !JournalNoticeGiven()) {
    JournalNoticeGiven() = true;
    Desktop::Notice(window, problem);
  }
}
