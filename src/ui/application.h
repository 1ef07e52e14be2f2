#pragma once

#include <QApplication>
#include <QString>
#include <memory>

class QMessageBox;

namespace kestavon {

// The window's caption, also the title of the error report.
inline constexpr char kCaption[] = "Kestavon Ocsillator";

// The application object. Nothing in the program catches a run-time error; an exception that
// leaves an event handler ends up here, where it is reported (on standard error and, where someone
// can see it, in a message box) and the program ends with status 1.
class Application : public QApplication {
  Q_OBJECT

 public:
  Application(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // The text reported for an exception that left a handler.
  static QString errorText(const std::exception& error);

  // The message box of the report (not yet shown): titled with the caption, critical icon, OK.
  static std::unique_ptr<QMessageBox> makeErrorBox(const QString& text);

 private:
  [[noreturn]] void reportAndEnd(const QString& text);
};

}  // namespace kestavon
