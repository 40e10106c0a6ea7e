#include "TraditionalForm.h"

#include <QList>

#include <algorithm>
#include <array>
#include <utility>

namespace {

#include "TraditionalForms.inc"

static_assert(std::is_sorted(TraditionalForms.begin(), TraditionalForms.end()));

} // namespace

QString GetTraditionalForm(QStringView character) {
  const QList<uint> code = character.toUcs4();
  if (code.size() != 1)
    return character.toString();
  const auto found = std::lower_bound(TraditionalForms.begin(), TraditionalForms.end(), code[0],
                                      [](const auto &entry, char32_t value) { return entry.first < value; });
  if (found == TraditionalForms.end() || found->first != code[0])
    return character.toString();
  const char32_t form = found->second;
  return QString::fromUcs4(&form, 1);
}
