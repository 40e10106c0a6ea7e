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
#include <QPixmap>
#include <QScreen>

namespace {

// RGB(205, 236, 251), the light blue of the panels and the introduction.
constexpr QRgb LightBlue = qRgb(205, 236, 251);

void PaintBackground(QWidget *widget, QRgb color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, color);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// A glyph strip of 32 x 16: the normal image, then the disabled one; its
// twin at twice the size (Name@2x.png) serves screens scaled by 1.5 or more.
QIcon GlyphIcon(const QString &resource) {
  QIcon icon;
  for (const int scale : {1, 2}) {
    const QString file =
        scale == 1 ? resource : QString(resource).replace(QLatin1String(".png"), QLatin1String("@2x.png"));
    const QPixmap strip(file);
    const int size = 16 * scale;
    for (const auto &[left, mode] : {std::pair{0, QIcon::Normal}, std::pair{size, QIcon::Disabled}}) {
      QPixmap glyph = strip.copy(left, 0, size, size);
      glyph.setDevicePixelRatio(scale);
      icon.addPixmap(glyph, mode);
    }
  }
  return icon;
}

} // namespace

TFrmcezhi::TFrmcezhi(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFrmcezhi>()) {
  ui->setupUi(this);
  // System menu and close box only; the border stays resizable.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // The window is destroyed once it is closed; the next opening makes a new one.
  setAttribute(Qt::WA_DeleteOnClose);

  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(12);
  setFont(font);

  ui->RzLabel1->setText(QString(IntroductionText).replace(u'\r', u'\n'));
  PaintBackground(ui->RzLabel1, LightBlue);
  for (QWidget *panel : {ui->RzPanel2, ui->RzPanel3})
    PaintBackground(panel, LightBlue);

  const std::pair<RzButton *, const char *> buttons[] = {
      {ui->RzBitBtn1, ":/glyphs/Ok.png"}, {ui->RzBitBtn2, ":/glyphs/Undo.png"}, {ui->RzBitBtn3, ":/glyphs/Exit.png"}};
  for (const auto &[button, glyph] : buttons) {
    button->setFrameColor(QColor(0, 60, 116));
    button->setFaceColor(QColor(244, 244, 240));
    button->setTextColor(QColor(0, 0, 0));
    // The shared look sets bold text; these buttons use the window's font.
    button->setStyleSheet(button->styleSheet() + QStringLiteral(" RzButton { font-weight: normal; }"));
    button->setIcon(GlyphIcon(QString::fromLatin1(glyph)));
    button->setIconSize(QSize(16, 16));
  }

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
  // What a screen reader announces: the three edits by their place, the
  // buttons by what they do, the memo with the whole report it holds.
  ui->RzEdit1->setAccessibleName(QStringLiteral("第一个字"));
  ui->RzEdit2->setAccessibleName(QStringLiteral("第二个字"));
  ui->RzEdit3->setAccessibleName(QStringLiteral("第三个字"));
  ui->RzLabel1->setAccessibleName(QStringLiteral("说明"));
  ui->RzBitBtn1->setAccessibleDescription(QStringLiteral("按三个字的笔画求签，签文写在下方"));
  ui->RzBitBtn2->setAccessibleDescription(QStringLiteral("清空三个字"));
  ui->RzBitBtn3->setAccessibleDescription(QStringLiteral("关闭测字窗口"));
  ui->RzMemo1->setAccessibleName(QStringLiteral("测算结果"));
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
