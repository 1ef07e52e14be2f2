#include "ui/application.h"

#include <QMessageBox>
#include <QSettings>
#include <QWidget>

#include "form/layout.h"
#include "form/unhandled_error.h"
#include "platform/end.h"
#include "platform/messages.h"

namespace kestavon {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("kestavon"));
  setApplicationDisplayName(QString::fromLatin1(form::kCaption));
  setDesktopFileName(QStringLiteral("kestavon"));
  // The program keeps nothing from one start to the next, but the toolkit's file dialog keeps its
  // folders and history in the user's settings (QtProject.conf), even when cancelled. The user's
  // settings are therefore put where no file can be made.
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
  }
}

// Qt delivers every event through notify, so an exception thrown by an event handler that did not
// run through runHandler passes through here on its way out of the event loop.
bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    reportCurrentException();
  }
}

void Application::reportCurrentException() noexcept {
  reportAndEnd(QString::fromStdString(unhandledErrorText(std::current_exception())));
}

void Application::silenceWindows() {
  for (QWidget* window : topLevelWidgets()) {
    window->setEnabled(false);
    window->blockSignals(true);
    for (QObject* child : window->findChildren<QObject*>()) {
      child->blockSignals(true);
    }
  }
}

std::unique_ptr<QMessageBox> Application::makeErrorBox(const QString& text) {
  auto box = std::make_unique<QMessageBox>(
      QMessageBox::Critical, QString::fromLatin1(form::kCaption), text, QMessageBox::Ok);
  box->setTextFormat(Qt::PlainText);
  return box;
}

void Application::reportAndEnd(const QString& text) {
  silenceWindows();
  report(text.toStdString());
  // Without a display nobody could close the box: the report on standard error is all there is.
  const QString platform = platformName();
  if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) {
    makeErrorBox(text)->exec();
  }
  endProgram(1);
}

}  // namespace kestavon
