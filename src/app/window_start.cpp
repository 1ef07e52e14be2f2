#include "app/window_start.h"

#include <QIcon>
#include <memory>
#include <optional>

#include "app/missing_display.h"
#include "platform/random.h"
#include "ui/application.h"
#include "ui/frm_kestavon.h"

namespace kestavon {

int runWindow(char* programName, const Options& options) {
  if (options.seed) FixRandomSeed(*options.seed);
  int argc = 1;
  char* argv[] = {programName, nullptr};
  std::optional<Application> app;
  {
    const MissingDisplayGuard guard;
    app.emplace(argc, argv);
  }
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestavon/kestavon.png")));
  // Form_Load runs while the window is made; an error there is reported like any other.
  std::unique_ptr<frmKestavon> window;
  runHandler([&window, &options] { window = std::make_unique<frmKestavon>(options.start); });
  window->show();
  return QApplication::exec();
}

}  // namespace kestavon
