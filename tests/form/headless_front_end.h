#pragma once

// A front-end without a screen, for the tests of the window's behaviour on every system: it keeps
// what the controller asked of it, in order, and answers the save dialog as a test says.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "form/front_end.h"
#include "platform/messages.h"

namespace kestavon::testing_support {

// What quit throws, in place of ending the test program.
struct Quit {
  int status;
};

class HeadlessFrontEnd final : public form::FrontEnd {
 public:
  struct Made {
    form::ControlId id;
    std::string caption, accessibleName, description;
    form::DeviceRect place;
  };

  // Every call, in order: "layOut", "showPlot", "askSaveName", "saved NAME", "message", "copy",
  // "quit".
  std::vector<std::string> calls;
  std::vector<Made> controls;  // as the last layOut placed them, in tab order
  const RasterCanvas* shown = nullptr;
  std::vector<form::SaveDialog> dialogs;
  std::optional<form::SaveChoice> saveAnswer;  // what the next dialogs answer; nothing: cancelled
  std::vector<std::pair<form::MessageKind, std::string>> messages;
  std::vector<std::uint32_t> copied;  // the last picture on the clipboard, its pixels
  std::optional<std::string> copyFailure;
  std::vector<std::uint32_t> shownAtMessage;  // the plot's pixels shown when a message came

  void layOut(std::span<const form::ControlView> views) override {
    calls.emplace_back("layOut");
    controls.clear();
    for (const form::ControlView& view : views) {
      controls.push_back({view.control->id, std::string(view.control->caption),
                          std::string(view.control->accessibleName), std::string(view.description),
                          view.place});
    }
  }
  void showPlot(const RasterCanvas& pixels) override {
    calls.emplace_back("showPlot");
    shown = &pixels;
  }
  std::optional<form::SaveChoice> askSaveName(const form::SaveDialog& dialog) override {
    calls.emplace_back("askSaveName");
    dialogs.push_back(dialog);
    return saveAnswer;
  }
  void saved(const form::SaveChoice& choice) override {
    calls.emplace_back("saved " + choice.name);
  }
  void showMessage(form::MessageKind kind, const std::string& text) override {
    calls.emplace_back("message");
    messages.emplace_back(kind, text);
    if (shown != nullptr) shownAtMessage = pixelsOf(*shown);
  }
  std::optional<std::string> copyPicture(const RasterCanvas& picture) override {
    calls.emplace_back("copy");
    if (!copyFailure) copied = pixelsOf(picture);
    return copyFailure;
  }
  [[noreturn]] void quit(int status) override {
    calls.emplace_back("quit");
    throw Quit{status};
  }

  static std::vector<std::uint32_t> pixelsOf(const RasterCanvas& canvas) {
    return {canvas.pixels(), canvas.pixels() + static_cast<std::size_t>(canvas.width()) *
                                                   static_cast<std::size_t>(canvas.height())};
  }
};

}  // namespace kestavon::testing_support
