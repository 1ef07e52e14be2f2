#include "app/toolkit_options.h"

#include <string_view>

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

std::optional<QString> toolkitOptionMessage(const QString& argument, const QString* next) {
  if (!argument.startsWith(QLatin1Char('-'))) return std::nullopt;
  // Qt takes -platform and --platform alike.
  const QString spelled = argument.section(QLatin1Char('='), 0, 0);
  const QString name = spelled.mid(spelled.startsWith(QLatin1String("--")) ? 2 : 1);
  for (const ToolkitOption& option : kToolkitOptions) {
    if (name != QLatin1String(option.name.data(), static_cast<qsizetype>(option.name.size()))) {
      continue;
    }
    const QString head = QStringLiteral(
                             "%1 is an option of the toolkit (Qt), and the toolkit's "
                             "options are not read")
                             .arg(spelled);
    if (option.variable.empty()) {
      return head + QStringLiteral(" (no environment variable does its job)");
    }
    const QString variable =
        QString::fromLatin1(option.variable.data(), static_cast<qsizetype>(option.variable.size()));
    QString value;
    if (argument.contains(QLatin1Char('='))) {
      value = argument.section(QLatin1Char('='), 1);
    } else if (option.takesValue && next != nullptr && !next->startsWith(QLatin1Char('-'))) {
      value = *next;
    }
    return head + QStringLiteral(": set %1 in the environment instead, e.g. %1=%2 kestavon ...")
                      .arg(variable, value.isEmpty() ? QStringLiteral("...") : value);
  }
  return std::nullopt;
}

}  // namespace kestavon
