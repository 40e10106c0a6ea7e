#pragma once
// The pictures of the demo publisher site, painted here: an ink landscape, a
// red lantern, a brush and character, a calendar leaf and the banner
// backgrounds. PNG bytes by file name.

#include <QByteArray>
#include <QMap>
#include <QString>

QMap<QString, QByteArray> PaintDemoPictures();
