// The plot on screen: the canvas pixel for pixel at the screen's device pixel ratio (run at several
// QT_SCALE_FACTORs), a move to a screen of another density noticed (offscreen screens of ratios 1,
// 2, 1.5, 1.75 and 1.25, from screens.json), a focus frame that leaves the drawing alone, and the
// keys Ctrl+S (the toolkit's dialog, keeping nothing) and Ctrl+C (the clipboard).

#include "qt/plot_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <memory>
#include <vector>

#include "qt/qt_window.h"
#include "shown_pixels.h"
#include "support/logical_owner.h"

using kestavon::QtPlotView;
using kestavon::QtWindow;
using namespace kestavon::testing_support;

namespace {

constexpr kestavon::OscState kStart{0.25, 0.5, 0.125};

// The device pixel that holds a logical window position.
int devicePixel(double logical, qreal ratio) {
  return static_cast<int>(std::floor(logical * ratio));
}

// The drawing as the controller keeps it, at the device pixels of the window's screen.
QImage canvasImage(QtWindow& window) {
  const kestavon::RasterCanvas& canvas = window.controller().plot().device();
  return QImage(reinterpret_cast<const uchar*>(canvas.pixels()), canvas.width(), canvas.height(),
                static_cast<qsizetype>(canvas.width()) * 4, QImage::Format_RGB32)
      .copy();
}

void click(QtWindow& window, const char* name) {
  QTest::mouseClick(window.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

// The logical pixel of the plot area that holds most of device pixel k of a window row or
// column, the area starting at logical window position `start`.
int logicalOwner(int k, int start, int size, qreal ratio) {
  return kestavon::testing_support::logicalOwner(k, start * ratio, ratio, size);
}

// Each logical pixel's colour after an x-y run (axes, then green), from the plot's device pixels
// at `ratio` (`plot` covers the device pixels of the plot area, those it covers in part
// included): green if any of its device pixels is green, else yellow if any is yellow.
std::vector<unsigned> logicalColours(const QImage& plot, qreal ratio) {
  std::vector<unsigned> colour(static_cast<std::size_t>(kPlotArea.width() * kPlotArea.height()),
                               kRgbBlack);
  const QPoint first = devicePixelsOf(kPlotArea, ratio).topLeft();
  for (int y = 0; y < plot.height(); ++y) {
    for (int x = 0; x < plot.width(); ++x) {
      const unsigned shown = plot.pixel(x, y) & 0xFFFFFFu;
      unsigned& last = colour[static_cast<std::size_t>(
          logicalOwner(first.y() + y, kPlotArea.top(), kPlotArea.height(), ratio) *
              kPlotArea.width() +
          logicalOwner(first.x() + x, kPlotArea.left(), kPlotArea.width(), ratio))];
      if (shown == kRgbGreen || (shown == kRgbYellow && last == kRgbBlack)) last = shown;
    }
  }
  return colour;
}

QScreen* screenOfRatio(qreal ratio) {
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen->devicePixelRatio() == ratio) return screen;
  }
  return nullptr;
}

// Answers the next modal dialog when it shows, and keeps its class, its text (a message box's) and
// its folder (a file dialog's): cancels it, or accepts a file dialog with the name it offers.
class DialogCloser : public QObject {
 public:
  explicit DialogCloser(bool acceptFile = false) : m_accept(acceptFile) {
    QTimer::singleShot(50, this, &DialogCloser::poll);
  }
  QByteArray seen;
  QString text;
  QString folder;

 private:
  void poll() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      seen = modal->metaObject()->className();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) text = box->text();
      auto* files = qobject_cast<QFileDialog*>(modal);
      if (files != nullptr) folder = files->directory().absolutePath();
      if (files != nullptr && m_accept) {
        static_cast<QDialog*>(files)->accept();  // QFileDialog::accept, through the base
      } else {
        qobject_cast<QDialog*>(modal)->reject();
      }
      return;
    }
    QTimer::singleShot(50, this, &DialogCloser::poll);
  }

  bool m_accept;
};

// Everything in a folder and below it, hidden files included.
QStringList everythingIn(const QString& folder) {
  QStringList found;
  QDirIterator entries(folder,
                       QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
  while (entries.hasNext()) found << QDir(folder).relativeFilePath(entries.next());
  found.sort();
  return found;
}

// The bytes of the picture that `kestavon --render xy --start kStart --scale K` writes.
QByteArray rendered(int scale) {
  QTemporaryDir folder;
  QProcess program;
  program.start(KESTAVON_PROGRAM, {"--render", "xy", "--start", "0.25,0.5,0.125", "--scale",
                                   QString::number(scale), "--output", folder.filePath("r.png")});
  if (!program.waitForFinished(60000) || program.exitCode() != 0) return {};
  QFile picture(folder.filePath("r.png"));
  return picture.open(QIODevice::ReadOnly) ? picture.readAll() : QByteArray();
}

QByteArray contentsOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class PlotViewTest : public QObject {
  Q_OBJECT

 private slots:
  void crispAtThisRatio();
  void focusFrameLeavesTheDrawingAlone();
  void densityChangeKeepsEveryLogicalPixel_data();
  void densityChangeKeepsEveryLogicalPixel();
  void saveAndCopy();

 private:
  std::unique_ptr<QtWindow> shownWindow(QScreen* screen = nullptr);
};

std::unique_ptr<QtWindow> PlotViewTest::shownWindow(QScreen* screen) {
  auto window = std::make_unique<QtWindow>(kStart);
  if (screen != nullptr) {
    window->setScreen(screen);
    window->move(screen->geometry().topLeft() + QPoint(20, 20));
  }
  window->show();
  window->activateWindow();
  if (!QTest::qWaitForWindowExposed(window.get(), 10000)) qWarning("the window was not shown");
  return window;
}

// At the screen's ratio every pixel of the drawing area is black, yellow or green, the screen
// shows the canvas pixel for pixel, and each axis is one device pixel wide, in the device pixel
// that holds its exact position (W/2 = 274.5 and H/2 = 186.5 logical pixels into the area).
void PlotViewTest::crispAtThisRatio() {
  const auto window = shownWindow();
  const qreal ratio = window->devicePixelRatioF();
  const QRect area = devicePixelsOf(kPlotArea, ratio);
  QImage shown;
  QTRY_VERIFY(census(shown = plotOnScreen(*window)).yellow > 0);
  QCOMPARE(census(shown).other, 0);
  QCOMPARE(shown, canvasImage(*window));

  const int axisColumn = devicePixel(kPlotArea.left() + 274.5, ratio) - area.left();
  const int axisRow = devicePixel(kPlotArea.top() + 186.5, ratio) - area.top();
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      const bool onAxis = x == axisColumn || y == axisRow;
      const unsigned expected = onAxis ? kRgbYellow : kRgbBlack;
      if ((shown.pixel(x, y) & 0xFFFFFFu) != expected) {
        QFAIL(qPrintable(QStringLiteral("device pixel (%1, %2) of the area").arg(x).arg(y)));
      }
    }
  }

  click(*window, "cmdXY");
  QTRY_VERIFY(census(shown = plotOnScreen(*window)).green > 0);
  QCOMPARE(census(shown).other, 0);
  QCOMPARE(shown, canvasImage(*window));
}

// The focus shows on the frame, and the drawing area is the same with and without it.
void PlotViewTest::focusFrameLeavesTheDrawingAlone() {
  const auto window = shownWindow();
  auto* picGraph = window->findChild<QtPlotView*>("picGraph");
  QTRY_VERIFY(picGraph->hasFocus());
  const qreal ratio = window->devicePixelRatioF();
  const QRect box = devicePixelsOf(picGraph->geometry(), ratio);
  const QRect area = devicePixelsOf(kPlotArea, ratio);
  QImage focused;
  QTRY_VERIFY(census(focused = shownPixels(*window).copy(area)).yellow > 0);
  const QImage focusedBox = shownPixels(*window).copy(box);

  QTest::keyClick(picGraph, Qt::Key_Tab);
  QTRY_VERIFY(!picGraph->hasFocus());
  QTRY_VERIFY(shownPixels(*window).copy(box) != focusedBox);
  QCOMPARE(shownPixels(*window).copy(area), focused);
}

void PlotViewTest::densityChangeKeepsEveryLogicalPixel_data() {
  QTest::addColumn<qreal>("from");
  QTest::addColumn<qreal>("to");
  QTest::newRow("2 -> 1") << 2.0 << 1.0;
  QTest::newRow("1 -> 2") << 1.0 << 2.0;
  QTest::newRow("1.5 -> 1") << 1.5 << 1.0;
  QTest::newRow("1 -> 1.75") << 1.0 << 1.75;
  QTest::newRow("1.25 -> 2") << 1.25 << 2.0;
  QTest::newRow("2 -> 1.25") << 2.0 << 1.25;
}

// An x-y run drawn on one screen, then the window moved to a screen of another density: every
// device pixel there shows the colour of the logical pixel that holds most of it, as that logical
// pixel showed it before; nothing drawn is lost or moved. (The offscreen platform does not resize
// its backing store for a screen's own ratio, so the pixels are the canvas's, which the tests
// above find on the screen pixel for pixel.)
void PlotViewTest::densityChangeKeepsEveryLogicalPixel() {
  QFETCH(qreal, from);
  QFETCH(qreal, to);
  QScreen* first = screenOfRatio(from);
  QScreen* second = screenOfRatio(to);
  if (first == nullptr || second == nullptr) QSKIP("needs the offscreen screens of screens.json");
  const auto window = shownWindow(first);
  QTRY_COMPARE(window->devicePixelRatioF(), from);
  click(*window, "cmdCls");
  click(*window, "cmdXY");
  QTRY_COMPARE(canvasImage(*window).size(), devicePixelsOf(kPlotArea, from).size());
  const QImage before = canvasImage(*window);
  QCOMPARE(before.size(), devicePixelsOf(kPlotArea, from).size());
  const std::vector<unsigned> expected = logicalColours(before, from);

  window->windowHandle()->setScreen(second);
  window->move(second->geometry().topLeft() + QPoint(20, 20));
  QTRY_COMPARE(window->devicePixelRatioF(), to);
  const QRect area = devicePixelsOf(kPlotArea, to);
  QTRY_COMPARE(canvasImage(*window).size(), area.size());
  const QImage after = canvasImage(*window);
  int wrong = 0;
  for (int y = 0; y < after.height(); ++y) {
    for (int x = 0; x < after.width(); ++x) {
      const auto owner = static_cast<std::size_t>(
          logicalOwner(area.top() + y, kPlotArea.top(), kPlotArea.height(), to) *
              kPlotArea.width() +
          logicalOwner(area.left() + x, kPlotArea.left(), kPlotArea.width(), to));
      wrong += (after.pixel(x, y) & 0xFFFFFFu) != expected[owner] ? 1 : 0;
    }
  }
  QCOMPARE(wrong, 0);
}

// Ctrl+C copies the canvas. Ctrl+S opens the toolkit's dialog in the home folder; opened and
// cancelled, then used, the dialog leaves nothing there but the picture (the test's HOME is its
// own, see main), and the picture is the one --render makes, byte for byte, at a whole device pixel
// ratio.
void PlotViewTest::saveAndCopy() {
  const auto window = shownWindow();
  click(*window, "cmdXY");
  const QImage drawn = canvasImage(*window);

  QGuiApplication::clipboard()->clear();
  QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
  QTRY_COMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), drawn);

  const auto pressSave = [&window] {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get(), 10000));
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
  };
  const QString home = QDir::homePath();
  const QStringList homeBefore = everythingIn(home);
  {
    DialogCloser cancel;
    pressSave();
    QCOMPARE(cancel.seen, QByteArray("QFileDialog"));
    QCOMPARE(cancel.folder, home);
  }
  {
    DialogCloser accept(true);
    pressSave();
    QCOMPARE(accept.seen, QByteArray("QFileDialog"));
  }
  const QString saved = QDir(home).filePath("kestavon.png");
  QCOMPARE(everythingIn(home), QStringList(homeBefore) << "kestavon.png");
  QCOMPARE(QImage(saved).convertToFormat(QImage::Format_RGB32), drawn);
  const qreal ratio = window->devicePixelRatioF();
  if (ratio == std::floor(ratio)) QCOMPARE(contentsOf(saved), rendered(static_cast<int>(ratio)));
}

int main(int argc, char* argv[]) {
  // A home folder of the test's own, where the toolkit would keep what it keeps of a user's.
  const QTemporaryDir home;
  qputenv("HOME", QFile::encodeName(home.path()));
  for (const char* variable : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"}) {
    qunsetenv(variable);
  }
  QApplication app(argc, argv);
  PlotViewTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "plot_view_test.moc"
