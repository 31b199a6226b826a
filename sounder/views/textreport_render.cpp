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
// arguments in the control character 8, a bold mark ("\x08" "0" ends the
// run, as \b0 does).  The plain form drops the marks with their digits, and
// a space that the removal doubles.
std::string dropBoldMarks(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\x08') {
            out += text[i];
            continue;
        }
        while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')
            ++i;
        if (i + 1 < text.size() && text[i + 1] == ' ' && !out.empty() && out.back() == ' ')
            ++i;
    }
    return out;
}

// The plain form of a text of the table, used as a format afterwards.
std::string plainFormat(TextLookup lookup, int id)
{
    return plainFromRich(dropBoldMarks(lookupText(lookup, id)), true);
}

}  // namespace

std::string renderReport(const tsReportPiece *pieces, int count, TextLookup lookup)
{
    std::string out;
    if (!pieces)
        return out;
    for (int i = 0; i < count; ++i) {
        const tsReportPiece &p = pieces[i];
        switch (p.kind) {
        case TS_PIECE_TEXT: out += fieldText(p.text); break;
        case TS_PIECE_TEXT_ID: out += lookupText(lookup, p.textId); break;
        case TS_PIECE_TEXT_ID_ARGS: {
            const std::string a = fieldText(p.text), b = fieldText(p.text2);
            out += resolveText(lookup, p.textId, {a.c_str(), b.c_str()});
            break;
        }
        case TS_PIECE_REFERENCE:
            if (p.reference)
                out += p.reference;
            break;
        default: break;
        }
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
        return plainFromRich(dropBoldMarks(renderReport(pieces, count, lookup)), false);

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

}  // namespace sounder
