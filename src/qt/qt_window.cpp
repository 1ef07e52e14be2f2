#include "qt/qt_window.h"

#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QKeySequence>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>

#include "platform/end.h"
#include "qt/plot_view.h"
#include "qt/timing_trace.h"

namespace kestavon {
namespace {

QString text(std::string_view view) {
  return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

QRect qtRect(const form::DeviceRect& place) {
  return {place.left, place.top, place.width, place.height};
}

}  // namespace

QtWindow::QtWindow(const std::optional<OscState>& fixedStart, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmKestavon"));
  setWindowTitle(text(form::kCaption));
  resize(qtRect(form::devicePlace(form::kClientArea, form::kLogicalDotsPerInch)).size());
  for (const form::PlotKey& key : form::kPlotKeys) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(key.key)), this);
    connect(shortcut, &QShortcut::activated, this,
            [this, command = key.command] { m_controller->command(command); });
  }
  m_controller.emplace(static_cast<form::FrontEnd&>(*this),
                       form::Density{form::kLogicalDotsPerInch, devicePixelRatioF()}, fixedStart);
  m_plot->setFocus();  // given to the plot when the window is first activated
}

void QtWindow::layOut(std::span<const form::ControlView> controls) {
  if (m_plot != nullptr) return;  // logical places never change
  QWidget* previous = nullptr;
  for (const form::ControlView& view : controls) {
    QWidget* widget = nullptr;
    if (view.control->id == form::ControlId::picGraph) {
      widget = m_plot = new QtPlotView(this, [this](double ratio) {
        if (m_controller) m_controller->setDensity({form::kLogicalDotsPerInch, ratio});
      });
    } else {
      auto* button = new QPushButton(text(view.control->caption), this);
      button->setAutoDefault(false);  // Enter clicks no button
      connect(button, &QPushButton::clicked, this, [this, id = view.control->id] {
        traceTime("run-start");
        m_controller->click(id);
        traceTime("run-end");
      });
      widget = button;
    }
    widget->setGeometry(qtRect(view.place));
    widget->setObjectName(text(view.control->name));
    widget->setAccessibleName(text(view.control->accessibleName));
    widget->setAccessibleDescription(text(view.description));
    if (previous != nullptr) setTabOrder(previous, widget);
    previous = widget;
  }
}

void QtWindow::showPlot(const RasterCanvas& pixels) { m_plot->show(pixels); }

std::optional<form::SaveChoice> QtWindow::askSaveName(const form::SaveDialog& dialog) {
  // The toolkit's file dialog keeps its folders and history in the user's settings
  // (QtProject.conf), even when cancelled; the program keeps nothing, so they go where no file
  // can be made. The toolkit's own dialog: a desktop's native one may keep recent files.
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
  }
  QFileDialog files(this, text(dialog.title));
  files.setOption(QFileDialog::DontUseNativeDialog);
  files.setAcceptMode(QFileDialog::AcceptSave);
  files.setNameFilter(text(dialog.filterName));
  files.setDefaultSuffix(text(dialog.suffix));
  const QString folder =
      dialog.folder.empty() ? QDir::homePath() : QFile::decodeName(dialog.folder.c_str());
  files.selectFile(QDir(folder).filePath(text(dialog.defaultName)));
  if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = files.selectedFiles().constFirst();
  return form::SaveChoice{QFile::encodeName(chosen).toStdString(),
                          QFile::encodeName(QFileInfo(chosen).absolutePath()).toStdString()};
}

void QtWindow::showMessage(form::MessageKind kind, const std::string& message) {
  const bool error = kind == form::MessageKind::Error;
  // Without a display nobody could close the box: the report on standard error is all there is.
  const QString platform = QGuiApplication::platformName();
  if (error && (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))) {
    return;
  }
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Warning, text(form::kCaption),
                  QString::fromStdString(message), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

std::optional<std::string> QtWindow::copyPicture(const RasterCanvas& picture) {
  const QImage image(reinterpret_cast<const uchar*>(picture.pixels()), picture.width(),
                     picture.height(), static_cast<qsizetype>(picture.width()) * 4,
                     QImage::Format_RGB32);
  QGuiApplication::clipboard()->setImage(image.copy());
  return std::nullopt;
}

void QtWindow::quit(int status) { endProgram(status); }

bool QtWindow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // The window's pending paints are made and handed to the window system here.
  if (event->type() == QEvent::UpdateRequest) traceTime("flushed");
  return handled;
}

}  // namespace kestavon
