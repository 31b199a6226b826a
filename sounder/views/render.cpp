// Text ids, argument substitution, rich text to plain text, and the plain and
// XML forms of a linked tree.
#include "views/render.h"
#include "views/richtext.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/xml_writer.h"
#include "sounder/present.h"
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

// A float shown by an integer conversion (a language text with %d where the
// item carries a float): truncated, clamped to the integer range, NaN as 0;
// a plain cast of a value beyond the range is undefined.
long long truncatedInteger(double v)
{
    if (!(v == v))
        return 0;
    if (v >= 9.2e18)
        return LLONG_MAX;
    if (v <= -9.2e18)
        return LLONG_MIN;
    return static_cast<long long>(v);
}

std::string intText(int64_t v)
{
    return std::to_string(v);
}

} // namespace

std::string formatText(const char *format, const TextArg *args, std::size_t count)
{
    std::string out;
    if (!format)
        return out;
    const TextArg *next = args;
    const TextArg *end = args ? args + count : args;
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
                                                       : truncatedInteger(arg.f);
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

std::size_t copyBounded(const std::string &text, char *out, std::size_t size)
{
    if (out && size > 0) {
        const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
    }
    return text.size();
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


// The character a reference "#N" or "#xH" stands for, or 0 when it is none
// (no digits, other characters, NUL, a surrogate or beyond U+10FFFF).
unsigned long characterReference(const std::string &ref)
{
    const bool hex = ref.size() > 1 && (ref[1] == 'x' || ref[1] == 'X');
    const std::size_t first = hex ? 2 : 1;
    if (ref.size() <= first)
        return 0;
    unsigned long code = 0;
    for (std::size_t k = first; k < ref.size(); ++k) {
        const char c = ref[k];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
        if (code > 0x10FFFF)
            return 0;
    }
    return (code >= 0xD800 && code <= 0xDFFF) ? 0 : code;
}

} // namespace

std::string xmlUnescape(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t semi = text[i] == '&' ? text.find(';', i + 1) : std::string::npos;
        if (semi == std::string::npos || semi - i > 12) {
            out.push_back(text[i]);
            continue;
        }
        const std::string name = text.substr(i + 1, semi - i - 1);
        static const struct {
            const char *name;
            char c;
        } kEntities[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        bool decoded = false;
        for (const auto &e : kEntities) {
            if (name == e.name) {
                out.push_back(e.c);
                decoded = true;
            }
        }
        if (!decoded && name[0] == '#') {
            if (const unsigned long code = characterReference(name)) {
                appendUtf8(out, static_cast<uint32_t>(code));
                decoded = true;
            }
        }
        if (decoded)
            i = semi;
        else
            out.push_back(text[i]);
    }
    return out;
}

bool documentAttribute(const char *attributes, const char *name, std::string &value)
{
    if (!attributes || !name || !*name)
        return false;
    const std::size_t nameLength = std::strlen(name);
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    const char *p = attributes;
    while (*p) {
        while (blank(*p))
            ++p;
        const char *start = p;
        while (*p && *p != '=' && !blank(*p))
            ++p;
        const std::size_t length = static_cast<std::size_t>(p - start);
        while (blank(*p))
            ++p;
        if (*p != '=') {
            if (length == 0 && *p)
                ++p; // a stray character: step over it
            continue;
        }
        ++p;
        while (blank(*p))
            ++p;
        const char quote = *p;
        if (quote != '"' && quote != '\'')
            continue;
        const char *close = std::strchr(p + 1, quote);
        if (!close)
            return false;
        if (length == nameLength && std::strncmp(start, name, length) == 0) {
            value = xmlUnescape(std::string(p + 1, close));
            return true;
        }
        p = close + 1;
    }
    return false;
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

extern "C" {

SOUNDER_API size_t tsRichTextToPlain(const char *rich, char *out, size_t size)
{
    return sounder::copyBounded(sounder::plainFromRich(rich ? rich : "", true), out, size);
}

SOUNDER_API size_t tsRichTextToHtml(const char *rich, char *out, size_t size)
{
    return sounder::copyBounded(sounder::htmlFromRich(rich ? rich : ""), out, size);
}

SOUNDER_API size_t tsFormatText(const char *format, const tsTextArg *args, int count, char *out,
                                size_t size)
{
    std::vector<sounder::TextArg> values;
    for (int k = 0; args && k < count; ++k) {
        switch (args[k].kind) {
        case TS_ARG_INT: values.emplace_back(static_cast<long long>(args[k].i)); break;
        case TS_ARG_FLOAT: values.emplace_back(args[k].f); break;
        // An argument of unknown kind still takes its conversion's place.
        default: values.emplace_back(args[k].kind == TS_ARG_TEXT ? args[k].s : ""); break;
        }
    }
    return sounder::copyBounded(sounder::formatText(format, values.data(), values.size()), out,
                                size);
}

SOUNDER_API size_t tsDocumentAttribute(const char *attributes, const char *name, char *out,
                                       size_t size)
{
    std::string value;
    if (!sounder::documentAttribute(attributes, name, value))
        return TS_NO_ATTRIBUTE;
    return sounder::copyBounded(value, out, size);
}

SOUNDER_API size_t tsFormatTreeItemLabel(const tsTreeItem *item, tsTextLookup lookup, void *user,
                                         char *out, size_t size)
{
    const std::string label =
        item ? sounder::treeItemLabel(*item, sounder::TextLookup(lookup, user)) : std::string();
    return sounder::copyBounded(label, out, size);
}

} // extern "C"
