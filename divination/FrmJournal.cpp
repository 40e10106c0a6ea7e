#include "FrmJournal.h"

#include "Answers.h"
#include "Gbk.h"
#include "SignReport.h"
#include "SilentAbort.h"
#include "SlipActions.h"
#include "ui_FrmJournal.h"
#include "ui_FrmSlipView.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QStandardPaths>
#include <QTreeWidget>

namespace {

constexpr int IdRole = Qt::UserRole;

} // namespace

TFrmJournal::TFrmJournal(QWidget *parent, const QString &journalFile)
    : QDialog(parent), ui(std::make_unique<Ui::TFrmJournal>()), Journal(std::make_unique<SignJournal>(journalFile)) {
  ui->setupUi(this);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  ui->JournalList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  ui->JournalRecord->setChecked(JournalRecordingEnabled());

  connect(ui->JournalSearch, &QLineEdit::textChanged, this, &TFrmJournal::Refresh);
  connect(ui->JournalList, &QTreeWidget::itemActivated, this, &TFrmJournal::ViewSelected);
  connect(ui->JournalList, &QTreeWidget::currentItemChanged, this, &TFrmJournal::EnableCommands);
  connect(ui->JournalView, &QPushButton::clicked, this, &TFrmJournal::ViewSelected);
  connect(ui->JournalDelete, &QPushButton::clicked, this, &TFrmJournal::DeleteSelected);
  connect(ui->JournalDeleteAll, &QPushButton::clicked, this, &TFrmJournal::DeleteAll);
  connect(ui->JournalExport, &QPushButton::clicked, this, &TFrmJournal::ExportCsv);
  connect(ui->JournalRecord, &QCheckBox::toggled, this, [](bool on) { SetJournalRecordingEnabled(on); });
  connect(ui->JournalClose, &QPushButton::clicked, this, &QDialog::reject);
  auto *deleteKey = new QShortcut(QKeySequence::Delete, ui->JournalList);
  deleteKey->setContext(Qt::WidgetShortcut);
  connect(deleteKey, &QShortcut::activated, this, &TFrmJournal::DeleteSelected);

  if (!Journal->Problem().isEmpty())
    Desktop::Notice(this, Journal->Problem());
  Refresh();
  ui->JournalList->setFocus();
}

TFrmJournal::~TFrmJournal() = default;

QTreeWidget *TFrmJournal::List() const { return ui->JournalList; }
QLineEdit *TFrmJournal::Search() const { return ui->JournalSearch; }
QCheckBox *TFrmJournal::RecordBox() const { return ui->JournalRecord; }

void TFrmJournal::Refresh() {
  ui->JournalList->clear();
  Shown = Journal->Entries(ui->JournalSearch->text().trimmed());
  QList<QTreeWidgetItem *> items;
  items.reserve(Shown.size());
  for (const JournalEntry &entry : std::as_const(Shown)) {
    auto *item = new QTreeWidgetItem({entry.Time.toString(u"yyyy-MM-dd HH:mm"_qs), entry.Characters,
                                      u"%1 %2 %3"_qs.arg(entry.Strokes[0]).arg(entry.Strokes[1]).arg(entry.Strokes[2]),
                                      entry.SignNumber, entry.Name, entry.Grade});
    item->setData(0, IdRole, entry.Id);
    items.append(item);
  }
  ui->JournalList->addTopLevelItems(items);
  if (!items.isEmpty())
    ui->JournalList->setCurrentItem(items.first());
  ui->JournalDeleteAll->setEnabled(!Shown.isEmpty());
  ui->JournalExport->setEnabled(!Shown.isEmpty());
  EnableCommands();
}

void TFrmJournal::EnableCommands() {
  ui->JournalView->setEnabled(SelectedId() != 0);
  ui->JournalDelete->setEnabled(SelectedId() != 0);
}

qint64 TFrmJournal::SelectedId() const {
  const QTreeWidgetItem *item = ui->JournalList->currentItem();
  return item ? item->data(0, IdRole).toLongLong() : 0;
}

void TFrmJournal::ViewSelected() {
  const std::optional<JournalEntry> entry = Journal->Entry(SelectedId());
  if (!entry)
    return;
  // The words come from the sign database again, as the report first did.
  const std::optional<QByteArray> characters = Gbk::ToGbk(entry->Characters);
  QStringList lines;
  SignSlip slip;
  try {
    WriteSignReport(characters.value_or(QByteArray()),
                    [&lines](const QByteArray &line) { lines.append(Gbk::FromGbk(line)); });
    slip = CastSlip(characters.value_or(QByteArray()), entry->Time.date());
  } catch (const SilentAbort &) {
    Desktop::Notice(this, u"签文无法读取：签库文件 KelmFile.dll 缺失或损坏。"_qs);
    return;
  }
  TFrmSlipView viewer(this, slip, lines);
  viewer.exec();
}

void TFrmJournal::DeleteSelected() {
  const qint64 id = SelectedId();
  if (id == 0 || !Desktop::Confirm(this, u"删除所选的这条测字记录？"_qs))
    return;
  if (!Journal->Remove(id))
    Desktop::Notice(this, Journal->Problem());
  Refresh();
}

void TFrmJournal::DeleteAll() {
  if (!Desktop::Confirm(this, u"删除全部测字记录？删除后无法恢复。"_qs))
    return;
  if (!Journal->RemoveAll())
    Desktop::Notice(this, Journal->Problem());
  Refresh();
}

void TFrmJournal::ExportCsv() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists())
    folder = QDir::homePath();
  const QString path =
      Desktop::AskSaveFile(this, u"导出测字记录"_qs, folder + u"/测字记录.csv"_qs, u"CSV 文件 (*.csv)"_qs);
  if (path.isEmpty())
    return;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(JournalCsv(Shown)) < 0 || !file.commit())
    Desktop::Notice(this, u"无法写入 %1：%2"_qs.arg(path, file.errorString()));
}

TFrmSlipView::TFrmSlipView(QWidget *parent, const SignSlip &slip, const QStringList &reportLines)
    : QDialog(parent), ui(std::make_unique<Ui::TFrmSlipView>()), ShownSlip(slip) {
  ui->setupUi(this);
  setWindowTitle(u"签文 — %1"_qs.arg(slip.Words.Name));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  ui->SlipReport->setPlainText(reportLines.join(u'\n'));
  ui->SlipPicture->setPixmap(QPixmap::fromImage(PaintSlipImage(slip, devicePixelRatioF() > 1 ? 2.0 : 1.0)));
  ui->SlipPicture->adjustSize(); // the scroll area took it empty, at an empty label's size
  ui->SlipPicture->setAccessibleName(u"签图：%1（%2）"_qs.arg(slip.Words.Name, slip.Words.Grade));
  // The form gives the two buttons; the box places them by their role beside
  // its Close, whose text, a standard button's, the form cannot set.
  ui->SlipButtons->addButton(ui->SlipSave, QDialogButtonBox::ActionRole);
  ui->SlipButtons->addButton(ui->SlipCopy, QDialogButtonBox::ActionRole);
  ui->SlipButtons->button(QDialogButtonBox::Close)->setText(u"关闭"_qs);
  connect(ui->SlipSave, &QPushButton::clicked, this, [this] { SaveSlipAsked(this, ShownSlip); });
  connect(ui->SlipCopy, &QPushButton::clicked, this, [this] { CopySlip(ShownSlip); });
  connect(ui->SlipButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TFrmSlipView::~TFrmSlipView() = default;

void ShowJournal(QWidget *parent) {
  TFrmJournal window(parent);
  window.exec();
}
