#include "app/missing_display.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <vector>

namespace kestavon {
namespace {

struct HeldMessage {
  QtMsgType type;
  QByteArray file, function, category;
  int line;
  QString text;
};

std::vector<HeldMessage>& heldMessages() {
  static std::vector<HeldMessage> messages;
  return messages;
}

QtMessageHandler previousHandler = nullptr;

// Whether Qt said, while starting, that it could not connect to the display server.
bool displayUnreachable() {
  return std::ranges::any_of(heldMessages(), [](const HeldMessage& held) {
    return held.text.contains(QLatin1String("could not connect to display")) ||
           held.text.contains(QLatin1String("Failed to create wl_display"));
  });
}

[[noreturn]] void endWith(const std::string& line) {
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  std::_Exit(1);
}

// Qt's event thread may log while the main thread builds the application object.
std::mutex& heldMessagesLock() {
  static std::mutex lock;
  return lock;
}

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const std::lock_guard<std::mutex> guard(heldMessagesLock());
  if (type == QtFatalMsg) {
    // Qt aborts after a fatal message; end here, with a status and a line of our own. Only a
    // display that could not be reached gets the display's line: any other failure (a platform
    // plugin that is not installed, say) shows Qt's own messages, which say what is missing.
    if (text.contains(QLatin1String("platform plugin")) && displayUnreachable()) {
      endWith(missingDisplayMessage(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                    std::getenv("WAYLAND_DISPLAY")));
    }
    for (const HeldMessage& held : heldMessages()) {
      std::fprintf(stderr, "%s\n", held.text.toLocal8Bit().constData());
    }
    endWith("kestavon: cannot start the window: " + text.simplified().toLocal8Bit().toStdString());
  }
  heldMessages().push_back(HeldMessage{type, QByteArray(context.file), QByteArray(context.function),
                                       QByteArray(context.category), context.line, text});
}

}  // namespace

std::string missingDisplayMessage(const char* platform, const char* display,
                                  const char* waylandDisplay) {
  const auto given = [](const char* value) { return value != nullptr && *value != '\0'; };
  std::string what;
  if (given(platform) && std::string_view(platform).substr(0, 7) == "wayland") {
    what = std::string("the Wayland display \"") +
           (given(waylandDisplay) ? waylandDisplay : "wayland-0") + "\"";
  } else if (given(display)) {
    what = std::string("the display \"") + display + "\"";
  } else {
    what = "a display: DISPLAY is not set";
  }
  return "kestavon: cannot open " + what +
         ". Without a screen, make a picture with --render (e.g. --render xy --output "
         "plot.png), or open the window in a virtual display: install xvfb and use xvfb-run.";
}

MissingDisplayGuard::MissingDisplayGuard() {
  heldMessages().clear();
  previousHandler = qInstallMessageHandler(holdOrEnd);
}

MissingDisplayGuard::~MissingDisplayGuard() {
  qInstallMessageHandler(previousHandler);
  std::vector<HeldMessage> replayed;
  {
    const std::lock_guard<std::mutex> guard(heldMessagesLock());
    replayed.swap(heldMessages());
  }
  for (const HeldMessage& held : replayed) {
    const QMessageLogContext context(held.file.isNull() ? nullptr : held.file.constData(),
                                     held.line,
                                     held.function.isNull() ? nullptr : held.function.constData(),
                                     held.category.isNull() ? nullptr : held.category.constData());
    if (previousHandler != nullptr) {
      previousHandler(held.type, context, held.text);
    } else {
      qt_message_output(held.type, context, held.text);
    }
  }
}

}  // namespace kestavon
