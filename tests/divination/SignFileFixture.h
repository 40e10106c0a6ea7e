#pragma once
// The sign database the divination window's tests write beside their
// executable (each test has a folder of its own): three characters that make
// one sign, and a fourth counted in its traditional form.

#include "AppDir.h"
#include "JetWriter.h"
#include "SignDatabaseSources.h"

#include <QString>

inline QString SignFile() { return GetAppDir() + QStringLiteral("KelmFile.dll"); }

// 天 4, 地 6, 人 2 strokes: sign 078. 云 counts as 雲.
inline void WriteSignFile() {
  Jet::WriteDatabase(SignFile(), {{u"bihua"_qs,
                                   {{u"hanzi"_qs, Jet::ColumnType::Text}, {u"num"_qs, Jet::ColumnType::Long}},
                                   {{u"天"_qs, 4}, {u"地"_qs, 6}, {u"人"_qs, 2}, {u"云"_qs, 12}}},
                                  {u"vandrel"_qs,
                                   {{u"id"_qs, Jet::ColumnType::Text, 3},
                                    {u"title"_qs, Jet::ColumnType::Text},
                                    {u"content"_qs, Jet::ColumnType::Memo}},
                                   {{u"078"_qs, u" 天地人签 "_qs, StoredSignText(u"天高地厚，人在其中。"_qs)}}}});
}
