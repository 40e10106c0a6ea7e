#include "EndMsg.h"

#include <utility>

namespace {

ExitQuestion &Replacement() {
  static ExitQuestion question;
  return question;
}

} // namespace

bool ConfirmExit() {
  if (const ExitQuestion &question = Replacement())
    return question();
  // The confirmation dialog is not built yet: leaving always goes ahead.
  return true;
}

ExitQuestion SetExitQuestion(ExitQuestion question) { return std::exchange(Replacement(), std::move(question)); }
