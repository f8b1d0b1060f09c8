// InspectTest.cpp - rulvtool inspect, run as a separate process: the
// measures on maps whose numbers follow from the definitions, the loader's
// faults exactly as check reports them, text and JSON that agree, and the
// same digits from both builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <clocale>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tool/ToolProcess.h"
#include "tool/Inspect.h"

namespace rulv::test {
namespace {

namespace fs = std::filesystem;

// --- reading the two outputs back ---------------------------------------------

// A JSON text as a flat table: "lightness.min" -> "0.0000", strings without
// their quotes (escapes decoded), null as "null", an array of numbers as
// its elements joined by spaces (and each in Lists). Only what the tool
// writes: objects, strings, numbers, null, arrays of numbers. `Valid` is
// false for anything else, or for more than one value.
struct TJson {
    bool Valid = false;
    std::map<std::string, std::string> Values;
    std::map<std::string, std::vector<std::string>> Lists;

    std::string operator[](const std::string& path) const {
        const auto found = Values.find(path);
        return found == Values.end() ? "<missing " + path + ">" : found->second;
    }
};

class TJsonReader {
public:
    explicit TJsonReader(const std::string& text) : FText(text) {}

    TJson Read() {
        TJson json;
        json.Valid = Value("", json) && (SkipBlanks(), FAt == FText.size());
        return json;
    }

private:
    void SkipBlanks() {
        while (FAt < FText.size() && std::isspace(static_cast<unsigned char>(FText[FAt]))) ++FAt;
    }
    bool Take(char c) {
        SkipBlanks();
        if (FAt >= FText.size() || FText[FAt] != c) return false;
        ++FAt;
        return true;
    }
    bool String(std::string& out) {
        if (!Take('"')) return false;
        while (FAt < FText.size() && FText[FAt] != '"') {
            char c = FText[FAt++];
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c == '\\') {
                if (FAt >= FText.size()) return false;
                c = FText[FAt++];
                if (c == 'u') {
                    if (FAt + 4 > FText.size()) return false;
                    const int code = std::stoi(FText.substr(FAt, 4), nullptr, 16);
                    if (code >= 0x80) return false;  // the tool escapes control characters only
                    c = static_cast<char>(code);
                    FAt += 4;
                } else if (c != '"' && c != '\\') {
                    return false;
                }
            }
            out += c;
        }
        return Take('"');
    }
    bool Value(const std::string& path, TJson& json) {
        SkipBlanks();
        if (FAt >= FText.size()) return false;
        if (FText[FAt] == '{') {
            ++FAt;
            if (Take('}')) return true;
            do {
                std::string key;
                if (!String(key) || !Take(':') || !Value(path.empty() ? key : path + "." + key, json)) return false;
            } while (Take(','));
            return Take('}');
        }
        if (FText[FAt] == '"') {
            std::string text;
            if (!String(text)) return false;
            json.Values[path] = text;
            return true;
        }
        if (FText[FAt] == '[') {
            ++FAt;
            std::vector<std::string>& list = json.Lists[path];
            if (!Take(']')) {
                do {
                    std::string number;
                    if (!Number(number)) return false;
                    list.push_back(number);
                } while (Take(','));
                if (!Take(']')) return false;
            }
            std::string joined;
            for (const std::string& number : list) joined += (joined.empty() ? "" : " ") + number;
            json.Values[path] = joined;
            return true;
        }
        std::string token;
        if (!Number(token)) return false;
        json.Values[path] = token;
        return true;
    }
    bool Number(std::string& token) {
        SkipBlanks();
        const std::size_t start = FAt;
        while (FAt < FText.size() && (std::isalnum(static_cast<unsigned char>(FText[FAt])) || FText[FAt] == '.' ||
                                      FText[FAt] == '-')) {
            ++FAt;
        }
        token = FText.substr(start, FAt - start);
        if (token != "null" && token.find_first_not_of("-0123456789.") != std::string::npos) return false;
        return !token.empty();
    }

    const std::string& FText;
    std::size_t FAt = 0;
};

TJson ParseJson(const std::string& text) { return TJsonReader(text).Read(); }

// The text form: "key   value" lines up to the first empty line (values
// start in one column, the longest key is shorter), then a heading, the
// column names and one row per view.
struct TTextReport {
    std::map<std::string, std::string> Fields;
    std::vector<std::string> Columns;
    std::map<std::string, std::vector<std::string>> Rows;  // view -> cells after its name
};

std::vector<std::string> Words(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

TTextReport ParseText(const std::string& text) {
    TTextReport report;
    std::istringstream stream(text);
    std::string line;
    std::size_t valueColumn = std::string::npos;
    while (std::getline(stream, line) && !line.empty()) {
        if (valueColumn == std::string::npos) valueColumn = line.find_first_not_of(' ', line.find(' '));
        std::string key = line.substr(0, valueColumn);
        key.erase(key.find_last_not_of(' ') + 1);
        report.Fields[key] = valueColumn < line.size() ? line.substr(valueColumn) : "";
    }
    std::getline(stream, line);  // the heading
    std::getline(stream, line);
    report.Columns = Words(line);
    while (std::getline(stream, line)) {
        std::vector<std::string> cells = Words(line);
        if (cells.empty()) continue;
        const std::string view = cells.front();
        cells.erase(cells.begin());
        report.Rows[view] = cells;
    }
    return report;
}

const char* const kViews[] = {"normal", "protan", "deutan", "tritan"};
const char* const kStepKeys[] = {"min", "median", "max", "largest_at", "evenness", "below_jnd"};

class InspectTest : public ::testing::Test {
protected:
    fs::path Map(std::string_view name, std::string_view bytes) const {
        return FScratch.Write(name, bytes);
    }
    TProgramRun Run(const std::vector<TNativeArgument>& arguments) const { return RunTool(arguments, FScratch.Path()); }
    // inspect --format json on `map`, which must succeed.
    TJson Json(const fs::path& map, const std::vector<TNativeArgument>& options = {}) const {
        std::vector<TNativeArgument> arguments{Arg("inspect"), Arg(map), Arg("--format"), Arg("json")};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const TProgramRun run = Run(arguments);
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        TJson json = ParseJson(run.Out);
        EXPECT_TRUE(json.Valid) << run.Out;
        return json;
    }

    TTempFolder FScratch;
};

fs::path Example(const std::string& name) { return TreePath(RULV_EXAMPLES_DIR) / (name + ".rulv"); }

const char* const kExamples[] = {"greyscale", "rainbow", "fire", "relief256", "aurora"};

// --- the measures ---------------------------------------------------------------

// Maps of black and white: neutrals differ only in L*, and for a pair whose
// mean L* is 50 the CIEDE2000 lightness weight is 1, so black against white
// is exactly 100. Everything below follows by hand, L* of greys from its
// definition.
TEST_F(InspectTest, MeasuresWorkedOutByHand) {
    struct {
        const char* name;
        std::string data;
        std::map<std::string, std::string> expected;  // JSON paths; the steps in every view
        const char* tolerance = nullptr;              // --lightness-tolerance, if given
    } const cases[] = {
        {"black to white",
         "000000\r\nFFFFFF\r\n",
         {{"count", "2"}, {"distinct", "2"}, {"first", "000000"}, {"last", "FFFFFF"},
          {"lightness.min", "0.0000"}, {"lightness.max", "100.0000"}, {"lightness.monotonic", "rising"},
          {"lightness.turns_at", "null"}, {"lightness.largest_fall", "0.0000"}, {"lightness.tolerance", "0.2500"},
          {"lightness.values", "0.0000 100.0000"}, {"min", "100.0000"}, {"median", "100.0000"},
          {"max", "100.0000"}, {"largest_at", "1"}, {"evenness", "0.0000"}, {"below_jnd", "0"},
          {"values", "100.0000"}}},
        // Steps 0, 0, 100, 100: the median of four is the mean of the middle
        // two; standard deviation 50 over mean 50; the first largest step
        // arrives at colour 3; L* rises at 3 and turns at 4, falling 100.
        {"steps 0 0 100 100",
         "000000\r\n000000\r\n000000\r\nFFFFFF\r\n000000\r\n",
         {{"count", "5"}, {"distinct", "2"}, {"last", "000000"}, {"lightness.monotonic", "not"},
          {"lightness.turns_at", "4"}, {"lightness.largest_fall", "100.0000"}, {"min", "0.0000"},
          {"median", "50.0000"}, {"max", "100.0000"}, {"largest_at", "3"}, {"evenness", "1.0000"},
          {"below_jnd", "2"}, {"values", "0.0000 0.0000 100.0000 100.0000"}}},
        // Steps 100, 0, 100: an odd count takes the middle one. L* falls
        // first, so going back is rising.
        {"white black black white",
         "FFFFFF\r\n000000\r\n000000\r\nFFFFFF\r\n",
         {{"lightness.monotonic", "not"}, {"lightness.turns_at", "3"}, {"lightness.largest_fall", "100.0000"},
          {"median", "100.0000"}, {"largest_at", "1"}, {"below_jnd", "1"}}},
        {"falling",
         "FFFFFF\r\nFFFFFF\r\n000000\r\n",
         {{"lightness.monotonic", "falling"}, {"lightness.turns_at", "null"}, {"median", "50.0000"},
          {"largest_at", "2"}}},
        // One colour: no steps at all.
        {"one colour",
         "808080\r\n",
         {{"count", "1"}, {"distinct", "1"}, {"first", "808080"}, {"last", "808080"},
          {"lightness.min", "53.5850"}, {"lightness.max", "53.5850"}, {"lightness.monotonic", "constant"},
          {"lightness.values", "53.5850"}, {"min", "null"}, {"median", "null"}, {"max", "null"},
          {"largest_at", "null"}, {"evenness", "null"}, {"below_jnd", "0"}, {"values", ""}}},
        // Steps that are all 0 have no evenness (0 over 0).
        {"one colour twice",
         "808080\r\n808080\r\n",
         {{"distinct", "1"}, {"lightness.monotonic", "constant"}, {"min", "0.0000"}, {"max", "0.0000"},
          {"largest_at", "1"}, {"evenness", "null"}, {"below_jnd", "1"}}},
        // One less blue in mid grey is 0.0282 L* darker: a fall under the
        // tolerance (such as rounding to 8 bits leaves) is flat, and shown.
        {"a fall under the tolerance",
         "000000\r\n808080\r\n80807F\r\nFFFFFF\r\n",
         {{"lightness.monotonic", "rising"}, {"lightness.turns_at", "null"},
          {"lightness.largest_fall", "0.0282"}, {"lightness.values", "0.0000 53.5850 53.5568 100.0000"}}},
        // Less red, one step at a time: each fall (about 0.08 L*) is under
        // the tolerance, but together they go 0.3283 below the highest L*.
        {"small falls that add up",
         "000000\r\n808080\r\n7F8080\r\n7E8080\r\n7D8080\r\n7C8080\r\nFFFFFF\r\n",
         {{"lightness.monotonic", "not"}, {"lightness.turns_at", "5"}, {"lightness.largest_fall", "0.3283"}}},
        {"small falls within a larger tolerance",
         "000000\r\n808080\r\n7F8080\r\n7E8080\r\n7D8080\r\n7C8080\r\nFFFFFF\r\n",
         {{"lightness.monotonic", "rising"}, {"lightness.largest_fall", "0.3283"}, {"lightness.tolerance", "0.5000"}},
         "0.5"},
        {"no tolerance",
         "000000\r\n808080\r\n80807F\r\nFFFFFF\r\n",
         {{"lightness.monotonic", "not"}, {"lightness.turns_at", "2"}, {"lightness.largest_fall", "0.0282"},
          {"lightness.tolerance", "0.0000"}},
         "0"},
    };
    for (const auto& test : cases) {
        std::vector<TNativeArgument> options;
        if (test.tolerance != nullptr) options = {Arg("--lightness-tolerance"), Arg(test.tolerance)};
        const TJson json = Json(Map("map.rulv", test.data), options);
        EXPECT_EQ(json["jnd"], "1.0000");
        for (const auto& [key, value] : test.expected) {
            if (key.find('.') != std::string::npos || json.Values.count(key) != 0) {
                EXPECT_EQ(json[key], value) << test.name << ": " << key;
                continue;
            }
            for (const char* view : kViews) {
                EXPECT_EQ(json[std::string("steps.") + view + "." + key], value)
                    << test.name << ": " << view << " " << key;
            }
        }
    }
}

TEST_F(InspectTest, GreyscaleRisesAndLooksTheSameInEveryView) {
    const TJson json = Json(Example("greyscale"));
    EXPECT_EQ(json["lightness.monotonic"], "rising");
    EXPECT_EQ(json["lightness.turns_at"], "null");
    EXPECT_EQ(json["lightness.min"], "0.0000");
    EXPECT_EQ(json["lightness.max"], "100.0000");
    // 256 greys are finer than the eye: every step is below 1.0 ΔE00.
    EXPECT_EQ(json["steps.normal.below_jnd"], "255");
    for (const char* view : {"protan", "deutan", "tritan"}) {
        for (const char* key : kStepKeys) {
            EXPECT_EQ(json[std::string("steps.") + view + "." + key], json[std::string("steps.normal.") + key])
                << view << " " << key;
        }
    }
}

// Red FF0000 and ochre BE7D00 lie on one confusion line of deuteranopia: as
// neighbours they stand 29 ΔE00 apart for normal vision, but under 1.0 in the
// deuteranopia view. A run between them keeps most of its steps for normal
// vision and loses nearly all of them for a deuteranope.
TEST_F(InspectTest, ARedGreenMapLosesItsStepsForDeuteranopia) {
    const TJson alternating = Json(Map("alternating.rulv", "FF0000\r\nBE7D00\r\nFF0000\r\nBE7D00\r\n"));
    EXPECT_EQ(alternating["steps.normal.below_jnd"], "0");
    EXPECT_GT(std::stod(alternating["steps.normal.min"]), 25.0);
    EXPECT_EQ(alternating["steps.deutan.below_jnd"], "3");
    EXPECT_LT(std::stod(alternating["steps.deutan.max"]), 1.0);
    EXPECT_EQ(alternating["steps.protan.below_jnd"], "0") << "protanopia confuses other pairs";
    EXPECT_EQ(alternating["steps.tritan.below_jnd"], "0");
    EXPECT_EQ(alternating["steps.deutan.evenness"], "0.0000") << "equal steps";

    const TJson run = Json(Map("run.rulv", "#GRAD FF0000,BE7D00,16\r\nBE7D00\r\n"));
    EXPECT_LE(std::stoi(run["steps.normal.below_jnd"]), 8);
    EXPECT_GE(std::stoi(run["steps.deutan.below_jnd"]), 14);
    EXPECT_LT(std::stod(run["steps.deutan.median"]), std::stod(run["steps.normal.median"]) / 2);
}

// --- measuring in parallel ------------------------------------------------------

// Enough colours for four threads, with runs of one colour and colours that
// come back: whatever the number of threads, every figure is the one its
// own colours give.
TEST(InspectColors, EveryFigureIsTheSameWhateverTheThreads) {
    std::mt19937 random(7);
    TPaletteArray colors(150'000);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const auto draw = random();
        if (i > 0 && draw % 5 == 0) {
            colors[i] = colors[i - 1];  // a run
        } else if (i > 100 && draw % 5 == 1) {
            colors[i] = colors[i - 1 - draw % 100];  // a colour met before
        } else {
            colors[i] = static_cast<TPackedColor>(draw & 0xFFFFFF);
        }
    }
    const tool::TInspection one = tool::InspectColors(colors, 0.25, 1);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        ASSERT_EQ(one.LightnessValues[i], PackedToLab(colors[i]).L) << i;
    }
    for (std::size_t v = 0; v < tool::kInspectedViews.size(); ++v) {
        const TVisionView view = tool::kInspectedViews[v];
        for (std::size_t i = 1; i < colors.size(); ++i) {
            ASSERT_EQ(one.StepValues[v][i - 1], DeltaE2000(LinearToLab(SimulateLinear(colors[i - 1], view)),
                                                          LinearToLab(SimulateLinear(colors[i], view))))
                << VisionViewName(view) << " " << i;
        }
    }
    for (const unsigned threads : {2u, 3u, 0u}) {
        const tool::TInspection many = tool::InspectColors(colors, 0.25, threads);
        EXPECT_TRUE(many.LightnessValues == one.LightnessValues) << threads;
        EXPECT_TRUE(many.StepValues == one.StepValues) << threads;
        EXPECT_EQ(many.Distinct, one.Distinct);
        EXPECT_EQ(tool::InspectionJson("map", many), tool::InspectionJson("map", one)) << threads;
    }
}

// --- text and JSON ------------------------------------------------------------

// CSV as rows of cells (no quoting: the tool writes none).
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        std::vector<std::string> cells{""};
        for (const char c : line) {
            if (c == ',') {
                cells.emplace_back();
            } else {
                cells.back() += c;
            }
        }
        rows.push_back(cells);
    }
    return rows;
}

TEST_F(InspectTest, TextJsonAndCsvShowTheSameNumbers) {
    std::vector<fs::path> maps;
    for (const char* name : kExamples) maps.push_back(Example(name));
    maps.push_back(Map("one.rulv", "808080\r\n"));
    maps.push_back(Map("turns.rulv", "000000\r\nFFFFFF\r\n000000\r\n"));
    maps.push_back(Map("falls first.rulv", "FFFFFF\r\n000000\r\nFFFFFF\r\n"));
    for (const fs::path& map : maps) {
        const TJson json = Json(map);
        const TProgramRun run = Run({Arg("inspect"), Arg(map)});
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        const TProgramRun explicitText = Run({Arg("inspect"), Arg("--format"), Arg("text"), Arg(map)});
        EXPECT_EQ(explicitText.Out, run.Out) << "text is the default";
        const TTextReport text = ParseText(run.Out);
        const std::string name = Utf8(map);
        EXPECT_EQ(json["file"], name);
        EXPECT_EQ(text.Fields.at("file"), name);
        const std::pair<const char*, const char*> fields[] = {
            {"colours", "count"}, {"distinct", "distinct"},   {"first", "first"},
            {"last", "last"},     {"L* min", "lightness.min"}, {"L* max", "lightness.max"},
        };
        for (const auto& [textKey, jsonKey] : fields) {
            EXPECT_EQ(text.Fields.at(textKey), json[jsonKey]) << name << ": " << textKey;
        }
        const std::string monotonic = json["lightness.monotonic"];
        const std::string way = monotonic == "not" ? "not monotonic, turns at " + json["lightness.turns_at"] : monotonic;
        // A map that goes down first goes back by rising.
        const std::vector<std::string>& values = json.Lists.at("lightness.values");
        const auto moved = std::find_if(values.begin(), values.end(), [&](const std::string& value) {
            return std::fabs(std::stod(value) - std::stod(values.front())) > std::stod(json["lightness.tolerance"]);
        });
        const bool downFirst = moved != values.end() && std::stod(*moved) < std::stod(values.front());
        const std::string back = downFirst ? "rise" : "fall";
        std::string expected = way;
        expected += " (largest " + back + " " + json["lightness.largest_fall"];
        expected += ", tolerance " + json["lightness.tolerance"] + ")";
        EXPECT_EQ(text.Fields.at("lightness"), expected) << name;
        EXPECT_EQ(text.Columns, (std::vector<std::string>{"view", "min", "median", "max", "largest", "at", "evenness",
                                                          "below", "jnd"}));
        for (const char* view : kViews) {
            ASSERT_EQ(text.Rows.count(view), 1u) << name << ": " << view;
            const std::vector<std::string>& cells = text.Rows.at(view);
            ASSERT_EQ(cells.size(), std::size(kStepKeys)) << name << ": " << view;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const std::string fromJson = json[std::string("steps.") + view + "." + kStepKeys[i]];
                EXPECT_EQ(cells[i], fromJson == "null" ? "-" : fromJson) << name << ": " << view << " " << kStepKeys[i];
            }
        }
        EXPECT_EQ(text.Rows.size(), std::size(kViews));

        // CSV: a row per colour, its L* and the step to the next colour.
        const TProgramRun csv = Run({Arg("inspect"), Arg(map), Arg("--format"), Arg("csv")});
        ASSERT_EQ(csv.ExitCode, 0) << csv.Err;
        const std::vector<std::vector<std::string>> rows = CsvRows(csv.Out);
        const std::size_t count = std::stoul(json["count"]);
        ASSERT_EQ(rows.size(), count + 1) << name;
        EXPECT_EQ(rows[0], (std::vector<std::string>{"index", "hex", "L*", "normal", "protan", "deutan", "tritan"}));
        const std::vector<std::string>& lightness = json.Lists.at("lightness.values");
        ASSERT_EQ(lightness.size(), count) << name;
        for (std::size_t i = 0; i < count; ++i) {
            const std::vector<std::string>& row = rows[i + 1];
            ASSERT_EQ(row.size(), 7u) << name << " row " << i;
            EXPECT_EQ(row[0], std::to_string(i));
            EXPECT_EQ(row[2], lightness[i]) << name << " row " << i;
            for (std::size_t v = 0; v < std::size(kViews); ++v) {
                const std::vector<std::string>& steps = json.Lists.at(std::string("steps.") + kViews[v] + ".values");
                ASSERT_EQ(steps.size(), count - 1) << name;
                EXPECT_EQ(row[3 + v], i + 1 < count ? steps[i] : "") << name << " row " << i << " " << kViews[v];
            }
        }
        EXPECT_EQ(rows[1][1], json["first"]);
        EXPECT_EQ(rows.back()[1], json["last"]);
    }
}

// The native build wrote these files; the Windows build must print the same
// bytes, and a change of any number shows in review.
// The maps are named relative to the source tree, so that the file name in
// the output is the same in both builds.
TEST_F(InspectTest, BothBuildsPrintTheSameDigitsForTheExamples) {
    const fs::path before = fs::current_path();
    fs::current_path(TreePath(RULV_EXAMPLES_DIR).parent_path());
    for (const char* name : kExamples) {
        const std::string expected = ReadBytes(TreePath(RULV_EXPECTED_DIR) / (std::string(name) + ".inspect.json"));
        EXPECT_FALSE(expected.empty()) << name;
        const TProgramRun run =
            Run({Arg("inspect"), Arg(std::string("examples/") + name + ".rulv"), Arg("--format"), Arg("json")});
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_EQ(run.Out, expected) << name;
    }
    fs::current_path(before);
}

// --- loading and the command line ---------------------------------------------

TEST_F(InspectTest, FaultsAreReportedExactlyAsCheckReportsThem) {
    const fs::path folder = FScratch / "folder.rulv";
    fs::create_directory(folder);
    const fs::path maps[] = {
        Map("faulty.rulv", "FF0000\r\n\r\nFF00\r\n"),
        Map("empty.rulv", ""),
        Map("comments.rulv", "* nothing\r\n"),
        FScratch / "missing.rulv",
        folder,
    };
    for (const fs::path& map : maps) {
        const TProgramRun check = Run({Arg("check"), Arg(map)});
        ASSERT_NE(check.ExitCode, 0) << Utf8(map);
        for (const char* format : {"text", "json"}) {
            const TProgramRun inspect = Run({Arg("inspect"), Arg(map), Arg("--format"), Arg(format)});
            EXPECT_EQ(inspect.ExitCode, check.ExitCode) << Utf8(map);
            EXPECT_EQ(inspect.Err, check.Err) << Utf8(map);
            EXPECT_EQ(inspect.Out, "") << Utf8(map);
        }
    }
}

TEST_F(InspectTest, BadCommandLinesGiveUsageAndExitTwo) {
    const fs::path map = Map("map.rulv", "FF0000\r\n");
    const std::vector<std::vector<TNativeArgument>> cases = {
        {Arg("inspect")},
        {Arg("inspect"), Arg(map), Arg(map)},
        {Arg("inspect"), Arg(map), Arg("--format")},
        {Arg("inspect"), Arg(map), Arg("--format"), Arg("xml")},
        {Arg("inspect"), Arg(map), Arg("--format"), Arg("JSON")},
        {Arg("inspect"), Arg(map), Arg("--view"), Arg("deutan")},
        {Arg("inspect"), Arg(map), Arg("--plot")},
        {Arg("inspect"), Arg(map), Arg("--lightness-tolerance")},
    };
    for (const auto& arguments : cases) {
        const TProgramRun run = Run(arguments);
        EXPECT_EQ(run.ExitCode, 2) << run.Err;
        EXPECT_EQ(run.Out, "");
        EXPECT_NE(run.Err.find("\nusage: rulvtool "), std::string::npos) << run.Err;
    }
    // Tolerances: a plain decimal number of L*, nothing else.
    for (const char* tolerance : {"-0.25", "+1", "0,25", "1e-1", "abc", "", ".", "1.", "inf", "nan", "0x1", "1..2"}) {
        const TProgramRun run = Run({Arg("inspect"), Arg(map), Arg("--lightness-tolerance"), Arg(tolerance)});
        EXPECT_EQ(run.ExitCode, 2) << tolerance;
        EXPECT_EQ(run.FirstErrLine(), "rulvtool: --lightness-tolerance wants a number of L*, such as 0.25") << run.Err;
    }
    for (const char* tolerance : {"0", "0.25", ".5", "12"}) {
        const TProgramRun run = Run({Arg("inspect"), Arg(map), Arg("--lightness-tolerance"), Arg(tolerance)});
        EXPECT_EQ(run.ExitCode, 0) << tolerance << ": " << run.Err;
    }
    const TProgramRun help = Run({Arg("--help")});
    EXPECT_NE(help.Out.find("rulvtool inspect FILE [--format text|json|csv] [--plot OUT.svg]"), std::string::npos)
        << help.Out;
}

TEST_F(InspectTest, FileNamesReachJsonIntact) {
    std::vector<std::string> names = {"色地図_Grün.rulv"};
#ifndef _WIN32
    // Characters JSON escapes; Windows allows none of them in a name (its
    // own paths bring the backslashes).
    names.emplace_back("quote\"back\\slash\ttab.rulv");
#endif
    for (const std::string& name : names) {
        const fs::path map = Map(name, "FF8000\r\n0080FF\r\n");
        const TJson json = Json(map);
        EXPECT_EQ(json["file"], Utf8(map));
        EXPECT_EQ(json["count"], "2");
    }
}

// Figures of four decimals take a short way through an integer; every one
// must read as to_chars rounds the exact value, near a half above all.
TEST(FixedText, FourDecimalsAreToCharsRounding) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(0.0, 200.0);
    std::vector<double> values{0.0, 0.00005, 0.00015, 1.23445, 2.5, 99.99995, 999999.99995, 1e6, 1e7, 0.1};
    for (int i = 0; i < 100000; ++i) values.push_back(spread(random));
    for (int i = 0; i < 1000; ++i) {  // the doubles nearest halves of the last decimal
        const double half = (std::floor(spread(random) * 1e4) + 0.5) / 1e4;
        values.insert(values.end(), {half, std::nextafter(half, 0.0), std::nextafter(half, 1e9)});
    }
    for (const double value : values) {
        char expected[64];
        const auto end = std::to_chars(expected, expected + sizeof(expected), value, std::chars_format::fixed, 4).ptr;
        ASSERT_EQ(tool::FixedText(value), std::string(expected, end)) << std::hexfloat << value;
    }
}

#ifndef _WIN32
// The tool takes the user's locale for #LINE slopes; its own numbers keep
// the full stop.
TEST_F(InspectTest, NumbersIgnoreTheLocale) {
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (make deps installs it)";
    }
    std::setlocale(LC_NUMERIC, "C");
    const fs::path map = Example("fire");
    for (const char* format : {"text", "json"}) {
        const std::vector<TNativeArgument> arguments{"inspect", map.native(), "--format", format};
        const TProgramRun point = RunProgram(ToolExecutable(), arguments, FScratch.Path(), {"LC_ALL=C"});
        const TProgramRun comma = RunProgram(ToolExecutable(), arguments, FScratch.Path(), {"LC_ALL=de_DE.UTF-8"});
        EXPECT_EQ(point.ExitCode, 0) << point.Err;
        EXPECT_EQ(comma.ExitCode, 0) << comma.Err;
        EXPECT_EQ(comma.Out, point.Out);
        EXPECT_NE(point.Out.find("100.0000"), std::string::npos);
    }
}
#endif

}  // namespace
}  // namespace rulv::test
