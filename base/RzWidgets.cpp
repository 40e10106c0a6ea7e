#include "RzWidgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include <algorithm>

namespace {

// One groove: a dark line with a light line one pixel inside it, which reads
// as a channel cut into the surface.
void DrawGroove(QPainter &painter, QRect rect) {
  const QColor dark(160, 160, 160);
  const QColor light(255, 255, 255);
  painter.setPen(dark);
  painter.drawRect(rect.adjusted(0, 0, -2, -2));
  painter.setPen(light);
  painter.drawRect(rect.adjusted(1, 1, -1, -1));
}

// The keyboard focus as a dotted rectangle in the text colour, the way classic
// desktop controls show it; one pixel wide at 96 dpi, scaled with the rest.
void DrawFocusRectangle(QPainter &painter, const QRect &rect, const QColor &color) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(color, 1, Qt::DotLine));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

bool IsActivationKey(const QKeyEvent *event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  return modifiers == Qt::NoModifier &&
         (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space);
}

// What assistive technology sees of a clickable label: a link named by its
// accessible name or, failing that, its text, which the press action follows.
class AccessibleClickLabel : public QAccessibleWidget {
public:
  explicit AccessibleClickLabel(RzClickLabel *label) : QAccessibleWidget(label, QAccessible::Link) {}

  QString text(QAccessible::Text t) const override {
    QString value = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && value.isEmpty())
      value = static_cast<const QLabel *>(widget())->text();
    return value;
  }

  QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }

  void doAction(const QString &actionName) override {
    if (actionName == pressAction())
      static_cast<RzClickLabel *>(widget())->click();
    else
      QAccessibleWidget::doAction(actionName);
  }
};

QAccessibleInterface *ClickLabelAccessibility(const QString &className, QObject *object) {
  if (className == QLatin1String("RzClickLabel") && object && object->isWidgetType())
    return new AccessibleClickLabel(static_cast<RzClickLabel *>(object));
  return nullptr;
}

} // namespace

RzPanel::RzPanel(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_StyledBackground, false); }

void RzPanel::setGradientFrom(const QColor &color) {
  GradientFrom = color;
  update();
}

void RzPanel::setGradientTo(const QColor &color) {
  GradientTo = color;
  update();
}

void RzPanel::setGradientDirection(GradientDirection direction) {
  Direction = direction;
  update();
}

void RzPanel::setOuterGroove(bool on) {
  OuterGroove = on;
  update();
}

void RzPanel::setInnerGroove(bool on) {
  InnerGroove = on;
  update();
}

void RzPanel::setFrameColor(const QColor &color) {
  FrameColor = color;
  update();
}

void RzPanel::setFrameRadius(int radius) {
  FrameRadius = radius;
  update();
}

void RzPanel::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  const QRect area = rect();
  if (Direction != NoGradient && GradientFrom.isValid() && GradientTo.isValid()) {
    QLinearGradient gradient;
    switch (Direction) {
    case Horizontal:
      gradient = QLinearGradient(area.topLeft(), area.topRight());
      break;
    case Vertical:
      gradient = QLinearGradient(area.topLeft(), area.bottomLeft());
      break;
    default:
      gradient = QLinearGradient(area.topLeft(), area.bottomRight());
      break;
    }
    gradient.setColorAt(0, GradientFrom);
    gradient.setColorAt(1, GradientTo);
    painter.fillRect(area, gradient);
  } else if (autoFillBackground()) {
    painter.fillRect(area, palette().window());
  }
  if (FrameColor.isValid()) {
    painter.setRenderHint(QPainter::Antialiasing, FrameRadius > 0);
    painter.setPen(FrameColor);
    painter.setBrush(Qt::NoBrush);
    const QRectF frame = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawRoundedRect(frame, FrameRadius, FrameRadius);
    return;
  }
  QRect edge = area;
  if (OuterGroove) {
    DrawGroove(painter, edge);
    edge.adjust(2, 2, -2, -2);
  }
  if (InnerGroove)
    DrawGroove(painter, edge);
}

RzButton::RzButton(QWidget *parent) : QPushButton(parent) {
  setCursor(Qt::ArrowCursor);
  UpdateStyle();
}

void RzButton::setFrameColor(const QColor &color) {
  FrameColor = color;
  UpdateStyle();
}

void RzButton::setFaceColor(const QColor &color) {
  FaceColor = color;
  UpdateStyle();
}

void RzButton::setTextColor(const QColor &color) {
  TextColor = color;
  UpdateStyle();
}

void RzButton::setBoldText(bool on) {
  BoldText = on;
  UpdateStyle();
}

void RzButton::UpdateStyle() {
  const QColor down = FaceColor.darker(108);
  setStyleSheet(QStringLiteral("RzButton { background: %1; border: 1px solid %2; color: %3; font-weight: %7; "
                               "padding: 0px 2px; }"
                               "RzButton:hover { background: %4; border: 1px solid %5; }"
                               "RzButton:pressed { background: %6; }"
                               "RzButton:disabled { color: #a0a0a0; border-color: #b0b0b0; }")
                    .arg(FaceColor.name(), FrameColor.name(), TextColor.name(), QColor(255, 248, 220).name(),
                         FrameColor.lighter(150).name(), down.name(),
                         BoldText ? QStringLiteral("bold") : QStringLiteral("normal")));
}

void RzButton::keyPressEvent(QKeyEvent *event) {
  // Outside a dialog a push button ignores Enter; these act on it everywhere.
  if (IsActivationKey(event) && event->key() != Qt::Key_Space && !event->isAutoRepeat()) {
    click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

void RzButton::paintEvent(QPaintEvent *event) {
  QPushButton::paintEvent(event);
  if (!hasFocus())
    return;
  QPainter painter(this);
  // Inside the one-pixel frame with a pixel of face between.
  DrawFocusRectangle(painter, rect().adjusted(2, 2, -2, -2), TextColor);
}

RzClickLabel::RzClickLabel(QWidget *parent) : QLabel(parent) {
  static const bool accessibilityInstalled = [] {
    QAccessible::installFactory(ClickLabelAccessibility);
    return true;
  }();
  Q_UNUSED(accessibilityInstalled);
  setFocusPolicy(Qt::StrongFocus);
}

void RzClickLabel::click() {
  emit pressed(Qt::LeftButton);
  emit clicked();
}

QRect RzClickLabel::TextRect(const QRect &contents) const {
  return style()->itemTextRect(fontMetrics(), contents, static_cast<int>(alignment()), isEnabled(), text());
}

int RzClickLabel::FocusLineRow(const QRect &textRect) const {
  // One row clear below the text's underline (or where one would be).
  const QFontMetrics metrics = fontMetrics();
  return textRect.top() + metrics.ascent() + metrics.underlinePos() + metrics.lineWidth() + 1;
}

QSize RzClickLabel::sizeHint() const {
  QSize size = QLabel::sizeHint();
  if (focusPolicy() == Qt::NoFocus || text().isEmpty())
    return size;
  // Grown until the focus line fits under the text, which stays centred.
  const QMargins margins = contentsMargins();
  for (int tries = 0; tries < 8; ++tries) {
    const QRect contents = QRect(QPoint(0, 0), size).marginsRemoved(margins);
    if (FocusLineRow(TextRect(contents)) <= size.height() - 1)
      break;
    size.rheight() += 1;
  }
  return size;
}

void RzClickLabel::keyPressEvent(QKeyEvent *event) {
  if (IsActivationKey(event) && !event->isAutoRepeat()) {
    click();
    return;
  }
  QLabel::keyPressEvent(event);
}

void RzClickLabel::paintEvent(QPaintEvent *event) {
  QLabel::paintEvent(event);
  if (!hasFocus())
    return;
  QPainter painter(this);
  if (text().isEmpty()) {
    // Round a picture, whose colours may be any: black dots on a white line.
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    DrawFocusRectangle(painter, rect(), Qt::black);
    return;
  }
  const QRect textRect = TextRect(contentsRect());
  const QColor color = palette().color(QPalette::WindowText);
  const QRect around = textRect.adjusted(-2, -1, 2, 1);
  if (rect().contains(around)) {
    DrawFocusRectangle(painter, around, color);
    return;
  }
  // Labels sized to their text (the link column, the mail address) leave no
  // room round it: a dotted line under the text instead, below an underlined
  // text's own line where the label has room for it (sizeHint makes it).
  const QRect text = textRect.intersected(rect());
  const int row = std::min(FocusLineRow(textRect), height() - 1);
  painter.setPen(QPen(color, 1, Qt::DotLine));
  painter.drawLine(text.left(), row, text.right(), row);
}

void RzClickLabel::mousePressEvent(QMouseEvent *event) {
  LeftPressed = event->button() == Qt::LeftButton;
  emit pressed(event->button());
  QLabel::mousePressEvent(event);
}

void RzClickLabel::mouseReleaseEvent(QMouseEvent *event) {
  const bool click = LeftPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  LeftPressed = false;
  QLabel::mouseReleaseEvent(event);
  if (click)
    emit clicked();
}

QIcon GlyphStripIcon(const QString &resource) {
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
