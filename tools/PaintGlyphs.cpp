// Paints the 16 x 16 button glyphs of the divination window as PNG strips of
// 32 x 16: the normal image on the left, the grey disabled one on the right.
// Each also comes at twice the size (Name@2x.png, 64 x 32) for screens
// scaled by 1.5 or more, drawn from the same paths, not enlarged.
//   Ok.png     a green tick                          ("测算")
//   Undo.png   a blue arrow curving back on itself   ("清除")
//   Exit.png   a door with a blue arrow into it      ("关闭")
// Usage: PaintGlyphs OUTPUT_DIR

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>

#include <functional>

namespace {

using Drawing = std::function<void(QPainter &)>;

void Tick(QPainter &p) {
  QPainterPath tick;
  tick.moveTo(2.5, 8.5);
  tick.lineTo(6.5, 12.5);
  tick.lineTo(13.5, 3.5);
  p.setPen(QPen(QColor(0, 100, 0), 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(tick);
  p.setPen(QPen(QColor(40, 190, 40), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(tick);
}

// A closed outline in the arrows' blue, with a dark blue edge.
void ArrowShape(QPainter &p, const QPolygonF &corners) {
  QPainterPath shape;
  shape.addPolygon(corners);
  shape.closeSubpath();
  p.setPen(QPen(QColor(10, 40, 140), 0.8));
  p.setBrush(QColor(60, 120, 230));
  p.drawPath(shape);
}

// An arrow that leaves to the right, sweeps round over the top and comes back
// pointing left: the "undo" turn.
void CurvedArrow(QPainter &p) {
  QPainterPath bend;
  bend.moveTo(3.5, 11.5);
  bend.lineTo(9.0, 11.5);
  bend.cubicTo(15.5, 11.5, 15.5, 3.5, 9.0, 3.5);
  bend.lineTo(6.5, 3.5);
  p.setPen(QPen(QColor(10, 40, 140), 3.2, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
  p.drawPath(bend);
  p.setPen(QPen(QColor(60, 120, 230), 1.6, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
  p.drawPath(bend);
  ArrowShape(p, {{1.0, 3.5}, {6.5, 0.0}, {6.5, 7.0}}); // the head
}

void DoorWithArrow(QPainter &p) {
  // Frame and an open door leaf, brown wood.
  p.setPen(QPen(QColor(90, 60, 30), 1.0));
  p.setBrush(QColor(245, 235, 215));
  p.drawRect(QRectF(7.5, 1.5, 7, 13));
  QPainterPath leaf;
  leaf.moveTo(7.5, 1.5);
  leaf.lineTo(11.5, 3.0);
  leaf.lineTo(11.5, 15.0);
  leaf.lineTo(7.5, 14.5);
  leaf.closeSubpath();
  p.setBrush(QColor(170, 110, 50));
  p.drawPath(leaf);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 210, 60));
  p.drawEllipse(QPointF(10.3, 8.8), 0.8, 0.8);
  // The arrow points into the doorway from the left.
  ArrowShape(p, {{0.5, 6.5}, {4.5, 6.5}, {4.5, 4.0}, {8.5, 8.0}, {4.5, 12.0}, {4.5, 9.5}, {0.5, 9.5}});
}

// The disabled state: the glyph's own shape in flat greys, lighter inside,
// with a white shadow one (scaled) pixel down and right, as disabled glyphs look.
QImage Disabled(const QImage &normal, int scale) {
  QImage grey(normal.size(), QImage::Format_ARGB32);
  grey.fill(Qt::transparent);
  for (int y = 0; y < normal.height(); ++y)
    for (int x = 0; x < normal.width(); ++x) {
      const QColor c = normal.pixelColor(x, y);
      if (c.alpha() == 0)
        continue;
      const int g = 96 + qGray(c.rgb()) * 80 / 255;
      grey.setPixelColor(x, y, QColor(g, g, g, c.alpha()));
    }
  QImage result(normal.size(), QImage::Format_ARGB32);
  result.fill(Qt::transparent);
  QPainter p(&result);
  QImage shadow = grey;
  for (int y = 0; y < shadow.height(); ++y)
    for (int x = 0; x < shadow.width(); ++x)
      shadow.setPixelColor(x, y, QColor(255, 255, 255, grey.pixelColor(x, y).alpha()));
  p.drawImage(scale, scale, shadow);
  p.drawImage(0, 0, grey);
  return result;
}

// The strip at `scale` device pixels per glyph pixel (1 or 2).
QImage Strip(const Drawing &draw, int scale) {
  const int size = 16 * scale;
  QImage normal(size, size, QImage::Format_ARGB32);
  normal.fill(Qt::transparent);
  {
    QPainter p(&normal);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    draw(p);
  }
  QImage strip(2 * size, size, QImage::Format_ARGB32);
  strip.fill(Qt::transparent);
  QPainter p(&strip);
  p.drawImage(0, 0, normal);
  p.drawImage(size, 0, Disabled(normal, scale));
  return strip;
}

} // namespace

int main(int argc, char **argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    QTextStream(stderr) << "usage: PaintGlyphs OUTPUT_DIR\n";
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(out.path())) {
    QTextStream(stderr) << "cannot create " << out.path() << '\n';
    return 1;
  }
  const std::pair<const char *, Drawing> glyphs[] = {
      {"Ok.png", Tick}, {"Undo.png", CurvedArrow}, {"Exit.png", DoorWithArrow}};
  for (const auto &[name, draw] : glyphs) {
    for (const int scale : {1, 2}) {
      QString file = out.filePath(QString::fromLatin1(name));
      if (scale > 1)
        file.replace(QLatin1String(".png"), QStringLiteral("@%1x.png").arg(scale));
      if (!Strip(draw, scale).save(file, "PNG")) {
        QTextStream(stderr) << "cannot write " << file << '\n';
        return 1;
      }
    }
  }
  return 0;
}
