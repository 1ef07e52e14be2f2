#include "app/toolkit_options.h"

#include <string_view>

#include "app/front_end.h"

namespace kestavon {

std::optional<std::string> toolkitOptionMessage(const std::string& argument,
                                                const std::string* next) {
  if (!argument.starts_with('-')) return std::nullopt;
  // A toolkit takes -platform and --platform alike.
  const std::size_t equals = argument.find('=');
  const std::string spelled = argument.substr(0, equals);
  const std::string_view name = std::string_view(spelled).substr(spelled.starts_with("--") ? 2 : 1);
  const ToolkitOptions& toolkit = toolkitOptions();
  for (const ToolkitOption& option : toolkit.options) {
    if (name != option.name) continue;
    std::string message = spelled + " is an option of the toolkit (" +
                          std::string(toolkit.toolkit) +
                          "), and the toolkit's options are not read";
    if (option.variable.empty()) return message + " (no environment variable does its job)";
    std::string value = "...";
    if (equals != std::string::npos && equals + 1 < argument.size()) {
      value = argument.substr(equals + 1);
    } else if (equals == std::string::npos && option.takesValue && next != nullptr &&
               !next->starts_with('-') && !next->empty()) {
      value = *next;
    }
    message.append(": set ").append(option.variable).append(" in the environment instead, e.g. ");
    return message.append(option.variable).append("=").append(value).append(" kestavon ...");
  }
  return std::nullopt;
}

}  // namespace kestavon
