#pragma once

#include <optional>
#include <string>

#include "platform/signals.h"

namespace kestavon {

// "run K of N" on standard error while --render works, K the runs finished, rewritten in place,
// when standard error is a terminal; nothing at all when it is not (a log or a pipe gets no
// carriage returns). A signal that ends the program meanwhile (Ctrl+C) clears the line first.
class RunProgress {
 public:
  explicit RunProgress(int runs);
  ~RunProgress();  // clears the line
  RunProgress(const RunProgress&) = delete;
  RunProgress& operator=(const RunProgress&) = delete;

  void show(int finished);  // 1 to runs
  // Blanks the line and puts the cursor back at its start, so that the next message or the
  // shell's prompt starts on a clean line.
  void clear();

 private:
  int m_runs;
  bool m_onTerminal;
  std::size_t m_shownWidth = 0;  // characters on the line now
  std::optional<LastWords> m_clearedAtEnd;
};

}  // namespace kestavon
