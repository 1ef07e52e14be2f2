#include "app/command_line.h"

#include <QCommandLineParser>
#include <cmath>

#include "app/c_numbers.h"

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
    "Options:\n"
    "  --seed N          seed the random sequence once with N (0 to 4294967295): the k-th run\n"
    "                    since start-up always starts at the same point\n"
    "  --start X,Y,Z     start every run at this state instead of at random; numbers with a\n"
    "                    decimal point whatever the locale, finite\n"
    "  --render xy|3d    open no window: make the plot's picture as N clicks on XY Plane (xy)\n"
    "                    or Run-3D (3d) after start-up would (the axes drawn at start-up, then\n"
    "                    the runs) and write it as PNG; needs no display\n"
    "  --output FILE     the PNG file that --render writes (replaced only once complete)\n"
    "  --runs N          runs that --render performs, 1 to 1000 (default 1)\n"
    "  --scale K         --render at K device pixels per pixel, 1 to 8 (default 1): a picture\n"
    "                    of 549K x 373K pixels, as the window shows it on such a screen\n"
    "  -h, --help        show this help and exit\n"
    "  -v, --version     show the version and exit\n"
    "\n"
    "Exit status: 0 done, 1 run-time error or picture not written, 2 bad command line.\n";

// A bad value, thrown from the readers below to parseCommandLine.
struct BadCommandLine {
  QString message;
};

Answer badCommandLine(const QString& message) {
  return {Answer::kBadCommandLine,
          QStringLiteral("kestavon: ") + message + QLatin1Char('\n') + QLatin1String(kUsage) +
              QStringLiteral("Try 'kestavon --help' for more information.\n")};
}

std::uint64_t wholeNumber(const QString& option, const QString& text, std::uint64_t low,
                          std::uint64_t high) {
  const std::optional<std::uint64_t> value = parseWholeNumber(text.toStdString());
  if (!value || *value < low || *value > high) {
    // One arg() for all four, so that a '%3' typed by the user is not taken for a placeholder.
    throw BadCommandLine{QStringLiteral("--%1: '%2' is not a whole number from %3 to %4")
                             .arg(option, text, QString::number(low), QString::number(high))};
  }
  return *value;
}

OscState startState(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 3) {
    throw BadCommandLine{QStringLiteral("--start: '%1' is not three numbers X,Y,Z").arg(text)};
  }
  const auto number = [&](const QString& part) {
    const std::optional<double> value = parseCNumber(part.toStdString());
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

Options readOptions(const QCommandLineParser& parser) {
  const auto given = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
  const auto value = [&](const char* name) { return parser.value(QString::fromLatin1(name)); };
  const auto whole = [&](const char* name, std::uint64_t low, std::uint64_t high) {
    return wholeNumber(QString::fromLatin1(name), value(name), low, high);
  };
  Options options;
  if (given("seed")) options.seed = static_cast<std::uint32_t>(whole("seed", 0, UINT32_MAX));
  if (given("start")) options.start = startState(value("start"));
  if (given("render")) options.render = view(value("render"));
  if (given("runs")) options.runs = static_cast<int>(whole("runs", 1, 1000));
  if (given("scale")) options.scale = static_cast<int>(whole("scale", 1, 8));
  options.output = value("output");
  if (!options.render && (given("output") || given("runs") || given("scale"))) {
    throw BadCommandLine{QStringLiteral("--output, --runs and --scale go with --render")};
  }
  if (options.render && options.output.isEmpty()) {
    throw BadCommandLine{QStringLiteral("--render needs --output FILE.png")};
  }
  return options;
}

}  // namespace

std::variant<Options, Answer> parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
  parser.addOptions({help, version});
  for (const char* name : {"seed", "start", "render", "output", "runs", "scale"}) {
    parser.addOption(
        QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
  }
  if (!parser.parse(QStringList{QStringLiteral("kestavon")} + arguments)) {
    QString message = parser.errorText();
    if (message.endsWith(QLatin1Char('.'))) message.chop(1);
    return badCommandLine(message);
  }
  if (!parser.positionalArguments().isEmpty()) {
    return badCommandLine(
        QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
  }
  if (parser.isSet(help)) {
    return Answer{0, QLatin1String(kUsage) + QLatin1Char('\n') + QLatin1String(kHelp)};
  }
  if (parser.isSet(version)) {
    return Answer{0, QStringLiteral("kestavon " KESTAVON_VERSION "\n")};
  }
  try {
    return readOptions(parser);
  } catch (const BadCommandLine& bad) {
    return badCommandLine(bad.message);
  }
}

QStringList argumentsOf(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

}  // namespace kestavon
