// The Qt window's start (app/front_end.h).

#include <QIcon>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "app/front_end.h"
#include "platform/messages.h"
#include "ui/application.h"
#include "ui/missing_display.h"
#include "ui/qt_window.h"

namespace kestavon {
namespace {

bool starting = false;

// The toolkit's messages, each on one line of standard error through report(). The toolkit aborts
// after a fatal message, which it sends when it can start no platform; the program ends with
// status 1 after the line instead.
void toolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    report((starting ? "cannot start the window: " : "the toolkit failed: ") +
           text.simplified().toStdString());
    std::_Exit(1);
  }
  const bool named = context.category != nullptr && std::strcmp(context.category, "default") != 0;
  report((named ? std::string(context.category) + ": " : std::string()) + text.toStdString());
}

}  // namespace

int runWindow(char* programName, const std::optional<OscState>& fixedStart) {
  if (const std::optional<std::string> missing = missingDisplay()) {
    report(*missing);
    return 1;
  }
  qInstallMessageHandler(toolkitMessage);
  char fallbackName[] = "kestavon";
  int argc = 1;
  char* argv[] = {programName != nullptr ? programName : fallbackName, nullptr};
  starting = true;
  Application app(argc, argv);
  starting = false;
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestavon/kestavon.png")));
  // Form_Load runs while the window is made; an error there is reported like any other.
  std::unique_ptr<QtWindow> window;
  runHandler([&window, &fixedStart] { window = std::make_unique<QtWindow>(fixedStart); });
  window->show();
  return QApplication::exec();
}

}  // namespace kestavon
