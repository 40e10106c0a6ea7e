#pragma once
// The four movie divinations: the caption of the movie window and the movie
// file under the application directory, by movie kind.

#include <QString>

#include <array>
#include <optional>
#include <string_view>

struct MovieKindRow {
  std::string_view Caption;      // UTF-8
  std::string_view RelativePath; // under the application directory, '/' separated
};

// Indexed by movie kind, 0..3. Kinds 2 and 3 are the main window's two movie
// buttons; 0 and 1 exist for completeness and no command reaches them.
inline constexpr std::array<MovieKindRow, 4> MovieKinds{{
    {"眼型占卜", "Flash/yanxing.swf"},
    {"手相占卜", "Flash/shou.swf"},
    {"拜佛求签", "Flash/paifo.swf"},
    {"土地圣杯", "Flash/tudi.swf"},
}};

static_assert(MovieKinds.size() == 4);

// The row of a movie kind, or nothing for a kind outside 0..3.
std::optional<MovieKindRow> FindMovieKind(int movieKind);

// The caption of a movie kind's window.
QString MovieCaption(const MovieKindRow &row);

// The full path of a movie kind's file: appDir (ending in its separator)
// followed by the row's relative path.
QString MoviePath(const QString &appDir, const MovieKindRow &row);
