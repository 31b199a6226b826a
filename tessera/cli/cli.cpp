#include "cli.h"

#include <cstdlib>
#include <cstring>

#include "sounder/texts.h"

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

void appendUtf8(std::string &out, unsigned long code)
{
    if (code == 0 || code > 0x10FFFF)
        return;
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

} // namespace

bool parseArguments(int argc, const char *const *argv, Options &out, std::string &error)
{
    out = Options();
    bool actionGiven = false;
    static const ActionName kFlags[] = {
        {"--pixel-formats", Action::PixelFormats},
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

        std::string value;
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
    return true;
}

std::string usageText()
{
    return "Usage: tessera-cli [OPTION]...\n"
           "Reports this machine's OpenGL: both renderers are read at once (0: the software\n"
           "rasteriser, 1: the accelerated driver; only the one --renderer names when it is\n"
           "given) and held against the extension database.\n"
           "\n"
           "Without an action: the plain-text report of renderer 1, then one compliance\n"
           "line per OpenGL core version.\n"
           "\n"
           "Actions (at most one):\n"
           "  --xml-report DIR       write the report file into DIR and print its path\n"
           "  --tree main|caps       print the main tree or the capability and extension\n"
           "                         tree as its XML document\n"
           "  --pixel-formats        print the pixel formats of the renderer\n"
           "  --modes                print the display modes of the primary display\n"
           "  --monitors             print the monitors\n"
           "  --tests                list the rendering-test units (in order: <test>N</test>\n"
           "                         in an option document picks unit N, counted from 0)\n"
           "  --run-tests FILE       run the rendering tests that the option document FILE\n"
           "                         chooses; print each unit's frames per second and the\n"
           "                         failure log; without a <test> element all seven\n"
           "                         units run, about 5 seconds each\n"
           "  --help                 print this text\n"
           "  --version              print the version\n"
           "\n"
           "Settings:\n"
           "  --renderer 0|1         renderer to report (default 1)\n"
           "  --database PATH        extension database (default: extensions.xml beside\n"
           "                         the program or in the installed data folder)\n"
           "\n"
           "Progress goes to standard error when it is a terminal.\n"
           "\n"
           "Exit status: 0 success, 1 no OpenGL context could be made or an input file\n"
           "could not be used (the reason on standard error), 2 usage error.\n";
}

std::string xmlUnescape(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '&') {
            out.push_back(c);
            continue;
        }
        const size_t semi = text.find(';', i + 1);
        if (semi == std::string::npos || semi - i > 12) {
            out.push_back(c);
            continue;
        }
        const std::string name = text.substr(i + 1, semi - i - 1);
        if (name == "amp")
            out.push_back('&');
        else if (name == "lt")
            out.push_back('<');
        else if (name == "gt")
            out.push_back('>');
        else if (name == "quot")
            out.push_back('"');
        else if (name == "apos")
            out.push_back('\'');
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string digits = name.substr(hex ? 2 : 1);
            if (digits.empty()) {
                out.push_back(c);
                continue;
            }
            char *end = nullptr;
            const unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (!end || *end) {
                out.push_back(c);
                continue;
            }
            appendUtf8(out, code);
        } else {
            out.push_back(c);
            continue;
        }
        i = semi;
    }
    return out;
}

std::string richTextToPlain(const std::string &rich)
{
    const size_t length = tsRichTextToPlain(rich.c_str(), nullptr, 0);
    std::string plain(length + 1, '\0');
    tsRichTextToPlain(rich.c_str(), &plain[0], plain.size());
    plain.resize(length);
    return plain;
}

std::string formatWithTexts(const std::string &format, const std::vector<std::string> &args)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out.push_back(c);
            continue;
        }
        if (format[i + 1] == '%') {
            out.push_back('%');
            ++i;
            continue;
        }
        /* A string conversion with flags, width and precision: "%s",
         * "% s", "%-20s", "%.5s". */
        size_t j = i + 1;
        bool left = false;
        while (j < format.size() && std::strchr("-+ #0", format[j])) {
            if (format[j] == '-')
                left = true;
            ++j;
        }
        size_t width = 0;
        /* Widths and precisions are capped at 512 so that a table text
         * cannot ask for a huge block. */
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
            width = width * 10 + static_cast<size_t>(format[j++] - '0');
            if (width > 512)
                width = 512;
        }
        size_t precision = std::string::npos;
        if (j < format.size() && format[j] == '.') {
            precision = 0;
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
                precision = precision * 10 + static_cast<size_t>(format[j++] - '0');
                if (precision > 512)
                    precision = 512;
            }
        }
        if (j >= format.size() || format[j] != 's') {
            out.push_back(c); /* any other conversion is copied as it stands */
            continue;
        }
        std::string value = next < args.size() ? args[next] : std::string();
        ++next;
        if (precision != std::string::npos && value.size() > precision)
            value.resize(precision);
        if (value.size() < width) {
            const std::string pad(width - value.size(), ' ');
            value = left ? value + pad : pad + value;
        }
        out += value;
        i = j;
    }
    return out;
}

std::string attributeValue(const std::string &line, const char *name)
{
    const std::string key = std::string(" ") + name + "=\"";
    const size_t at = line.find(key);
    if (at == std::string::npos)
        return std::string();
    const size_t begin = at + key.size();
    const size_t end = line.find('"', begin);
    if (end == std::string::npos)
        return std::string();
    return xmlUnescape(line.substr(begin, end - begin));
}

namespace {

std::vector<std::string> splitLines(const std::string &document)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < document.size()) {
        size_t end = document.find('\n', start);
        if (end == std::string::npos)
            end = document.size();
        std::string line = document.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string lookupText(TextLookup lookup, int id)
{
    const char *text = lookup ? lookup(id) : nullptr;
    return text ? std::string(text) : std::string();
}

/* The report is one RTF document, where a raw line end is not text; only a
 * backslash before it (a paragraph break) keeps it.  The converter keeps
 * raw line feeds, as fragments shown on their own need, so they go here. */
std::string withoutRawLineEnds(const std::string &rich)
{
    std::string out;
    out.reserve(rich.size());
    bool escaped = false;
    for (const char c : rich) {
        if ((c == '\n' || c == '\r') && !escaped)
            continue;
        escaped = c == '\\' && !escaped;
        out.push_back(c);
    }
    return out;
}

} // namespace

std::string renderReportDocument(const std::string &document, TextLookup lookup)
{
    /* Each piece is converted on its own: a control word ends with its
     * piece, so "\\line" at the end of one piece and a word at the start of
     * the next stay apart.  Destination groups never span pieces. */
    std::string plain;
    for (const std::string &line : splitLines(document)) {
        if (line.compare(0, 6, "<item ") != 0)
            continue;
        const std::string type = attributeValue(line, "type");
        std::string rich;
        if (type == "STR") {
            rich = attributeValue(line, "value");
        } else if (type == "LOCAL") {
            rich = lookupText(lookup, std::atoi(attributeValue(line, "value").c_str()));
        } else if (type == "STR2") {
            const std::string format =
                lookupText(lookup, std::atoi(attributeValue(line, "value").c_str()));
            rich = formatWithTexts(format,
                                   {attributeValue(line, "text"), attributeValue(line, "text2")});
        }
        plain += richTextToPlain(withoutRawLineEnds(rich));
    }
    return plain;
}

std::vector<std::string> complianceFigures(const std::string &treeDocument)
{
    std::vector<std::string> figures;
    int depth = 0;
    int coreDepth = -1; /* depth of the core-features group's children */
    for (const std::string &line : splitLines(treeDocument)) {
        if (line.compare(0, 7, "</item>") == 0) {
            --depth;
            if (coreDepth >= 0 && depth < coreDepth)
                coreDepth = -1;
            continue;
        }
        if (line.compare(0, 6, "<item ") != 0)
            continue;
        const bool group = line.size() >= 2 && line.compare(line.size() - 2, 2, "/>") != 0;
        const std::string name = attributeValue(line, "name");
        if (coreDepth >= 0 && depth == coreDepth && name == "PUSHS")
            figures.push_back(attributeValue(line, "text"));
        if (group) {
            ++depth;
            if (name == "PUSH" && attributeValue(line, "text_id") == "192")
                coreDepth = depth;
        }
    }
    return figures;
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
