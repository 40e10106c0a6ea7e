#pragma once
// A replaceable effect on the desktop: the browser, the beep, the clock, a
// modal answer, the movie window. The program calls the seam like a function;
// it does what the desktop does, or what a layer above installed (the widget
// beep, the movie window), or nothing (a default answer) while neither is
// there. A test replaces it for as long as a Seam::Override lives:
//
//   extern Seam<QDateTime()> Clock;                  // the seam, in its layer
//   const QDateTime now = Desktop::Clock();          // the program asks it
//   const auto fixed = Desktop::Clock.Replace([] { return Moment; }); // a test
//
// Overrides nest; each gives back the effect it replaced when it ends.

#include <functional>
#include <type_traits>
#include <utility>

template <class Signature> class Seam;

template <class Result, class... Arguments> class Seam<Result(Arguments...)> {
public:
  using Function = std::function<Result(Arguments...)>;

  explicit Seam(Function desktop = {}) : Installed(std::move(desktop)) {}
  Seam(const Seam &) = delete;
  Seam &operator=(const Seam &) = delete;

  Result operator()(Arguments... arguments) const {
    const Function &effect = Replacement ? Replacement : Installed;
    if (!effect) {
      if constexpr (std::is_void_v<Result>)
        return;
      else
        return Result();
    }
    return effect(std::forward<Arguments>(arguments)...);
  }

  // The program's own effect, put in place once by a layer above.
  void Install(Function desktop) { Installed = std::move(desktop); }

  // While it lives, the seam does replacement instead.
  class [[nodiscard]] Override {
  public:
    Override(Seam &seam, Function replacement)
        : Owner(seam), Previous(std::exchange(seam.Replacement, std::move(replacement))) {}
    ~Override() { Owner.Replacement = std::move(Previous); }
    Override(const Override &) = delete;
    Override &operator=(const Override &) = delete;

  private:
    Seam &Owner;
    Function Previous;
  };
  Override Replace(Function replacement) { return Override(*this, std::move(replacement)); }

private:
  Function Installed;
  Function Replacement;
};
