#pragma once

#include <QApplication>
#include <QString>
#include <memory>
#include <utility>

class QMessageBox;

namespace kestavon {

// The application object. Nothing in the program catches a run-time error; an exception that
// leaves an event handler ends up here, where it is reported (on standard error and, where someone
// can see it, in a message box) and the program ends with status 1. The window's handlers run
// through runHandler, which hands it over before it leaves the handler; notify catches whatever
// else escapes from an event.
class Application : public QApplication {
  Q_OBJECT

 public:
  Application(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Reports the exception being handled and ends the program with status 1.
  [[noreturn]] static void reportCurrentException() noexcept;

  // Keeps every window from starting another handler: input is refused and signals are blocked,
  // which also stops a click already under way (an access key's animated click still emits
  // `clicked` when its timer fires, even on a disabled button).
  static void silenceWindows();

  // The message box of the report (not yet shown): titled with the caption, critical icon, OK.
  static std::unique_ptr<QMessageBox> makeErrorBox(const QString& text);

 private:
  [[noreturn]] static void reportAndEnd(const QString& text);
};

// Runs an event handler of the program. An exception that leaves it is reported and ends the
// program right here, so it never unwinds through the toolkit's own frames, which are built
// without exception support.
template <class Handler>
void runHandler(Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    Application::reportCurrentException();
  }
}

}  // namespace kestavon
