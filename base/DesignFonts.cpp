#include "DesignFonts.h"

#include <QFont>
#include <QStringList>

void InstallFontSubstitutions() {
  // Debian: fonts-arphic-gbsn00lp, fonts-arphic-gkai00mp, fonts-arphic-ukai,
  // fonts-arphic-uming, fonts-wqy-zenhei, fonts-liberation.
  // UMing first: its Latin letters are distinct (SungtiL's "l" reads as "1").
  QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL SungtiL GB"),
                                                    QStringLiteral("WenQuanYi Zen Hei")});
  QFont::insertSubstitutions(QStringLiteral("SimSun"), {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL SungtiL GB")});
  QFont::insertSubstitutions(QStringLiteral("楷体_GB2312"), {QStringLiteral("AR PL KaitiM GB"), QStringLiteral("AR PL UKai CN")});
  QFont::insertSubstitutions(QStringLiteral("黑体"), {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")});
  // No free clerical-script font ships with Debian; the brush-drawn regular
  // script is the closest in spirit.
  QFont::insertSubstitutions(QStringLiteral("隶书"), {QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL KaitiM GB")});
  QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
  QFont::insertSubstitutions(QStringLiteral("Arial Black"), {QStringLiteral("Liberation Sans")});
}
