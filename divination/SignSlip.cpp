#include "SignSlip.h"

#include "Almanac.h"
#include "DateCn.h"
#include "Gbk.h"
#include "ReplaceableFile.h"
#include "SignDatabase.h"
#include "SignJournal.h"
#include "SignNumber.h"
#include "TraditionalForm.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextLayout>

#include <chrono>

namespace {

const QStringList MatterLabels = {u"家宅"_qs, u"自身"_qs, u"求财"_qs, u"婚姻"_qs, u"六甲"_qs, u"功名"_qs,
                                  u"出行"_qs, u"行人"_qs, u"疾病"_qs, u"诉讼"_qs, u"失物"_qs, u"移徙"_qs};

// Colours of the shrine's slip: aged paper, cinnabar frame and seal, ink.
constexpr QRgb Paper = 0xF4E9D2;
constexpr QRgb PaperShade = 0xE8D6B0;
constexpr QRgb Cinnabar = 0xA3271C;
constexpr QRgb Gold = 0xF6D77A;
constexpr QRgb Ink = 0x2A1A10;
constexpr QRgb Faded = 0x6A4A30;

// The Kai face for the slip's own words, the Song face for the notes. The
// GB Kai face has no traditional forms; the Unicode Kai face after it does.
QFont SlipFont(bool kai, qreal pixels, bool bold = false) {
  QFont font;
  font.setFamilies(kai ? QStringList{u"AR PL KaitiM GB"_qs, u"AR PL UKai CN"_qs, u"AR PL UMing CN"_qs}
                       : QStringList{u"Liberation Serif"_qs, u"AR PL UMing CN"_qs, u"AR PL UKai CN"_qs});
  font.setPixelSize(qRound(pixels));
  font.setBold(bold);
  // The same outlines on every platform plugin, so the window and the
  // command-line tool paint the same picture.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

// Draws text wrapped into width from (x, y) on; returns the y below it.
qreal DrawWrapped(QPainter &painter, const QString &text, const QFont &font, qreal x, qreal y, qreal width,
                  qreal lineHeight) {
  QTextLayout layout(text, font, painter.device());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  qreal top = y;
  while (true) {
    QTextLine line = layout.createLine();
    if (!line.isValid())
      break;
    line.setLineWidth(width);
    line.setPosition(QPointF(0, top - y));
    top += lineHeight;
  }
  layout.endLayout();
  painter.setFont(font);
  layout.draw(&painter, QPointF(x, y));
  return top;
}

void DrawCentred(QPainter &painter, const QString &text, const QFont &font, const QRectF &box) {
  painter.setFont(font);
  painter.drawText(box, Qt::AlignCenter, text);
}

// The verse in columns of one character each, read from right to left.
void DrawVerse(QPainter &painter, const QStringList &verse, const QRectF &box) {
  const qreal cell = 30;
  const qreal pitch = 46;
  const QFont font = SlipFont(true, 26);
  painter.setFont(font);
  const qreal columnsWidth = pitch * (verse.size() - 1) + cell;
  const qreal right = box.center().x() + columnsWidth / 2 - cell;
  qsizetype longest = 0;
  for (const QString &line : verse)
    longest = std::max(longest, line.size());
  const qreal top = box.center().y() - cell * longest / 2;
  for (qsizetype column = 0; column < verse.size(); ++column) {
    const qreal x = right - pitch * column;
    const QString &line = verse[column];
    for (qsizetype row = 0; row < line.size(); ++row)
      painter.drawText(QRectF(x, top + cell * row, cell, cell), Qt::AlignCenter, line.mid(row, 1));
  }
}

// The slip's margin and the width of what stands inside the frame.
constexpr qreal Left = 44;
constexpr qreal Width = SlipWidth - 2 * Left;
// Where the words below the verse begin, and the step of a one-line part.
constexpr qreal WordsTop = 368;
constexpr qreal LabelledLine = 27;
constexpr qreal MatterRow = 22;
// 圣意 of its longest (24 characters) on one line beside its label.
constexpr qreal DivinePixels = 16;
constexpr qreal AnswerPixels = 15;

// Double frame in cinnabar on the paper.
void PaintFrame(QPainter &painter) {
  const QRectF page(0, 0, SlipWidth, SlipHeight);
  painter.fillRect(page, QColor(Paper));
  painter.setPen(QPen(QColor(Cinnabar), 3));
  painter.drawRect(page.adjusted(14, 14, -14, -14));
  painter.setPen(QPen(QColor(Cinnabar), 1));
  painter.drawRect(page.adjusted(21, 21, -21, -21));
}

// Heading: number on the right, grade seal in the middle, name below.
void PaintHeading(QPainter &painter, const SignSlip &slip) {
  painter.setPen(QColor(Faded));
  painter.setFont(SlipFont(true, 16));
  const QString number = slip.SignNumber.isEmpty() ? QString() : u"第%1签"_qs.arg(slip.SignNumber);
  painter.drawText(QRectF(Left, 34, Width, 24), Qt::AlignRight | Qt::AlignVCenter, number);
  painter.drawText(QRectF(Left, 34, Width, 24), Qt::AlignLeft | Qt::AlignVCenter, u"测字灵签"_qs);
  const SignWords &words = slip.Words;
  if (!words.Grade.isEmpty()) {
    const SealColours colours = SealColoursOf(words.Grade);
    const QRectF seal(SlipWidth / 2.0 - 62, 30, 124, 36);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(colours.Fill));
    painter.drawRoundedRect(seal, 4, 4);
    painter.setPen(QPen(QColor(colours.Text), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(seal.adjusted(3, 3, -3, -3), 2, 2);
    painter.setPen(QColor(colours.Text));
    DrawCentred(painter, words.Grade, SlipFont(true, 22, true), seal);
  }
  painter.setPen(QColor(Ink));
  DrawCentred(painter, words.Name, SlipFont(true, 34, true), QRectF(Left, 72, Width, 46));
}

// The verse on a shaded panel.
void PaintVersePanel(QPainter &painter, const SignWords &words) {
  const QRectF versePanel(Left + 60, 126, Width - 120, 228);
  painter.setPen(QPen(QColor(Cinnabar), 1));
  painter.setBrush(QColor(PaperShade));
  painter.drawRect(versePanel);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QColor(Ink));
  DrawVerse(painter, words.Verse, versePanel);
}

// A part with its label in cinnabar (典故, 圣意, 解曰), wrapped to the width
// beside the label; returns the y below it.
qreal PaintLabelled(QPainter &painter, const QString &label, const QString &text, qreal y, qreal pixels = 17) {
  painter.setPen(QColor(Cinnabar));
  painter.setFont(SlipFont(true, 17, true));
  painter.drawText(QRectF(Left, y, 60, 22), Qt::AlignLeft | Qt::AlignVCenter, label);
  painter.setPen(QColor(Ink));
  return DrawWrapped(painter, text, SlipFont(true, pixels), Left + 52, y - 1, Width - 52, 24) + LabelledLine - 24;
}

// Story, the deity's word and the reading; returns the y below them.
qreal PaintStoryAndReading(QPainter &painter, const SignWords &words, qreal y) {
  if (!words.Story.isEmpty())
    y = PaintLabelled(painter, u"典故"_qs, words.Story, y);
  if (!words.DivineWord.isEmpty())
    y = PaintLabelled(painter, u"圣意"_qs, words.DivineWord, y, DivinePixels);
  if (!words.Reading.isEmpty())
    y = PaintLabelled(painter, u"解曰"_qs, words.Reading, y);
  return y;
}

// The twelve matters in two columns; an answer too long for its column is
// set smaller rather than cut. Returns the y below them.
qreal PaintMatters(QPainter &painter, const SignWords &words, qreal y) {
  if (words.Matters.isEmpty())
    return y;
  painter.setPen(QPen(QColor(Cinnabar), 1, Qt::DotLine));
  painter.drawLine(QPointF(Left, y), QPointF(Left + Width, y));
  y += 8;
  const qreal columnWidth = Width / 2;
  const qreal answerWidth = columnWidth - 50; // a gap before the next column's label
  const qsizetype rows = (words.Matters.size() + 1) / 2;
  for (qsizetype i = 0; i < words.Matters.size(); ++i) {
    const qsizetype column = i / rows; // the first half on the left
    const qreal x = Left + columnWidth * qreal(column);
    const qreal top = y + MatterRow * qreal(i % rows);
    painter.setPen(QColor(Cinnabar));
    painter.setFont(SlipFont(false, 14, true));
    painter.drawText(QRectF(x, top, 44, 22), Qt::AlignLeft | Qt::AlignVCenter, words.Matters[i].first);
    const QString &answer = words.Matters[i].second;
    QFont font = SlipFont(false, AnswerPixels);
    const qreal natural = QFontMetricsF(font, painter.device()).horizontalAdvance(answer);
    if (natural > answerWidth)
      font.setPixelSize(std::max(9, int(AnswerPixels * answerWidth / natural)));
    painter.setPen(QColor(Ink));
    painter.setFont(font);
    painter.drawText(QRectF(x + 40, top, answerWidth, 22), Qt::AlignLeft | Qt::AlignVCenter, answer);
  }
  return y + MatterRow * qreal(rows) + 6;
}

// The three characters with the forms counted and their strokes. They stand
// above the date line; long words push them down to it.
void PaintCharacters(QPainter &painter, const SignSlip &slip, qreal y) {
  const qreal boxHeight = 80;
  const qreal boxTop = std::min<qreal>(std::max<qreal>(y + 4, SlipHeight - 158), SlipHeight - 72 - boxHeight);
  const qreal boxWidth = 110;
  const qreal gap = (Width - 3 * boxWidth) / 2;
  for (int i = 0; i < 3; ++i) {
    const SlipCharacter &character = slip.Characters[i];
    const QRectF box(Left + i * (boxWidth + gap), boxTop, boxWidth, boxHeight);
    painter.setPen(QPen(QColor(Cinnabar), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    painter.setPen(QColor(Ink));
    DrawCentred(painter, character.Character, SlipFont(true, 38), QRectF(box.left(), box.top() + 2, boxWidth, 50));
    painter.setPen(QColor(Faded));
    const QString counted =
        character.Traditional.isEmpty() ? QString() : u"%1 %2画"_qs.arg(character.Traditional).arg(character.Strokes);
    DrawCentred(painter, counted, SlipFont(true, 17), QRectF(box.left(), box.top() + 50, boxWidth, 26));
  }
}

// The day, and whose slip this is.
void PaintFooter(QPainter &painter, const SignSlip &slip) {
  painter.setPen(QColor(Faded));
  DrawCentred(painter, SlipDateLine(slip.Date), SlipFont(true, 16), QRectF(Left, SlipHeight - 66, Width, 24));
  DrawCentred(painter, u"Vandrel测字算命"_qs, SlipFont(false, 12), QRectF(Left, SlipHeight - 46, Width, 18));
}

// The words below the verse; returns the y below them.
qreal PaintWords(QPainter &painter, const SignWords &words) {
  return PaintMatters(painter, words, PaintStoryAndReading(painter, words, WordsTop) + 6);
}

void PaintSlip(QPainter &painter, const SignSlip &slip) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  PaintFrame(painter);
  PaintHeading(painter, slip);
  PaintVersePanel(painter, slip.Words);
  PaintCharacters(painter, slip, PaintWords(painter, slip.Words));
  PaintFooter(painter, slip);
}

QString DecodeGbk(const QByteArray &bytes) { return Gbk::FromGbk(bytes); }

} // namespace

SignWords ParseSignWords(const QString &title, const QString &text) {
  SignWords words;
  static const QRegularExpression titleShape(u"^(.+?)（(.+)）$"_qs);
  const QRegularExpressionMatch titleMatch = titleShape.match(title.trimmed());
  if (titleMatch.hasMatch()) {
    words.Name = titleMatch.captured(1);
    words.Grade = titleMatch.captured(2);
  } else {
    words.Name = title.trimmed();
  }

  const QString content = text.trimmed();
  // Where each labelled part begins; the verse is whatever stands before the
  // first label.
  struct Part {
    QString label;
    qsizetype at;
  };
  QList<Part> parts;
  qsizetype from = 0;
  for (const QString &label : QStringList{u"典故"_qs, u"圣意"_qs, u"解曰"_qs} + MatterLabels) {
    const qsizetype at = content.indexOf(label + u'：', from);
    if (at >= 0) {
      parts.append({label, at});
      from = at + label.size() + 1;
    }
  }
  const qsizetype verseEnd = parts.isEmpty() ? content.size() : parts.first().at;
  const QString verse = content.left(verseEnd);
  static const QRegularExpression lineBreaks(u"[，；。！？,;.!? ]+"_qs);
  const QStringList lines = verse.split(lineBreaks, Qt::SkipEmptyParts);
  const bool verseShaped = lines.size() == 4 && std::all_of(lines.begin(), lines.end(), [](const QString &line) {
                             return line.size() >= 4 && line.size() <= 9;
                           });
  if (verseShaped)
    words.Verse = lines;
  else if (!verse.isEmpty())
    words.Reading = verse; // unknown shape: keep every word

  for (qsizetype i = 0; i < parts.size(); ++i) {
    const qsizetype start = parts[i].at + parts[i].label.size() + 1;
    const qsizetype end = i + 1 < parts.size() ? parts[i + 1].at : content.size();
    QString value = content.mid(start, end - start).trimmed();
    if (parts[i].label == u"典故"_qs || parts[i].label == u"圣意"_qs) {
      if (value.endsWith(u'。'))
        value.chop(1);
      (parts[i].label == u"典故"_qs ? words.Story : words.DivineWord) = value;
    } else if (parts[i].label == u"解曰"_qs) {
      words.Reading = words.Reading.isEmpty() ? value : words.Reading + value;
    } else {
      if (value.endsWith(u'。'))
        value.chop(1);
      words.Matters.append({parts[i].label, value});
    }
  }
  return words;
}

QString SlipDateLine(QDate date) {
  if (!date.isValid())
    return QString();
  QString line = u"%1年%2月%3日"_qs.arg(date.year()).arg(date.month()).arg(date.day());
  const DateValue value = EncodeDate(std::chrono::year_month_day{
      std::chrono::year{date.year()}, std::chrono::month{static_cast<unsigned>(date.month())},
      std::chrono::day{static_cast<unsigned>(date.day())}});
  QString month = DecodeGbk(GetLunarMonthName(value));
  const QString day = DecodeGbk(GetLunarDayName(value));
  if (!month.isEmpty() && !day.isEmpty()) {
    if (!month.endsWith(u'月'))
      month += u'月'; // a leap month is named 闰二
    line += u"　农历"_qs + month + day;
  }
  if (const QByteArray ganZhi = Almanac::GetGanZhiLine(value); !ganZhi.isEmpty())
    line += u"　"_qs + DecodeGbk(ganZhi); // 甲辰年 丙寅月 甲辰日
  return line;
}

SealColours SealColoursOf(const QString &grade) {
  if (grade == u"上上签"_qs || grade == u"上吉签"_qs)
    return {Cinnabar, Gold};
  if (grade == u"中吉签"_qs)
    return {0xC0502A, Gold};
  if (grade == u"中平签"_qs)
    return {0xA86A24, 0xFFF1C1};
  if (grade == u"中下签"_qs)
    return {0x6E4A2E, 0xF1DDB0};
  return {0x4E4A46, 0xE8E2D6};
}

qreal SlipWordsBottom(const SignWords &words) {
  QImage scratch(QSize(SlipWidth, SlipHeight), QImage::Format_RGB32);
  QPainter painter(&scratch);
  return PaintWords(painter, words);
}

QImage PaintSlipImage(const SignSlip &slip, qreal scale) {
  QImage image(QSize(qRound(SlipWidth * scale), qRound(SlipHeight * scale)), QImage::Format_RGB32);
  image.setDevicePixelRatio(scale);
  image.fill(QColor(Paper));
  QPainter painter(&image);
  PaintSlip(painter, slip);
  painter.end();
  return image;
}

QString WriteSlipFile(const SignSlip &slip, const QString &path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != u"png"_qs && suffix != u"pdf"_qs)
    return u"签图只能保存为 PNG 图片或 PDF 文件（文件名以 .png 或 .pdf 结尾）。"_qs;
  // Refused before anything is written, and again just before the rename.
  if (QString refused = ReplaceableFileProblem(path); !refused.isEmpty())
    return refused;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return u"无法写入 %1：%2"_qs.arg(path, file.errorString());
  if (suffix == u"png"_qs) {
    if (!PaintSlipImage(slip).save(&file, "PNG"))
      return u"无法写入 %1：图片编码失败。"_qs.arg(path);
  } else {
    QPdfWriter writer(&file);
    writer.setCreator(u"Vandrel测字算命"_qs);
    writer.setTitle(slip.Words.Name);
    writer.setResolution(72); // one logical pixel = one point
    writer.setPageLayout(
        QPageLayout(QPageSize(QSizeF(SlipWidth, SlipHeight), QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer))
      return u"无法写入 %1：PDF 无法生成。"_qs.arg(path);
    PaintSlip(painter, slip);
    painter.end();
  }
  if (QString refused = ReplaceableFileProblem(path); !refused.isEmpty()) {
    file.cancelWriting();
    return refused;
  }
  if (!file.commit())
    return u"无法写入 %1：%2"_qs.arg(path, file.errorString());
  return QString();
}

namespace {

std::array<QByteArray, 3> Pieces(QByteArrayView characters) {
  // As the report cuts them: bytes 1-2, 3-4 and 5-6.
  return {Gbk::CopyBytes(characters, 1, 2), Gbk::CopyBytes(characters, 3, 2), Gbk::CopyBytes(characters, 5, 2)};
}

} // namespace

SignSlip SlipOfReport(QByteArrayView characters, const QString &title, const QString &text, QDate date) {
  SignSlip slip;
  slip.Date = date;
  const std::array<QByteArray, 3> pieces = Pieces(characters);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    slip.Characters[i].Character = Gbk::FromGbk(pieces[i]);
    slip.Characters[i].Traditional = GetTraditionalForm(slip.Characters[i].Character);
    slip.Characters[i].Strokes = GetStrokeCount(pieces[i]);
  }
  slip.SignNumber = QString::fromLatin1(
      SignNumberOf(slip.Characters[0].Strokes, slip.Characters[1].Strokes, slip.Characters[2].Strokes));
  slip.Words = ParseSignWords(title, text);
  return slip;
}

SignSlip CastSlip(QByteArrayView characters, QDate date) {
  const std::array<QByteArray, 3> pieces = Pieces(characters);
  const QString title = Gbk::FromGbk(GetSignText(pieces[0], pieces[1], pieces[2], false));
  const QString text = Gbk::FromGbk(GetSignText(pieces[0], pieces[1], pieces[2], true));
  return SlipOfReport(characters, title, text, date);
}

JournalEntry JournalEntryOf(const SignSlip &slip, const QDateTime &time) {
  JournalEntry entry;
  entry.Time = time;
  for (std::size_t i = 0; i < slip.Characters.size(); ++i) {
    entry.Characters += slip.Characters[i].Character;
    entry.Strokes[i] = slip.Characters[i].Strokes;
  }
  entry.SignNumber = slip.SignNumber;
  entry.Name = slip.Words.Name;
  entry.Grade = slip.Words.Grade;
  return entry;
}
