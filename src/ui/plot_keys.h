#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace kestavon {

class PictureBox;

// The plot's two keys, anywhere in its window: Ctrl+S saves the plot as a PNG picture chosen in a
// file dialog, Ctrl+C copies it to the clipboard as an image. Both take the canvas at its own
// resolution, the device pixels the screen shows. A save writes as --render does (a file through
// a temporary one, a FIFO or a character device directly, nothing else); one that fails says why
// in a message box and changes nothing. The dialog opens in the folder saved to last in this
// session (the home folder at first); nothing is kept between sessions.
class PlotKeys : public QObject {
  Q_OBJECT

 public:
  PlotKeys(QWidget* window, PictureBox* plot);

  // Ctrl+S: asks for a file name, then saves there.
  void saveAs();
  // Saves the plot to `path`; on failure shows the reason in a message box and returns it.
  std::optional<std::string> saveTo(const QString& path);
  // Where the next Ctrl+S dialog opens.
  QString saveFolder() const;
  // Ctrl+C.
  void copy();

 private:
  QWidget* m_window;
  PictureBox* m_plot;
  QString m_lastFolder;  // of the last save that succeeded
};

}  // namespace kestavon
