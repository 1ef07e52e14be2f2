#include "app/window_start.h"

#include <QIcon>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/missing_display.h"
#include "platform/random.h"
#include "ui/application.h"
#include "ui/frm_kestavon.h"

namespace kestavon {

int runWindow(char* programName, const Options& options) {
  if (const std::optional<std::string> missing = missingDisplay()) {
    std::fprintf(stderr, "%s\n", missing->c_str());
    return 1;
  }
  if (options.seed) FixRandomSeed(*options.seed);
  int argc = 1;
  char* argv[] = {programName, nullptr};
  std::optional<Application> app;
  const QtMessageHandler handler = qInstallMessageHandler(endOnFatalMessage);
  app.emplace(argc, argv);
  qInstallMessageHandler(handler);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestavon/kestavon.png")));
  // Form_Load runs while the window is made; an error there is reported like any other.
  std::unique_ptr<frmKestavon> window;
  runHandler([&window, &options] { window = std::make_unique<frmKestavon>(options.start); });
  window->show();
  return QApplication::exec();
}

}  // namespace kestavon
