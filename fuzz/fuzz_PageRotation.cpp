// The page list and the switch document over arbitrary bodies: the list's
// lines, GetListField and the rotation ticks of both panes as the main window
// runs them, and the switch bytes. Input layout: two bytes of switch document,
// then the page list body.

#include "FuzzCheck.h"
#include "Gbk.h"
#include "PageRotation.h"

#include <cstdint>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// The ticks of one pane from the start of the run, as long as they find
// something and at most twice the list's length (enough to see it wrap).
void CheckTicks(const PageList &list, int paneSwitch, QByteArrayView kind) {
  int index = 0;
  const int lastIndex = list.LastIndex();
  for (int tick = 0; tick <= 2 * (lastIndex + 1) + 1; ++tick) {
    const std::optional<RotationStep> step = NextRotationStep(list, paneSwitch, kind, index);
    if (!step)
      return;
    // The line selected lies in the searched range, is the pane's kind and
    // carries a usable period and address.
    FUZZ_CHECK(step->Line >= index && step->Line <= lastIndex);
    const QByteArray line = list.Line(step->Line);
    FUZZ_CHECK(ListLineField(line, 0) == kind);
    FUZZ_CHECK(DisplayPeriodMs(ListLineField(line, 1)) == std::optional<int>(step->PeriodMs));
    FUZZ_CHECK(step->PeriodMs >= 0);
    FUZZ_CHECK(step->Address.isValid() && !step->Address.host().isEmpty());
    FUZZ_CHECK(step->Address.scheme() == u"http" || step->Address.scheme() == u"https");
    FUZZ_CHECK(step->NextIndex == (step->Line + 1 == lastIndex ? 0 : step->Line + 1));
    index = step->NextIndex;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const QByteArrayView switchDocument = input.first(std::min<qsizetype>(2, input.size()));
  const PageList list(input.sliced(switchDocument.size()).toByteArray());

  // Switch bytes: a digit's value or nothing.
  for (qsizetype position : {0, 1, 2}) {
    const std::optional<int> value = SwitchValue(switchDocument, position);
    FUZZ_CHECK(!value || (*value >= 0 && *value <= 9));
    FUZZ_CHECK(value.has_value() == (position < switchDocument.size() && switchDocument[position] >= '0' &&
                                     switchDocument[position] <= '9'));
  }

  // Lines: no line end inside a line, the text's bytes all accounted for.
  FUZZ_CHECK(list.LastIndex() == list.LineCount() - 1);
  qsizetype lineBytes = 0;
  for (int index = 0; index <= list.LastIndex(); ++index) {
    const QByteArray line = list.Line(index);
    FUZZ_CHECK(!line.contains('\r') && !line.contains('\n'));
    lineBytes += line.size();
    // Fields: kind and seconds hold no ">", the address is trimmed, the
    // three joined give back the trimmed line when it has both separators.
    const QByteArray kind = GetListField(list, 0, index);
    const QByteArray seconds = GetListField(list, 1, index);
    const QByteArray address = GetListField(list, 2, index);
    FUZZ_CHECK(!kind.contains('>') && !seconds.contains('>'));
    FUZZ_CHECK(address.isEmpty() || (!IsBlank(address.front()) && !IsBlank(address.back())));
    const QByteArray trimmed = Gbk::TrimBytes(line);
    if (trimmed.count('>') >= 2) {
      const QByteArray rest = trimmed.sliced(kind.size() + 1 + seconds.size() + 1);
      FUZZ_CHECK(trimmed.startsWith(kind + '>' + seconds + '>'));
      FUZZ_CHECK(Gbk::TrimBytes(rest) == address);
    }
    FUZZ_CHECK(GetListField(list, 3, index).isEmpty() && GetListField(list, -1, index).isEmpty());
    if (const std::optional<int> period = DisplayPeriodMs(seconds))
      FUZZ_CHECK(*period >= 0 && *period % 1000 == 0);
  }
  FUZZ_CHECK(lineBytes <= list.Text().size());
  FUZZ_CHECK(GetListField(list, 0, list.LastIndex() + 1).isEmpty());
  FUZZ_CHECK(GetListField(list, 0, -1).isEmpty());

  const int mainFlag = SwitchValue(switchDocument, 0).value_or(0);
  const int bannerFlag = SwitchValue(switchDocument, 1).value_or(0);
  CheckTicks(list, mainFlag, MainPaneKind);
  CheckTicks(list, bannerFlag, BannerPaneKind);
  return 0;
}
