#include "Untcezhi.h"

#include "ErrorHandler.h"
#include "Gbk.h"
#include "RzWidgets.h"
#include "SignDatabase.h"
#include "SignReport.h"
#include "SilentAbort.h"
#include "SlipActions.h"
#include "ui_Untcezhi.h"

#include <QKeyEvent>
#include <QScreen>

TFrmcezhi::TFrmcezhi(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFrmcezhi>()) {
  ui->setupUi(this);
  // System menu and close box only; the border stays resizable.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // The window is destroyed once it is closed; the next opening makes a new one.
  setAttribute(Qt::WA_DeleteOnClose);
  // "宋体" 12 px (a .ui font has points only).
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(12);
  setFont(font);
  ui->RzLabel1->setText(QString(IntroductionText).replace(u'\r', u'\n'));
  ui->RzBitBtn1->setIcon(GlyphStripIcon(QStringLiteral(":/glyphs/Ok.png")));
  ui->RzBitBtn2->setIcon(GlyphStripIcon(QStringLiteral(":/glyphs/Undo.png")));
  ui->RzBitBtn3->setIcon(GlyphStripIcon(QStringLiteral(":/glyphs/Exit.png")));

  ConnectEdits();
  // The memo is described by the whole report it holds.
  connect(ui->RzMemo1, &QPlainTextEdit::textChanged, this, [this] {
    QStringList lines = ui->RzMemo1->toPlainText().split(u'\n');
    for (QString &line : lines)
      line = line.trimmed();
    lines.removeAll(QString());
    ui->RzMemo1->setAccessibleDescription(lines.join(u'\n'));
  });
  // The lookups end a failed action by throwing SilentAbort: caught at the
  // handler, not inside Qt's event delivery.
  connect(ui->RzBitBtn1, &QPushButton::clicked, this, Guarded([this] { RzBitBtn1Click(); }, "RzBitBtn1Click"));
  connect(ui->RzBitBtn2, &QPushButton::clicked, this, &TFrmcezhi::RzBitBtn2Click);
  connect(ui->RzBitBtn3, &QPushButton::clicked, this, &TFrmcezhi::RzBitBtn3Click);

  auto *slipActions = new SlipActions(this, ui->RzMemo1);
  connect(this, &TFrmcezhi::ReportStarted, slipActions, &SlipActions::ReportStarted);
  connect(this, &TFrmcezhi::ReportCompleted, slipActions, &SlipActions::ReportCompleted);

  resize(487, 498);
  if (const QScreen *screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
  ui->RzEdit1->setFocus();
}

void TFrmcezhi::ConnectEdits() {
  const std::pair<QLineEdit *, QLabel *> edits[] = {
      {ui->RzEdit1, ui->RzLabel3}, {ui->RzEdit2, ui->RzLabel4}, {ui->RzEdit3, ui->RzLabel5}};
  for (const auto &pair : edits) {
    QLineEdit *edit = pair.first; // not a structured binding: clang 14 cannot capture one
    QLabel *label = pair.second;
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this, edit](const QString &text) { EditTextEdited(edit, text); });
    // Typed, pasted or cleared: the note follows every change of the text.
    connect(edit, &QLineEdit::textChanged, this, [this, edit, label] { ShowStrokeNote(edit, label); });
  }
}

TFrmcezhi::~TFrmcezhi() = default;

bool TFrmcezhi::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress) {
    const auto *key = static_cast<QKeyEvent *>(event);
    for (QLineEdit *edit : {ui->RzEdit1, ui->RzEdit2, ui->RzEdit3})
      if (watched == edit) {
        // Ctrl+V pastes as Shift+Insert and the context menu do; the paste
        // still goes through FitEditText and its two-byte limit.
        if (key->matches(QKeySequence::Paste))
          return false;
        return EditKeyPress(edit, key->text());
      }
  }
  return QDialog::eventFilter(watched, event);
}

bool TFrmcezhi::EditKeyPress(QLineEdit *, const QString &typed) {
  // Keys that type nothing (arrows, Delete, Tab's focus move) are no
  // character codes and reach the edit as they are.
  if (typed.isEmpty() || typed == u"\t")
    return false;
  const char32_t code = typed.toUcs4().value(0);
  if (!PassesKeyFilter(code))
    return true;
  if (code == 13) {
    focusNextChild(); // from the third edit on to "测算"
    return true;
  }
  return false;
}

void TFrmcezhi::EditTextEdited(QLineEdit *edit, const QString &text) {
  QString &accepted = Accepted[edit == ui->RzEdit1 ? 0 : edit == ui->RzEdit2 ? 1 : 2];
  const QString fitted = FitEditText(accepted, text);
  if (fitted != text) {
    const int cursor = std::min<int>(edit->cursorPosition(), int(fitted.size()));
    edit->setText(fitted);
    edit->setCursorPosition(cursor);
  }
  accepted = fitted;
}

void TFrmcezhi::ShowStrokeNote(QLineEdit *edit, QLabel *label) {
  const QString note = StrokeNote(edit->text());
  label->setText(note);
  edit->setAccessibleDescription(note);
}

void TFrmcezhi::AppendLine(const QByteArray &lineGbk) { ui->RzMemo1->appendPlainText(Gbk::FromGbk(lineGbk)); }

void TFrmcezhi::RzBitBtn1Click() {
  const auto read = [](const QLineEdit *edit) { return Gbk::ToGbk(edit->text()).value_or(QByteArray()); };
  const std::optional<QByteArray> characters =
      ReportCharacters(read(ui->RzEdit1), read(ui->RzEdit2), read(ui->RzEdit3));
  if (!characters)
    return;
  emit ReportStarted();
  ui->RzMemo1->clear();
  WriteSignReport(*characters, [this](const QByteArray &line) { AppendLine(line); });
  emit ReportCompleted(*characters);
}

void TFrmcezhi::RzBitBtn2Click() {
  ui->RzEdit1->clear();
  ui->RzEdit2->clear();
  ui->RzEdit3->clear();
  for (QString &accepted : Accepted)
    accepted.clear();
}

void TFrmcezhi::RzBitBtn3Click() { reject(); }

void ShowCharacterDivination() {
  auto *window = new TFrmcezhi();
  window->exec();
}
