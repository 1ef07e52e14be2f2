// The window's behaviour, once for every front-end, on a front-end without a screen: the controls
// it makes and where, the handlers and what is shown after them, a run-time error's report, the
// plot's keys, and the move to a screen of another density.

#include "form/window_controller.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "form/headless_front_end.h"
#include "picture/png_encoding.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

using form::ControlId;
using form::Density;
using form::DeviceRect;
using form::MessageKind;
using form::PlotCommand;
using testing_support::HeadlessFrontEnd;
using testing_support::Quit;

constexpr OscState kStart{0.25, 0.5, 0.125};
// Leaves the plot after about a hundred steps: a conversion overflow, with a line drawn before it.
constexpr OscState kLeaving{0, 0, -1000};

constexpr std::uint32_t kBlack = 0xFF000000, kYellow = 0xFFFFFF00, kGreen = 0xFF00FF00;

struct Colours {
  bool yellow = false, green = false, other = false;
};

Colours coloursOf(const std::vector<std::uint32_t>& pixels) {
  Colours seen;
  for (const std::uint32_t pixel : pixels) {
    seen.yellow |= pixel == kYellow;
    seen.green |= pixel == kGreen;
    seen.other |= pixel != kBlack && pixel != kYellow && pixel != kGreen;
  }
  return seen;
}

Colours shownColours(const HeadlessFrontEnd& screen) {
  return coloursOf(HeadlessFrontEnd::pixelsOf(*screen.shown));
}

std::filesystem::path freshFolder(const std::string& name) {
#if defined(__EMSCRIPTEN__)
  ::umask(022);  // emscripten's file system starts with 0777, under which no new file is readable
#endif
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("kestavon-controller-" + name + "-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(folder);
  return folder;
}

std::vector<std::uint8_t> contentsOf(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// --- The controls: made once, in tab order, at the places of the form's table at each density.

struct LayoutCase : testing_support::NamedCase {
  int dotsPerInch;
  DeviceRect picGraph, cmdRun3D;
};

class ControlsAt : public testing::TestWithParam<LayoutCase> {};

TEST_P(ControlsAt, TheFormsPlacesInTabOrder) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {GetParam().dotsPerInch, 1}, kStart);
  ASSERT_EQ(std::count(screen.calls.begin(), screen.calls.end(), "layOut"), 1);
  const std::vector<std::pair<ControlId, std::string>> expected = {
      {ControlId::picGraph, "Trajectory plot"},
      {ControlId::cmdRun3D, "Run-3D"},
      {ControlId::cmdExit, "Exit"},
      {ControlId::cmdXY, "XY Plane"},
      {ControlId::cmdCls, "Clear"}};
  ASSERT_EQ(screen.controls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(screen.controls[i].id, expected[i].first);
    EXPECT_EQ(screen.controls[i].accessibleName, expected[i].second);
  }
  EXPECT_EQ(screen.controls[1].caption, "&Run-3D");
  EXPECT_EQ(screen.controls[3].caption, "XY &Plane");
  EXPECT_NE(screen.controls[0].description.find("Ctrl+S"), std::string::npos);
  EXPECT_NE(screen.controls[0].description.find("Ctrl+C"), std::string::npos);
  EXPECT_EQ(screen.controls[0].place, GetParam().picGraph);
  EXPECT_EQ(screen.controls[1].place, GetParam().cmdRun3D);
}

// Twips * dpi / 1440, each edge rounded to the nearest pixel, halves up.
INSTANTIATE_TEST_SUITE_P(
    Densities, ControlsAt,
    testing::Values(LayoutCase{{"dpi96"}, 96, {32, 16, 553, 377}, {40, 416, 137, 41}},
                    LayoutCase{{"dpi120"}, 120, {40, 20, 691, 471}, {50, 520, 171, 51}},
                    LayoutCase{{"dpi144"}, 144, {48, 24, 830, 566}, {60, 624, 206, 62}}),
    testing_support::caseName);

TEST(ControlsAt, AccessKeysAreTheCaptionsOwn) {
  std::string keys;
  for (const form::Control& control : form::kControls) keys += form::accessKey(control);
  EXPECT_EQ(keys, std::string("\0RXPC", 5));
}

// --- Handlers: what each sequence of clicks leaves, and the plot shown after every handler.

struct ClicksCase : testing_support::NamedCase {
  std::vector<ControlId> clicks;
  bool yellow, green;
};

class Clicks : public testing::TestWithParam<ClicksCase> {};

TEST_P(Clicks, ShowThePlotAsDrawn) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {}, kStart);
  ASSERT_EQ(screen.shown, &window.plot().device());
  EXPECT_TRUE(shownColours(screen).yellow);  // Form_Load's axes
  for (const ControlId control : GetParam().clicks) {
    screen.calls.clear();
    window.click(control);
    EXPECT_EQ(screen.calls, std::vector<std::string>{"showPlot"});
  }
  const Colours seen = shownColours(screen);
  EXPECT_EQ(seen.yellow, GetParam().yellow);
  EXPECT_EQ(seen.green, GetParam().green);
  EXPECT_FALSE(seen.other);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Clicks,
    testing::Values(
        ClicksCase{{"XYPlane"}, {ControlId::cmdXY}, true, true},
        ClicksCase{{"Clear"}, {ControlId::cmdCls}, false, false},
        ClicksCase{{"ClearThenRun3D"}, {ControlId::cmdCls, ControlId::cmdRun3D}, false, true},
        ClicksCase{{"ClearThenXYPlane"}, {ControlId::cmdCls, ControlId::cmdXY}, true, true}),
    testing_support::caseName);

// A second run draws over the first: everything drawn stays drawn, and more is added.
TEST(Clicks, RunsAccumulate) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {}, std::nullopt);
  window.click(ControlId::cmdRun3D);
  const std::vector<std::uint32_t> first = HeadlessFrontEnd::pixelsOf(*screen.shown);
  window.click(ControlId::cmdRun3D);
  const std::vector<std::uint32_t> second = HeadlessFrontEnd::pixelsOf(*screen.shown);
  int added = 0;
  for (std::size_t i = 0; i < first.size(); ++i) {
    ASSERT_TRUE(second[i] != kBlack || first[i] == kBlack) << "pixel " << i << " lost";
    added += second[i] != kBlack && first[i] == kBlack ? 1 : 0;
  }
  EXPECT_GT(added, 0);
}

// The window's fx, fy, fz take their arguments in the oscillator's order.
TEST(Clicks, TheFormForwardsTheOscillator) {
  ScreenCanvas plot(8, 8);
  const frmKestavon form(plot, std::nullopt);
  EXPECT_EQ(form.fx(1, 2), -3.0);
  EXPECT_EQ(form.fy(1, 2), 2 * 0.2 + 1);
  EXPECT_EQ(form.fz(6.7, 3), (6.7 - 5.7) * 3 + 0.2);
}

TEST(Clicks, OnThePlotDoNothing) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {}, kStart);
  screen.calls.clear();
  window.click(ControlId::picGraph);
  EXPECT_TRUE(screen.calls.empty());
}

#if GTEST_HAS_DEATH_TEST  // none in WebAssembly: the browsers' tests end the page with Exit
TEST(Clicks, ExitEndsTheProgram) {
  EXPECT_EXIT(
      {
        HeadlessFrontEnd screen;
        form::WindowController window(screen, {}, kStart);
        window.click(ControlId::cmdExit);
      },
      testing::ExitedWithCode(0), "");
}
#endif

// --- A run-time error: the plot as drawn up to the fault, then the message box, then the line on
// standard error, then status 1; no handler after it.

TEST(RunTimeError, IsShownOverThePlotDrawnUntilThenAndEndsTheProgram) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {}, kLeaving);
  screen.calls.clear();
#if !defined(_WIN32)
  testing::internal::CaptureStderr();
#endif
  try {
    window.click(ControlId::cmdXY);
    FAIL() << "the run did not fail";
  } catch (const Quit& quit) {
    EXPECT_EQ(quit.status, 1);
  }
#if !defined(_WIN32)
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(err.starts_with("kestavon: Run-time error: Conversion overflow (")) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
#endif
  EXPECT_EQ(screen.calls, (std::vector<std::string>{"showPlot", "message", "quit"}));
  ASSERT_EQ(screen.messages.size(), 1U);
  EXPECT_EQ(screen.messages[0].first, MessageKind::Error);
  EXPECT_TRUE(screen.messages[0].second.starts_with("Run-time error: Conversion overflow ("));
  EXPECT_TRUE(coloursOf(screen.shownAtMessage).green);  // the line drawn before the fault

  // A click queued behind the message box: its handler does not run.
  const std::vector<std::uint32_t> before = HeadlessFrontEnd::pixelsOf(window.plot().device());
  screen.calls.clear();
  window.click(ControlId::cmdCls);
  window.command(PlotCommand::Save);
  EXPECT_TRUE(screen.calls.empty());
  EXPECT_EQ(HeadlessFrontEnd::pixelsOf(window.plot().device()), before);
}

// --- Ctrl+S and Ctrl+C.

TEST(SaveKey, AsksWhereWritesThePictureAndRemembersTheFolder) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {}, kStart);
  window.click(ControlId::cmdXY);
  window.command(PlotCommand::Save);  // cancelled
  ASSERT_EQ(screen.dialogs.size(), 1U);
  EXPECT_EQ(screen.dialogs[0].title, "Save the plot");
  EXPECT_EQ(screen.dialogs[0].filterName, "PNG pictures (*.png)");
  EXPECT_EQ(screen.dialogs[0].pattern, "*.png");
  EXPECT_EQ(screen.dialogs[0].defaultName, "kestavon.png");
  EXPECT_EQ(screen.dialogs[0].folder, "");  // the home folder

  const std::filesystem::path folder = freshFolder("save");
  const std::string saved = (folder / "plot.png").string();
  screen.saveAnswer = form::SaveChoice{saved, folder.string()};
  window.command(PlotCommand::Save);
  EXPECT_TRUE(screen.messages.empty());
  EXPECT_EQ(contentsOf(saved), encodePng(window.plot().device()));
  EXPECT_EQ(screen.calls.back(), "saved " + saved);

  // A save that fails says why, keeps the folder of the last one that succeeded and the drawing.
  screen.saveAnswer =
      form::SaveChoice{(folder / "missing" / "x.png").string(), (folder / "missing").string()};
  window.command(PlotCommand::Save);
  ASSERT_EQ(screen.messages.size(), 1U);
  EXPECT_EQ(screen.messages[0].first, MessageKind::Warning);
  EXPECT_TRUE(screen.messages[0].second.starts_with("The plot was not saved: cannot write "));
  EXPECT_TRUE(screen.messages[0].second.ends_with("."));
  // A file is a picture by its name, as on the command line.
  const std::string jpeg = (folder / "x.jpg").string();
  screen.saveAnswer = form::SaveChoice{jpeg, folder.string()};
  window.command(PlotCommand::Save);
  ASSERT_EQ(screen.messages.size(), 2U);
  EXPECT_EQ(screen.messages[1].second,
            "The plot was not saved: '" + jpeg + "' does not end in .png.");
  EXPECT_FALSE(std::filesystem::exists(jpeg));
  screen.saveAnswer.reset();
  window.command(PlotCommand::Save);
  EXPECT_EQ(screen.dialogs.back().folder, folder.string());
  std::filesystem::remove_all(folder);
}

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)  // a page has no FIFOs, nor threads to read one
// The window never waits on a save: a FIFO is written for its reader, and one that no program
// reads, or whose reader stops reading, fails at once or after a moment, with the reason; a folder
// is refused.
TEST(SaveKey, IntoStreamsWithoutWaiting) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {}, kStart);
  window.click(ControlId::cmdXY);  // a picture larger than the smallest pipe
  const std::filesystem::path folder = freshFolder("streams");
  const std::string fifo = (folder / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto saveTo = [&](const std::string& name) {
    screen.messages.clear();
    screen.saveAnswer = form::SaveChoice{name, folder.string()};
    window.command(PlotCommand::Save);
    return screen.messages.empty() ? std::string() : screen.messages[0].second;
  };

  std::vector<std::uint8_t> received;
  std::thread reader([&] { received = contentsOf(fifo); });
  const std::string failure = saveTo(fifo);
  if (!failure.empty()) ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // lets it go
  reader.join();
  EXPECT_EQ(failure, "");
  EXPECT_EQ(received, encodePng(window.plot().device()));

  EXPECT_TRUE(saveTo(fifo).ends_with(": no program is reading it."));
  const int stalled = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // a reader that never reads
  ASSERT_TRUE(stalled >= 0 && ::fcntl(stalled, F_SETPIPE_SZ, 4096) >= 0);
  EXPECT_TRUE(saveTo(fifo).ends_with(": the program reading it stopped reading."));
  ::close(stalled);
  EXPECT_NE(saveTo(folder.string()).find("it is a directory"), std::string::npos);
  std::filesystem::remove_all(folder);
}
#endif

TEST(CopyKey, PutsThePlotOnTheClipboardOrSaysWhyNot) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {96, 1.5}, kStart);
  window.click(ControlId::cmdRun3D);
  window.command(PlotCommand::Copy);
  EXPECT_EQ(screen.copied, HeadlessFrontEnd::pixelsOf(window.plot().device()));
  EXPECT_TRUE(screen.messages.empty());
  screen.copyFailure = "the page may not write to the clipboard";
  window.command(PlotCommand::Copy);
  ASSERT_EQ(screen.messages.size(), 1U);
  EXPECT_EQ(screen.messages[0],
            std::make_pair(MessageKind::Warning, std::string("The plot was not copied: the page "
                                                             "may not write to the clipboard.")));
  // A clipboard that answers later (a browser's) says no in the same words.
  window.copyRefused("the browser did not allow it");
  ASSERT_EQ(screen.messages.size(), 2U);
  EXPECT_EQ(screen.messages[1].second, "The plot was not copied: the browser did not allow it.");
}

// --- Density: the drawing moves to the new device pixels; the controls move with the layout's.

TEST(Density, MovesTheDrawingAndTheControls) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {}, kStart);
  window.click(ControlId::cmdXY);
  screen.calls.clear();
  window.setDensity({96, 1});
  EXPECT_TRUE(screen.calls.empty());  // nothing changed
  window.setDensity({96, 2});
  EXPECT_EQ(screen.calls, std::vector<std::string>{"showPlot"});
  EXPECT_EQ(screen.shown->width(), 1098);
  EXPECT_EQ(screen.shown->height(), 746);
  const Colours seen = shownColours(screen);
  EXPECT_TRUE(seen.yellow && seen.green && !seen.other);
  screen.calls.clear();
  window.setDensity({144, 1.5});
  EXPECT_EQ(screen.calls, (std::vector<std::string>{"layOut", "showPlot"}));
  EXPECT_EQ(screen.controls[0].place, (DeviceRect{48, 24, 830, 566}));
}

TEST(Density, TooFineForThePlotIsARunTimeError) {
  HeadlessFrontEnd screen;
  form::WindowController window(screen, {}, kStart);
  EXPECT_THROW(window.setDensity({96, 20}), Quit);
  ASSERT_EQ(screen.messages.size(), 1U);
  EXPECT_EQ(screen.messages[0].second,
            "Run-time error: Operation failed (device pixel ratio 20 is outside (0, 16])");
  EXPECT_THROW(form::WindowController(screen, {96, 17}, kStart), Quit);  // from the start
}

}  // namespace
}  // namespace kestavon
