// The window, headless: layout, keyboard, what the buttons draw, and how the program ends.
// Endings (End, closing the window, an unhandled error) are checked in a child process: the test
// program starts itself with "--scenario NAME", which opens the window and acts it out.

#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "platform/run_time_error.h"
#include "plot/projection.h"
#include "plot/trajectory.h"
#include "shown_pixels.h"
#include "ui/application.h"
#include "ui/picture_box.h"
#include "ui/qt_window.h"

using kestavon::PictureBox;
using kestavon::QtWindow;

namespace {

using kestavon::testing_support::Census;
using kestavon::testing_support::census;

QImage plotOnScreen(QtWindow& window) { return kestavon::testing_support::plotOnScreen(window); }

QPushButton* button(QtWindow& window, const char* name) {
  return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

// One user action: "click:cmdXY" clicks a button, "key:P" presses Alt+P. Returns when the
// button's handler has run (an access key clicks its button after a short animation).
bool act(QtWindow& window, const QString& action) {
  static const QHash<QString, const char*> buttonForKey = {
      {"R", "cmdRun3D"}, {"P", "cmdXY"}, {"C", "cmdCls"}, {"X", "cmdExit"}};
  const QStringList parts = action.split(':');
  const bool isKey = parts[0] == "key";
  QPushButton* target =
      button(window, isKey ? buttonForKey.value(parts[1]) : parts[1].toLatin1().constData());
  if (target == nullptr) {
    return false;
  }
  QSignalSpy clicked(target, &QPushButton::clicked);
  if (isKey) {
    QTest::keyClick(&window, QKeySequence(parts[1])[0].key(), Qt::AltModifier);
    return clicked.count() == 1 || clicked.wait(5000);
  }
  QTest::mouseClick(target, Qt::LeftButton);
  return clicked.count() == 1;
}

// Throws from Line after a number of segments, like a surface whose drawing call fails.
class FailingSurface : public kestavon::PlotSurface {
 public:
  float ScaleWidth() const override { return 8235; }
  float ScaleHeight() const override { return 5595; }
  void Cls() override {}
  void Line(float, float, float, float, kestavon::Colour) override {
    if (++m_lines == 500) {
      throw kestavon::RunTimeError(kestavon::RunTimeFault::OperationFailed, "test surface");
    }
  }

 private:
  int m_lines = 0;
};

// The child process's part: opens the window, does what `name` says, runs the event loop.
int runScenario(const QString& name) {
  QtWindow window;
  window.show();
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window, 10000)) {
    return 10;
  }
  // A guard for a broken End: the parent sees status 3 instead of waiting for ever.
  QTimer::singleShot(60000, [] { std::_Exit(3); });
  const auto markIfCalled = [](QPushButton* source, const char* mark) {
    QObject::connect(source, &QPushButton::clicked, [mark] { std::cout << mark << std::endl; });
  };
  const QStringList parts = name.split(':');  // e.g. "fault-run:key"
  const bool byKey = parts.value(1) == "key";
  if (parts[0] == "exit") {
    markIfCalled(button(window, "cmdExit"), "handler ran after End");
    act(window, byKey ? "key:X" : "click:cmdExit");
  } else if (parts[0] == "close") {
    QTimer::singleShot(0, &window, &QWidget::close);
  } else if (parts[0].startsWith("fault-")) {
    QPushButton* cmdXY = button(window, "cmdXY");
    const QString fault = parts[0];
    QObject::connect(cmdXY, &QPushButton::clicked, [fault] {
      if (fault == "fault-run") {
        // As the window's own handlers run: through runHandler.
        kestavon::runHandler([] {
          FailingSurface surface;
          kestavon::TrajectoryRun(kestavon::View::XYPlane, surface, 3.141592654, 120);
        });
      } else if (fault == "fault-std") {  // these two leave the slot and reach notify
        throw std::out_of_range("index 7 is out of range");
      } else {
        throw 42;
      }
    });
    markIfCalled(cmdXY, "handler went on after the error");
    act(window, byKey ? "key:P" : "click:cmdXY");
  } else if (parts[0] == "huge-screen") {
    // A screen finer than the plot can serve: the widget's move to it fails inside Qt's event
    // delivery.
    for (QScreen* screen : QGuiApplication::screens()) {
      if (screen->devicePixelRatio() > 16) {
        window.windowHandle()->setScreen(screen);
        window.move(screen->geometry().topLeft() + QPoint(20, 20));
      }
    }
  } else {
    return 11;
  }
  return QApplication::exec();
}

struct ChildResult {
  int status = -1;
  QByteArray out, err;
};

ChildResult runChild(const QString& scenario, const QString& platform) {
  QProcess child;
  if (!platform.isEmpty()) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", platform);
    environment.remove("QT_SCALE_FACTOR");
    child.setProcessEnvironment(environment);
  }
  child.start(QCoreApplication::applicationFilePath(), {"--scenario", scenario});
  if (!child.waitForFinished(120000)) {
    child.kill();
    child.waitForFinished();
    return {};
  }
  if (child.exitStatus() != QProcess::NormalExit) {
    return {};
  }
  return {child.exitCode(), child.readAllStandardOutput(), child.readAllStandardError()};
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void layout_data();
  void layout();
  void tabOrderAndFirstFocus();
  void actions_data();
  void actions();
  void runsAccumulate_data();
  void runsAccumulate();
  void forwardsOscillator();
  void errorBox();
  void errorStopsPendingClicks();
  void endings_data();
  void endings();

 private:
  QtWindow& shownWindow();

  std::unique_ptr<QtWindow> m_window;
};

void WindowTest::init() { m_window = std::make_unique<QtWindow>(); }

void WindowTest::cleanup() { m_window.reset(); }

QtWindow& WindowTest::shownWindow() {
  m_window->show();
  m_window->activateWindow();
  if (!QTest::qWaitForWindowActive(m_window.get(), 10000)) {
    qWarning("the window did not become active");
  }
  return *m_window;
}

void WindowTest::layout_data() {
  QTest::addColumn<QSize>("windowSize");
  QTest::newRow("as opened") << QSize();
  QTest::newRow("enlarged") << QSize(900, 700);
  QTest::newRow("shrunk") << QSize(300, 200);
}

// Every control at its place, in pixels (twips / 15), whatever the size of the window.
void WindowTest::layout() {
  QFETCH(QSize, windowSize);
  QtWindow& window = shownWindow();
  if (windowSize.isValid()) {
    window.resize(windowSize);
    QTRY_COMPARE(window.size(), windowSize);
  } else {
    QCOMPARE(window.size(), QSize(619, 478));
  }
  QCOMPARE(window.windowTitle(), QStringLiteral("Kestavon Ocsillator"));
  QVERIFY(window.findChildren<QMenuBar*>().isEmpty());

  auto* picGraph = window.findChild<PictureBox*>("picGraph");
  QVERIFY(picGraph != nullptr);
  QCOMPARE(picGraph->geometry(), QRect(32, 16, 553, 377));
  QCOMPARE(picGraph->contentsRect(), QRect(2, 2, 549, 373));
  QCOMPARE(picGraph->ScaleWidth(), 8235.0f);
  QCOMPARE(picGraph->ScaleHeight(), 5595.0f);
  QVERIFY(!picGraph->accessibleName().isEmpty());

  const struct {
    const char* name;
    const char* caption;
    QRect geometry;
  } buttons[] = {
      {"cmdRun3D", "&Run-3D", {40, 416, 137, 41}},
      {"cmdExit", "E&xit", {472, 416, 121, 41}},
      {"cmdXY", "XY &Plane", {208, 416, 121, 41}},
      {"cmdCls", "&Clear", {344, 416, 121, 41}},
  };
  QCOMPARE(window.findChildren<QPushButton*>().size(), std::size(buttons));
  for (const auto& expected : buttons) {
    QPushButton* control = button(window, expected.name);
    QVERIFY2(control != nullptr, expected.name);
    QCOMPARE(control->text(), QString::fromLatin1(expected.caption));
    QCOMPARE(control->geometry(), expected.geometry);
    QVERIFY(!control->isDefault() && !control->autoDefault());
    QVERIFY(!control->accessibleName().isEmpty());
  }
}

void WindowTest::tabOrderAndFirstFocus() {
  QtWindow& window = shownWindow();
  QTRY_COMPARE(QApplication::focusWidget(), window.findChild<QWidget*>("picGraph"));
  QStringList visited;
  for (int i = 0; i < 5; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << QApplication::focusWidget()->objectName();
  }
  QCOMPARE(visited, QStringList({"cmdRun3D", "cmdExit", "cmdXY", "cmdCls", "picGraph"}));
}

void WindowTest::actions_data() {
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<bool>("yellow");
  QTest::addColumn<bool>("green");
  QTest::newRow("axes when first shown") << QStringList() << true << false;
  QTest::newRow("XY Plane by click") << QStringList{"click:cmdXY"} << true << true;
  QTest::newRow("XY Plane by Alt+P") << QStringList{"key:P"} << true << true;
  QTest::newRow("Clear by click") << QStringList{"click:cmdCls"} << false << false;
  QTest::newRow("Clear by Alt+C") << QStringList{"key:C"} << false << false;
  QTest::newRow("Clear, Run-3D by click")
      << QStringList{"click:cmdCls", "click:cmdRun3D"} << false << true;
  QTest::newRow("Alt+C, Alt+R") << QStringList{"key:C", "key:R"} << false << true;
  QTest::newRow("Clear, XY Plane") << QStringList{"key:C", "key:P"} << true << true;
  QTest::newRow("Run-3D over the axes") << QStringList{"key:R"} << true << true;
}

// What the screen shows after each sequence: the picture is black, yellow (axes) and green
// (trajectories) and nothing else.
void WindowTest::actions() {
  QFETCH(QStringList, steps);
  QFETCH(bool, yellow);
  QFETCH(bool, green);
  QtWindow& window = shownWindow();
  for (const QString& step : steps) {
    QVERIFY2(act(window, step), qPrintable(step));
  }
  const auto shows = [&] {
    const Census counts = census(plotOnScreen(window));
    return (counts.yellow > 0) == yellow && (counts.green > 0) == green && counts.other == 0;
  };
  QTRY_VERIFY(shows());
}

void WindowTest::runsAccumulate_data() {
  QTest::addColumn<QString>("run");
  QTest::newRow("XY Plane") << "click:cmdXY";
  QTest::newRow("Run-3D") << "click:cmdRun3D";
}

// A second run draws over the first: everything drawn stays drawn, and more is added.
void WindowTest::runsAccumulate() {
  QFETCH(QString, run);
  QtWindow& window = shownWindow();
  QVERIFY(act(window, run));
  QTRY_VERIFY(census(plotOnScreen(window)).green > 0);
  const QImage first = plotOnScreen(window);
  QVERIFY(act(window, run));
  QTRY_VERIFY(plotOnScreen(window) != first);
  const QImage second = plotOnScreen(window);
  int added = 0;
  for (int y = 0; y < first.height(); ++y) {
    for (int x = 0; x < first.width(); ++x) {
      const bool wasDrawn = (first.pixel(x, y) & 0xFFFFFFu) != 0;
      const bool isDrawn = (second.pixel(x, y) & 0xFFFFFFu) != 0;
      QVERIFY2(isDrawn || !wasDrawn, qPrintable(QStringLiteral("(%1, %2) lost").arg(x).arg(y)));
      added += isDrawn && !wasDrawn ? 1 : 0;
    }
  }
  QVERIFY(added > 0);
}

// The window's fx, fy, fz take their arguments in the oscillator's order.
void WindowTest::forwardsOscillator() {
  QCOMPARE(m_window->form().fx(1, 2), -3.0);
  QCOMPARE(m_window->form().fy(1, 2), 2 * 0.2 + 1);
  QCOMPARE(m_window->form().fz(5.7, 3), 0.2);
  QCOMPARE(m_window->form().fz(6.7, 3), (6.7 - 5.7) * 3 + 0.2);
}

void WindowTest::errorBox() {
  const auto box = kestavon::Application::makeErrorBox(QStringLiteral("Run-time error: x"));
  QCOMPARE(box->windowTitle(), QStringLiteral("Kestavon Ocsillator"));
  QCOMPARE(box->text(), QStringLiteral("Run-time error: x"));
  QCOMPARE(box->icon(), QMessageBox::Critical);
}

// After an error no handler may start, not even the one of an access key's click under way.
void WindowTest::errorStopsPendingClicks() {
  QtWindow& window = shownWindow();
  QPushButton* cmdXY = button(window, "cmdXY");
  QSignalSpy clicked(cmdXY, &QPushButton::clicked);
  cmdXY->animateClick();
  kestavon::Application::silenceWindows();
  QTest::qWait(300);  // the animated click fires after about 100 ms
  QCOMPARE(clicked.count(), 0);
  QVERIFY(!window.isEnabled());
}

void WindowTest::endings_data() {
  QTest::addColumn<QString>("scenario");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("report");
  QTest::addColumn<QString>("platform");  // QT_QPA_PLATFORM, when not the test's own
  const QString runError =
      QStringLiteral("kestavon: ") +
      kestavon::RunTimeError(kestavon::RunTimeFault::OperationFailed, "test surface").what();
  const QString own;
  QTest::newRow("Exit by click") << "exit:click" << 0 << QString() << own;
  QTest::newRow("Exit by Alt+X") << "exit:key" << 0 << QString() << own;
  QTest::newRow("window closed") << "close" << 0 << QString() << own;
  QTest::newRow("run-time error, click") << "fault-run:click" << 1 << runError << own;
  QTest::newRow("run-time error, Alt+P") << "fault-run:key" << 1 << runError << own;
  QTest::newRow("other exception")
      << "fault-std:click" << 1 << "kestavon: Unexpected error: index 7 is out of range" << own;
  QTest::newRow("exception of no known type")
      << "fault-int:click" << 1 << "kestavon: Unexpected error of unknown type" << own;
  QTest::newRow("moved to a screen too fine for the plot")
      << "huge-screen" << 1
      << "kestavon: Unexpected error: device pixel ratio 20 is outside (0, 16]"
      << QStringLiteral(KESTAVON_TEST_SCREENS).section('=', 1);
}

// How the program ends: End and closing the window with status 0, at once (a slot connected
// after the handler does not run); an unhandled error reported on standard error, status 1.
void WindowTest::endings() {
  QFETCH(QString, scenario);
  QFETCH(int, status);
  QFETCH(QString, report);
  QFETCH(QString, platform);
  const ChildResult result = runChild(scenario, platform);
  QCOMPARE(result.status, status);
  QCOMPARE(result.out, QByteArray());
  if (!report.isEmpty()) {
    QVERIFY2(result.err.contains(report.toLocal8Bit() + '\n'), result.err.constData());
  }
}

int main(int argc, char* argv[]) {
  kestavon::Application app(argc, argv);
  if (argc == 3 && QByteArray(argv[1]) == "--scenario") {
    return runScenario(QString::fromLocal8Bit(argv[2]));
  }
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
