#include "DesignFonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace {

// The Latin letters and digits of the Chinese faces below are drawn at 12 to
// 14 px from their embedded bitmaps or in brush shapes, where "l" reads as the
// digit "1" ("Vandrel" as "Vandre1", the support address with it). Latin text
// takes a serif face whose "l", "1" and "I" stay apart; the Chinese characters,
// which it lacks, fall through to the Chinese face after it. The face is
// Liberation Serif made as high as the Chinese faces (tools/LatinFont.py), so
// that lines keep their designed height; Liberation Serif itself, 2 px higher,
// only when that one cannot be loaded.
QString LatinSerif() {
  QString family = QStringLiteral("Liberation Serif");
  for (const char *style : {"Regular", "Bold"}) {
    const int id =
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/VandrelLatinSerif-%1.ttf").arg(QLatin1String(style)));
    if (const QStringList families = QFontDatabase::applicationFontFamilies(id); !families.isEmpty())
      family = families.first();
  }
  return family;
}

} // namespace

void InstallFontSubstitutions() {
  const QString latin = LatinSerif();
  // Debian: fonts-arphic-gbsn00lp, fonts-arphic-gkai00mp, fonts-arphic-ukai,
  // fonts-arphic-uming, fonts-wqy-zenhei, fonts-liberation.
  QFont::insertSubstitutions(QStringLiteral("宋体"),
                             {latin, QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL SungtiL GB"),
                              QStringLiteral("WenQuanYi Zen Hei")});
  QFont::insertSubstitutions(QStringLiteral("SimSun"),
                             {latin, QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL SungtiL GB")});
  QFont::insertSubstitutions(QStringLiteral("楷体_GB2312"),
                             {latin, QStringLiteral("AR PL KaitiM GB"), QStringLiteral("AR PL UKai CN")});
  QFont::insertSubstitutions(QStringLiteral("黑体"),
                             {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")});
  // No free clerical-script font ships with Debian; the brush-drawn regular
  // script is the closest in spirit.
  QFont::insertSubstitutions(QStringLiteral("隶书"),
                             {latin, QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL KaitiM GB")});
  QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
  QFont::insertSubstitutions(QStringLiteral("Arial Black"), {QStringLiteral("Liberation Sans")});
}
