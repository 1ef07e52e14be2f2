#include "app/command_line.h"

#include <array>
#include <cmath>
#include <span>

#include "app/c_numbers.h"
#include "app/front_end.h"
#include "app/toolkit_options.h"
#include "picture/png_file.h"
#include "platform/messages.h"
#include "platform/standard_streams.h"

namespace kestavon {
namespace {

constexpr char kUsage[] =
    "Usage: kestavon [--seed N] [--start X,Y,Z]\n"
    "       kestavon --render xy|3d --output FILE.png [--runs N] [--seed N] [--start X,Y,Z] "
    "[--scale K]\n";

constexpr char kHelp[] =
    "Integrates a three-variable chaotic oscillator and draws its trajectory.\n"
    "\n"
    "Without --render, opens the window. Ctrl+S there saves the plot as a PNG picture and Ctrl+C\n"
    "copies it to the clipboard.\n"
    "\n"
    "Options (each at most once; a value follows its option, or after '='):\n"
    "  --seed N          seed the random sequence once with N (0 to 4294967295): the k-th run\n"
    "                    since start-up always starts at the same point\n"
    "  --start X,Y,Z     start every run at this state instead of at random; numbers with a\n"
    "                    decimal point whatever the locale, finite, spaces around them ignored\n"
    "  --render xy|3d    open no window: make the plot's picture as N clicks on XY Plane (xy)\n"
    "                    or Run-3D (3d) after start-up would (the axes drawn at start-up, then\n"
    "                    the runs) and write it as PNG; needs no display; on a terminal, shows\n"
    "                    which run it is at\n"
    "  --output FILE     where --render writes: a file whose name ends in .png (replaced only\n"
    "                    once complete), an existing FIFO or character device (written\n"
    "                    directly), or - for standard output\n"
    "  --runs N          runs that --render performs, 1 to 1000 (default 1), drawn on every\n"
    "                    processor the program may use, the same picture as one by one\n"
    "  --scale K         --render at K device pixels per pixel, 1 to 8 (default 1): a picture\n"
    "                    of 549K x 373K pixels, as the window shows it on such a screen\n"
    "  -h, --help        show this help and exit\n"
    "  -v, --version     show the version and exit\n";

constexpr char kStatuses[] =
    "Exit status: 0 done, 1 run-time error or picture not written, 2 bad command line.\n";

struct WholeRange {
  std::uint64_t low, high;
};
constexpr WholeRange kSeeds{0, UINT32_MAX}, kRuns{1, 1000}, kScales{1, 8};

enum OptionIndex {
  kHelpOption,
  kVersionOption,
  kSeed,
  kStart,
  kRender,
  kOutput,
  kRunsOption,
  kScaleOption,
  kOptionCount
};

struct OptionSpec {
  std::string_view name;
  char letter;  // its one-letter form, or 0
  bool takesValue;
};

constexpr std::array<OptionSpec, kOptionCount> kOptions{{{"help", 'h', false},
                                                         {"version", 'v', false},
                                                         {"seed", 0, true},
                                                         {"start", 0, true},
                                                         {"render", 0, true},
                                                         {"output", 0, true},
                                                         {"runs", 0, true},
                                                         {"scale", 0, true}}};

const OptionSpec& described(int option) { return kOptions[static_cast<std::size_t>(option)]; }

std::string longName(int option) { return "--" + std::string(described(option).name); }

std::string wholeNumbers(WholeRange range) {
  return "a whole number from " + std::to_string(range.low) + " to " + std::to_string(range.high);
}

// A value or an argument as typed, in quotes.
std::string quoted(std::string_view text) { return "'" + printable(text) + "'"; }

// What an option's value is, for the message that it is missing.
std::string valueNeeded(int option) {
  switch (option) {
    case kSeed:
      return wholeNumbers(kSeeds);
    case kStart:
      return "three numbers X,Y,Z";
    case kRender:
      return "xy or 3d";
    case kOutput:
      return "a file";
    case kRunsOption:
      return wholeNumbers(kRuns);
    default:
      return wholeNumbers(kScales);
  }
}

// A bad command line, thrown from the readers below to parseCommandLine.
struct BadCommandLine {
  std::string message;
};

// On standard error every line starts with the program's name, the usage's too.
Answer badCommandLine(const std::string& message) {
  std::string text = "kestavon: " + printable(message) + '\n';
  std::string_view usage = kUsage;
  for (std::size_t end; (end = usage.find('\n')) != std::string_view::npos;
       usage.remove_prefix(end + 1)) {
    text += "kestavon: " + std::string(usage.substr(0, end + 1));
  }
  return {Answer::kBadCommandLine,
          text + "kestavon: Try 'kestavon --help' for more information.\n"};
}

std::uint64_t wholeNumber(int option, const std::string& text, WholeRange range) {
  const std::optional<std::uint64_t> value = parseWholeNumber(text);
  if (!value || *value < range.low || *value > range.high) {
    throw BadCommandLine{longName(option) + ": " + quoted(text) + " is not " + wholeNumbers(range)};
  }
  return *value;
}

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view kSpaces = " \t\n\v\f\r";
  const std::size_t first = text.find_first_not_of(kSpaces);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

// Spaces around a number count for nothing, before it as after it.
OscState startState(const std::string& text) {
  std::array<std::string_view, 3> parts;
  std::string_view rest = text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::size_t comma = rest.find(',');
    const bool last = i + 1 == parts.size();
    if (last != (comma == std::string_view::npos)) {
      throw BadCommandLine{"--start: " + quoted(text) + " is not three numbers X,Y,Z"};
    }
    parts[i] = rest.substr(0, comma);
    if (!last) rest.remove_prefix(comma + 1);
  }
  const auto number = [&text](std::string_view part) {
    const std::optional<double> value = parseCNumber(trimmed(part));
    if (!value && tooSmallForDouble(trimmed(part))) {
      throw BadCommandLine{"--start: " + quoted(part) + " is too close to zero for a double (in " +
                           quoted(text) + ")"};
    }
    if (!value || !std::isfinite(*value)) {
      throw BadCommandLine{"--start: " + quoted(part) + " is not a finite number (in " +
                           quoted(text) + ")"};
    }
    return *value;
  };
  return OscState{number(parts[0]), number(parts[1]), number(parts[2])};
}

View view(const std::string& name) {
  if (name == "xy") return View::XYPlane;
  if (name == "3d") return View::Oblique;
  throw BadCommandLine{"--render: " + quoted(name) + " is not a view: xy or 3d"};
}

// The writer's rule: a regular file to write is named *.png; standard output, a FIFO or a
// character device may have any name. Broken, it is a bad command line; the writer refuses
// anything else before any run (status 1).
void checkOutputName(const std::string& output) {
  if (const std::optional<std::string> refusal = pngNameRefusal(output)) {
    throw BadCommandLine{"--output: " + *refusal};
  }
}

using Given = std::array<std::optional<std::string>, kOptionCount>;

struct Occurrence {
  int option;
  std::optional<std::string> value;  // given after '='
};

// Which of our options an argument names; anything else is thrown.
Occurrence identify(const std::string& argument, const std::string* next) {
  if (const std::optional<std::string> toolkit = toolkitOptionMessage(argument, next)) {
    throw BadCommandLine{*toolkit};
  }
  if (!argument.starts_with('-') || argument.size() == 1) {
    throw BadCommandLine{"unexpected argument " + quoted(argument)};
  }
  const std::size_t equals = argument.find('=');
  for (int option = 0; option < kOptionCount; ++option) {
    if (argument.starts_with("--") && argument.substr(2, equals - 2) == described(option).name) {
      if (equals == std::string::npos) return {option, std::nullopt};
      return {option, argument.substr(equals + 1)};
    }
    if (described(option).letter != 0 && argument == std::string{'-', described(option).letter}) {
      return {option, std::nullopt};
    }
  }
  throw BadCommandLine{"Unknown option " + quoted(argument)};
}

// Which options are given, with their values as typed; every fault of form (an unknown option,
// one given twice, a missing value, an argument that is no option) is thrown here.
Given scan(const std::vector<std::string>& arguments) {
  Given given;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string* next = i + 1 < arguments.size() ? &arguments[i + 1] : nullptr;
    if (arguments[i] == "--") {  // the end of the options, and we take no others
      if (next == nullptr) break;
      throw BadCommandLine{"unexpected argument " + quoted(*next)};
    }
    Occurrence found = identify(arguments[i], next);
    std::optional<std::string>& slot = given[static_cast<std::size_t>(found.option)];
    if (slot) throw BadCommandLine{longName(found.option) + " is given more than once"};
    if (!described(found.option).takesValue) {
      if (found.value) throw BadCommandLine{longName(found.option) + " takes no value"};
      slot = std::string();
      continue;
    }
    // A value may start with one dash (-1,2,3; - for standard output), not with two: after '='
    // as apart, so that a forgotten value never swallows the next option.
    if (!found.value && next != nullptr && !next->starts_with("--")) {
      found.value = *next;
      ++i;
    }
    if (!found.value || found.value->empty() || found.value->starts_with("--")) {
      throw BadCommandLine{longName(found.option) + " needs " + valueNeeded(found.option)};
    }
    slot = found.value;
  }
  return given;
}

Options readOptions(const Given& given) {
  const auto value = [&](int option) -> const std::optional<std::string>& {
    return given[static_cast<std::size_t>(option)];
  };
  Options options;
  if (value(kSeed))
    options.seed = static_cast<std::uint32_t>(wholeNumber(kSeed, *value(kSeed), kSeeds));
  if (value(kStart)) options.start = startState(*value(kStart));
  if (value(kRender)) options.render = view(*value(kRender));
  if (value(kRunsOption)) {
    options.runs = static_cast<int>(wholeNumber(kRunsOption, *value(kRunsOption), kRuns));
  }
  if (value(kScaleOption)) {
    options.scale = static_cast<int>(wholeNumber(kScaleOption, *value(kScaleOption), kScales));
  }
  if (!options.render && (value(kOutput) || value(kRunsOption) || value(kScaleOption))) {
    throw BadCommandLine{"--output, --runs and --scale go with --render"};
  }
  if (options.render && !value(kOutput)) throw BadCommandLine{"--render needs --output FILE.png"};
  if (value(kOutput)) {
    options.output = *value(kOutput);
    checkOutputName(options.output);
  }
  return options;
}

}  // namespace

std::variant<Options, Answer> parseCommandLine(const std::vector<std::string>& arguments) {
  try {
    const Given given = scan(arguments);
    if (given[kHelpOption]) {
      return Answer{0, std::string(kUsage) + '\n' + kHelp + std::string(toolkitOptions().help) +
                           '\n' + kStatuses};
    }
    if (given[kVersionOption]) return Answer{0, "kestavon " KESTAVON_VERSION "\n"};
    return readOptions(given);
  } catch (const BadCommandLine& bad) {
    return badCommandLine(bad.message);
  }
}

int give(const Answer& answer) {
  if (!answer.toStandardOutput()) {
    writeStandardError(answer.text);
    return answer.status;
  }
  if (const std::optional<std::string> failure = writeStandardOutput(
          {reinterpret_cast<const std::uint8_t*>(answer.text.data()), answer.text.size()})) {
    report(cannotWrite(kStandardOutput, *failure));
    return 1;
  }
  return answer.status;
}

}  // namespace kestavon
