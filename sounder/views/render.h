// Turning text ids, trees and rich-text fragments into readable text.
//
// Trees and reports carry text ids plus arguments; the texts come from a table
// that the caller gives (a language file, the built-in English table, ...).
// The routines here resolve those ids and substitute the arguments without
// ever handing a table text to printf as a format: a text from a language
// file may hold any conversion, and a mismatch must not read past the
// arguments.
#ifndef SOUNDER_VIEWS_RENDER_H
#define SOUNDER_VIEWS_RENDER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "sounder/texts.h"
#include "sounder/tree.h"
#include "views/richtext.h"

namespace sounder {

// Text table lookup: the text of an id, or null (or "") when the table lacks
// it.  Either a plain function or the exported form, a function with the
// caller's pointer (tsTextLookup).
class TextLookup {
public:
    TextLookup(std::nullptr_t = nullptr) {}
    TextLookup(const char *(*lookup)(int id)) : plain_(lookup) {}
    TextLookup(tsTextLookup lookup, void *user) : withUser_(lookup), user_(user) {}

    explicit operator bool() const { return plain_ || withUser_; }
    const char *operator()(int id) const
    {
        if (withUser_)
            return withUser_(id, user_);
        return plain_ ? plain_(id) : nullptr;
    }

private:
    const char *(*plain_)(int) = nullptr;
    tsTextLookup withUser_ = nullptr;
    void *user_ = nullptr;
};

// One argument of a text format.  Integers, floating-point values and texts
// are accepted by every conversion: %d given a float prints it truncated, %f
// given an integer prints it widened, %s given a number prints it in decimal,
// %d given a text prints the text.
struct TextArg {
    enum Kind { Int, Float, Text } kind;
    int64_t i = 0;
    double f = 0.0;
    const char *s = nullptr;

    TextArg(int v) : kind(Int), i(v) {}
    TextArg(unsigned v) : kind(Int), i(v) {}
    TextArg(long v) : kind(Int), i(v) {}
    TextArg(long long v) : kind(Int), i(v) {}
    TextArg(double v) : kind(Float), f(v) {}
    TextArg(float v) : kind(Float), f(v) {}
    TextArg(const char *v) : kind(Text), s(v ? v : "") {}
    TextArg(const std::string &v) : kind(Text), s(v.c_str()) {}
};

// printf-style substitution of args into format.  Supported: flags, width and
// precision (each capped at 512), length modifiers (ignored), conversions
// d i u x X o c e E f F g G s and %%.  A conversion beyond the last argument
// produces nothing; arguments beyond the last conversion are not shown; %n,
// %p, '*' widths and unknown conversions produce nothing.  A null format is "".
std::string formatText(const char *format, const TextArg *args, std::size_t count);
inline std::string formatText(const char *format, std::initializer_list<TextArg> args)
{
    return formatText(format, args.begin(), args.size());
}

// Copies text into out as sysStrlCpy does (at most size - 1 bytes and a
// terminator; nothing when out is null or size is 0) and returns its length.
std::size_t copyBounded(const std::string &text, char *out, std::size_t size);

// Text of id from lookup; when lookup is null or gives null or "", the
// built-in English text; when that lacks the id too, "".
std::string lookupText(TextLookup lookup, int id);

// The text of id used as a format for args (see formatText).
std::string resolveText(TextLookup lookup, int id, std::initializer_list<TextArg> args = {});

// The line that a tree item shows, as the viewer makes it (label formats with
// the item's values, " (%d)" after counting groups).  Kinds 0 and 5 and
// unknown kinds give "".
std::string treeItemLabel(const tsTreeItem &item, TextLookup lookup);

// Indented plain-text form of a linked tree: one line per node, children
// indented by indent under their group, each line ended by "\n".
std::string renderTree(const tsTreeNode *root, TextLookup lookup, const std::string &indent = "  ");

// XML form of a linked tree: "<tree>", one line per node ("<item .../>" for
// leaves, "<item ...>" ... "</item>" for groups), "</tree>".  Each line is
// handed to emit without line ending.  Text attributes are escaped by the
// library's XML writer (& < > " as entities, tab, line feed and carriage
// return as character references, other control characters dropped).
void writeTreeXml(const tsTreeNode *root, const std::function<void(const std::string &line)> &emit);

// The same joined into one text, each line followed by eol.
std::string treeXml(const tsTreeNode *root, const char *eol = "\r\n");

// Decodes the five XML entities and character references (as UTF-8); any
// other '&' stays as it stands.
std::string xmlUnescape(const std::string &text);

// The decoded value of attribute name in an element's attribute text
// (tsDocumentAttribute); false when it is not there.
bool documentAttribute(const char *attributes, const char *name, std::string &value);

} // namespace sounder

#endif
