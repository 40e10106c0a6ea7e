#include "DemoPictures.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

QFont Kai(int pixelSize) {
  QFont font(QStringList{QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL KaitiM GB")});
  font.setPixelSize(pixelSize);
  return font;
}

QByteArray Png(const QImage &image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// A picture of width x height pixels to paint on, clear all over.
QImage Transparent(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A ridge line of mountains across the width, filled down to the bottom.
QPainterPath Ridge(double width, double height, double base, double amplitude, quint32 seed) {
  QRandomGenerator random(seed);
  QPainterPath path;
  path.moveTo(0, height);
  path.lineTo(0, base);
  double x = 0;
  while (x < width) {
    const double step = 40 + random.bounded(60);
    const double peak = base - amplitude * (0.4 + random.generateDouble() * 0.6);
    path.quadTo(x + step / 2, peak, x + step, base - random.bounded(static_cast<int>(amplitude * 0.3) + 1));
    x += step;
  }
  path.lineTo(width, height);
  path.closeSubpath();
  return path;
}

QImage Landscape() {
  QImage image(300, 200, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 200);
  sky.setColorAt(0, QColor(0xf6, 0xee, 0xdc));
  sky.setColorAt(1, QColor(0xe8, 0xdc, 0xc0));
  p.fillRect(image.rect(), sky);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xc8, 0x3c, 0x2c));
  p.drawEllipse(QPointF(220, 52), 20, 20);
  const QColor inks[] = {QColor(0xb8, 0xb4, 0xa8), QColor(0x86, 0x84, 0x7c), QColor(0x4a, 0x4a, 0x48)};
  for (int layer = 0; layer < 3; ++layer) {
    p.setBrush(inks[layer]);
    p.drawPath(Ridge(300, 200, 110 + layer * 30, 60 - layer * 12, 17 + layer));
  }
  // Two birds in flight.
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.6));
  p.setBrush(Qt::NoBrush);
  for (const QPointF at : {QPointF(90, 50), QPointF(112, 62)}) {
    QPainterPath bird;
    bird.moveTo(at + QPointF(-8, 0));
    bird.quadTo(at + QPointF(-4, -5), at);
    bird.quadTo(at + QPointF(4, -5), at + QPointF(8, 0));
    p.drawPath(bird);
  }
  return image;
}

QImage Lantern() {
  QImage image = Transparent(200, 260);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x8a, 0x5a, 0x10), 3));
  p.drawLine(100, 0, 100, 40);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xd4, 0xa0, 0x20));
  p.drawRoundedRect(QRectF(70, 36, 60, 14), 4, 4);
  p.drawRoundedRect(QRectF(70, 190, 60, 14), 4, 4);
  QRadialGradient glow(QPointF(90, 110), 90);
  glow.setColorAt(0, QColor(0xf4, 0x50, 0x30));
  glow.setColorAt(1, QColor(0xa0, 0x10, 0x10));
  p.setBrush(glow);
  p.drawEllipse(QRectF(20, 46, 160, 148));
  p.setPen(QPen(QColor(0x80, 0x10, 0x10), 1.5));
  p.setBrush(Qt::NoBrush);
  for (int rib = 1; rib < 4; ++rib)
    p.drawEllipse(QRectF(20 + rib * 20, 46, 160 - rib * 40, 148));
  p.setPen(QColor(0xff, 0xd8, 0x60));
  p.setFont(Kai(64));
  p.drawText(QRectF(20, 46, 160, 148), Qt::AlignCenter, QStringLiteral("福"));
  p.setPen(QPen(QColor(0xd4, 0x30, 0x20), 2));
  for (int thread = 0; thread < 7; ++thread)
    p.drawLine(QPointF(82 + thread * 6, 204), QPointF(80 + thread * 6.6, 256));
  return image;
}

QImage BrushAndCharacter() {
  QImage image(260, 200, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(image.rect(), QColor(0xfb, 0xf5, 0xe6));
  // A sheet of practice paper with its red grid.
  const QRectF sheet(20, 20, 160, 160);
  p.setPen(QPen(QColor(0xc0, 0x30, 0x30), 2));
  p.drawRect(sheet);
  p.setPen(QPen(QColor(0xc0, 0x30, 0x30), 1, Qt::DashLine));
  p.drawLine(sheet.center().x(), sheet.top(), sheet.center().x(), sheet.bottom());
  p.drawLine(sheet.left(), sheet.center().y(), sheet.right(), sheet.center().y());
  p.drawLine(sheet.topLeft(), sheet.bottomRight());
  p.drawLine(sheet.topRight(), sheet.bottomLeft());
  p.setPen(QColor(0x20, 0x20, 0x20));
  p.setFont(Kai(130));
  p.drawText(sheet, Qt::AlignCenter, QStringLiteral("字"));
  // The brush, leaning on the sheet's edge.
  p.save();
  p.translate(220, 100);
  p.rotate(20);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x9a, 0x6a, 0x3a));
  p.drawRoundedRect(QRectF(-6, -80, 12, 130), 5, 5);
  p.setBrush(QColor(0x22, 0x22, 0x22));
  QPainterPath tip;
  tip.moveTo(-7, 50);
  tip.quadTo(-9, 72, 0, 88);
  tip.quadTo(9, 72, 7, 50);
  tip.closeSubpath();
  p.drawPath(tip);
  p.restore();
  return image;
}

QImage CalendarLeaf() {
  QImage image = Transparent(220, 200);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 40));
  p.drawRoundedRect(QRectF(16, 16, 190, 176), 10, 10);
  p.setBrush(QColor(0xff, 0xfc, 0xf4));
  p.drawRoundedRect(QRectF(10, 10, 190, 176), 10, 10);
  p.setBrush(QColor(0xb8, 0x22, 0x22));
  p.drawRoundedRect(QRectF(10, 10, 190, 44), 10, 10);
  p.drawRect(QRectF(10, 34, 190, 20));
  p.setPen(Qt::white);
  p.setFont(Kai(26));
  p.drawText(QRectF(10, 10, 190, 44), Qt::AlignCenter, QStringLiteral("立春"));
  p.setPen(QColor(0x30, 0x30, 0x30));
  p.setFont(Kai(84));
  p.drawText(QRectF(10, 54, 190, 100), Qt::AlignCenter, QStringLiteral("四"));
  p.setFont(Kai(18));
  p.drawText(QRectF(10, 150, 190, 30), Qt::AlignCenter, QStringLiteral("宜 出行 会友"));
  return image;
}

// The banner pane's background: 803 x 107, the part a user sees being the
// middle 792 x 84 (the pane hangs over its panel on every side).
QImage BannerBackground(const QColor &from, const QColor &to, quint32 seed) {
  QImage image(803, 107, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, 803, 0);
  band.setColorAt(0, from);
  band.setColorAt(1, to);
  p.fillRect(image.rect(), band);
  QRandomGenerator random(seed);
  p.setPen(QPen(QColor(255, 255, 255, 70), 2));
  p.setBrush(Qt::NoBrush);
  for (int cloud = 0; cloud < 9; ++cloud) {
    const QPointF at(random.bounded(803), 16 + random.bounded(84));
    const double r = 10 + random.bounded(14);
    for (int arc = 0; arc < 3; ++arc)
      p.drawArc(QRectF(at.x() + arc * r * 0.9, at.y() - r, r * 1.4, r * 1.4), 0, 180 * 16);
  }
  // A round seal near the right edge of the visible part.
  p.setPen(QPen(QColor(255, 240, 200, 160), 3));
  const QPointF seal(740, 58);
  p.drawEllipse(seal, 30, 30);
  for (int ray = 0; ray < 8; ++ray) {
    const double angle = ray * Pi / 4;
    p.drawLine(seal + QPointF(std::cos(angle), std::sin(angle)) * 16,
               seal + QPointF(std::cos(angle), std::sin(angle)) * 24);
  }
  return image;
}

} // namespace

QMap<QString, QByteArray> PaintDemoPictures() {
  return {
      {QStringLiteral("landscape.png"), Png(Landscape())},
      {QStringLiteral("lantern.png"), Png(Lantern())},
      {QStringLiteral("brush.png"), Png(BrushAndCharacter())},
      {QStringLiteral("calendar.png"), Png(CalendarLeaf())},
      {QStringLiteral("banner-red.png"), Png(BannerBackground(QColor(0x9c, 0x16, 0x16), QColor(0xd8, 0x6a, 0x1a), 3))},
      {QStringLiteral("banner-blue.png"), Png(BannerBackground(QColor(0x14, 0x3c, 0x78), QColor(0x2a, 0x8a, 0x9c), 8))},
  };
}
