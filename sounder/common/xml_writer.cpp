#include "common/xml_writer.h"

#include <cstdio>
#include <utility>

namespace sounder {

void appendEscaped(std::string &out, const char *text, Controls controls)
{
    if (!text)
        return;
    for (const char *p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        default: break;
        }
        if (c >= 0x20 || controls == Controls::Keep) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        switch (c) {
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default: break; // not representable in XML 1.0
        }
    }
}

XmlWriter &XmlWriter::raw(const char *markup)
{
    if (markup)
        out_ += markup;
    return *this;
}

XmlWriter &XmlWriter::text(const char *value)
{
    appendEscaped(out_, value, controls_);
    return *this;
}

XmlWriter &XmlWriter::open(const char *name)
{
    out_ += '<';
    return raw(name);
}

XmlWriter &XmlWriter::close()
{
    out_ += '>';
    return *this;
}

XmlWriter &XmlWriter::closeEmpty()
{
    return raw("/>");
}

XmlWriter &XmlWriter::end(const char *name)
{
    out_ += "</";
    raw(name);
    out_ += '>';
    return *this;
}

XmlWriter &XmlWriter::attr(const char *name, const char *value)
{
    out_ += ' ';
    raw(name);
    out_ += "=\"";
    text(value);
    out_ += '"';
    return *this;
}

XmlWriter &XmlWriter::attr(const char *name, long long value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld", value);
    return attrRaw(name, buf);
}

XmlWriter &XmlWriter::attrRaw(const char *name, const char *value)
{
    out_ += ' ';
    raw(name);
    out_ += "=\"";
    raw(value);
    out_ += '"';
    return *this;
}

XmlWriter &XmlWriter::element(const char *name, const char *value)
{
    open(name).close();
    text(value);
    return end(name);
}

XmlWriter &XmlWriter::elementRaw(const char *name, const char *value)
{
    open(name).close();
    raw(value);
    return end(name);
}

std::string XmlWriter::take()
{
    std::string done = std::move(out_);
    out_.clear();
    return done;
}

} // namespace sounder
