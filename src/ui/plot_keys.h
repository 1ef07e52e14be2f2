#pragma once

#include <QObject>
#include <QString>
#include <optional>

class QWidget;

namespace kestavon {

class PictureBox;

// The plot's two keys, anywhere in its window: Ctrl+S saves the plot as a PNG picture chosen in a
// file dialog, Ctrl+C copies it to the clipboard as an image. Both take the canvas at its own
// resolution, the device pixels the screen shows. A save that fails says why in a message box and
// changes nothing.
class PlotKeys : public QObject {
  Q_OBJECT

 public:
  PlotKeys(QWidget* window, PictureBox* plot);

  // Ctrl+S: asks for a file name, then saves there.
  void saveAs();
  // Saves the plot to `path`; on failure shows the reason in a message box and returns it.
  std::optional<QString> saveTo(const QString& path);
  // Ctrl+C.
  void copy();

 private:
  QWidget* m_window;
  PictureBox* m_plot;
};

}  // namespace kestavon
