// The XML writer of the library: trees, report files, client documents and
// the extension database are all written through it, with its one escaper.
//
// Values are escaped as entities (& < > "); control characters follow the
// writer's policy (see Controls).  Markup the caller gives as a literal
// (tag names, fixed spacing) is written as it is.
#ifndef SOUNDER_COMMON_XML_WRITER_H
#define SOUNDER_COMMON_XML_WRITER_H

#include <string>

namespace sounder {

enum class Controls {
    // Tab, line feed and carriage return as character references, other
    // control characters dropped: attribute values of trees and client
    // documents, which a parser would otherwise normalise or refuse.
    Reference,
    // Control characters written as they are: report files and the database,
    // whose own reader gives them back unchanged.
    Keep,
};

// Appends text to out with & < > " as entities (a null text appends nothing).
void appendEscaped(std::string &out, const char *text, Controls controls);

class XmlWriter {
public:
    explicit XmlWriter(Controls controls) : controls_(controls) {}

    // Literal markup.
    XmlWriter &raw(const char *markup);
    XmlWriter &raw(const std::string &markup) { return raw(markup.c_str()); }
    // An escaped text.
    XmlWriter &text(const char *value);
    // "<name" / ">" / "/>" / "</name>".
    XmlWriter &open(const char *name);
    XmlWriter &close();
    XmlWriter &closeEmpty();
    XmlWriter &end(const char *name);
    // ` name="value"`: escaped text, or a decimal integer.
    XmlWriter &attr(const char *name, const char *value);
    XmlWriter &attr(const char *name, long long value);
    // ` name="value"` with a value that is already markup-safe (a formatted
    // number, True/False).
    XmlWriter &attrRaw(const char *name, const char *value);
    // "<name>value</name>" with the value escaped, or already safe.
    XmlWriter &element(const char *name, const char *value);
    XmlWriter &elementRaw(const char *name, const char *value);
    XmlWriter &lineEnd() { return raw("\n"); }

    std::string &str() { return out_; }
    // Hands the text over and starts empty again.
    std::string take();

private:
    Controls controls_;
    std::string out_;
};

} // namespace sounder

#endif
