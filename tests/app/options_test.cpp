#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>
#include <vector>

#include "app/c_numbers.h"
#include "app/command_line.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

using testing_support::caseName;
using testing_support::NamedCase;

struct GoodLine : NamedCase {
  std::vector<const char*> arguments;
  std::optional<std::uint32_t> seed;
  std::optional<OscState> start;
  std::optional<View> render;
  int runs, scale;
};

Options parsedOptions(const std::vector<const char*>& arguments) {
  QStringList list;
  for (const char* argument : arguments) list << QString::fromUtf8(argument);
  auto parsed = parseCommandLine(list);
  if (const auto* answer = std::get_if<Answer>(&parsed)) {
    ADD_FAILURE() << "answered " << answer->text.toStdString();
    return {};
  }
  return std::get<Options>(parsed);
}

class GoodCommandLineTest : public testing::TestWithParam<GoodLine> {};

TEST_P(GoodCommandLineTest, GivesTheOptions) {
  const GoodLine& line = GetParam();
  const Options options = parsedOptions(line.arguments);
  EXPECT_EQ(options.seed, line.seed);
  ASSERT_EQ(options.start.has_value(), line.start.has_value());
  if (line.start) {
    EXPECT_EQ(options.start->x, line.start->x);
    EXPECT_EQ(options.start->y, line.start->y);
    EXPECT_EQ(options.start->z, line.start->z);
  }
  EXPECT_EQ(options.render, line.render);
  EXPECT_EQ(options.runs, line.runs);
  EXPECT_EQ(options.scale, line.scale);
  if (line.render) {
    EXPECT_EQ(options.output, QStringLiteral("out.png"));
  }
}

constexpr auto kXY = View::XYPlane;
constexpr auto kOblique = View::Oblique;

INSTANTIATE_TEST_SUITE_P(
    Lines, GoodCommandLineTest,
    testing::Values(
        GoodLine{{"window"}, {}, {}, {}, {}, 1, 1},
        GoodLine{{"seed_0"}, {"--seed", "0"}, 0u, {}, {}, 1, 1},
        GoodLine{{"seed_largest"}, {"--seed=4294967295"}, 4294967295u, {}, {}, 1, 1},
        GoodLine{{"start"}, {"--start", "1,2,3"}, {}, OscState{1, 2, 3}, {}, 1, 1},
        GoodLine{{"start_negative_as_next_argument"},
                 {"--start", "-1.5,-2.25,-0.75"},
                 {},
                 OscState{-1.5, -2.25, -0.75},
                 {},
                 1,
                 1},
        GoodLine{{"start_as_strtod_reads"},
                 {"--start=+1e-3,.5,0x10"},
                 {},
                 OscState{0.001, 0.5, 16},
                 {},
                 1,
                 1},
        GoodLine{{"render_xy"}, {"--render", "xy", "--output", "out.png"}, {}, {}, kXY, 1, 1},
        GoodLine{{"render_3d_everything"},
                 {"--render=3d", "--output=out.png", "--runs", "1000", "--scale", "8", "--seed",
                  "7", "--start", "0,0,0"},
                 7u,
                 OscState{0, 0, 0},
                 kOblique,
                 1000,
                 8}),
    caseName);

struct AnsweredLine : NamedCase {
  std::vector<const char*> arguments;
  int status;
  const char* firstLine;  // of the text
};

class AnsweredCommandLineTest : public testing::TestWithParam<AnsweredLine> {};

// Help and version for standard output, status 0; a bad line gets one line saying what is wrong,
// the usage and a hint, for standard error, status 2.
TEST_P(AnsweredCommandLineTest, AnswersWithoutRunning) {
  const AnsweredLine& line = GetParam();
  QStringList list;
  for (const char* argument : line.arguments) list << QString::fromUtf8(argument);
  const auto parsed = parseCommandLine(list);
  ASSERT_TRUE(std::holds_alternative<Answer>(parsed));
  const Answer& answer = std::get<Answer>(parsed);
  EXPECT_EQ(answer.status, line.status);
  EXPECT_EQ(answer.toStandardOutput(), line.status == 0);
  const QStringList lines = answer.text.split('\n');
  EXPECT_EQ(lines.constFirst().toStdString(), line.firstLine);
  EXPECT_TRUE(answer.text.endsWith('\n'));
  if (line.status == 2) {
    EXPECT_TRUE(lines.value(1).startsWith("Usage: kestavon"));
    EXPECT_TRUE(answer.text.contains("kestavon --help"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AnsweredCommandLineTest,
    testing::Values(
        AnsweredLine{{"help"}, {"--help"}, 0, "Usage: kestavon [--seed N] [--start X,Y,Z]"},
        AnsweredLine{{"help_short"}, {"-h"}, 0, "Usage: kestavon [--seed N] [--start X,Y,Z]"},
        AnsweredLine{{"version"}, {"--version"}, 0, "kestavon 1.0"},
        AnsweredLine{{"version_short"}, {"-v"}, 0, "kestavon 1.0"},
        AnsweredLine{{"unknown_option"}, {"--colour"}, 2, "kestavon: Unknown option 'colour'"},
        AnsweredLine{
            {"argument"}, {"picture.png"}, 2, "kestavon: unexpected argument 'picture.png'"},
        AnsweredLine{
            {"seed_without_value"}, {"--seed"}, 2, "kestavon: Missing value after '--seed'"},
        AnsweredLine{{"seed_negative"},
                     {"--seed", "-1"},
                     2,
                     "kestavon: --seed: '-1' is not a whole number from 0 to 4294967295"},
        AnsweredLine{{"seed_too_large"},
                     {"--seed", "4294967296"},
                     2,
                     "kestavon: --seed: '4294967296' is not a whole number from 0 to 4294967295"},
        AnsweredLine{{"seed_fraction"},
                     {"--seed", "1.5"},
                     2,
                     "kestavon: --seed: '1.5' is not a whole number from 0 to 4294967295"},
        AnsweredLine{{"seed_blank"},
                     {"--seed", " 5"},
                     2,
                     "kestavon: --seed: ' 5' is not a whole number from 0 to 4294967295"},
        AnsweredLine{{"start_two_numbers"},
                     {"--start", "1,2"},
                     2,
                     "kestavon: --start: '1,2' is not three numbers X,Y,Z"},
        AnsweredLine{{"start_decimal_commas"},
                     {"--start", "1,5,2,5,3,5"},
                     2,
                     "kestavon: --start: '1,5,2,5,3,5' is not three numbers X,Y,Z"},
        AnsweredLine{{"start_word"},
                     {"--start", "1,2,x"},
                     2,
                     "kestavon: --start: 'x' is not a finite number (in '1,2,x')"},
        AnsweredLine{{"start_trailing_text"},
                     {"--start", "1,2,3m"},
                     2,
                     "kestavon: --start: '3m' is not a finite number (in '1,2,3m')"},
        AnsweredLine{{"start_infinite"},
                     {"--start", "inf,0,0"},
                     2,
                     "kestavon: --start: 'inf' is not a finite number (in 'inf,0,0')"},
        AnsweredLine{{"start_overflowing"},
                     {"--start", "0,1e999,0"},
                     2,
                     "kestavon: --start: '1e999' is not a finite number (in '0,1e999,0')"},
        AnsweredLine{{"start_nan"},
                     {"--start", "0,0,nan"},
                     2,
                     "kestavon: --start: 'nan' is not a finite number (in '0,0,nan')"},
        AnsweredLine{{"start_empty_number"},
                     {"--start", "1,,3"},
                     2,
                     "kestavon: --start: '' is not a finite number (in '1,,3')"},
        AnsweredLine{{"render_without_output"},
                     {"--render", "xy"},
                     2,
                     "kestavon: --render needs --output FILE.png"},
        AnsweredLine{{"render_empty_output"},
                     {"--render", "xy", "--output="},
                     2,
                     "kestavon: --render needs --output FILE.png"},
        AnsweredLine{{"render_other_view"},
                     {"--render", "XY", "--output", "a.png"},
                     2,
                     "kestavon: --render: 'XY' is not a view: xy or 3d"},
        AnsweredLine{{"output_without_render"},
                     {"--output", "a.png"},
                     2,
                     "kestavon: --output, --runs and --scale go with --render"},
        AnsweredLine{{"scale_without_render"},
                     {"--scale", "2"},
                     2,
                     "kestavon: --output, --runs and --scale go with --render"},
        AnsweredLine{{"no_runs"},
                     {"--render", "xy", "--output", "a.png", "--runs", "0"},
                     2,
                     "kestavon: --runs: '0' is not a whole number from 1 to 1000"},
        AnsweredLine{{"too_many_runs"},
                     {"--render", "xy", "--output", "a.png", "--runs", "1001"},
                     2,
                     "kestavon: --runs: '1001' is not a whole number from 1 to 1000"},
        AnsweredLine{{"scale_too_fine"},
                     {"--render", "3d", "--output", "a.png", "--scale", "9"},
                     2,
                     "kestavon: --scale: '9' is not a whole number from 1 to 8"}),
    caseName);

// Under a locale that writes 1,5 for one and a half (LOCPATH names a folder with de_DE.UTF-8,
// made by the test's fixture), numbers are still read with a point.
TEST(CNumberTest, ReadsAPointWhateverTheLocale) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no de_DE.UTF-8 locale (LOCPATH not set up)";
  }
  EXPECT_EQ(std::strtod("1,5", nullptr), 1.5);  // the locale is in force
  EXPECT_EQ(parseCNumber("1.5"), 1.5);
  EXPECT_EQ(parseCNumber("1,5"), std::nullopt);
  const Options options = parsedOptions({"--start", "0.25,-1.5,2e1"});
  ASSERT_TRUE(options.start.has_value());
  EXPECT_EQ(options.start->x, 0.25);
  EXPECT_EQ(options.start->y, -1.5);
  EXPECT_EQ(options.start->z, 20);
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace kestavon
