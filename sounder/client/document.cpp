#include "client/document.h"

#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/xml_writer.h"
#include "report/report_fields.h"
#include "sounder/client.h"

namespace sounder {
namespace client {

DocumentWriter::DocumentWriter(char *buffer, size_t capacity) : buffer_(buffer), capacity_(capacity)
{
    begin();
}

void DocumentWriter::begin()
{
    length_ = 0;
    truncated_ = false;
    if (capacity_ > 0)
        buffer_[0] = '\0';
}

void DocumentWriter::append(const char *text)
{
    if (!text || capacity_ == 0)
        return;
    const size_t wanted = std::strlen(text);
    const size_t room = capacity_ - 1 - length_;
    const size_t n = wanted < room ? wanted : room;
    std::memcpy(buffer_ + length_, text, n);
    length_ += n;
    buffer_[length_] = '\0';
    if (n < wanted)
        truncated_ = true;
}

void DocumentWriter::line(const char *format, ...)
{
    char work[LUM_LINE_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(work, sizeof work, format, args);
    va_end(args);
    append(work);
    append("\r\n");
}

void DocumentWriter::line(const std::string &text)
{
    // As a formatted line: at most LUM_LINE_SIZE - 1 bytes of it.
    if (text.size() < LUM_LINE_SIZE) {
        append(text.c_str());
    } else {
        append(text.substr(0, LUM_LINE_SIZE - 1).c_str());
    }
    append("\r\n");
}

void writeReportDocument(DocumentWriter &out, const tsReportPiece *pieces, int count)
{
    out.line("<report>");
    XmlWriter w(Controls::Reference);
    for (int i = 0; pieces && i < count; ++i) {
        const tsReportPiece &p = pieces[i];
        switch (p.kind) {
        case TS_PIECE_TEXT:
        case TS_PIECE_REFERENCE:
            w.open("item").attrRaw("type", "STR");
            w.attr("value", p.kind == TS_PIECE_TEXT ? p.text : p.reference).closeEmpty();
            break;
        case TS_PIECE_TEXT_ID_ARGS:
            w.open("item").attrRaw("type", "STR2").attr("value", p.textId);
            w.attr("text", p.text).attr("text2", p.text2).closeEmpty();
            break;
        case TS_PIECE_TEXT_ID:
            w.open("item").attrRaw("type", "LOCAL").attr("value", p.textId).closeEmpty();
            break;
        default: continue;
        }
        out.line(w.take());
    }
    out.line("</report>");
}

void writePixelFormatLine(DocumentWriter &out, int id, const tsPixelFormat &p)
{
    XmlWriter w(Controls::Reference);
    report::writePixelFormat(w, id, p, true);
    out.line(w.take());
}

DocumentWriter &outputDocument()
{
    static char buffer[LUM_OUTPUT_SIZE];
    static DocumentWriter writer(buffer, sizeof buffer);
    return writer;
}

} // namespace client
} // namespace sounder
