#include "ui/plot_keys.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>

#include "picture/png_file.h"
#include "ui/application.h"
#include "ui/picture_box.h"

namespace kestavon {

PlotKeys::PlotKeys(QWidget* window, PictureBox* plot)
    : QObject(window), m_window(window), m_plot(plot) {
  auto* save = new QShortcut(QKeySequence::Save, window);
  auto* copyKey = new QShortcut(QKeySequence::Copy, window);
  connect(save, &QShortcut::activated, this, [this] { runHandler([this] { saveAs(); }); });
  connect(copyKey, &QShortcut::activated, this, [this] { runHandler([this] { copy(); }); });
}

void PlotKeys::saveAs() {
  QFileDialog dialog(m_window, QStringLiteral("Save the plot"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("PNG pictures (*.png)"));
  dialog.setDefaultSuffix(QStringLiteral("png"));
  dialog.selectFile(QDir(saveFolder()).filePath(QStringLiteral("kestavon.png")));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  saveTo(dialog.selectedFiles().constFirst());
}

std::optional<QString> PlotKeys::saveTo(const QString& path) {
  std::optional<QString> failure = writePng(m_plot->canvas(), path);
  if (failure) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kCaption),
                    QStringLiteral("The plot was not saved: %1.").arg(*failure), QMessageBox::Ok,
                    m_window);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  } else {
    m_lastFolder = QFileInfo(path).absolutePath();
  }
  return failure;
}

QString PlotKeys::saveFolder() const {
  return m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder;
}

void PlotKeys::copy() { QGuiApplication::clipboard()->setImage(canvasImage(m_plot->canvas())); }

}  // namespace kestavon
