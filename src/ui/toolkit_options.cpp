// The Qt toolkit's command-line options, which the program does not pass on (app/front_end.h).

#include <string_view>

#include "app/front_end.h"

namespace kestavon {
namespace {

struct ToolkitOption {
  std::string_view name;
  std::string_view variable;  // the environment variable that does the same, or empty
  bool takesValue;
};

// The options that QGuiApplication, QApplication and the X11 platform read from a command line.
constexpr ToolkitOption kToolkitOptions[] = {
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

std::optional<std::string> toolkitOptionMessage(const std::string& argument,
                                                const std::string* next) {
  if (!argument.starts_with('-')) return std::nullopt;
  // Qt takes -platform and --platform alike.
  const std::size_t equals = argument.find('=');
  const std::string spelled = argument.substr(0, equals);
  const std::string_view name = std::string_view(spelled).substr(spelled.starts_with("--") ? 2 : 1);
  for (const ToolkitOption& option : kToolkitOptions) {
    if (name != option.name) continue;
    const std::string head =
        spelled + " is an option of the toolkit (Qt), and the toolkit's options are not read";
    if (option.variable.empty()) return head + " (no environment variable does its job)";
    std::string value = "...";
    if (equals != std::string::npos && equals + 1 < argument.size()) {
      value = argument.substr(equals + 1);
    } else if (equals == std::string::npos && option.takesValue && next != nullptr &&
               !next->starts_with('-') && !next->empty()) {
      value = *next;
    }
    std::string message = head;
    message.append(": set ").append(option.variable).append(" in the environment instead, e.g. ");
    return message.append(option.variable).append("=").append(value).append(" kestavon ...");
  }
  return std::nullopt;
}

std::string toolkitHelp() {
  return "\n"
         "The toolkit's own options (-platform, -style, ...) are not read: use its environment\n"
         "variables (QT_QPA_PLATFORM, QT_STYLE_OVERRIDE, ...).\n";
}

}  // namespace kestavon
