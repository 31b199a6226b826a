// Text ids, argument substitution, rich text to plain text, and the plain and
// XML forms of a linked tree.
#include "views/render.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/xml_writer.h"
#include "sounder/texts.h"
#include "views/texts.h"

namespace sounder {
namespace {

constexpr int kMaxWidth = 512;

// Formats one value with a conversion whose flags, width and precision were
// checked; the format handed to snprintf is built here, never taken from a
// text table.
template <typename T>
void appendFormatted(std::string &out, const std::string &directive, T value)
{
    char buf[1200];
    int n = std::snprintf(buf, sizeof buf, directive.c_str(), value);
    if (n > 0)
        out.append(buf,
                   static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1);
}

std::string intText(int64_t v)
{
    return std::to_string(v);
}

} // namespace

std::string formatText(const char *format, std::initializer_list<TextArg> args)
{
    std::string out;
    if (!format)
        return out;
    const TextArg *next = args.begin();
    const TextArg *end = args.end();
    const char *p = format;
    while (*p) {
        if (*p != '%') {
            out.push_back(*p++);
            continue;
        }
        const char *start = p++;
        if (*p == '%') {
            out.push_back('%');
            ++p;
            continue;
        }
        // flags
        std::string flags;
        while (*p && std::strchr("-+ #0'", *p)) {
            if (*p != '\'')
                flags.push_back(*p);
            ++p;
        }
        bool star = false;
        int width = -1;
        if (*p == '*') {
            star = true;
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') {
                width = (width < 0 ? 0 : width) * 10 + (*p - '0');
                if (width > kMaxWidth)
                    width = kMaxWidth;
                ++p;
            }
        }
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            if (*p == '*') {
                star = true;
                ++p;
            }
            while (*p >= '0' && *p <= '9') {
                precision = precision * 10 + (*p - '0');
                if (precision > kMaxWidth)
                    precision = kMaxWidth;
                ++p;
            }
        }
        while (*p && std::strchr("hlLqjzt", *p))
            ++p;
        char conv = *p;
        if (!conv) {
            // A lone '%' at the end is shown as it stands.
            out.append(start);
            break;
        }
        ++p;
        if (star || !std::strchr("diuxXocCeEfFgGsS", conv)) {
            // %n, %p, '*' widths and unknown conversions produce nothing.
            if (conv == 'n' || conv == 'p' || star)
                continue;
            out.append(start, static_cast<size_t>(p - start));
            continue;
        }
        if (next == end)
            continue; // more conversions than values: the rest shows nothing
        const TextArg &arg = *next++;
        std::string directive = "%" + flags;
        if (width >= 0)
            directive += std::to_string(width);
        if (precision >= 0)
            directive += "." + std::to_string(precision);
        // A text takes only the '-' flag: "% s" (as a table text may hold)
        // or "%+s" leave the text as it is rather than being handed to
        // snprintf with a flag that has no meaning for strings.
        std::string textDirective = flags.find('-') != std::string::npos ? "%-" : "%";
        if (width >= 0)
            textDirective += std::to_string(width);
        if (precision >= 0)
            textDirective += "." + std::to_string(precision);
        textDirective += 's';
        switch (conv) {
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            if (arg.kind == TextArg::Text) {
                appendFormatted(out, textDirective, arg.s);
            } else {
                long long v = arg.kind == TextArg::Int ? static_cast<long long>(arg.i)
                                                       : static_cast<long long>(arg.f);
                if (conv == 'i')
                    conv = 'd';
                if (conv == 'u' || conv == 'x' || conv == 'X' || conv == 'o')
                    appendFormatted(out, directive + "ll" + conv,
                                    static_cast<unsigned long long>(v));
                else
                    appendFormatted(out, directive + "lld", v);
            }
            break;
        case 'c':
        case 'C':
            if (arg.kind == TextArg::Text)
                appendFormatted(out, textDirective, arg.s);
            else
                appendFormatted(out, directive + "c",
                                static_cast<int>(static_cast<unsigned char>(
                                    arg.kind == TextArg::Int ? arg.i : 0)));
            break;
        case 's':
        case 'S':
            if (arg.kind == TextArg::Text)
                appendFormatted(out, textDirective, arg.s);
            else if (arg.kind == TextArg::Int)
                appendFormatted(out, textDirective, intText(arg.i).c_str());
            else
                appendFormatted(out, textDirective, std::to_string(arg.f).c_str());
            break;
        default: // e E f F g G
            if (arg.kind == TextArg::Text)
                appendFormatted(out, textDirective, arg.s);
            else
                appendFormatted(out, directive + conv,
                                arg.kind == TextArg::Float ? arg.f : static_cast<double>(arg.i));
            break;
        }
    }
    return out;
}

std::string lookupText(TextLookup lookup, int id)
{
    const char *text = lookup ? lookup(id) : nullptr;
    if (!text || !*text)
        text = builtinText(id);
    return text ? text : "";
}

std::string resolveText(TextLookup lookup, int id, std::initializer_list<TextArg> args)
{
    std::string fmt = lookupText(lookup, id);
    return formatText(fmt.c_str(), args);
}

std::string plainFromRich(const std::string &rich, bool keepLineFeeds)
{
    std::string out;
    // Depth of each open group and whether its contents are skipped.
    std::vector<bool> skipping;
    bool skip = false;
    size_t i = 0;
    const size_t n = rich.size();
    bool groupStart = false; // just after '{': the first word may make a destination
    bool boldMark = false;   // a run opened by the bold mark (byte 8) is open
    while (i < n) {
        char c = rich[i];
        if (c == '\x08') {
            // Some table texts (308, 309) switch bold with the byte 8, where
            // "\b" was read as a C escape: a mark opens or closes a run, and
            // a closing mark followed by "0" (as \b0) takes the "0" with it.
            // A mark between two spaces leaves one, as "\b " would.
            ++i;
            if (boldMark && i < n && rich[i] == '0')
                ++i;
            boldMark = !boldMark;
            if (i < n && rich[i] == ' ' && !out.empty() && out.back() == ' ' && !skip)
                ++i;
            continue;
        }
        if (c == '{') {
            skipping.push_back(skip);
            groupStart = true;
            ++i;
            continue;
        }
        if (c == '}') {
            if (!skipping.empty()) {
                skip = skipping.back();
                skipping.pop_back();
            }
            groupStart = false;
            ++i;
            continue;
        }
        if (c == '\\') {
            if (i + 1 >= n) {
                ++i;
                continue;
            }
            char d = rich[i + 1];
            if (d == '\\' || d == '{' || d == '}') {
                if (!skip)
                    out.push_back(d);
                i += 2;
                groupStart = false;
                continue;
            }
            if (d == '*') {
                if (groupStart)
                    skip = true;
                i += 2;
                continue;
            }
            if (d == '\'') {
                auto hex = [](char h) -> int {
                    if (h >= '0' && h <= '9')
                        return h - '0';
                    if (h >= 'a' && h <= 'f')
                        return h - 'a' + 10;
                    if (h >= 'A' && h <= 'F')
                        return h - 'A' + 10;
                    return -1;
                };
                int hi = i + 2 < n ? hex(rich[i + 2]) : -1;
                int lo = i + 3 < n ? hex(rich[i + 3]) : -1;
                if (hi >= 0 && lo >= 0) {
                    // A byte given in hex is text like any other: control
                    // characters other than tab and line feed are dropped.
                    const int byte = hi * 16 + lo;
                    if (!skip && (byte >= 0x20 || byte == '\t' || byte == '\n'))
                        out.push_back(static_cast<char>(byte));
                    i += 4;
                } else {
                    i += 2;
                }
                groupStart = false;
                continue;
            }
            bool alpha = (d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z');
            if (!alpha) {
                // Control symbol: "\~" is a space, "\-" and others vanish; a
                // backslash before a line feed is a paragraph break.
                if (!skip) {
                    if (d == '~')
                        out.push_back(' ');
                    else if (d == '\n' || d == '\r')
                        out.push_back('\n');
                }
                i += 2;
                groupStart = false;
                continue;
            }
            size_t j = i + 1;
            while (j < n &&
                   ((rich[j] >= 'a' && rich[j] <= 'z') || (rich[j] >= 'A' && rich[j] <= 'Z')))
                ++j;
            std::string word = rich.substr(i + 1, j - i - 1);
            if (j < n && (rich[j] == '-' || (rich[j] >= '0' && rich[j] <= '9'))) {
                ++j;
                while (j < n && rich[j] >= '0' && rich[j] <= '9')
                    ++j;
            }
            if (j < n && rich[j] == ' ')
                ++j; // the delimiter belongs to the control word
            if (groupStart &&
                (word == "colortbl" || word == "fonttbl" || word == "stylesheet" ||
                 word == "info" || word == "pict" || word == "header" || word == "footer"))
                skip = true;
            groupStart = false;
            if (!skip) {
                if (word == "line" || word == "par")
                    out.push_back('\n');
                else if (word == "tab")
                    out.push_back('\t');
            }
            i = j;
            continue;
        }
        groupStart = false;
        ++i;
        if (skip)
            continue;
        if (c == '\n' || c == '\r') {
            if (keepLineFeeds && c == '\n')
                out.push_back('\n');
            continue;
        }
        if (c == '\t' || static_cast<unsigned char>(c) >= 0x20)
            out.push_back(c);
    }
    return out;
}

std::string treeItemLabel(const tsTreeItem &item, TextLookup lookup)
{
    switch (item.kind) {
    case TS_TREE_PUSH:
    case TS_TREE_STRLOCAL: return lookupText(lookup, item.textId);
    case TS_TREE_PUSHI:
        return lookupText(lookup, item.textId) + formatText(" (%d)", {item.value0.i});
    case TS_TREE_PUSHS:
    case TS_TREE_STR: return std::string(item.text, strnlen(item.text, sizeof item.text));
    case TS_TREE_PUSHSI:
        return std::string(item.text, strnlen(item.text, sizeof item.text)) +
               formatText(" (%d)", {item.value0.i});
    case TS_TREE_STR2: {
        std::string text(item.text, strnlen(item.text, sizeof item.text));
        return resolveText(lookup, item.textId, {text});
    }
    case TS_TREE_1I: return resolveText(lookup, item.textId, {item.value0.i});
    case TS_TREE_2I: return resolveText(lookup, item.textId, {item.value0.i, item.value1.i});
    case TS_TREE_3I:
        return resolveText(lookup, item.textId, {item.value0.i, item.value1.i, item.value2});
    case TS_TREE_1F: return resolveText(lookup, item.textId, {static_cast<double>(item.value0.f)});
    case TS_TREE_2F:
        return resolveText(
            lookup, item.textId,
            {static_cast<double>(item.value0.f), static_cast<double>(item.value1.f)});
    default: return std::string();
    }
}

namespace {

bool isGroupKind(int kind)
{
    return kind >= TS_TREE_PUSH && kind <= TS_TREE_PUSHSI;
}

bool isShownKind(int kind)
{
    return (kind >= TS_TREE_PUSH && kind <= TS_TREE_PUSHSI) ||
           (kind >= TS_TREE_STR && kind <= TS_TREE_2F);
}

int clampedChildren(const tsTreeNode *node)
{
    int n = node->childCount;
    return n < 0 ? 0 : (n > TS_TREE_MAX_CHILDREN ? TS_TREE_MAX_CHILDREN : n);
}

// Walks the tree depth-first without recursion: enter(node, depth) for each
// shown node, leave(node, depth) after a group's children.  Items of kinds
// that show nothing are skipped with their children.
template <typename Enter, typename Leave>
void walk(const tsTreeNode *root, Enter enter, Leave leave)
{
    if (!root)
        return;
    struct Frame {
        const tsTreeNode *node;
        int next;
    };
    std::vector<Frame> stack;
    stack.push_back({root, 0});
    // Linking never makes more than 4096 nodes; a damaged tree cannot make
    // the walk run away either.
    size_t budget = TS_TREE_MAX_NODES * 4;
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next >= clampedChildren(top.node)) {
            const tsTreeNode *done = top.node;
            stack.pop_back();
            if (done != root)
                leave(done, static_cast<int>(stack.size()) - 1);
            continue;
        }
        const tsTreeNode *child = top.node->children[top.next++];
        if (!child || !child->item || !isShownKind(child->item->kind) || budget == 0)
            continue;
        --budget;
        int depth = static_cast<int>(stack.size()) - 1;
        enter(child, depth);
        if (isGroupKind(child->item->kind))
            stack.push_back({child, 0});
    }
}

} // namespace

std::string renderTree(const tsTreeNode *root, TextLookup lookup, const std::string &indent)
{
    std::string out;
    walk(
        root,
        [&](const tsTreeNode *node, int depth) {
            for (int i = 0; i < depth; ++i)
                out += indent;
            out += treeItemLabel(*node->item, lookup);
            out += '\n';
        },
        [](const tsTreeNode *, int) {});
    return out;
}

namespace {

const char *const kKindNames[] = {"",     "PUSH",     "PUSHI", "PUSHS", "PUSHSI", "",   "STR",
                                  "STR2", "STRLOCAL", "1I",    "2I",    "3I",     "1F", "2F"};

std::string fixedText(float v)
{
    return formatText("%f", {static_cast<double>(v)});
}

// The item's line: its name, then the fields its kind carries in a fixed
// order (the 3I form keeps its two spaces before image0).
std::string xmlLine(const tsTreeItem &it)
{
    const int kind = it.kind;
    if (kind <= 0 || kind >= static_cast<int>(sizeof kKindNames / sizeof kKindNames[0]) ||
        kind == 5)
        return std::string();
    XmlWriter w(Controls::Reference);
    w.open("item").attrRaw("name", kKindNames[kind]);
    const bool hasId = kind == TS_TREE_PUSH || kind == TS_TREE_PUSHI || kind >= TS_TREE_STR2;
    const bool hasText = kind == TS_TREE_PUSHS || kind == TS_TREE_PUSHSI || kind == TS_TREE_STR ||
                         kind == TS_TREE_STR2;
    if (hasId)
        w.attr("text_id", it.textId);
    if (hasText)
        w.attr("text", std::string(it.text, strnlen(it.text, sizeof it.text)).c_str());
    switch (kind) {
    case TS_TREE_PUSHI:
    case TS_TREE_PUSHSI:
    case TS_TREE_1I: w.attr("value", it.value0.i); break;
    case TS_TREE_2I: w.attr("value0", it.value0.i).attr("value1", it.value1.i); break;
    case TS_TREE_3I:
        w.attr("value0", it.value0.i).attr("value1", it.value1.i).attr("value2", it.value2);
        w.raw(" ");
        break;
    case TS_TREE_1F: w.attrRaw("value", fixedText(it.value0.f).c_str()); break;
    case TS_TREE_2F:
        w.attrRaw("value0", fixedText(it.value0.f).c_str())
            .attrRaw("value1", fixedText(it.value1.f).c_str());
        break;
    default: break;
    }
    w.attr("image0", it.image0).attr("image1", it.image1);
    if (isGroupKind(kind))
        w.close();
    else
        w.closeEmpty();
    return w.take();
}

} // namespace

void writeTreeXml(const tsTreeNode *root, const std::function<void(const std::string &line)> &emit)
{
    emit("<tree>");
    walk(
        root, [&](const tsTreeNode *node, int) { emit(xmlLine(*node->item)); },
        [&](const tsTreeNode *, int) { emit("</item>"); });
    emit("</tree>");
}

std::string treeXml(const tsTreeNode *root, const char *eol)
{
    std::string out;
    const char *end = eol ? eol : "";
    writeTreeXml(root, [&](const std::string &line) {
        out += line;
        out += end;
    });
    return out;
}

} // namespace sounder

extern "C" SOUNDER_API size_t tsRichTextToPlain(const char *rich, char *out, size_t size)
{
    const std::string plain = sounder::plainFromRich(rich ? rich : "", true);
    if (out && size > 0) {
        const size_t n = plain.size() < size - 1 ? plain.size() : size - 1;
        std::memcpy(out, plain.data(), n);
        out[n] = '\0';
    }
    return plain.size();
}
