#include "cli.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "keel/keel.h"
#include "sounder/present.h"
#include "sounder/texts.h"
#include "sounder/report.h"

namespace tessera {
namespace cli {

namespace {

struct ActionName {
    const char *option;
    Action action;
};

bool takeValue(int argc, const char *const *argv, int &i, const std::string &arg,
               const char *option, std::string &value, bool &matched, std::string &error)
{
    const std::string opt(option);
    if (arg == opt) {
        matched = true;
        /* An option in the value's place means the value was left out
         * (a folder or file whose name starts with "--" is given as
         * "./--name" or with "="). */
        if (i + 1 >= argc || (argv[i + 1] && std::strncmp(argv[i + 1], "--", 2) == 0)) {
            error = opt + " needs a value";
            return false;
        }
        value = argv[++i];
        return true;
    }
    if (arg.compare(0, opt.size() + 1, opt + "=") == 0) {
        matched = true;
        value = arg.substr(opt.size() + 1);
        return true;
    }
    matched = false;
    return true;
}

bool setAction(Options &out, Action action, bool &actionGiven, const std::string &arg,
               std::string &error)
{
    if (actionGiven && out.action != action) {
        error = "only one action may be given (" + arg + " conflicts with an earlier one)";
        return false;
    }
    out.action = action;
    actionGiven = true;
    return true;
}

} // namespace

bool parseArguments(int argc, const char *const *argv, Options &out, std::string &error)
{
    out = Options();
    bool actionGiven = false;
    static const ActionName kFlags[] = {
        {"--pixel-formats", Action::PixelFormats},
        {"--caps", Action::Caps},
        {"--modes", Action::Modes},
        {"--monitors", Action::Monitors},
        {"--tests", Action::Tests},
        {"--help", Action::Help},
        {"-h", Action::Help},
        {"--version", Action::Version},
    };

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        bool matched = false;
        for (const ActionName &f : kFlags) {
            if (arg == f.option) {
                if (!setAction(out, f.action, actionGiven, arg, error))
                    return false;
                matched = true;
                break;
            }
        }
        if (matched)
            continue;

        if (arg == "--json") {
            out.json = true;
            continue;
        }
        if (arg == "--verify") {
            out.verify = true;
            continue;
        }
        if (arg == "--no-save") {
            out.noSave = true;
            continue;
        }
        if (arg == "--diff") {
            if (i + 2 >= argc || !argv[i + 1] || !argv[i + 2]) {
                error = "--diff needs two sides (a report file, reading:0 or reading:1 each)";
                return false;
            }
            if (!setAction(out, Action::Diff, actionGiven, arg, error))
                return false;
            out.diffA = argv[++i];
            out.diffB = argv[++i];
            if (out.diffA.empty() || out.diffB.empty()) {
                error = "--diff needs two sides (a report file, reading:0 or reading:1 each)";
                return false;
            }
            continue;
        }

        std::string value;
        if (!takeValue(argc, argv, i, arg, "--report", value, matched, error))
            return false;
        if (matched) {
            if (value.empty()) {
                error = "--report needs a report file";
                return false;
            }
            out.reportFile = value;
            continue;
        }
        if (!takeValue(argc, argv, i, arg, "--renderer", value, matched, error))
            return false;
        if (matched) {
            if (value == "0" || value == "1") {
                out.renderer = value[0] - '0';
                out.rendererGiven = true;
                continue;
            }
            error = "--renderer takes 0 (software) or 1 (accelerated), not \"" + value + "\"";
            return false;
        }
        if (!takeValue(argc, argv, i, arg, "--xml-report", value, matched, error))
            return false;
        if (matched) {
            if (value.empty()) {
                error = "--xml-report needs a folder";
                return false;
            }
            if (!setAction(out, Action::XmlReport, actionGiven, arg, error))
                return false;
            out.folder = value;
            continue;
        }
        if (!takeValue(argc, argv, i, arg, "--tree", value, matched, error))
            return false;
        if (matched) {
            if (value != "main" && value != "caps") {
                error = "--tree takes main or caps, not \"" + value + "\"";
                return false;
            }
            if (!setAction(out, Action::Tree, actionGiven, arg, error))
                return false;
            out.capsTree = value == "caps";
            continue;
        }
        if (!takeValue(argc, argv, i, arg, "--run-tests", value, matched, error))
            return false;
        if (matched) {
            if (value.empty()) {
                error = "--run-tests needs an option document";
                return false;
            }
            if (!setAction(out, Action::RunTests, actionGiven, arg, error))
                return false;
            out.optionFile = value;
            continue;
        }
        if (!takeValue(argc, argv, i, arg, "--platform", value, matched, error))
            return false;
        if (matched) {
            if (value != "glx" && value != "egl") {
                error = "--platform takes glx or egl, not \"" + value + "\"";
                return false;
            }
            out.platform = value;
            continue;
        }
        if (!takeValue(argc, argv, i, arg, "--database", value, matched, error))
            return false;
        if (matched) {
            if (value.empty()) {
                error = "--database needs a file";
                return false;
            }
            out.database = value;
            continue;
        }
        if (arg.empty() || arg[0] != '-')
            error = "unexpected argument \"" + arg + "\" (options start with --)";
        else
            error = "unknown option \"" + arg + "\"";
        return false;
    }
    if (out.json && out.action != Action::Report && out.action != Action::Diff) {
        error = "--json goes with the report (no action) or with --diff";
        return false;
    }
    if (!out.reportFile.empty() && out.action != Action::Report && out.action != Action::Caps) {
        error = "--report goes with the report (no action), --caps or --json";
        return false;
    }
    if (out.verify && (out.action != Action::Report || out.json)) {
        error = "--verify goes with the plain report (no action, no --json)";
        return false;
    }
    return true;
}

std::string usageText()
{
    return "Usage: tessera-cli [OPTION]...\n"
           "Reports this machine's OpenGL: both renderers are read at once (0: the software\n"
           "rasteriser, 1: the accelerated driver; only the one --renderer names when it is\n"
           "given) and held against the extension database.\n"
           "\n"
           "Without an action: the plain-text report of renderer 1 (the entry-point\n"
           "verification counted per kind), its limits, then one compliance line per\n"
           "OpenGL core version.\n"
           "\n"
           "Actions (at most one):\n"
           "  --caps                 print only the limits: the capability tree with the\n"
           "                         viewer's labels\n"
           "  --xml-report DIR       write the report file into DIR (made when missing)\n"
           "                         and print its path\n"
           "  --tree main|caps       print the main tree or the capability and extension\n"
           "                         tree as its XML document\n"
           "  --pixel-formats        print the pixel formats of the renderer (a reading\n"
           "                         keeps the first 256; standard error says so when\n"
           "                         the list is full)\n"
           "  --modes                print the display modes of the primary display\n"
           "  --monitors             print the monitors\n"
           "  --tests                list the rendering-test units (in order: <test>N</test>\n"
           "                         in an option document picks unit N, counted from 0)\n"
           "  --run-tests FILE       run the rendering tests that the option document FILE\n"
           "                         chooses, on the renderer --renderer names; print each\n"
           "                         unit's frames per second and the failure log; a\n"
           "                         <test> element picks one unit (0-6, anything else\n"
           "                         is a usage error), without one all seven units run,\n"
           "                         about 5 seconds each\n"
           "  --diff A B             compare two readings; A and B are each a report file\n"
           "                         or reading:0 / reading:1 of this machine.  Prints the\n"
           "                         extensions only in A, only in B, the limits (the\n"
           "                         core-profile ones too: \"absent\" on a side that does\n"
           "                         not offer one), compliance lines and strings that\n"
           "                         differ.  Exit status 0 when equal, 3 when they differ\n"
           "  --help                 print this text\n"
           "  --version              print the version\n"
           "  --check-update         ask the publisher for a newer release (exit 0 newer,\n"
           "                         3 up to date, 1 failure; TESSERA_UPDATE_URL)\n"
           "  --update-database      download the newest extension database into\n"
           "                         $XDG_DATA_HOME/tessera (TESSERA_DATABASE_URL)\n"
           "\n"
           "Settings:\n"
           "  --renderer 0|1         renderer to report or to run the rendering tests on\n"
           "                         (default 1)\n"
           "  --verify               list every line of the entry-point verification\n"
           "  --report FILE          describe the saved report file FILE instead of a\n"
           "                         reading of this machine\n"
           "  --json                 the report (or with --diff the difference) as one JSON\n"
           "                         document, described by tessera-report.schema.json\n"
           "  --database PATH        extension database; it is not written back (default:\n"
           "                         your copy $XDG_DATA_HOME/tessera/extensions.xml\n"
           "                         unless the shipped one beside the program or in the\n"
           "                         installed data folder is newer)\n"
           "  --no-save              do not write what the readings added to the database\n"
           "                         back into your copy (written by default, the previous\n"
           "                         one kept as extensions.xml.bak)\n"
           "  --platform glx|egl     window system to read through (default: GLX when\n"
           "                         DISPLAY names an X server that answers, else EGL;\n"
           "                         the variable TESSERA_PLATFORM does the same)\n"
           "\n"
           "Progress goes to standard error when it is a terminal.\n"
           "\n"
           "Exit status: 0 success, 1 no OpenGL context could be made, an input file\n"
           "could not be used or an output file not written (the reason on standard\n"
           "error), 2 usage error (also a rendering-test unit other than 0-6), 3 the\n"
           "two sides of --diff differ.  A database that cannot be written back is\n"
           "named on standard error and leaves the status as it is.\n";
}

std::vector<DocumentEvent> documentEvents(const std::string &document)
{
    std::vector<DocumentEvent> events;
    sysXmlCallbacks callbacks;
    callbacks.user = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&events));
    callbacks.onElement = [](uint64_t user, char *name, char *text) -> int {
        auto *events = reinterpret_cast<std::vector<DocumentEvent> *>(static_cast<uintptr_t>(user));
        DocumentEvent e;
        /* An element with content comes whole: its tag text (name and
         * attributes) as the name, the content as the text. */
        const std::string tag(name ? name : "");
        const size_t blank = tag.find_first_of(" \t\r\n");
        if (blank != std::string::npos) {
            e.name = tag.substr(0, blank);
            e.attributes = tag.substr(blank + 1);
            e.closed = true;
        } else {
            e.name = tag;
            e.attributes = text ? text : "";
        }
        events->push_back(e);
        return 0;
    };
    callbacks.onTag = [](uint64_t user, char *tag) -> int {
        auto *events = reinterpret_cast<std::vector<DocumentEvent> *>(static_cast<uintptr_t>(user));
        DocumentEvent e;
        e.end = tag && tag[0] == '/';
        e.name = tag ? tag + (e.end ? 1 : 0) : "";
        events->push_back(e);
        return 0;
    };
    callbacks.onCData = nullptr;
    sysXmlParseDocument(&callbacks, document.c_str());
    return events;
}

std::string attribute(const DocumentEvent &event, const char *name)
{
    const size_t length = tsDocumentAttribute(event.attributes.c_str(), name, nullptr, 0);
    if (length == TS_NO_ATTRIBUTE)
        return std::string();
    std::string value(length + 1, '\0');
    tsDocumentAttribute(event.attributes.c_str(), name, &value[0], value.size());
    value.resize(length);
    return value;
}

namespace {

/* Kinds of line of the entry-point verification, by text id, with what a
 * count of them says. */
struct VerificationKind {
    int textId;
    const char *what;
};
const VerificationKind kVerificationKinds[] = {
    {308, "entry points of listed extensions that did not resolve"},
    {309, "entry points that resolved for extensions the driver does not list"},
    {384, "extensions added to the database by this reading"},
    {385, "extensions missing although this renderer exposed them before"},
};

std::string renderPlain(const tsReportPiece *pieces, size_t count)
{
    const int32_t n = static_cast<int32_t>(std::min<size_t>(count, INT32_MAX));
    const size_t length = tsRenderReport(pieces, n, nullptr, nullptr, TS_RENDER_PLAIN, nullptr, 0);
    std::string plain(length + 1, '\0');
    tsRenderReport(pieces, n, nullptr, nullptr, TS_RENDER_PLAIN, &plain[0], plain.size());
    plain.resize(length);
    return plain;
}

/* The count lines that stand in for the verification lines.  The report is
 * an RTF document when it starts with its header, so the lines are joined
 * the way its own lines are. */
std::string verificationSummary(const std::vector<std::pair<int, int>> &counts, bool rtf)
{
    const char *const lineEnd = rtf ? "\\line " : "\n";
    std::string text;
    for (const auto &c : counts) {
        const char *what = nullptr;
        for (const VerificationKind &k : kVerificationKinds)
            if (k.textId == c.first)
                what = k.what;
        text += std::to_string(c.second) + " " +
                (what ? std::string(what) : "lines of text " + std::to_string(c.first)) + lineEnd;
    }
    return text + "(tessera-cli --verify lists each line.)" + lineEnd;
}

} // namespace

std::string renderReportPieces(tsReportPiece *pieces, size_t count, bool wholeVerification)
{
    if (wholeVerification)
        return renderPlain(pieces, count);
    size_t heading = count;
    for (size_t i = 0; i < count && heading == count; ++i)
        if (pieces[i].kind == TS_PIECE_TEXT_ID && pieces[i].textId == 310)
            heading = i;
    if (heading == count)
        return renderPlain(pieces, count);

    /* Counted in the order the kinds first appear; the summary takes the
     * place of the first counted line.  The kept pieces move forward in
     * the list itself (a list of a thousand pieces is half a megabyte). */
    std::vector<std::pair<int, int>> counts;
    size_t kept = heading + 1;
    size_t summaryAt = std::string::npos;
    for (size_t i = heading + 1; i < count; ++i) {
        const tsReportPiece &p = pieces[i];
        if (p.kind != TS_PIECE_TEXT_ID_ARGS) {
            if (kept != i)
                pieces[kept] = p;
            ++kept;
            continue;
        }
        if (summaryAt == std::string::npos)
            summaryAt = kept++; /* the slot of this line, which is not kept */
        auto it = std::find_if(counts.begin(), counts.end(),
                               [&](const std::pair<int, int> &c) { return c.first == p.textId; });
        if (it == counts.end())
            counts.emplace_back(p.textId, 1);
        else
            ++it->second;
    }
    if (counts.empty())
        return renderPlain(pieces, count); /* nothing to count: the report as it is */
    const bool rtf = count > 0 && pieces[0].kind == TS_PIECE_TEXT &&
                     std::strncmp(pieces[0].text, "{\\rtf", 5) == 0;
    const std::string summary = verificationSummary(counts, rtf);
    tsReportPiece &piece = pieces[summaryAt];
    std::memset(&piece, 0, sizeof piece);
    piece.kind = TS_PIECE_REFERENCE;
    piece.reference = summary.c_str();
    return renderPlain(pieces, kept);
}

namespace {

/* Whether a text has a conversion that shows a value ("%%" shows none). */
bool showsAValue(const char *format)
{
    for (const char *p = format; p && *p; ++p)
        if (*p == '%') {
            if (p[1] != '%')
                return true;
            ++p;
        }
    return false;
}

/* The values a tree item carries, for a label whose text leaves them out
 * (a language's text may lack the conversion): the text of STR2, the
 * numbers of 1I-3I, 1F and 2F. */
std::string carriedValues(const tsTreeItem &item)
{
    auto number = [](const char *format, const tsTextArg &arg) {
        char out[64];
        tsFormatText(format, &arg, 1, out, sizeof out);
        return std::string(out);
    };
    tsTextArg arg;
    std::memset(&arg, 0, sizeof arg);
    std::string values;
    switch (item.kind) {
    case TS_TREE_STR2: return std::string(item.text, strnlen(item.text, sizeof item.text));
    case TS_TREE_3I:
    case TS_TREE_2I:
    case TS_TREE_1I: {
        arg.kind = TS_ARG_INT;
        const int32_t v[3] = {item.value0.i, item.value1.i, item.value2};
        const int n = item.kind - TS_TREE_1I + 1;
        for (int i = 0; i < n; ++i) {
            arg.i = v[i];
            values += (i ? " x " : "") + number("%d", arg);
        }
        return values;
    }
    case TS_TREE_2F:
    case TS_TREE_1F: {
        arg.kind = TS_ARG_FLOAT;
        arg.f = item.value0.f;
        values = number("%f", arg);
        if (item.kind == TS_TREE_2F) {
            arg.f = item.value1.f;
            values += " to " + number("%f", arg);
        }
        return values;
    }
    default: return values;
    }
}

} // namespace

std::string treeText(const tsTreeNode *node, int depth)
{
    std::string text;
    if (!node)
        return text;
    for (int32_t i = 0; i < node->childCount && i < TS_TREE_MAX_CHILDREN; ++i) {
        const tsTreeNode *child = node->children[i];
        if (!child || !child->item)
            continue;
        const size_t length = tsFormatTreeItemLabel(child->item, nullptr, nullptr, nullptr, 0);
        std::string label(length + 1, '\0');
        tsFormatTreeItemLabel(child->item, nullptr, nullptr, &label[0], label.size());
        label.resize(length);
        const std::string values = carriedValues(*child->item);
        if (!values.empty() && !showsAValue(tsGetBuiltinText(child->item->textId)))
            label += (label.empty() ? "" : ": ") + values;
        text.append(static_cast<size_t>(depth) * 2, ' ');
        text += label;
        text += '\n';
        text += treeText(child, depth + 1);
    }
    return text;
}

std::string limitsSection(const tsRendererCaps *caps)
{
    if (!caps || !caps->filled)
        return std::string();
    /* The tree context is large; its pages are touched only as far as the
     * tree fills them. */
    std::unique_ptr<tsTree, void (*)(tsTree *)> tree(tsTreeAllocate(), tsTreeFree);
    if (!tree)
        return std::string();
    tsTreeBegin(tree.get());
    tsCreateCapsTree(tree.get(), caps);
    return "Limits:\n" + treeText(tsTreeEnd(tree.get()));
}

bool pickedUnit(const std::vector<std::string> &testValues, int count, int &unit, std::string &bad)
{
    unit = -1;
    for (const std::string &value : testValues) {
        const size_t first = value.find_first_not_of(" \t\r\n");
        const size_t last = value.find_last_not_of(" \t\r\n");
        const std::string word =
            first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
        const bool digits = !word.empty() && word.size() <= 4 &&
                            word.find_first_not_of("0123456789") == std::string::npos;
        const int n = digits ? std::atoi(word.c_str()) : -1;
        if (n < 0 || n >= count) {
            bad = value;
            return false;
        }
        unit = n;
    }
    return true;
}

std::string unixLines(const std::string &document)
{
    std::string out;
    out.reserve(document.size());
    for (size_t i = 0; i < document.size(); ++i) {
        if (document[i] == '\r' && i + 1 < document.size() && document[i + 1] == '\n')
            continue;
        out.push_back(document[i]);
    }
    return out;
}

} // namespace cli
} // namespace tessera
