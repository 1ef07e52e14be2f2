#include "app/command_line.h"

#include <unistd.h>

#include <QFile>
#include <array>
#include <cmath>
#include <cstring>

#include "app/c_numbers.h"
#include "app/toolkit_options.h"
#include "picture/descriptor_write.h"
#include "picture/destination.h"

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
    "  --runs N          runs that --render performs, 1 to 1000 (default 1)\n"
    "  --scale K         --render at K device pixels per pixel, 1 to 8 (default 1): a picture\n"
    "                    of 549K x 373K pixels, as the window shows it on such a screen\n"
    "  -h, --help        show this help and exit\n"
    "  -v, --version     show the version and exit\n"
    "\n"
    "The toolkit's own options (-platform, -style, ...) are not read: use its environment\n"
    "variables (QT_QPA_PLATFORM, QT_STYLE_OVERRIDE, ...).\n"
    "\n"
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
  const char* name;
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

QString wholeNumbers(WholeRange range) {
  return QStringLiteral("a whole number from %1 to %2")
      .arg(QString::number(range.low), QString::number(range.high));
}

// What an option's value is, for the message that it is missing.
QString valueNeeded(int option) {
  switch (option) {
    case kSeed:
      return wholeNumbers(kSeeds);
    case kStart:
      return QStringLiteral("three numbers X,Y,Z");
    case kRender:
      return QStringLiteral("xy or 3d");
    case kOutput:
      return QStringLiteral("a file");
    case kRunsOption:
      return wholeNumbers(kRuns);
    default:
      return wholeNumbers(kScales);
  }
}

// A bad command line, thrown from the readers below to parseCommandLine.
struct BadCommandLine {
  QString message;
};

Answer badCommandLine(const QString& message) {
  return {Answer::kBadCommandLine,
          QStringLiteral("kestavon: ") + message + QLatin1Char('\n') + QLatin1String(kUsage) +
              QStringLiteral("Try 'kestavon --help' for more information.\n")};
}

std::uint64_t wholeNumber(const char* option, const QString& text, WholeRange range) {
  const std::optional<std::uint64_t> value = parseWholeNumber(text.toStdString());
  if (!value || *value < range.low || *value > range.high) {
    // One arg() for all, so that a '%3' typed by the user is not taken for a placeholder.
    throw BadCommandLine{QStringLiteral("--%1: '%2' is not %3")
                             .arg(QLatin1String(option), text, wholeNumbers(range))};
  }
  return *value;
}

// Spaces around a number count for nothing, before it as after it.
OscState startState(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 3) {
    throw BadCommandLine{QStringLiteral("--start: '%1' is not three numbers X,Y,Z").arg(text)};
  }
  const auto number = [&](const QString& part) {
    const std::optional<double> value = parseCNumber(part.trimmed().toStdString());
    if (!value || !std::isfinite(*value)) {
      throw BadCommandLine{
          QStringLiteral("--start: '%1' is not a finite number (in '%2')").arg(part, text)};
    }
    return *value;
  };
  return OscState{number(parts[0]), number(parts[1]), number(parts[2])};
}

View view(const QString& name) {
  if (name == QLatin1String("xy")) return View::XYPlane;
  if (name == QLatin1String("3d")) return View::Oblique;
  throw BadCommandLine{QStringLiteral("--render: '%1' is not a view: xy or 3d").arg(name)};
}

// A regular file to write is named *.png; standard output, a FIFO or a character device may have
// any name, and anything else is refused when the picture is written (status 1).
void checkOutputName(const QString& output) {
  if (destinationOf(output).kind != DestinationKind::File) return;
  if (!output.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
    throw BadCommandLine{QStringLiteral("--output: '%1' does not end in .png").arg(output)};
  }
}

using Given = std::array<std::optional<QString>, kOptionCount>;

int optionNamed(const QString& name) {
  for (int i = 0; i < kOptionCount; ++i) {
    if (name == QLatin1String(kOptions[static_cast<std::size_t>(i)].name)) return i;
  }
  return -1;
}

int optionLettered(const QString& argument) {
  for (int i = 0; i < kOptionCount; ++i) {
    const char letter = kOptions[static_cast<std::size_t>(i)].letter;
    if (letter != 0 && argument == QStringLiteral("-") + QLatin1Char(letter)) return i;
  }
  return -1;
}

struct Occurrence {
  int option;
  std::optional<QString> value;  // given after '='
};

// Which of our options an argument names; anything else is thrown.
Occurrence identify(const QString& argument, const QString* next) {
  if (const std::optional<QString> toolkit = toolkitOptionMessage(argument, next)) {
    throw BadCommandLine{*toolkit};
  }
  if (argument.startsWith(QLatin1String("--"))) {
    const QString name = argument.section(QLatin1Char('='), 0, 0).mid(2);
    const int option = optionNamed(name);
    if (option < 0) throw BadCommandLine{QStringLiteral("Unknown option '%1'").arg(name)};
    if (!argument.contains(QLatin1Char('='))) return {option, std::nullopt};
    return {option, argument.section(QLatin1Char('='), 1)};
  }
  if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
    const int option = optionLettered(argument);
    if (option < 0) throw BadCommandLine{QStringLiteral("Unknown option '%1'").arg(argument)};
    return {option, std::nullopt};
  }
  throw BadCommandLine{QStringLiteral("unexpected argument '%1'").arg(argument)};
}

// Which options are given, with their values as typed; every fault of form (an unknown option,
// one given twice, a missing value, an argument that is no option) is thrown here.
Given scan(const QStringList& arguments) {
  Given given;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString* next = i + 1 < arguments.size() ? &arguments[i + 1] : nullptr;
    if (arguments[i] == QLatin1String("--")) {  // the end of the options, and we take no others
      if (next == nullptr) break;
      throw BadCommandLine{QStringLiteral("unexpected argument '%1'").arg(*next)};
    }
    Occurrence found = identify(arguments[i], next);
    const OptionSpec& known = kOptions[static_cast<std::size_t>(found.option)];
    const QString longName = QStringLiteral("--") + QLatin1String(known.name);
    std::optional<QString>& slot = given[static_cast<std::size_t>(found.option)];
    if (slot) throw BadCommandLine{QStringLiteral("%1 is given more than once").arg(longName)};
    if (!known.takesValue) {
      if (found.value) throw BadCommandLine{QStringLiteral("%1 takes no value").arg(longName)};
      slot = QString();
      continue;
    }
    // A value may start with one dash (-1,2,3; - for standard output), not with two.
    if (!found.value && next != nullptr && !next->startsWith(QLatin1String("--"))) {
      found.value = *next;
      ++i;
    }
    if (!found.value || found.value->isEmpty()) {
      throw BadCommandLine{QStringLiteral("%1 needs %2").arg(longName, valueNeeded(found.option))};
    }
    slot = found.value;
  }
  return given;
}

Options readOptions(const Given& given) {
  const auto value = [&](int option) -> const std::optional<QString>& {
    return given[static_cast<std::size_t>(option)];
  };
  Options options;
  if (value(kSeed)) {
    options.seed = static_cast<std::uint32_t>(wholeNumber("seed", *value(kSeed), kSeeds));
  }
  if (value(kStart)) options.start = startState(*value(kStart));
  if (value(kRender)) options.render = view(*value(kRender));
  if (value(kRunsOption)) {
    options.runs = static_cast<int>(wholeNumber("runs", *value(kRunsOption), kRuns));
  }
  if (value(kScaleOption)) {
    options.scale = static_cast<int>(wholeNumber("scale", *value(kScaleOption), kScales));
  }
  if (!options.render && (value(kOutput) || value(kRunsOption) || value(kScaleOption))) {
    throw BadCommandLine{QStringLiteral("--output, --runs and --scale go with --render")};
  }
  if (options.render && !value(kOutput)) {
    throw BadCommandLine{QStringLiteral("--render needs --output FILE.png")};
  }
  if (value(kOutput)) {
    options.output = *value(kOutput);
    checkOutputName(options.output);
  }
  return options;
}

}  // namespace

std::variant<Options, Answer> parseCommandLine(const QStringList& arguments) {
  try {
    const Given given = scan(arguments);
    if (given[kHelpOption]) {
      return Answer{0, QLatin1String(kUsage) + QLatin1Char('\n') + QLatin1String(kHelp)};
    }
    if (given[kVersionOption]) return Answer{0, QStringLiteral("kestavon " KESTAVON_VERSION "\n")};
    return readOptions(given);
  } catch (const BadCommandLine& bad) {
    return badCommandLine(bad.message);
  }
}

int give(const Answer& answer) {
  const QByteArray text = answer.text.toLocal8Bit();
  if (!answer.toStandardOutput()) {
    writeAll(STDERR_FILENO, text);  // nowhere left to report a failure
    return answer.status;
  }
  if (const std::optional<QString> failure = writeAll(STDOUT_FILENO, text)) {
    writeAll(STDERR_FILENO,
             "kestavon: cannot write to standard output: " + failure->toLocal8Bit() + '\n');
    return 1;
  }
  return answer.status;
}

QStringList argumentsOf(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

}  // namespace kestavon
