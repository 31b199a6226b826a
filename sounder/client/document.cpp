#include "client/document.h"

#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>

#include "sounder/client.h"
#include "views/render.h"

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

namespace {

std::string escaped(const char *text)
{
    return sounder::xmlEscape(text ? text : "");
}

const char *trueFalse(uint8_t v)
{
    return (v & 1) ? "True" : "False";
}

int signedByte(uint8_t v)
{
    return static_cast<int8_t>(v);
}

} // namespace

void writeReportDocument(DocumentWriter &out, const tsReportPiece *pieces, int count)
{
    out.line("<report>");
    for (int i = 0; pieces && i < count; ++i) {
        const tsReportPiece &p = pieces[i];
        switch (p.kind) {
        case TS_PIECE_TEXT:
            out.line("<item type=\"STR\" value=\"%s\"/>", escaped(p.text).c_str());
            break;
        case TS_PIECE_TEXT_ID_ARGS:
            out.line("<item type=\"STR2\" value=\"%d\" text=\"%s\" text2=\"%s\"/>", p.textId,
                     escaped(p.text).c_str(), escaped(p.text2).c_str());
            break;
        case TS_PIECE_TEXT_ID: out.line("<item type=\"LOCAL\" value=\"%d\"/>", p.textId); break;
        case TS_PIECE_REFERENCE:
            out.line("<item type=\"STR\" value=\"%s\"/>", escaped(p.reference).c_str());
            break;
        default: break;
        }
    }
    out.line("</report>");
}

void writePixelFormatLine(DocumentWriter &out, int id, const tsPixelFormat &p)
{
    out.line("<p id=\"%d\" color_bits=\"%d\" depth_bits=\"%d\" stencil_bits=\"%d\" "
             "accum_bits=\"%d\" pixel_type=\"%d\" transparent=\"%s\" acceleration=\"%s\" "
             "support_gdi=\"%s\" aux_buffers=\"%d\" double_buffer=\"%s\" "
             "support_opengl=\"%s\" draw_to_window=\"%s\" draw_to_bitmap=\"%s\" "
             "swap_layers_buffers=\"%d\" stereo=\"%s\" auxbuffers=\"%d\" samples=\"%d\" "
             "number_overlays=\"%d\" number_underlays=\"%d\"  />",
             id, signedByte(p.color_bits), signedByte(p.depth_bits), signedByte(p.stencil_bits),
             signedByte(p.accum_bits), signedByte(p.pixel_type), trueFalse(p.transparent),
             trueFalse(p.acceleration), trueFalse(p.support_gdi), signedByte(p.aux_buffers),
             trueFalse(p.double_buffer), trueFalse(p.support_opengl), trueFalse(p.draw_to_window),
             trueFalse(p.draw_to_bitmap), signedByte(p.swap_layers_buffers), trueFalse(p.stereo),
             signedByte(p.auxbuffers), signedByte(p.samples), signedByte(p.number_overlays),
             signedByte(p.number_underlays));
}

DocumentWriter &outputDocument()
{
    static char buffer[LUM_OUTPUT_SIZE];
    static DocumentWriter writer(buffer, sizeof buffer);
    return writer;
}

} // namespace client
} // namespace sounder
