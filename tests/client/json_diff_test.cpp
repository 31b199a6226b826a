// tessera-cli's JSON documents, differences of two readings and saved
// reports, run as a user runs them and checked against the JSON Schema in
// data/, Python's json and glxinfo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "../probe/glxinfo_oracle.h"
#include "common/capability_table.h"
#include "probe/extended_limits.h"
#include "sounder/probe.h"
#include "keel/keel.h"
#include "sounder/reportfile.h"
#include "sounder/system.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

const std::string kBin = TESSERA_BIN_DIR "/tessera-cli";
const std::string kSchema = TESSERA_BIN_DIR "/tessera-report.schema.json";

CliRun cli(const std::string &args)
{
    return runCli(kBin, args);
}

// Empty when the document is valid, else what the validator said.
std::string schemaErrors(const std::string &document, const TempDir &dir)
{
    const std::string path = dir.write("doc.json", document);
    CliRun r = runCli("python3", "-c " +
                                     shellQuoted("import json,sys,jsonschema\n"
                                                 "jsonschema.validate(json.load(open(sys.argv[1])),"
                                                 "json.load(open(sys.argv[2])))") +
                                     " " + shellQuoted(path) + " " + shellQuoted(kSchema));
    return r.status == 0 ? std::string() : r.err + r.out;
}

std::set<std::string> names(const nlohmann::json &array)
{
    std::set<std::string> out;
    for (const auto &n : array)
        out.insert(n.get<std::string>());
    return out;
}

std::set<std::string> minus(const std::set<std::string> &a, const std::set<std::string> &b)
{
    std::set<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
    return out;
}

// An extended value as the diff's JSON gives it: a number or an array.
nlohmann::json valueJson(const sounder::ExtendedValue &v)
{
    const nlohmann::json all =
        v.isFloat() ? nlohmann::json(std::vector<double>(v.floats, v.floats + v.count))
                    : nlohmann::json(std::vector<int64_t>(v.ints, v.ints + v.count));
    return v.count == 1 ? all[0] : all;
}

// A saved report of the live reading 1, written once for the whole run.
class SavedReport : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new TempDir;
        const CliRun r = cli("--xml-report " + shellQuoted(dir_->path()));
        ASSERT_EQ(r.status, 0) << r.err;
        report_ = new std::string(r.out.substr(0, r.out.find('\n')));
    }
    static void TearDownTestSuite()
    {
        delete report_;
        delete dir_;
    }
    static std::string report() { return shellQuoted(*report_); }
    // A copy of the report with edit applied to its record, shell-quoted.
    template <class Edit>
    static std::string editedCopy(const std::string &name, Edit edit)
    {
        tsRendererCaps caps;
        tsIcdList icd;
        tsSystemInfo system{};
        EXPECT_EQ(tsReadReportXML(report_->c_str(), &caps, &icd, &system), 0);
        edit(caps);
        EXPECT_EQ(tsSaveReportXML(dir_->file(name).c_str(), &system, &caps, 1, &icd), 0);
        tsInfoRelease(&caps);
        tsSystemInfoRelease(&system);
        return shellQuoted(dir_->file(name));
    }
    static TempDir *dir_;
    static std::string *report_;
};
TempDir *SavedReport::dir_ = nullptr;
std::string *SavedReport::report_ = nullptr;

} // namespace

TEST_F(SavedReport, JsonDocumentsValidateAgainstTheSchema)
{
    const struct {
        std::string args;
        int status;
        size_t readings; // report documents; diff documents have none
    } cases[] = {
        {"--json", 0, 2},
        {"--json --renderer 0", 0, 1},
        {"--report " + report() + " --json", 0, 1},
        {"--diff reading:0 reading:1 --json", 3, 0},
        {"--diff " + report() + " " + report() + " --json", 0, 0},
    };
    for (const auto &c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_EQ(schemaErrors(r.out, *dir_), "") << c.args;
        const nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
        ASSERT_FALSE(doc.is_discarded()) << c.args;
        if (doc["kind"] == "report") {
            ASSERT_EQ(doc["readings"].size(), c.readings) << c.args;
            for (const auto &reading : doc["readings"]) {
                EXPECT_TRUE(reading["capabilities"]["TextureSize"].is_number_integer());
                EXPECT_TRUE(reading["capabilities"]["PointSizeMax"].is_number());
                EXPECT_FALSE(reading["compliance"].empty());
            }
        }
    }
}

TEST(CliJson, ReadingsCarryGlxinfosStringsExtensionsAndLimits)
{
    const CliRun r = cli("--json");
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    for (int reading = 0; reading < 2; ++reading) {
        const GlxinfoReport o = runGlxinfo(reading == 0);
        ASSERT_TRUE(o.ok);
        const nlohmann::json &j = doc["readings"][reading];
        EXPECT_EQ(j["source"], "reading:" + std::to_string(reading));
        EXPECT_EQ(j["strings"]["renderer"], o.renderer);
        EXPECT_EQ(j["strings"]["version"], o.version);
        EXPECT_EQ(names(j["glExtensions"]), o.glExtensions);
        for (const auto &n : j["windowSystemExtensions"])
            EXPECT_EQ(n.get<std::string>().compare(0, 4, "GLX_"), 0) << n;
        ASSERT_TRUE(o.limits.count("GL_MAX_TEXTURE_SIZE"));
        EXPECT_EQ(j["capabilities"]["TextureSize"].get<double>(),
                  o.limits.at("GL_MAX_TEXTURE_SIZE")[0]);

        // The core-profile context's limits by token name.
        EXPECT_EQ(j["coreProfileVersion"], o.coreVersion);
        EXPECT_EQ(j["extendedLimits"]["GL_MAX_SAMPLES"].get<double>(),
                  o.coreLimits.at("GL_MAX_SAMPLES")[0]);
        // softpipe claims 3.3 with one sample at most, below the four
        // OpenGL 3.0 asks for: named with its requirement.
        const bool fewSamples = o.coreLimits.at("GL_MAX_SAMPLES")[0] < 4;
        bool named = false;
        for (const auto &b : j["limitsBelowRequired"])
            if (b["name"] == "GL_MAX_SAMPLES")
                named = b["required"] == 4 && b["requiredVersion"] == "3.0";
        EXPECT_EQ(named, fewSamples) << j["limitsBelowRequired"];
    }
}

TEST(CliDiff, SoftpipeAgainstLlvmpipeListsGlxinfosSetDifferences)
{
    const GlxinfoReport soft = runGlxinfo(true), hard = runGlxinfo(false);
    ASSERT_TRUE(soft.ok && hard.ok);
    const CliRun r = cli("--diff reading:0 reading:1 --json");
    ASSERT_EQ(r.status, 3) << r.err;
    const nlohmann::json d = nlohmann::json::parse(r.out);
    // The GL names; the window-system list is the same display's for both.
    auto gl = [](const std::set<std::string> &s) {
        std::set<std::string> out;
        for (const std::string &n : s)
            if (n.compare(0, 3, "GL_") == 0)
                out.insert(n);
        return out;
    };
    EXPECT_EQ(gl(names(d["onlyInA"])), minus(soft.glExtensions, hard.glExtensions));
    EXPECT_EQ(gl(names(d["onlyInB"])), minus(hard.glExtensions, soft.glExtensions));
    bool textureSize = false;
    for (const auto &l : d["limits"]) {
        EXPECT_NE(l["a"], l["b"]) << l;
        if (l["name"] == "TextureSize") {
            textureSize = true;
            const double a = soft.limits.at("GL_MAX_TEXTURE_SIZE")[0];
            const double b = hard.limits.at("GL_MAX_TEXTURE_SIZE")[0];
            EXPECT_EQ(l["better"], a > b ? "A" : "B");
        }
    }
    EXPECT_EQ(textureSize,
              soft.limits.at("GL_MAX_TEXTURE_SIZE") != hard.limits.at("GL_MAX_TEXTURE_SIZE"));

    // The core-profile limits glxinfo prints for both sides (as 32-bit
    // integers) are listed exactly where they differ, with its values.
    auto printed = [](const nlohmann::json &v) {
        std::vector<double> out;
        for (const auto &x : v.is_array() ? v : nlohmann::json::array({v}))
            out.push_back(std::min(x.get<double>(), 2147483647.0));
        return out;
    };
    std::map<std::string, std::vector<std::vector<double>>> listed, expected;
    for (const auto &l : soft.coreLimits) {
        const auto b = hard.coreLimits.find(l.first);
        if (sounder::caps::findExtended(l.first.c_str()) && b != hard.coreLimits.end() &&
            l.second != b->second)
            expected[l.first] = {l.second, b->second};
    }
    for (const auto &e : d["extendedLimits"])
        if (soft.coreLimits.count(e["name"]) && hard.coreLimits.count(e["name"]) &&
            printed(e["a"]) != printed(e["b"]))
            listed[e["name"]] = {printed(e["a"]), printed(e["b"])};
    EXPECT_EQ(listed, expected);
    EXPECT_FALSE(expected.empty());

    // The plain form says the same counts first.
    const CliRun plain = cli("--diff reading:0 reading:1");
    EXPECT_EQ(plain.status, 3);
    const size_t limits = d["limits"].size() + d["extendedLimits"].size();
    const std::string summary = "Differences: " + std::to_string(d["onlyInA"].size()) +
                                (d["onlyInA"].size() == 1 ? " extension" : " extensions") +
                                " only in A, " + std::to_string(d["onlyInB"].size()) +
                                " only in B, " + std::to_string(limits) +
                                (limits == 1 ? " limit (" : " limits (") +
                                std::to_string(d["extendedLimits"].size()) + " extended";
    EXPECT_EQ(plain.out.rfind(summary, 0), 0u) << plain.out.substr(0, 200);
}

TEST_F(SavedReport, ASideAgainstItselfIsEqualAndASavedReportDiffersOnlyInUnstoredLimits)
{
    // A report holding values that are not numbers equals itself too.
    const std::string nan = editedCopy("nan.xml", [](tsRendererCaps &caps) {
        caps.PointSizeMax = NAN;
        for (sounder::ExtendedValue &v : sounder::extendedLimitsOf(&caps)->values)
            v.floats[0] = NAN; // only float limits read it
    });
    for (const std::string &args :
         std::vector<std::string>{"reading:1 reading:1", "reading:0 reading:0",
                                  report() + " " + report(), nan + " " + nan}) {
        const CliRun r = cli("--diff " + args);
        EXPECT_EQ(r.status, 0) << args << "\n" << r.out << r.err;
        EXPECT_EQ(r.out.rfind("No differences.\n", 0), 0u) << args;
    }
    // Members the report file does not carry come back as 0; nothing else
    // may differ from the reading the report was saved from.
    const std::set<std::string> unstored = {"MaxDisplayListNesting",
                                            "MaxTextureLodBias",
                                            "MaxElementsVertices",
                                            "MaxElementsIndices",
                                            "MaxProgramALUInstructions",
                                            "AliasedLineWidthMin",
                                            "AliasedLineWidthMax",
                                            "RGBAMode",
                                            "DoubleBuffer"};
    const CliRun r = cli("--diff " + report() + " reading:1 --json");
    const nlohmann::json d = nlohmann::json::parse(r.out);
    EXPECT_TRUE(d["onlyInA"].empty() && d["onlyInB"].empty()) << d;
    EXPECT_TRUE(d["strings"].empty()) << d["strings"];
    EXPECT_TRUE(d["compliance"].empty()) << d["compliance"];
    EXPECT_TRUE(d["extendedLimits"].empty()) << d["extendedLimits"];
    for (const auto &l : d["limits"]) {
        EXPECT_TRUE(unstored.count(l["name"].get<std::string>())) << l;
        EXPECT_EQ(l["a"], 0) << l;
    }
}

// A copy of the saved report with one extended limit changed (the deltas
// added to its values) or taken out (no deltas), diffed with the report.
TEST_F(SavedReport, ExtendedLimitsDifferByDirectionValueByValueAndPresence)
{
    using sounder::caps::Better;
    const struct {
        Better direction;
        int count;
        bool isFloat;
        std::vector<double> delta;
        bool copyFirst; // the copy is side A
        const char *better, *onlyIn;
    } cases[] = {
        {Better::Higher, 1, false, {1}, false, "B", nullptr},
        {Better::Lower, 1, false, {1}, false, "A", nullptr},
        {Better::Neither, 1, false, {1}, false, nullptr, nullptr},
        {Better::Higher, 1, true, {-1e-9}, false, "A", nullptr},
        {Better::Higher, 3, false, {0, -1, 0}, false, "A", nullptr},
        {Better::Higher, 3, false, {1, 0, -1}, false, nullptr, nullptr},
        {Better::Higher, 1, false, {}, false, nullptr, "A"},
        {Better::Lower, 1, false, {}, true, nullptr, "B"},
    };
    for (const auto &c : cases) {
        sounder::ExtendedValue was, now;
        const std::string copy = editedCopy("extended.xml", [&](tsRendererCaps &caps) {
            auto &values = sounder::extendedLimitsOf(&caps)->values;
            auto it = std::find_if(values.begin(), values.end(), [&](const auto &v) {
                return v.row->better == c.direction && v.count == c.count &&
                       v.isFloat() == c.isFloat;
            });
            ASSERT_NE(it, values.end());
            was = *it;
            for (size_t k = 0; k < c.delta.size(); ++k)
                c.isFloat ? it->floats[k] += c.delta[k] : it->ints[k] += c.delta[k];
            now = *it;
            if (c.delta.empty())
                values.erase(it);
        });
        auto side = [](const char *s) { return s ? nlohmann::json(s) : nlohmann::json(nullptr); };
        nlohmann::json want = {{"name", was.row->name},
                               {"a", valueJson(was)},
                               {"b", c.delta.empty() ? nullptr : valueJson(now)},
                               {"better", side(c.better)},
                               {"onlyIn", side(c.onlyIn)}};
        std::string cells[] = {was.text(), c.delta.empty() ? "absent" : now.text()};
        if (c.copyFirst) {
            std::swap(want["a"], want["b"]);
            std::swap(cells[0], cells[1]);
        }
        const std::string sides = c.copyFirst ? copy + " " + report() : report() + " " + copy;
        const CliRun r = cli("--diff " + sides + " --json"), plain = cli("--diff " + sides);
        ASSERT_EQ(r.status, 3) << r.err;
        EXPECT_EQ(schemaErrors(r.out, *dir_), "");
        EXPECT_EQ(nlohmann::json::parse(r.out)["extendedLimits"], nlohmann::json::array({want}));
        EXPECT_EQ(plain.status, 3);
        EXPECT_NE(plain.out.find(c.onlyIn ? "B, 1 limit (1 extended, 1 offered by one side only), "
                                          : "B, 1 limit (1 extended), "),
                  std::string::npos);
        const std::string row = std::string("\n +") + was.row->name + " +" + cells[0] + " +" +
                                cells[1] + " +" + (c.better ? c.better : "-") + "\n";
        EXPECT_TRUE(std::regex_search(plain.out, std::regex(row))) << row << plain.out;
    }
}

TEST_F(SavedReport, FilesThatCannotBeUsedAreNamedAndNothingIsPrinted)
{
    std::string whole;
    {
        FILE *f = std::fopen(report_->c_str(), "rb");
        ASSERT_TRUE(f);
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            whole.append(buffer, n);
        std::fclose(f);
    }
    const std::string missing = dir_->file("missing.xml");
    const std::string empty = dir_->write("empty.xml", "");
    const std::string garbage = dir_->write("garbage.xml", std::string("\x01\xff\0zz", 5));
    const std::string database = TESSERA_BIN_DIR "/extensions.xml";
    const std::string other = dir_->write("other.xml", "<?xml version=\"1.0\"?><TesseraX/>");
    const struct {
        std::string args;
        int status;
        std::string message;
    } cases[] = {
        {"--report " + shellQuoted(missing), 1, missing},
        {"--report " + shellQuoted(empty) + " --json", 1, empty},
        {"--report " + shellQuoted(garbage), 1, garbage},
        {"--report " + shellQuoted(database) + " --json", 1, database},
        {"--report " + shellQuoted(other), 1, other},
        {"--diff reading:1 " + shellQuoted(missing), 1, "side B (" + missing},
        {"--diff " + shellQuoted(empty) + " reading:0 --json", 1, "side A (" + empty},
        {"--diff reading:7 reading:1", 2, "side A"},
        {"--diff reading:1", 2, "--diff needs two sides"},
        {"--report " + shellQuoted(empty) + " --tree main", 2, "--report"},
        {"--json --modes", 2, "--json"},
    };
    for (const auto &c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    }

    // A report cut short is described with a warning.
    const std::string cut = dir_->write("cut.xml", whole.substr(0, whole.size() / 2));
    const CliRun r = cli("--report " + shellQuoted(cut));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: " + cut + " is incomplete"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Compliance:\n"), std::string::npos);
}

TEST_F(SavedReport, HostileTextsRoundTripThroughPythonsJson)
{
    const std::string hostile = "Quote\" back\\slash \x01\x1f tab\t <&> \xc3\xa9";
    const std::string path = editedCopy("hostile.xml", [&](tsRendererCaps &caps) {
        sysStrDupFree(caps.renderer);
        caps.renderer = sysStrDup(hostile.c_str());
    });

    const CliRun r = cli("--report " + path + " --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(schemaErrors(r.out, *dir_), "");
    // Python reads the document and writes the renderer back as JSON.
    const std::string doc = dir_->write("hostile.json", r.out);
    const CliRun py = runCli(
        "python3", "-c " +
                       shellQuoted("import json,sys\n"
                                   "d=json.load(open(sys.argv[1]))\n"
                                   "print(json.dumps(d['readings'][0]['strings']['renderer']))") +
                       " " + shellQuoted(doc));
    ASSERT_EQ(py.status, 0) << py.err;
    EXPECT_EQ(nlohmann::json::parse(py.out).get<std::string>(), hostile);
}
