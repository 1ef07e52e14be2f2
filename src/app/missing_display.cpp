#include "app/missing_display.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
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

[[noreturn]] void endWith(const std::string& line) {
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  std::_Exit(1);
}

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    // Qt aborts after a fatal message; end here, with a status and a line of our own.
    if (text.contains(QLatin1String("platform plugin"))) {
      endWith(missingDisplayMessage(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                    std::getenv("WAYLAND_DISPLAY")));
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
  for (const HeldMessage& held : heldMessages()) {
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
  heldMessages().clear();
}

}  // namespace kestavon
