// Rendering a built report list into text, as the viewer and the command-line
// client show it.
#include <cstring>
#include <string>

#include "views/render.h"
#include "views/textreport.h"

namespace sounder {
namespace {

// A fixed text field read no further than its size, even unterminated.
std::string fieldText(const char (&field)[TS_REPORT_PIECE_TEXT_SIZE])
{
    return std::string(field, strnlen(field, TS_REPORT_PIECE_TEXT_SIZE));
}

bool isRtfDocument(const tsReportPiece *pieces, int count)
{
    return count > 0 && pieces[0].kind == TS_PIECE_TEXT &&
           std::strncmp(pieces[0].text, "{\\rtf", 5) == 0;
}

// Driver and database texts in a plain report: kept as they are, less the
// control characters a terminal or clipboard would act on.
void appendPlainText(std::string &out, const char *text)
{
    if (!text)
        return;
    for (const char *c = text; *c; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (u >= 32 || u == '\n' || u == '\t')
            out += *c;
    }
}

// The built-in texts of the entry-point lines (308, 309) enclose their
// arguments in the byte 8, a bold mark (plainFromRich drops the marks).  In
// a list built as an RTF document they become control words: a mark
// followed by "0" ends the bold run (\b0), any other mark switches it (\b
// when off, \b0 when on), so "\x08%s\x08" sets the argument in bold.
// The raw control character would otherwise reach the document and the "0"
// would show after the argument.
std::string rtfBoldMarks(const std::string &text)
{
    if (text.find('\x08') == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size() + 16);
    bool bold = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\x08') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '0') {
            ++i;
            out += "\\b0 ";
            bold = false;
        } else if (bold) {
            out += "\\b0 ";
            bold = false;
        } else {
            // A space after the mark delimits the control word, so the
            // space that the mark stood beside is not doubled.
            out += (i + 1 < text.size() && text[i + 1] == ' ') ? "\\b" : "\\b ";
            bold = true;
        }
    }
    if (bold)
        out += "\\b0 ";
    return out;
}

// True when text ends in an RTF control word (a backslash that is not itself
// escaped, letters, an optional number): a letter or digit of the next piece
// would run into it.
bool endsWithControlWord(const std::string &text)
{
    std::size_t i = text.size();
    while (i > 0 && text[i - 1] >= '0' && text[i - 1] <= '9')
        --i;
    if (i < text.size() && i > 0 && text[i - 1] == '-')
        --i;
    const std::size_t lettersEnd = i;
    while (i > 0 && ((text[i - 1] >= 'a' && text[i - 1] <= 'z') ||
                     (text[i - 1] >= 'A' && text[i - 1] <= 'Z')))
        --i;
    if (i == lettersEnd || i == 0 || text[i - 1] != '\\')
        return false;
    std::size_t backslashes = 0;
    for (std::size_t j = i; j > 0 && text[j - 1] == '\\'; --j)
        ++backslashes;
    return backslashes % 2 == 1;
}

// The plain form of a text of the table, used as a format afterwards.
std::string plainFormat(TextLookup lookup, int id)
{
    return plainFromRich(lookupText(lookup, id), true);
}

} // namespace

std::string renderReport(const tsReportPiece *pieces, int count, TextLookup lookup)
{
    std::string out;
    if (!pieces)
        return out;
    // In an RTF document the bold marks of the table texts become control
    // words, and a piece that ends in a control word gets its delimiter
    // (texts such as 308 end in "\line" and the next line begins with a
    // letter, which would run into the word and vanish with it).
    const bool rtf = isRtfDocument(pieces, count);
    auto format = [&](int id) {
        const std::string text = lookupText(lookup, id);
        return rtf ? rtfBoldMarks(text) : text;
    };
    for (int i = 0; i < count; ++i) {
        const tsReportPiece &p = pieces[i];
        std::string piece;
        switch (p.kind) {
        case TS_PIECE_TEXT: piece = fieldText(p.text); break;
        case TS_PIECE_TEXT_ID: piece = format(p.textId); break;
        case TS_PIECE_TEXT_ID_ARGS: {
            const std::string a = fieldText(p.text), b = fieldText(p.text2);
            piece = formatText(format(p.textId).c_str(), {a.c_str(), b.c_str()});
            break;
        }
        case TS_PIECE_REFERENCE:
            if (p.reference)
                piece = p.reference;
            break;
        default: break;
        }
        out += piece;
        // A literal of full length may be the first part of a longer one
        // that was split over pieces: it runs on into the next piece.
        const bool split = p.kind == TS_PIECE_TEXT && piece.size() >= TS_REPORT_PIECE_TEXT_SIZE - 1;
        if (rtf && !split && i + 1 < count && endsWithControlWord(piece))
            out += ' ';
    }
    return out;
}

std::string renderReportPlain(const tsReportPiece *pieces, int count, TextLookup lookup)
{
    if (!pieces || count <= 0)
        return std::string();
    // A list built as RTF is one RTF document: convert it as a whole (raw
    // line feeds mean nothing in RTF).
    if (isRtfDocument(pieces, count))
        return plainFromRich(renderReport(pieces, count, lookup), false);

    // A plain list: only the texts of text ids carry RTF.  A format is made
    // plain before the arguments go in, so an argument is shown as it is.
    std::string out;
    for (int i = 0; i < count; ++i) {
        const tsReportPiece &p = pieces[i];
        switch (p.kind) {
        case TS_PIECE_TEXT: appendPlainText(out, fieldText(p.text).c_str()); break;
        case TS_PIECE_REFERENCE: appendPlainText(out, p.reference); break;
        case TS_PIECE_TEXT_ID: out += plainFormat(lookup, p.textId); break;
        case TS_PIECE_TEXT_ID_ARGS: {
            const std::string format = plainFormat(lookup, p.textId);
            const std::string a = fieldText(p.text), b = fieldText(p.text2);
            std::string line = formatText(format.c_str(), {a.c_str(), b.c_str()});
            appendPlainText(out, line.c_str());
            break;
        }
        default: break;
        }
    }
    return out;
}

} // namespace sounder

extern "C" SOUNDER_API size_t tsRenderReport(const tsReportPiece *pieces, int32_t count,
                                             tsTextLookup lookup, void *user, int mode, char *out,
                                             size_t size)
{
    const sounder::TextLookup texts(lookup, user);
    const int n = count < 0 ? 0 : count;
    return sounder::copyBounded(mode == TS_RENDER_PLAIN
                                    ? sounder::renderReportPlain(pieces, n, texts)
                                    : sounder::renderReport(pieces, n, texts),
                                out, size);
}
