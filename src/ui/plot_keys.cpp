#include "ui/plot_keys.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>

#include "form/layout.h"
#include "picture/png_file.h"
#include "ui/application.h"
#include "ui/canvas_image.h"
#include "ui/picture_box.h"

namespace kestavon {

PlotKeys::PlotKeys(QWidget* window, PictureBox* plot)
    : QObject(window), m_window(window), m_plot(plot) {
  const auto withCtrl = [](char key) { return QKeySequence(QStringLiteral("Ctrl+") + QChar(key)); };
  auto* save = new QShortcut(withCtrl(form::kSaveKey), window);
  auto* copyKey = new QShortcut(withCtrl(form::kCopyKey), window);
  connect(save, &QShortcut::activated, this, [this] { runHandler([this] { saveAs(); }); });
  connect(copyKey, &QShortcut::activated, this, [this] { runHandler([this] { copy(); }); });
}

void PlotKeys::saveAs() {
  QFileDialog dialog(m_window, QStringLiteral("Save the plot"));
  // The toolkit's own dialog: a desktop's native one may keep a list of recent files.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("PNG pictures (*.png)"));
  dialog.setDefaultSuffix(QStringLiteral("png"));
  dialog.selectFile(QDir(saveFolder()).filePath(QStringLiteral("kestavon.png")));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  saveTo(dialog.selectedFiles().constFirst());
}

std::optional<std::string> PlotKeys::saveTo(const QString& path) {
  // The name in the system's file-name encoding; a FIFO that no program reads fails at once.
  std::optional<std::string> failure =
      writePng(m_plot->canvas(), QFile::encodeName(path).toStdString(), Patience::Never);
  if (failure) {
    QMessageBox box(
        QMessageBox::Warning, QString::fromLatin1(form::kCaption),
        QStringLiteral("The plot was not saved: %1.").arg(QString::fromStdString(*failure)),
        QMessageBox::Ok, m_window);
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
