#pragma once
// The silent-abort exception: ends the current user action (a button press, a
// timer tick) without any message. The application's top-level handler
// discards it; whatever the action had already done stays.

#include <exception>

struct SilentAbort : std::exception {
  const char *what() const noexcept override { return "silent abort"; }
};
