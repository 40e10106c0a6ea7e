#include "UpDown.h"

#include <QToolButton>

#include <algorithm>

UpDown::UpDown(QWidget *parent) : QWidget(parent), UpButton(new QToolButton(this)), DownButton(new QToolButton(this)) {
  for (QToolButton *button : {UpButton, DownButton}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(7, 4));
  }
  UpButton->setArrowType(Qt::UpArrow);
  DownButton->setArrowType(Qt::DownArrow);
  UpButton->setObjectName(QStringLiteral("up"));
  DownButton->setObjectName(QStringLiteral("down"));
  connect(UpButton, &QToolButton::clicked, this, [this] { Step(Up); });
  connect(DownButton, &QToolButton::clicked, this, [this] { Step(Down); });
}

void UpDown::setMinimum(int value) {
  Minimum = value;
  Maximum = std::max(Maximum, Minimum);
  setPosition(Position);
}

void UpDown::setMaximum(int value) {
  Maximum = value;
  Minimum = std::min(Minimum, Maximum);
  setPosition(Position);
}

void UpDown::setPosition(int value) { Position = std::clamp(value, Minimum, Maximum); }

void UpDown::resizeEvent(QResizeEvent *) {
  const int upper = height() / 2;
  UpButton->setGeometry(0, 0, width(), upper);
  DownButton->setGeometry(0, upper, width(), height() - upper);
}

void UpDown::Step(Button button) {
  setPosition(Position + (button == Up ? 1 : -1));
  emit clicked(button);
}
