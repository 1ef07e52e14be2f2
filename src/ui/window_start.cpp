// The Qt window's start (app/front_end.h).

#include <QIcon>
#include <memory>
#include <optional>

#include "app/front_end.h"
#include "platform/messages.h"
#include "ui/application.h"
#include "ui/frm_kestavon.h"
#include "ui/missing_display.h"

namespace kestavon {

int runWindow(char* programName, const std::optional<OscState>& fixedStart) {
  if (const std::optional<std::string> missing = missingDisplay()) {
    report(*missing);
    return 1;
  }
  qInstallMessageHandler(toolkitMessage);
  char fallbackName[] = "kestavon";
  int argc = 1;
  char* argv[] = {programName != nullptr ? programName : fallbackName, nullptr};
  setStarting(true);
  Application app(argc, argv);
  setStarting(false);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestavon/kestavon.png")));
  // Form_Load runs while the window is made; an error there is reported like any other.
  std::unique_ptr<frmKestavon> window;
  runHandler([&window, &fixedStart] { window = std::make_unique<frmKestavon>(fixedStart); });
  window->show();
  return QApplication::exec();
}

}  // namespace kestavon
