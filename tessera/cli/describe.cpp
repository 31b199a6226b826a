#include "describe.h"
#include "cli.h"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

#include "sounder/extended.h"
#include "sounder/inspect.h"
#include "sounder/report.h"
#include "sounder/reportfile.h"

namespace tessera {
namespace cli {

namespace {

std::string text(const char *s)
{
    return s ? s : "";
}

nlohmann::json nullableText(const char *s)
{
    return s ? nlohmann::json(s) : nlohmann::json(nullptr);
}

/* A fixed buffer of a record as text, never read past its end. */
template <size_t N>
std::string fixedText(const char (&buffer)[N])
{
    return std::string(buffer, strnlen(buffer, N));
}

nlohmann::json number(double value, bool isFloat)
{
    if (!std::isfinite(value))
        return nullptr;
    if (isFloat)
        return value;
    return static_cast<int64_t>(value);
}

/* The extended limits a reading holds, in table order. */
std::vector<tsExtendedLimit> extendedLimits(const tsRendererCaps *caps)
{
    std::vector<tsExtendedLimit> out;
    for (int32_t i = 0; i < tsExtendedLimitCount(caps); ++i) {
        tsExtendedLimit l;
        if (tsExtendedLimitAt(caps, i, &l) && l.name)
            out.push_back(l);
    }
    return out;
}

/* An extended limit's value in JSON: one number, or an array for a limit
 * of several values. */
nlohmann::json extendedValue(const tsExtendedLimit &l)
{
    nlohmann::json values = nlohmann::json::array();
    for (int32_t k = 0; k < l.count && k < 4; ++k)
        values.push_back(l.type == TS_EXTENDED_FLOAT ? number(l.values[k], true)
                                                     : nlohmann::json(l.intValues[k]));
    return l.count == 1 ? values[0] : values;
}

std::string numberText(double value, bool isFloat, int precision = 6)
{
    char buffer[64];
    if (isFloat)
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    else
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return buffer;
}

/* Two float values as texts, with as many digits as it takes to tell them
 * apart when they differ (at least six, as the rest of the output). */
std::pair<std::string, std::string> numberTexts(double a, double b, bool isFloat)
{
    int precision = 6;
    while (isFloat && precision < 17 && a != b &&
           numberText(a, true, precision) == numberText(b, true, precision))
        ++precision;
    return {numberText(a, isFloat, precision), numberText(b, isFloat, precision)};
}

/* The pixel-format members in record order, by the names the JSON uses. */
struct PixelField {
    const char *name;
    uint8_t tsPixelFormat::*member;
};
const PixelField kPixelFields[] = {
    {"colorBits", &tsPixelFormat::color_bits},
    {"depthBits", &tsPixelFormat::depth_bits},
    {"stencilBits", &tsPixelFormat::stencil_bits},
    {"transparent", &tsPixelFormat::transparent},
    {"acceleration", &tsPixelFormat::acceleration},
    {"supportGdi", &tsPixelFormat::support_gdi},
    {"auxBuffers", &tsPixelFormat::aux_buffers},
    {"doubleBuffer", &tsPixelFormat::double_buffer},
    {"supportOpenGL", &tsPixelFormat::support_opengl},
    {"drawToWindow", &tsPixelFormat::draw_to_window},
    {"drawToBitmap", &tsPixelFormat::draw_to_bitmap},
    {"swapLayerBuffers", &tsPixelFormat::swap_layers_buffers},
    {"stereo", &tsPixelFormat::stereo},
    {"auxBuffers2", &tsPixelFormat::auxbuffers},
    {"samples", &tsPixelFormat::samples},
    {"pixelType", &tsPixelFormat::pixel_type},
    {"accumBits", &tsPixelFormat::accum_bits},
    {"overlays", &tsPixelFormat::number_overlays},
    {"underlays", &tsPixelFormat::number_underlays},
};

int clampCount(int count, int most)
{
    return std::max(0, std::min(count, most));
}

} // namespace

// ---- loaded report files ------------------------------------------------------

LoadedReport::~LoadedReport()
{
    if (caps_)
        tsInfoRelease(caps_.get());
    tsSystemInfoRelease(&system_);
    if (db_)
        tsDatabaseRelease(db_);
}

bool LoadedReport::load(const std::string &path, const std::string &databaseText,
                        std::string &error, bool &incomplete)
{
    incomplete = false;
    path_ = path;
    /* A file that is no report (an empty or binary file, the database,
     * another document) is refused rather than shown as an empty reading. */
    switch (tsCheckReportXML(path.c_str())) {
    case TS_REPORT_FILE_UNREADABLE:
        error =
            "cannot read " + path + ": " +
            (errno == EFBIG ? std::string("too large for a report file") : std::strerror(errno));
        return false;
    case TS_REPORT_FILE_NOT_A_REPORT:
        error = path + " is not a report file (its first element is not <Tessera>)";
        return false;
    case TS_REPORT_FILE_INCOMPLETE: incomplete = true; break;
    default: break;
    }
    caps_.reset(new tsRendererCaps());
    std::memset(caps_.get(), 0, sizeof(tsRendererCaps));
    if (tsReadReportXML(path.c_str(), caps_.get(), &icd_, &system_) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }

    db_ = tsDatabaseCreateFromCString(databaseText.c_str());
    db_->currentReading = 0;
    db_->fromReport = 1;
    tsDatabaseUpdateExtStatus(db_, caps_.get());
    return true;
}

Reading LoadedReport::reading() const
{
    Reading r;
    r.source = path_;
    r.caps = caps_.get();
    r.system = &system_;
    r.icd = &icd_;
    r.db = db_;
    r.reading = 0;
    return r;
}

// ---- one reading ------------------------------------------------------------------

void splitExtensions(const char *extensions, std::vector<std::string> &gl,
                     std::vector<std::string> &windowSystem)
{
    gl.clear();
    windowSystem.clear();
    const std::string all = text(extensions);
    size_t i = 0;
    while (i < all.size()) {
        while (i < all.size() && std::strchr(" \t\r\n", all[i]))
            ++i;
        size_t e = i;
        while (e < all.size() && !std::strchr(" \t\r\n", all[e]))
            ++e;
        if (e > i) {
            const std::string name = all.substr(i, e - i);
            const bool ws = name.compare(0, 4, "GLX_") == 0 || name.compare(0, 4, "WGL_") == 0 ||
                            name.compare(0, 4, "EGL_") == 0;
            (ws ? windowSystem : gl).push_back(name);
        }
        i = e;
    }
}

std::string VersionCompliance::figure() const
{
    const int percent = total > 0 ? supported * 100 / total : 0;
    return version + " (" + std::to_string(percent) + " % - " + std::to_string(supported) + "/" +
           std::to_string(total) + ")";
}

std::vector<VersionCompliance> complianceCounts(const Reading &r)
{
    std::vector<VersionCompliance> out;
    if (!r.db || !r.caps)
        return out;
    r.db->currentReading = r.reading;
    for (int32_t i = 0; i < tsComplianceVersionCount(); ++i) {
        VersionCompliance v;
        v.version = text(tsComplianceVersionName(i));
        tsDatabaseTestCompliance(r.db, r.caps, v.version.c_str(), &v.supported, &v.total);
        if (v.total > 0)
            out.push_back(v);
    }
    return out;
}

std::vector<VersionCompliance> complianceOf(const Reading &r)
{
    std::vector<VersionCompliance> out = complianceCounts(r);
    for (VersionCompliance &v : out) {
        const size_t n = tsComplianceMissing(r.db, r.caps, v.version.c_str(), nullptr, 0);
        std::string missing(n + 1, '\0');
        tsComplianceMissing(r.db, r.caps, v.version.c_str(), &missing[0], missing.size());
        missing.resize(n);
        size_t start = 0;
        for (size_t nl; (nl = missing.find('\n', start)) != std::string::npos; start = nl + 1)
            v.missing.push_back(missing.substr(start, nl - start));
    }
    return out;
}

nlohmann::json readingJson(const Reading &r)
{
    const tsRendererCaps &c = *r.caps;
    nlohmann::json j;
    j["source"] = r.source;
    j["strings"] = {{"vendor", nullableText(c.vendor)},
                    {"renderer", nullableText(c.renderer)},
                    {"version", nullableText(c.version)},
                    {"shadingLanguageVersion", nullableText(c.glslVersion)}};
    j["newestVersion"] = fixedText(c.newestVersion);
    j["videoMemoryMB"] = c.videoMemory;

    std::vector<std::string> gl, ws;
    splitExtensions(c.extensions, gl, ws);
    j["glExtensions"] = gl;
    j["windowSystemExtensions"] = ws;

    nlohmann::json caps = nlohmann::json::object();
    for (int32_t i = 0; i < tsCapabilityRowCount(); ++i) {
        tsCapabilityRow row;
        double value = 0;
        if (tsCapabilityRowAt(i, &row) && tsCapabilityRowValue(&c, i, &value))
            caps[row.name] = number(value, row.type == TS_CAPABILITY_FLOAT);
    }
    j["capabilities"] = caps;
    /* Limits the library keeps beside the record, by GL token name: one
     * number, or an array for a limit of several values.  Those below what
     * OpenGL requires at the core-profile context's version are named again
     * with the requirement. */
    nlohmann::json extended = nlohmann::json::object();
    nlohmann::json below = nlohmann::json::array();
    for (const tsExtendedLimit &l : extendedLimits(&c)) {
        const bool isFloat = l.type == TS_EXTENDED_FLOAT;
        const nlohmann::json value = extendedValue(l);
        if (l.belowRequired)
            below.push_back({{"name", l.name},
                             {"value", value},
                             {"required", number(l.required, isFloat)},
                             {"requiredVersion", l.requiredVersion},
                             {"better", l.better == TS_BETTER_LOWER ? "lower" : "higher"}});
        extended[l.name] = value;
    }
    j["extendedLimits"] = extended;
    j["coreProfileVersion"] = nullableText(tsExtendedLimitsVersion(&c));
    j["limitsBelowRequired"] = below;

    nlohmann::json compressed = nlohmann::json::array();
    const int nCompressed = clampCount(c.NumCompressedTextureFormats, TS_MAX_COMPRESSED_FORMATS);
    for (int i = 0; i < nCompressed; ++i)
        compressed.push_back(c.compressedFormats[i]);
    j["compressedFormats"] = compressed;

    nlohmann::json formats = nlohmann::json::array();
    for (int i = 0; i < clampCount(c.pixelFormatCount, TS_MAX_PIXEL_FORMATS); ++i) {
        nlohmann::json f;
        f["index"] = i + 1;
        for (const PixelField &p : kPixelFields)
            f[p.name] = c.pixelFormats[i].*p.member;
        formats.push_back(f);
    }
    j["pixelFormats"] = formats;

    nlohmann::json modes = nlohmann::json::array();
    for (int i = 0; i < clampCount(c.displayModeCount, TS_MAX_DISPLAY_MODES); ++i) {
        const tsDisplayMode &m = c.displayModes[i];
        modes.push_back({{"width", m.width},
                         {"height", m.height},
                         {"bitsPerPixel", m.bitsPerPixel},
                         {"refreshRate", m.refreshRate}});
    }
    j["displayModes"] = modes;

    nlohmann::json compliance = nlohmann::json::array();
    for (const VersionCompliance &v : complianceOf(r))
        compliance.push_back({{"version", v.version},
                              {"supported", v.supported},
                              {"total", v.total},
                              {"complete", v.supported == v.total},
                              {"missing", v.missing}});
    j["compliance"] = compliance;
    return j;
}

nlohmann::json reportJson(const std::vector<Reading> &readings, const std::string &failureLog)
{
    nlohmann::json doc;
    doc["schema"] = kJsonSchemaVersion;
    doc["kind"] = "report";
    const tsSystemInfo *system = nullptr;
    const tsIcdList *icd = nullptr;
    for (const Reading &r : readings) {
        if (!system)
            system = r.system;
        if (!icd)
            icd = r.icd;
    }
    nlohmann::json sys = nlohmann::json::object();
    if (system) {
        sys["system"] = fixedText(system->system);
        sys["processorMode"] = fixedText(system->processorMode);
        sys["desktopMode"] = fixedText(system->desktopMode);
        sys["monitor"] = nullableText(system->monitor);
    }
    doc["system"] = sys;
    nlohmann::json drivers = nlohmann::json::array();
    if (icd) {
        for (int i = 0; i < clampCount(icd->count, TS_ICD_MAX_ENTRIES); ++i) {
            const tsIcdEntry &e = icd->entries[i];
            drivers.push_back({{"name", fixedText(e.name)},
                               {"path", fixedText(e.path)},
                               {"company", fixedText(e.company)},
                               {"description", fixedText(e.description)},
                               {"version", fixedText(e.version)}});
        }
    }
    doc["drivers"] = drivers;
    nlohmann::json list = nlohmann::json::array();
    for (const Reading &r : readings)
        list.push_back(readingJson(r));
    doc["readings"] = list;
    doc["failureLog"] = failureLog;
    return doc;
}

// ---- differences ------------------------------------------------------------------

bool Difference::equal() const
{
    return onlyInA.empty() && onlyInB.empty() && limits.empty() && extended.empty() &&
           compliance.empty() && strings.empty();
}

namespace {

/* Two values of a limit are the same when equal, or both not a number (a
 * report file may carry one): a side is always equal to itself. */
bool sameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

/* How a compares with b: 1 greater, -1 smaller, 0 the same, 2 unordered
 * (a value is not a number). */
int order(double a, double b)
{
    return sameValue(a, b) ? 0 : std::isnan(a) || std::isnan(b) ? 2 : a > b ? 1 : -1;
}

/* The side an order of A against B favours by the direction: "A", "B", or
 * "" when the values are the same or unordered, or the limit has no
 * direction. */
const char *favoured(int order, int32_t better)
{
    if (order == 0 || order == 2 || (better != TS_BETTER_HIGHER && better != TS_BETTER_LOWER))
        return "";
    return (order > 0) == (better == TS_BETTER_HIGHER) ? "A" : "B";
}

/* How value k of a compares with b's, as order does.  Integers are
 * compared as integers, so that 64-bit limits past 2^53 stay apart. */
int order(const tsExtendedLimit &a, const tsExtendedLimit &b, int k)
{
    if (a.type != TS_EXTENDED_FLOAT)
        return (a.intValues[k] > b.intValues[k]) - (a.intValues[k] < b.intValues[k]);
    return order(a.values[k], b.values[k]);
}

/* Whether two sides' values of a limit differ (a different count always
 * does), and the side every differing value favours by the direction: ""
 * when they disagree or the limit has none. */
bool extendedDiffers(const tsExtendedLimit &a, const tsExtendedLimit &b, std::string &better)
{
    better.clear();
    if (a.count != b.count || a.type != b.type)
        return true;
    bool differs = false, agree = true;
    for (int32_t k = 0; k < a.count && k < 4; ++k) {
        const int o = order(a, b, k);
        if (o == 0)
            continue;
        const char *side = favoured(o, a.better);
        agree = agree && *side && (!differs || better == side);
        better = side;
        differs = true;
    }
    if (!agree)
        better.clear();
    return differs;
}

/* The extended limits of both sides that differ, in table order.  Each
 * side lists its limits in table order; a limit of A that B also offers
 * follows the limits B offers alone before it. */
std::vector<Difference::Extended> compareExtended(const tsRendererCaps *capsA,
                                                  const tsRendererCaps *capsB)
{
    const std::vector<tsExtendedLimit> a = extendedLimits(capsA), b = extendedLimits(capsB);
    std::vector<Difference::Extended> out;
    auto onlyB = [&](const tsExtendedLimit &l) {
        Difference::Extended e;
        e.name = l.name;
        e.inB = true;
        e.b = l;
        out.push_back(e);
    };
    size_t j = 0;
    for (const tsExtendedLimit &la : a) {
        size_t k = j;
        while (k < b.size() && std::strcmp(b[k].name, la.name) != 0)
            ++k;
        Difference::Extended e;
        e.name = la.name;
        e.inA = true;
        e.a = la;
        if (k < b.size()) {
            for (; j < k; ++j)
                onlyB(b[j]);
            e.inB = true;
            e.b = b[k];
            j = k + 1;
            if (!extendedDiffers(e.a, e.b, e.better))
                continue;
        }
        out.push_back(e);
    }
    for (; j < b.size(); ++j)
        onlyB(b[j]);
    return out;
}

} // namespace

Difference compareReadings(const Reading &a, const Reading &b)
{
    Difference d;
    std::vector<std::string> glA, wsA, glB, wsB;
    splitExtensions(a.caps->extensions, glA, wsA);
    splitExtensions(b.caps->extensions, glB, wsB);
    glA.insert(glA.end(), wsA.begin(), wsA.end());
    glB.insert(glB.end(), wsB.begin(), wsB.end());
    const std::set<std::string> setA(glA.begin(), glA.end()), setB(glB.begin(), glB.end());
    for (const std::string &n : setA)
        if (!setB.count(n))
            d.onlyInA.push_back(n);
    for (const std::string &n : setB)
        if (!setA.count(n))
            d.onlyInB.push_back(n);

    for (int32_t i = 0; i < tsCapabilityRowCount(); ++i) {
        tsCapabilityRow row;
        double va = 0, vb = 0;
        if (!tsCapabilityRowAt(i, &row) || !tsCapabilityRowValue(a.caps, i, &va) ||
            !tsCapabilityRowValue(b.caps, i, &vb) || sameValue(va, vb))
            continue;
        Difference::Limit l;
        l.name = row.name;
        l.a = va;
        l.b = vb;
        l.isFloat = row.type == TS_CAPABILITY_FLOAT;
        l.better = favoured(order(va, vb), row.better);
        d.limits.push_back(l);
    }
    d.extended = compareExtended(a.caps, b.caps);

    const std::vector<VersionCompliance> ca = complianceOf(a), cb = complianceOf(b);
    std::vector<std::string> versions;
    for (const auto *list : {&ca, &cb})
        for (const VersionCompliance &v : *list)
            if (std::find(versions.begin(), versions.end(), v.version) == versions.end())
                versions.push_back(v.version);
    for (const std::string &version : versions) {
        auto figure = [&](const std::vector<VersionCompliance> &list) {
            for (const VersionCompliance &v : list)
                if (v.version == version)
                    return v.figure();
            return std::string();
        };
        const std::string fa = figure(ca), fb = figure(cb);
        if (fa != fb)
            d.compliance.push_back({version, fa, fb});
    }

    const struct {
        const char *name;
        char *tsRendererCaps::*member;
    } kStrings[] = {{"vendor", &tsRendererCaps::vendor},
                    {"renderer", &tsRendererCaps::renderer},
                    {"version", &tsRendererCaps::version},
                    {"shadingLanguageVersion", &tsRendererCaps::glslVersion}};
    for (const auto &s : kStrings) {
        const std::string sa = text(a.caps->*s.member), sb = text(b.caps->*s.member);
        if (sa != sb)
            d.strings.push_back({s.name, sa, sb});
    }
    /* The version of the context the extended limits come from: what
     * explains a limit only one side offers. */
    const std::string coreA = text(tsExtendedLimitsVersion(a.caps)),
                      coreB = text(tsExtendedLimitsVersion(b.caps));
    if (coreA != coreB)
        d.strings.push_back({"coreProfileVersion", coreA, coreB});
    return d;
}

namespace {

/* Rows of cells printed with each column as wide as its widest cell; the
 * last column is not padded. */
void appendTable(std::string &out, const std::vector<std::vector<std::string>> &rows)
{
    std::vector<size_t> width;
    for (const auto &row : rows)
        for (size_t i = 0; i < row.size(); ++i) {
            if (width.size() <= i)
                width.push_back(0);
            width[i] = std::max(width[i], row[i].size());
        }
    for (const auto &row : rows) {
        std::string line = " ";
        for (size_t i = 0; i < row.size(); ++i) {
            line += " " + row[i];
            if (i + 1 < row.size())
                line.append(width[i] - row[i].size(), ' ');
        }
        out += line + "\n";
    }
}

std::string plural(size_t n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

/* The values of an extended limit on both sides as the cells of a row:
 * "65535, 65535, 65535" whole, "absent" for a side that does not offer it.
 * Decimals are the shortest text that reads back as the value, as the
 * report and the trees show them, so that differing values never look
 * alike. */
std::pair<std::string, std::string> extendedTexts(const Difference::Extended &e)
{
    auto cell = [](const tsExtendedLimit &l, bool present) {
        if (!present)
            return std::string("absent");
        std::string out;
        for (int32_t k = 0; k < l.count && k < 4; ++k) {
            char buffer[64];
            const std::to_chars_result r =
                l.type == TS_EXTENDED_FLOAT
                    ? std::to_chars(buffer, buffer + sizeof buffer, l.values[k])
                    : std::to_chars(buffer, buffer + sizeof buffer, l.intValues[k]);
            out += (k ? ", " : "") + std::string(buffer, r.ptr);
        }
        return out;
    };
    return {cell(e.a, e.inA), cell(e.b, e.inB)};
}

} // namespace

std::string differenceText(const Difference &d, const std::string &a, const std::string &b)
{
    std::string out;
    size_t oneSided = 0;
    for (const Difference::Extended &e : d.extended)
        oneSided += e.inA != e.inB;
    std::string limits = plural(d.limits.size() + d.extended.size(), "limit", "limits");
    if (!d.extended.empty()) {
        limits += " (" + std::to_string(d.extended.size()) + " extended";
        if (oneSided)
            limits += ", " + std::to_string(oneSided) + " offered by one side only";
        limits += ")";
    }
    if (d.equal())
        out += "No differences.\n";
    else
        out += "Differences: " + plural(d.onlyInA.size(), "extension", "extensions") +
               " only in A, " + std::to_string(d.onlyInB.size()) + " only in B, " + limits + ", " +
               plural(d.compliance.size(), "compliance line", "compliance lines") + ", " +
               plural(d.strings.size(), "string", "strings") + "\n";
    out += "A: " + a + "\nB: " + b + "\n";

    auto names = [&](const char *title, const std::vector<std::string> &list) {
        if (list.empty())
            return;
        out += std::string("\n") + title + " (" + std::to_string(list.size()) + "):\n";
        for (const std::string &n : list)
            out += "  " + n + "\n";
    };
    names("Extensions only in A", d.onlyInA);
    names("Extensions only in B", d.onlyInB);
    if (!d.limits.empty()) {
        out += "\nLimits that differ (" + std::to_string(d.limits.size()) + "):\n";
        std::vector<std::vector<std::string>> rows{{"limit", "A", "B", "better"}};
        for (const Difference::Limit &l : d.limits) {
            const auto values = numberTexts(l.a, l.b, l.isFloat);
            rows.push_back(
                {l.name, values.first, values.second, l.better.empty() ? "-" : l.better});
        }
        appendTable(out, rows);
    }
    if (!d.extended.empty()) {
        out += "\nExtended limits that differ (" + std::to_string(d.extended.size()) + "):\n";
        std::vector<std::vector<std::string>> rows{{"limit", "A", "B", "better"}};
        for (const Difference::Extended &e : d.extended) {
            const auto values = extendedTexts(e);
            rows.push_back(
                {e.name, values.first, values.second, e.better.empty() ? "-" : e.better});
        }
        appendTable(out, rows);
    }
    auto pairs = [&](const char *title, const char *head,
                     const std::vector<Difference::Pair> &list) {
        if (list.empty())
            return;
        out += std::string("\n") + title + " (" + std::to_string(list.size()) + "):\n";
        std::vector<std::vector<std::string>> rows{{head, "A", "B"}};
        for (const Difference::Pair &p : list)
            rows.push_back({p.name, p.a.empty() ? "-" : p.a, p.b.empty() ? "-" : p.b});
        appendTable(out, rows);
    };
    pairs("Compliance lines that differ", "version", d.compliance);
    pairs("Strings that differ", "string", d.strings);
    return out;
}

nlohmann::json differenceJson(const Difference &d, const std::string &a, const std::string &b)
{
    nlohmann::json j;
    j["schema"] = kJsonSchemaVersion;
    j["kind"] = "diff";
    j["a"] = a;
    j["b"] = b;
    j["equal"] = d.equal();
    j["onlyInA"] = d.onlyInA;
    j["onlyInB"] = d.onlyInB;
    nlohmann::json limits = nlohmann::json::array();
    for (const Difference::Limit &l : d.limits)
        limits.push_back(
            {{"name", l.name},
             {"a", number(l.a, l.isFloat)},
             {"b", number(l.b, l.isFloat)},
             {"better", l.better.empty() ? nlohmann::json(nullptr) : nlohmann::json(l.better)}});
    j["limits"] = limits;
    /* One number, or an array for a limit of several values (as the
     * report's extendedLimits); null for the side that does not offer it,
     * which onlyIn names the other of. */
    nlohmann::json extended = nlohmann::json::array();
    auto side = [](const tsExtendedLimit &l, bool present) {
        return present ? extendedValue(l) : nlohmann::json(nullptr);
    };
    auto orNull = [](const std::string &s) {
        return s.empty() ? nlohmann::json(nullptr) : nlohmann::json(s);
    };
    for (const Difference::Extended &e : d.extended)
        extended.push_back({{"name", e.name},
                            {"a", side(e.a, e.inA)},
                            {"b", side(e.b, e.inB)},
                            {"better", orNull(e.better)},
                            {"onlyIn", orNull(e.inA == e.inB ? ""
                                              : e.inA        ? "A"
                                                             : "B")}});
    j["extendedLimits"] = extended;
    auto pairs = [](const std::vector<Difference::Pair> &list, const char *key) {
        nlohmann::json out = nlohmann::json::array();
        for (const Difference::Pair &p : list)
            out.push_back({{key, p.name}, {"a", p.a}, {"b", p.b}});
        return out;
    };
    j["compliance"] = pairs(d.compliance, "version");
    j["strings"] = pairs(d.strings, "name");
    return j;
}

std::string jsonText(const nlohmann::json &document)
{
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

// ---- the plain report of a reading -----------------------------------------------

std::vector<tsReportPiece> reportRoom()
{
    return std::vector<tsReportPiece>(2048);
}

std::string plainReport(const Reading &r, bool wholeVerification, std::vector<tsReportPiece> room)
{
    if (r.db)
        r.db->currentReading = r.reading;
    /* One build when the room suffices (without room, one that only
     * counts); else a second one into a list of the size the first one
     * asked for. */
    auto build = [&r](tsReportPiece *pieces, int32_t capacity) {
        return tsBuildReportPieces(pieces, capacity, r.system, r.caps, r.icd, r.db, 1);
    };
    int32_t capacity = static_cast<int32_t>(std::min<size_t>(room.size(), INT32_MAX));
    int32_t needed = build(capacity > 0 ? room.data() : nullptr, capacity);
    if (needed > capacity) {
        room.resize(static_cast<size_t>(needed));
        capacity = needed;
        needed = build(room.data(), capacity);
    }
    const size_t count = static_cast<size_t>(std::max(0, std::min(needed, capacity)));
    std::string plain = renderReportPieces(room.data(), count, wholeVerification);
    while (!plain.empty() && (plain.back() == '\n' || plain.back() == ' '))
        plain.pop_back();
    if (!plain.empty())
        plain += "\n\n";
    const std::string limits = limitsSection(r.caps);
    if (!limits.empty())
        plain += limits + "\n";
    plain += "Compliance:\n";
    for (const VersionCompliance &v : complianceCounts(r))
        plain += "OpenGL " + v.figure() + "\n";
    return plain;
}

} // namespace cli
} // namespace tessera
