#include "RzWidgets.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

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

void RzButton::UpdateStyle() {
  const QColor down = FaceColor.darker(108);
  setStyleSheet(QStringLiteral("RzButton { background: %1; border: 1px solid %2; color: %3; font-weight: bold; "
                               "padding: 0px 2px; }"
                               "RzButton:hover { background: %4; border: 1px solid %5; }"
                               "RzButton:pressed { background: %6; }"
                               "RzButton:disabled { color: #a0a0a0; border-color: #b0b0b0; }")
                    .arg(FaceColor.name(), FrameColor.name(), TextColor.name(), QColor(255, 248, 220).name(),
                         FrameColor.lighter(150).name(), down.name()));
}

RzClickLabel::RzClickLabel(QWidget *parent) : QLabel(parent) {}

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
