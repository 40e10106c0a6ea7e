// Paints the pictures of the windows as JPEG files: the banner strip, the
// command-bar texture, the link-column backgrounds, the content area, the exit
// question, the about picture and the customer-service icons.
// Usage: PaintPictures OUTPUT_DIR (the pictures)
//        PaintPictures --icons OUTPUT_DIR (the application icon, hicolor sizes)
// Fonts come from Debian's packages (fonts-arphic-gkai00mp, fonts-arphic-ukai,
// fonts-liberation); every shape is drawn here.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr double Pi = 3.14159265358979323846;

// The pictures are painted at twice their size in window pixels, so that they
// stay sharp at a scale factor of 2 and are smoothly reduced at 1.
constexpr int PictureScale = 2;

QImage Canvas(int width, int height) {
  QImage image(width * PictureScale, height * PictureScale, QImage::Format_RGB32);
  image.setDevicePixelRatio(PictureScale);
  image.fill(Qt::white);
  return image;
}

QRect LogicalRect(const QImage &image) { return QRect(QPoint(0, 0), image.deviceIndependentSize().toSize()); }

// The whole picture in a linear gradient from `from` at start to `to` at end.
void FillGround(QPainter &p, const QImage &image, QPointF start, QPointF end, const QColor &from, const QColor &to) {
  QLinearGradient ground(start, end);
  ground.setColorAt(0, from);
  ground.setColorAt(1, to);
  p.fillRect(LogicalRect(image), ground);
}

// Brush script for the Chinese text; Latin letters (the publisher's name) come
// from a serif face, since the brush fonts draw "l" like the digit "1".
QFont Kai(int pixelSize, bool bold = false) {
  QFont font(QStringList{QStringLiteral("Liberation Serif"), QStringLiteral("AR PL KaitiM GB"),
                         QStringLiteral("AR PL UKai CN")});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

// Auspicious cloud: a row of overlapping arcs with a curl, stroked.
void DrawCloud(QPainter &p, QPointF at, double scale, const QColor &color) {
  QPainterPath path;
  path.moveTo(at + QPointF(-30, 8) * scale);
  path.cubicTo(at + QPointF(-34, -8) * scale, at + QPointF(-14, -14) * scale, at + QPointF(-8, -2) * scale);
  path.cubicTo(at + QPointF(-6, -18) * scale, at + QPointF(18, -18) * scale, at + QPointF(16, -2) * scale);
  path.cubicTo(at + QPointF(28, -10) * scale, at + QPointF(40, 4) * scale, at + QPointF(30, 8) * scale);
  path.closeSubpath();
  p.setPen(QPen(color, 1.6 * scale));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  QPainterPath curl;
  curl.moveTo(at + QPointF(-8, 2) * scale);
  curl.cubicTo(at + QPointF(-6, -6) * scale, at + QPointF(4, -6) * scale, at + QPointF(3, 1) * scale);
  p.drawPath(curl);
}

// The eight trigrams around a yin-yang disc.
void DrawBagua(QPainter &p, QPointF centre, double radius, const QColor &ink, const QColor &paper) {
  p.save();
  p.translate(centre);
  const double disc = radius * 0.42;
  p.setPen(Qt::NoPen);
  p.setBrush(paper);
  p.drawEllipse(QPointF(0, 0), disc, disc);
  QPainterPath yin;
  yin.moveTo(0, -disc);
  yin.arcTo(QRectF(-disc, -disc, 2 * disc, 2 * disc), 90, 180);
  yin.arcTo(QRectF(-disc / 2, 0, disc, disc), 270, -180);
  yin.arcTo(QRectF(-disc / 2, -disc, disc, disc), 270, 180);
  p.setBrush(ink);
  p.drawPath(yin);
  p.drawEllipse(QPointF(0, disc / 2), disc / 7, disc / 7);
  p.setBrush(paper);
  p.drawEllipse(QPointF(0, -disc / 2), disc / 7, disc / 7);
  p.setPen(QPen(ink, 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(0, 0), disc, disc);
  // Trigrams of the earlier-heaven order, lines from inside out; 1 = solid.
  static const int trigrams[8][3] = {{1, 1, 1}, {0, 1, 1}, {1, 0, 1}, {0, 0, 1},
                                     {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  const double barLength = radius * 0.36;
  const double barHeight = radius * 0.055;
  for (int k = 0; k < 8; ++k) {
    p.save();
    p.rotate(k * 45.0);
    for (int line = 0; line < 3; ++line) {
      const double y = -(disc + radius * 0.12 + line * barHeight * 2.0);
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      if (trigrams[k][line]) {
        p.drawRect(QRectF(-barLength / 2, y - barHeight, barLength, barHeight));
      } else {
        const double half = barLength * 0.42;
        p.drawRect(QRectF(-barLength / 2, y - barHeight, half, barHeight));
        p.drawRect(QRectF(barLength / 2 - half, y - barHeight, half, barHeight));
      }
    }
    p.restore();
  }
  p.restore();
}

QImage Banner() {
  QImage image = Canvas(792, 84);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient ground(0, 0, 0, 84);
  ground.setColorAt(0, QColor(176, 20, 18));
  ground.setColorAt(0.55, QColor(140, 12, 14));
  ground.setColorAt(1, QColor(96, 6, 8));
  p.fillRect(LogicalRect(image), ground);
  // A sweep of gold light from the left, behind the title.
  QRadialGradient glow(QPointF(190, 40), 260);
  glow.setColorAt(0, QColor(255, 196, 64, 150));
  glow.setColorAt(1, QColor(255, 196, 64, 0));
  p.fillRect(LogicalRect(image), glow);
  const QColor gold(242, 196, 88);
  for (int k = 0; k < 9; ++k)
    DrawCloud(p, QPointF(420 + k * 44, 22 + (k % 3) * 20), 0.9, QColor(242, 196, 88, 70));
  // Gold rules along both edges.
  p.setPen(QPen(gold, 2));
  p.drawLine(0, 4, 792, 4);
  p.drawLine(0, 79, 792, 79);
  p.setPen(QPen(QColor(242, 196, 88, 120), 1));
  p.drawLine(0, 8, 792, 8);
  p.drawLine(0, 75, 792, 75);
  DrawBagua(p, QPointF(48, 42), 34, QColor(242, 196, 88), QColor(150, 14, 16));
  // The title: the publisher's name in a Latin serif, the rest in brush
  // script, each with a dark shadow under a gold face.
  QFont latin(QStringLiteral("Liberation Serif"));
  latin.setPixelSize(40);
  latin.setBold(true);
  latin.setItalic(true);
  const QFont brush = Kai(46, true);
  const QString name = QStringLiteral("Vandrel");
  const QString rest = QStringLiteral("测字算命");
  const double baseline = 58;
  QPainterPath text;
  text.addText(QPointF(100, baseline), latin, name);
  text.addText(QPointF(106 + QFontMetricsF(latin).horizontalAdvance(name), baseline + 1), brush, rest);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 0, 0, 170));
  p.drawPath(text.translated(2, 2));
  QLinearGradient face(0, 18, 0, 66);
  face.setColorAt(0, QColor(255, 236, 160));
  face.setColorAt(1, QColor(226, 160, 48));
  p.setPen(QPen(QColor(110, 30, 0), 0.8));
  p.setBrush(face);
  p.drawPath(text);
  p.setFont(Kai(16));
  p.setPen(gold);
  p.drawText(QRectF(530, 46, 250, 26), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("心诚则灵 · 一字知天机"));
  return image;
}

QImage CommandBar() {
  QImage image = Canvas(792, 36);
  QPainter p(&image);
  FillGround(p, image, QPointF(0, 0), QPointF(792, 36), QColor(205, 236, 251), QColor(205, 231, 254));
  // A faint fret pattern.
  p.setPen(QPen(QColor(255, 255, 255, 110), 1));
  for (int x = -36; x < 792; x += 18) {
    p.drawLine(x, 35, x + 36, 0);
  }
  p.setPen(QColor(160, 196, 224));
  p.drawLine(0, 35, 792, 35);
  return image;
}

QImage LinkColumn(bool ornament) {
  QImage image = Canvas(176, 426);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  FillGround(p, image, QPointF(0, 0), QPointF(0, 426), QColor(205, 236, 251), QColor(135, 206, 235));
  if (!ornament)
    return image;
  // Soft clouds along the column and a lighter lane behind the link texts.
  for (int k = 0; k < 7; ++k)
    DrawCloud(p, QPointF(40 + (k % 2) * 90, 30 + k * 62), 1.1, QColor(255, 255, 255, 90));
  QLinearGradient lane(0, 0, 176, 0);
  lane.setColorAt(0, QColor(255, 255, 255, 0));
  lane.setColorAt(0.1, QColor(255, 255, 255, 70));
  lane.setColorAt(0.9, QColor(255, 255, 255, 70));
  lane.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(QRectF(4, 8, 168, 412), lane);
  p.setPen(QPen(QColor(255, 255, 255, 140), 1, Qt::DotLine));
  for (int y = 33; y < 420; y += 24)
    p.drawLine(12, y, 164, y);
  return image;
}

QImage Content() {
  QImage image = Canvas(612, 422);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  FillGround(p, image, QPointF(0, 0), QPointF(612, 422), QColor(250, 244, 226), QColor(236, 222, 190));
  // Paper grain.
  QRandomGenerator random(20260101);
  for (int k = 0; k < 2600; ++k) {
    const int x = random.bounded(612);
    const int y = random.bounded(422);
    p.setPen(QColor(180, 150, 100, random.bounded(10, 40)));
    p.drawPoint(x, y);
  }
  // Mountains in washed ink along the bottom.
  auto ridge = [&](double base, double height, double phase, QColor color) {
    QPainterPath path;
    path.moveTo(0, 422);
    for (int x = 0; x <= 612; x += 4) {
      const double y =
          base - height * (0.55 + 0.45 * std::sin(x / 70.0 + phase)) * (0.6 + 0.4 * std::sin(x / 23.0 + phase * 2));
      path.lineTo(x, y);
    }
    path.lineTo(612, 422);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(path);
  };
  ridge(380, 70, 0.3, QColor(120, 130, 120, 60));
  ridge(400, 50, 1.9, QColor(80, 90, 84, 80));
  ridge(420, 30, 3.1, QColor(50, 60, 56, 90));
  // The sun, and the trigram wheel.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 40, 30, 200));
  p.drawEllipse(QPointF(520, 80), 26, 26);
  DrawBagua(p, QPointF(306, 180), 110, QColor(90, 50, 30), QColor(250, 244, 226));
  p.setFont(Kai(30, true));
  p.setPen(QColor(120, 20, 16));
  p.drawText(QRectF(0, 300, 612, 40), Qt::AlignCenter, QStringLiteral("三字问心  一签解惑"));
  p.setFont(Kai(16));
  p.setPen(QColor(90, 60, 40));
  p.drawText(QRectF(0, 338, 612, 24), Qt::AlignCenter, QStringLiteral("点击上方“Vandrel测字”，写下心中三个字"));
  // A red seal in the corner.
  p.setBrush(QColor(190, 30, 24));
  p.drawRoundedRect(QRectF(40, 40, 52, 52), 6, 6);
  p.setFont(Kai(22, true));
  p.setPen(QColor(250, 236, 220));
  p.drawText(QRectF(40, 40, 52, 52), Qt::AlignCenter, QStringLiteral("测\n字"));
  return image;
}

QImage ExitQuestion() {
  // A door standing ajar with a question mark above it.
  QImage image = Canvas(41, 44);
  image.fill(QColor(240, 240, 240));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(90, 60, 30), 1.2));
  p.setBrush(QColor(250, 236, 200));
  p.drawRect(QRectF(8, 14, 20, 28));
  QPolygonF leaf{{8, 14}, {20, 18}, {20, 44}, {8, 42}};
  p.setBrush(QColor(176, 112, 56));
  p.drawPolygon(leaf);
  p.setBrush(QColor(250, 220, 120));
  p.drawEllipse(QPointF(17.5, 30), 1.3, 1.3);
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(18);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(30, 90, 200));
  p.drawText(QRectF(22, 0, 19, 22), Qt::AlignCenter, QStringLiteral("?"));
  return image;
}

QImage About() {
  QImage image = Canvas(153, 149);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  FillGround(p, image, QPointF(0, 0), QPointF(0, 149), QColor(168, 18, 16), QColor(96, 6, 8));
  const QColor gold(242, 196, 88);
  p.setPen(QPen(gold, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(5.5, 5.5, 142, 138));
  DrawBagua(p, QPointF(76.5, 62), 46, gold, QColor(150, 14, 16));
  p.setFont(Kai(20, true));
  p.setPen(gold);
  p.drawText(QRectF(0, 112, 153, 26), Qt::AlignCenter, QStringLiteral("测字算命"));
  return image;
}

// A round badge with a symbol, for the customer-service sections.
QImage ServiceIcon(const QColor &color, const std::function<void(QPainter &)> &symbol) {
  QImage image = Canvas(41, 41);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient ball(QPointF(15, 13), 26);
  ball.setColorAt(0, color.lighter(150));
  ball.setColorAt(1, color);
  p.setPen(Qt::NoPen);
  p.setBrush(ball);
  p.drawEllipse(QRectF(1.5, 1.5, 38, 38));
  p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  symbol(p);
  return image;
}

void HandshakeSymbol(QPainter &p) {
  // Two hands meeting: two arms and a clasp.
  p.drawLine(QPointF(8, 24), QPointF(16, 18));
  p.drawLine(QPointF(33, 24), QPointF(25, 18));
  p.drawRoundedRect(QRectF(14, 15, 13, 10), 4, 4);
  p.drawLine(QPointF(17, 25), QPointF(19, 29));
  p.drawLine(QPointF(21, 25), QPointF(23, 29));
}

void PhoneSymbol(QPainter &p) {
  QPainterPath handset;
  handset.moveTo(12, 13);
  handset.cubicTo(10, 22, 19, 31, 28, 29);
  p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(handset);
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(20, 9, 12, 12), 0, 90 * 16);
  p.drawArc(QRectF(17, 6, 18, 18), 0, 90 * 16);
}

void ChatSymbol(QPainter &p) {
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(8, 10, 25, 17), 6, 6);
  bubble.moveTo(14, 27);
  bubble.lineTo(12, 33);
  bubble.lineTo(20, 27);
  p.drawPath(bubble);
  p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
  for (int k = 0; k < 3; ++k)
    p.drawPoint(QPointF(14 + k * 6.5, 18.5));
}

void MailSymbol(QPainter &p) {
  p.drawRect(QRectF(8, 12, 25, 17));
  p.drawPolyline(QPolygonF{{8, 12}, {20.5, 22}, {33, 12}});
}

// The application icon: a red seal with the character 测 in gold, with
// rounded corners and a transparent surround, drawn for each size so that
// small icons stay crisp.
QImage AppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double margin = size / 16.0;
  const QRectF seal(margin, margin, size - 2 * margin, size - 2 * margin);
  QLinearGradient ground(seal.topLeft(), seal.bottomRight());
  ground.setColorAt(0, QColor(200, 36, 28));
  ground.setColorAt(1, QColor(128, 10, 12));
  p.setPen(Qt::NoPen);
  p.setBrush(ground);
  p.drawRoundedRect(seal, size / 6.0, size / 6.0);
  if (size >= 32) {
    p.setPen(QPen(QColor(242, 196, 88), std::max(1.0, size / 40.0)));
    p.setBrush(Qt::NoBrush);
    const double inset = size / 10.0;
    p.drawRoundedRect(seal.adjusted(inset / 2, inset / 2, -inset / 2, -inset / 2), size / 9.0, size / 9.0);
  }
  QFont font = Kai(static_cast<int>(size * 0.62), true);
  p.setFont(font);
  p.setPen(QColor(255, 222, 130));
  p.drawText(seal, Qt::AlignCenter, QStringLiteral("测"));
  return image;
}

} // namespace

int main(int argc, char *argv[]) {
  QGuiApplication app(argc, argv);
  if (argc == 3 && QByteArray(argv[1]) == "--icons") {
    // The application icon in the freedesktop hicolor sizes.
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
      if (!QDir().mkpath(dir) || !AppIcon(size).save(dir + QStringLiteral("/vandrel.png"), "PNG")) {
        QTextStream(stderr) << "cannot write the icon into " << dir << '\n';
        return 1;
      }
    }
    return 0;
  }
  if (argc != 2) {
    QTextStream(stderr) << "usage: PaintPictures OUTPUT_DIR | PaintPictures --icons OUTPUT_DIR\n";
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.mkpath(QStringLiteral("."))) {
    QTextStream(stderr) << "cannot create " << out.path() << '\n';
    return 1;
  }
  const std::pair<const char *, std::function<QImage()>> pictures[] = {
      {"Banner.jpg", Banner},
      {"CommandBar.jpg", CommandBar},
      {"LinkColumn.jpg", [] { return LinkColumn(false); }},
      {"LinkColumnTop.jpg", [] { return LinkColumn(true); }},
      {"Content.jpg", Content},
      {"ExitQuestion.jpg", ExitQuestion},
      {"About.jpg", About},
      {"ServiceBusiness.jpg", [] { return ServiceIcon(QColor(232, 120, 24), HandshakeSymbol); }},
      {"ServicePhone.jpg", [] { return ServiceIcon(QColor(40, 150, 60), PhoneSymbol); }},
      {"ServiceChat.jpg", [] { return ServiceIcon(QColor(30, 130, 220), ChatSymbol); }},
      {"ServiceMail.jpg", [] { return ServiceIcon(QColor(200, 50, 60), MailSymbol); }},
      {"AppIcon.png", [] { return AppIcon(128); }},
  };
  for (const auto &[name, paint] : pictures) {
    const QString path = out.filePath(QString::fromLatin1(name));
    const bool jpeg = path.endsWith(QStringLiteral(".jpg"));
    if (!paint().save(path, jpeg ? "JPEG" : "PNG", jpeg ? 92 : -1)) {
      QTextStream(stderr) << "cannot write " << path << '\n';
      return 1;
    }
  }
  return 0;
}
