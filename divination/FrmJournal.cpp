#include "FrmJournal.h"

#include "Gbk.h"
#include "SignReport.h"
#include "SilentAbort.h"
#include "SlipActions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QShortcut>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int IdRole = Qt::UserRole;

QPushButton *Button(const QString &text, const QString &description, QWidget *parent) {
  auto *button = new QPushButton(text, parent);
  button->setAccessibleDescription(description);
  button->setAutoDefault(false);
  return button;
}

} // namespace

TFrmJournal::TFrmJournal(QWidget *parent, const QString &journalFile)
    : QDialog(parent), journal(std::make_unique<SignJournal>(journalFile)), search(new QLineEdit(this)),
      list(new QTreeWidget(this)), view(Button(u"查看签文(&V)"_qs, u"重新打开所选记录的签文和签图"_qs, this)),
      remove(Button(u"删除(&D)"_qs, u"删除所选的一条记录"_qs, this)),
      removeAll(Button(u"全部删除"_qs, u"删除全部测字记录"_qs, this)),
      exportCsv(Button(u"导出CSV(&E)…"_qs, u"把列表中的记录导出为 CSV 文件"_qs, this)),
      record(new QCheckBox(u"记录每次测字(&R)"_qs, this)) {
  setObjectName(u"FrmJournal"_qs);
  setWindowTitle(u"测字记录"_qs);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  resize(620, 420);

  auto *searchLabel = new QLabel(u"查找(&F)："_qs, this);
  searchLabel->setBuddy(search);
  search->setObjectName(u"JournalSearch"_qs);
  search->setPlaceholderText(u"按字、签号、签名或签等查找"_qs);
  search->setClearButtonEnabled(true);
  search->setAccessibleName(u"查找测字记录"_qs);
  list->setObjectName(u"JournalList"_qs);
  list->setAccessibleName(u"测字记录列表"_qs);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setAlternatingRowColors(true);
  list->setHeaderLabels({u"时间"_qs, u"三字"_qs, u"笔画"_qs, u"签号"_qs, u"签名"_qs, u"签等"_qs});
  list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  record->setObjectName(u"JournalRecord"_qs);
  record->setChecked(JournalRecordingEnabled());
  record->setAccessibleDescription(u"关闭后，测字不再写入记录"_qs);
  auto *close = Button(u"关闭"_qs, u"关闭测字记录"_qs, this);

  auto *top = new QHBoxLayout;
  top->addWidget(searchLabel);
  top->addWidget(search, 1);
  auto *buttons = new QHBoxLayout;
  for (QPushButton *button : {view, remove, removeAll, exportCsv})
    buttons->addWidget(button);
  buttons->addStretch(1);
  buttons->addWidget(record);
  buttons->addWidget(close);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(list, 1);
  layout->addLayout(buttons);

  connect(search, &QLineEdit::textChanged, this, &TFrmJournal::Refresh);
  connect(list, &QTreeWidget::itemActivated, this, &TFrmJournal::ViewSelected);
  connect(list, &QTreeWidget::currentItemChanged, this, [this] {
    view->setEnabled(SelectedId() != 0);
    remove->setEnabled(SelectedId() != 0);
  });
  connect(view, &QPushButton::clicked, this, &TFrmJournal::ViewSelected);
  connect(remove, &QPushButton::clicked, this, &TFrmJournal::DeleteSelected);
  connect(removeAll, &QPushButton::clicked, this, &TFrmJournal::DeleteAll);
  connect(exportCsv, &QPushButton::clicked, this, &TFrmJournal::ExportCsv);
  connect(record, &QCheckBox::toggled, this, [](bool on) { SetJournalRecordingEnabled(on); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto *deleteKey = new QShortcut(QKeySequence::Delete, list);
  deleteKey->setContext(Qt::WidgetShortcut);
  connect(deleteKey, &QShortcut::activated, this, &TFrmJournal::DeleteSelected);

  if (!journal->Problem().isEmpty())
    SlipDesktop::Notice(this, journal->Problem());
  Refresh();
  list->setFocus();
}

TFrmJournal::~TFrmJournal() = default;

void TFrmJournal::Refresh() {
  list->clear();
  const QList<JournalEntry> entries = journal->Entries(search->text().trimmed());
  QList<QTreeWidgetItem *> items;
  items.reserve(entries.size());
  for (const JournalEntry &entry : entries) {
    auto *item = new QTreeWidgetItem({entry.time.toString(u"yyyy-MM-dd HH:mm"_qs), entry.characters,
                                      u"%1 %2 %3"_qs.arg(entry.strokes[0]).arg(entry.strokes[1]).arg(entry.strokes[2]),
                                      entry.signNumber, entry.name, entry.grade});
    item->setData(0, IdRole, entry.id);
    items.append(item);
  }
  list->addTopLevelItems(items);
  if (!items.isEmpty())
    list->setCurrentItem(items.first());
  removeAll->setEnabled(!entries.isEmpty());
  exportCsv->setEnabled(!entries.isEmpty());
  view->setEnabled(SelectedId() != 0);
  remove->setEnabled(SelectedId() != 0);
}

qint64 TFrmJournal::SelectedId() const {
  const QTreeWidgetItem *item = list->currentItem();
  return item ? item->data(0, IdRole).toLongLong() : 0;
}

void TFrmJournal::ViewSelected() {
  const std::optional<JournalEntry> entry = journal->Entry(SelectedId());
  if (!entry)
    return;
  // The words come from the sign database again, as the report first did.
  const std::optional<QByteArray> characters = Gbk::ToGbk(entry->characters);
  QStringList lines;
  SignSlip slip;
  try {
    WriteSignReport(characters.value_or(QByteArray()),
                    [&lines](const QByteArray &line) { lines.append(Gbk::FromGbk(line)); });
    slip = CastSlip(characters.value_or(QByteArray()), entry->time.date());
  } catch (const SilentAbort &) {
    SlipDesktop::Notice(this, u"签文无法读取：签库文件 KelmFile.dll 缺失或损坏。"_qs);
    return;
  }
  TFrmSlipView viewer(this, slip, lines);
  viewer.exec();
}

void TFrmJournal::DeleteSelected() {
  const qint64 id = SelectedId();
  if (id == 0 || !SlipDesktop::Confirm(this, u"删除所选的这条测字记录？"_qs))
    return;
  if (!journal->Remove(id))
    SlipDesktop::Notice(this, journal->Problem());
  Refresh();
}

void TFrmJournal::DeleteAll() {
  if (!SlipDesktop::Confirm(this, u"删除全部测字记录？删除后无法恢复。"_qs))
    return;
  if (!journal->RemoveAll())
    SlipDesktop::Notice(this, journal->Problem());
  Refresh();
}

void TFrmJournal::ExportCsv() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists())
    folder = QDir::homePath();
  const QString path = SlipDesktop::AskSaveFile(this, folder + u"/测字记录.csv"_qs);
  if (path.isEmpty())
    return;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(JournalCsv(journal->Entries(search->text().trimmed()))) < 0 ||
      !file.commit())
    SlipDesktop::Notice(this, u"无法写入 %1：%2"_qs.arg(path, file.errorString()));
}

TFrmSlipView::TFrmSlipView(QWidget *parent, const SignSlip &slip, const QStringList &reportLines)
    : QDialog(parent), slip(slip) {
  setObjectName(u"FrmSlipView"_qs);
  setWindowTitle(u"签文 — %1"_qs.arg(slip.Words.Name));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto *tabs = new QTabWidget(this);
  auto *report = new QPlainTextEdit(this);
  report->setObjectName(u"SlipReport"_qs);
  report->setReadOnly(true);
  report->setPlainText(reportLines.join(u'\n'));
  report->setAccessibleName(u"测算结果"_qs);
  tabs->addTab(report, u"签文"_qs);
  auto *picture = new QLabel(this);
  picture->setObjectName(u"SlipPicture"_qs);
  picture->setPixmap(QPixmap::fromImage(PaintSlipImage(slip, devicePixelRatioF() > 1 ? 2.0 : 1.0)));
  picture->setAccessibleName(u"签图：%1（%2）"_qs.arg(slip.Words.Name, slip.Words.Grade));
  auto *scroll = new QScrollArea(this);
  scroll->setWidget(picture);
  scroll->setAlignment(Qt::AlignHCenter);
  tabs->addTab(scroll, u"签图"_qs);

  auto *buttons = new QDialogButtonBox(this);
  auto *save = Button(u"保存签图(&S)…"_qs, u"把这一签保存为签图"_qs, this);
  auto *copy = Button(u"复制签图(&C)"_qs, u"把签图复制到剪贴板"_qs, this);
  buttons->addButton(save, QDialogButtonBox::ActionRole);
  buttons->addButton(copy, QDialogButtonBox::ActionRole);
  buttons->addButton(QDialogButtonBox::Close)->setText(u"关闭"_qs);
  connect(save, &QPushButton::clicked, this, [this] { SaveSlipAsked(this, this->slip); });
  connect(copy, &QPushButton::clicked, this, [this] { CopySlip(this->slip); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(tabs, 1);
  layout->addWidget(buttons);
  resize(600, 640);
}

void ShowJournal(QWidget *parent) {
  TFrmJournal window(parent);
  window.exec();
}
