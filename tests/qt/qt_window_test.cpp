// The window on Qt, headless: the controls where the controller puts them, the tab order, the
// access keys and buttons reaching their handlers, and how the program ends. Endings (End, closing
// the window, an unhandled error) are checked in a child process: the test program starts itself
// with "--scenario NAME", which opens the window and acts it out.

#include "qt/qt_window.h"

#include <QApplication>
#include <QMenuBar>
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

#include "qt/plot_view.h"
#include "shown_pixels.h"

using kestavon::QtPlotView;
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

// The child process's part: opens the window, does what `name` says, runs the event loop.
int runScenario(const QString& name) {
  // A start that leaves the plot after about a hundred steps: a conversion overflow.
  QtWindow window(name.startsWith("fault") ? std::optional(kestavon::OscState{0, 0, -1000})
                                           : std::nullopt);
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
  } else if (parts[0] == "fault") {
    QPushButton* cmdXY = button(window, "cmdXY");
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

  auto* picGraph = window.findChild<QtPlotView*>("picGraph");
  QVERIFY(picGraph != nullptr);
  QCOMPARE(picGraph->geometry(), QRect(32, 16, 553, 377));
  QCOMPARE(picGraph->contentsRect(), QRect(2, 2, 549, 373));
  QCOMPARE(picGraph->accessibleName(), QStringLiteral("Trajectory plot"));
  QVERIFY(picGraph->accessibleDescription().contains("Ctrl+S"));

  const struct {
    const char* name;
    const char* caption;
    const char* accessibleName;
    QRect geometry;
  } buttons[] = {
      {"cmdRun3D", "&Run-3D", "Run-3D", {40, 416, 137, 41}},
      {"cmdExit", "E&xit", "Exit", {472, 416, 121, 41}},
      {"cmdXY", "XY &Plane", "XY Plane", {208, 416, 121, 41}},
      {"cmdCls", "&Clear", "Clear", {344, 416, 121, 41}},
  };
  QCOMPARE(window.findChildren<QPushButton*>().size(), std::size(buttons));
  for (const auto& expected : buttons) {
    QPushButton* control = button(window, expected.name);
    QVERIFY2(control != nullptr, expected.name);
    QCOMPARE(control->text(), QString::fromLatin1(expected.caption));
    QCOMPARE(control->geometry(), expected.geometry);
    QVERIFY(!control->isDefault() && !control->autoDefault());
    QCOMPARE(control->accessibleName(), QString::fromLatin1(expected.accessibleName));
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
  QTest::newRow("XY Plane by Alt+P") << QStringList{"key:P"} << true << true;
  QTest::newRow("Clear by click") << QStringList{"click:cmdCls"} << false << false;
  QTest::newRow("Alt+C, Alt+R") << QStringList{"key:C", "key:R"} << false << true;
  QTest::newRow("Clear, XY Plane by click")
      << QStringList{"click:cmdCls", "click:cmdXY"} << true << true;
}

// Buttons and access keys reach their handlers, and the screen shows what they drew: black,
// yellow (axes) and green (trajectories) and nothing else.
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

void WindowTest::endings_data() {
  QTest::addColumn<QString>("scenario");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("report");
  QTest::addColumn<QString>("platform");  // QT_QPA_PLATFORM, when not the test's own
  const QString runError = "kestavon: Run-time error: Conversion overflow (";
  const QString own;
  QTest::newRow("Exit by click") << "exit:click" << 0 << QString() << own;
  QTest::newRow("Exit by Alt+X") << "exit:key" << 0 << QString() << own;
  QTest::newRow("window closed") << "close" << 0 << QString() << own;
  QTest::newRow("run-time error, click") << "fault:click" << 1 << runError << own;
  QTest::newRow("run-time error, Alt+P") << "fault:key" << 1 << runError << own;
  QTest::newRow("moved to a screen too fine for the plot")
      << "huge-screen" << 1
      << "kestavon: Run-time error: Operation failed (device pixel ratio 20 is outside (0, 16])"
      << QStringLiteral(KESTAVON_TEST_SCREENS).section('=', 1);
}

// How the program ends: End and closing the window with status 0, at once (a slot connected
// after the handler does not run); an unhandled error reported in one line on standard error,
// status 1.
void WindowTest::endings() {
  QFETCH(QString, scenario);
  QFETCH(int, status);
  QFETCH(QString, report);
  QFETCH(QString, platform);
  const ChildResult result = runChild(scenario, platform);
  QCOMPARE(result.status, status);
  QCOMPARE(result.out, QByteArray());
  if (!report.isEmpty()) {
    // One line of the program's (the toolkit may add its own).
    QList<QByteArray> lines;
    for (const QByteArray& line : result.err.split('\n')) {
      if (line.startsWith("kestavon: ")) lines << line;
    }
    QVERIFY2(lines.size() == 1 && lines[0].startsWith(report.toLocal8Bit()),
             result.err.constData());
  }
}

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc == 3 && QByteArray(argv[1]) == "--scenario") {
    return runScenario(QString::fromLocal8Bit(argv[2]));
  }
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "qt_window_test.moc"
