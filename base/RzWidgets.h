#pragma once
// The panel, button and label looks shared by the program's windows: grooved
// frames, gradient backgrounds, flat framed buttons with hot-tracking, and
// clickable labels. Windows place them through their .ui forms.

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

// A panel with an optional gradient background and grooved borders. The outer
// groove runs along the panel's edge, the inner one just inside it; each takes
// two pixels, and children are placed by the form as designed (the borders
// don't shift them).
class RzPanel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor gradientFrom READ gradientFrom WRITE setGradientFrom)
  Q_PROPERTY(QColor gradientTo READ gradientTo WRITE setGradientTo)
  Q_PROPERTY(GradientDirection gradientDirection READ gradientDirection WRITE setGradientDirection)
  Q_PROPERTY(bool outerGroove READ outerGroove WRITE setOuterGroove)
  Q_PROPERTY(bool innerGroove READ innerGroove WRITE setInnerGroove)
  Q_PROPERTY(QColor frameColor READ frameColor WRITE setFrameColor)
  Q_PROPERTY(int frameRadius READ frameRadius WRITE setFrameRadius)

public:
  enum GradientDirection { NoGradient, Horizontal, Vertical, Diagonal };
  Q_ENUM(GradientDirection)

  explicit RzPanel(QWidget *parent = nullptr);

  QColor gradientFrom() const { return GradientFrom; }
  void setGradientFrom(const QColor &color);
  QColor gradientTo() const { return GradientTo; }
  void setGradientTo(const QColor &color);
  GradientDirection gradientDirection() const { return Direction; }
  void setGradientDirection(GradientDirection direction);
  bool outerGroove() const { return OuterGroove; }
  void setOuterGroove(bool on);
  bool innerGroove() const { return InnerGroove; }
  void setInnerGroove(bool on);
  // A flat one-pixel frame of this colour instead of the grooves, when valid.
  QColor frameColor() const { return FrameColor; }
  void setFrameColor(const QColor &color);
  int frameRadius() const { return FrameRadius; }
  void setFrameRadius(int radius);

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  QColor GradientFrom;
  QColor GradientTo;
  GradientDirection Direction = NoGradient;
  bool OuterGroove = false;
  bool InnerGroove = false;
  QColor FrameColor;
  int FrameRadius = 0;
};

// A flat button with a one-pixel frame, a light face, bold text and a face
// that lightens under the mouse (hot-tracking). With the keyboard focus it
// shows a dotted rectangle inside its frame, and Enter presses it as Space
// does, in a dialog or not.
class RzButton : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QColor frameColor READ frameColor WRITE setFrameColor)
  Q_PROPERTY(QColor faceColor READ faceColor WRITE setFaceColor)
  Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
  Q_PROPERTY(bool boldText READ boldText WRITE setBoldText)

public:
  explicit RzButton(QWidget *parent = nullptr);

  QColor frameColor() const { return FrameColor; }
  void setFrameColor(const QColor &color);
  QColor faceColor() const { return FaceColor; }
  void setFaceColor(const QColor &color);
  QColor textColor() const { return TextColor; }
  void setTextColor(const QColor &color);
  // Off: the text in the font the button inherits, not bold.
  bool boldText() const { return BoldText; }
  void setBoldText(bool on);

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void paintEvent(QPaintEvent *event) override;

private:
  void UpdateStyle();

  QColor FrameColor = QColor(0, 128, 0);
  QColor FaceColor = QColor(0xF4, 0xF4, 0xF0);
  QColor TextColor = QColor(0, 0, 128);
  bool BoldText = true;
};

// A label that reports left-button clicks, for link labels and pictures that
// act like buttons. Any mouse button press is reported too, with its button.
// It takes the keyboard focus by Tab or a click, shows it as a dotted
// rectangle, and Enter or Space clicks it; assistive technology sees a link
// with a press action. Labels driven otherwise set Qt::NoFocus.
class RzClickLabel : public QLabel {
  Q_OBJECT

public:
  explicit RzClickLabel(QWidget *parent = nullptr);

  // What a left-button click does: pressed(Qt::LeftButton), then clicked().
  void click();

  // A label that takes the focus and is sized to its text keeps room below
  // an underline, so that the dotted focus line lies under the text's own
  // underline instead of on it or pushing it out.
  QSize sizeHint() const override;

signals:
  void clicked();
  void pressed(Qt::MouseButton button);

protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void paintEvent(QPaintEvent *event) override;

private:
  // Where the text lies in contents, as the label draws it.
  QRect TextRect(const QRect &contents) const;
  // The row of the dotted focus line under text drawn in textRect.
  int FocusLineRow(const QRect &textRect) const;

  bool LeftPressed = false;
};

// Qt colour of a design colour stored as 0x00BBGGRR (red in the low byte).
constexpr QRgb DesignColor(unsigned value) {
  return qRgb(static_cast<int>(value & 0xFF), static_cast<int>(value >> 8 & 0xFF),
              static_cast<int>(value >> 16 & 0xFF));
}
// The panels' light blue, written #CDECFB in the design and stored as 16510157.
static_assert(DesignColor(16510157) == qRgb(205, 236, 251));

// The icon of a glyph strip of 32 x 16: the normal image, then the disabled
// one; its twin at twice the size (Name@2x.png) serves screens scaled by 1.5
// or more.
QIcon GlyphStripIcon(const QString &resource);
