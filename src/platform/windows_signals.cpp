#include <windows.h>

#include <atomic>
#include <string>

#include "platform/signals.h"
#include "platform/standard_streams.h"

namespace kestavon {
namespace {

bool ending(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

// HeldEndings: a break that came meanwhile (handlers run on a thread of the system's).
std::atomic<bool> heldBreak = false;

BOOL WINAPI hold(DWORD event) {
  if (!ending(event)) return FALSE;
  heldBreak = true;
  return TRUE;
}

// LastWords: said, then the next handler (the system's ends the program).
std::string lastWords;

BOOL WINAPI sayLastWords(DWORD event) {
  if (ending(event)) writeStandardError(lastWords);
  return FALSE;
}

}  // namespace

HeldEndings::HeldEndings() { SetConsoleCtrlHandler(hold, TRUE); }

HeldEndings::~HeldEndings() {
  SetConsoleCtrlHandler(hold, FALSE);
  // As the break would have ended the program, after the temporary file is gone.
  if (heldBreak) ExitProcess(STATUS_CONTROL_C_EXIT);
}

// Windows raises no signal for a failed write: the write fails, and that is all.
WriteSignalsAsErrors::WriteSignalsAsErrors(bool /*closedPipeToo*/) {}
WriteSignalsAsErrors::~WriteSignalsAsErrors() = default;

LastWords::LastWords(std::string words) {
  lastWords = std::move(words);
  SetConsoleCtrlHandler(sayLastWords, TRUE);
}

LastWords::~LastWords() { SetConsoleCtrlHandler(sayLastWords, FALSE); }

}  // namespace kestavon
