#pragma once
// The exit confirmation.

#include <functional>

// Asks whether to quit; true when the user chose to quit.
bool ConfirmExit();

// Tests replace the question with a fixed answer; an empty function restores
// the dialog. Returns the previous replacement.
using ExitQuestion = std::function<bool()>;
ExitQuestion SetExitQuestion(ExitQuestion question);
