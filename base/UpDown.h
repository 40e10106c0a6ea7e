#pragma once
// A spinner without an edit: two stacked arrow buttons that step a position
// within [minimum, maximum] and report each press. The position stops at the
// bounds (it never wraps), and setting it from code reports nothing.

#include <QWidget>

class QToolButton;

class UpDown : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
  Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
  Q_PROPERTY(int position READ position WRITE setPosition)

public:
  enum Button { Up, Down };
  Q_ENUM(Button)

  explicit UpDown(QWidget *parent = nullptr);

  int minimum() const { return Minimum; }
  void setMinimum(int value);
  int maximum() const { return Maximum; }
  void setMaximum(int value);
  int position() const { return Position; }
  // Clamped to [minimum, maximum].
  void setPosition(int value);

  QToolButton *upButton() const { return UpButton; }
  QToolButton *downButton() const { return DownButton; }

signals:
  // After a press of either arrow has moved the position (or left it at a bound).
  void clicked(UpDown::Button button);

protected:
  void resizeEvent(QResizeEvent *event) override;

private:
  void Step(Button button);

  QToolButton *UpButton;
  QToolButton *DownButton;
  int Minimum = 0;
  int Maximum = 100;
  int Position = 0;
};
