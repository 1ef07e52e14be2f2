// The window's start on Qt (app/front_end.h).

#include <QApplication>
#include <QIcon>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/front_end.h"
#include "form/layout.h"
#include "platform/messages.h"
#include "qt/qt_window.h"
#if defined(KESTAVON_X11_DISPLAY_CHECK)
#include "qt/x11_display.h"
#endif

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

// The options that QGuiApplication, QApplication and the X11 platform read from a command line.
constexpr ToolkitOption kQtOptions[] = {
    {"platform", "QT_QPA_PLATFORM", true},
    {"platformpluginpath", "QT_QPA_PLATFORM_PLUGIN_PATH", true},
    {"platformtheme", "QT_QPA_PLATFORMTHEME", true},
    {"plugin", "QT_QPA_GENERIC_PLUGINS", true},
    {"style", "QT_STYLE_OVERRIDE", true},
    {"display", "DISPLAY", true},
    {"name", "RESOURCE_NAME", true},
    {"im", "QT_IM_MODULE", true},
    {"stylesheet", "", true},
    {"qwindowgeometry", "", true},
    {"geometry", "", true},
    {"qwindowicon", "", true},
    {"icon", "", true},
    {"qwindowtitle", "", true},
    {"title", "", true},
    {"session", "", true},
    {"qmljsdebugger", "", true},
    {"visual", "", true},
    {"inputstyle", "", true},
    {"reverse", "", false},
    {"widgetcount", "", false},
    {"nograb", "", false},
    {"dograb", "", false},
    {"sync", "", false},
};

}  // namespace

const ToolkitOptions& toolkitOptions() {
  static constexpr ToolkitOptions kOptions{
      "Qt", kQtOptions,
      "\n"
      "The toolkit's own options (-platform, -style, ...) are not read: use its environment\n"
      "variables (QT_QPA_PLATFORM, QT_STYLE_OVERRIDE, ...).\n"};
  return kOptions;
}

int runWindow(char* programName, const std::optional<OscState>& fixedStart) {
#if defined(KESTAVON_X11_DISPLAY_CHECK)
  if (const std::optional<std::string> missing = missingDisplay()) {
    report(*missing);
    return 1;
  }
#endif
  qInstallMessageHandler(toolkitMessage);
  char fallbackName[] = "kestavon";
  int argc = 1;
  char* argv[] = {programName != nullptr ? programName : fallbackName, nullptr};
  starting = true;
  QApplication app(argc, argv);
  starting = false;
  QApplication::setApplicationName(QStringLiteral("kestavon"));
  QApplication::setApplicationDisplayName(QString::fromLatin1(form::kCaption));
  QApplication::setDesktopFileName(QStringLiteral("kestavon"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestavon/kestavon.png")));
  // Form_Load runs while the window is made; an error there is reported by its controller.
  QtWindow window(fixedStart);
  window.show();
  return QApplication::exec();
}

}  // namespace kestavon
