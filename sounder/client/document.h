/* Line-by-line writer of the client documents: each line is formatted into
 * a work buffer of LUM_LINE_SIZE bytes, then appended to the output buffer
 * followed by "\r\n".  Appends stop at the buffer's capacity: a document
 * that does not fit is cut, never written past the end. */
#ifndef SOUNDER_CLIENT_DOCUMENT_H
#define SOUNDER_CLIENT_DOCUMENT_H

#include <cstddef>
#include <string>

#include "keel/keel.h"
#include "sounder/probe.h"
#include "sounder/report.h"

namespace sounder {
namespace client {

class DocumentWriter {
public:
    /* buffer holds capacity bytes, terminator included (capacity >= 1). */
    DocumentWriter(char *buffer, size_t capacity);

    /* Empties the buffer and starts a new document. */
    void begin();
    /* Appends one formatted line and "\r\n".  Texts from drivers and files
     * are passed as arguments of a fixed format, never as the format. */
    void line(const char *format, ...) KEEL_PRINTF(2, 3);
    /* Appends a line made by the XML writer (cut as a formatted line is)
     * and "\r\n". */
    void line(const std::string &text);
    /* Appends a text as it is, without a line end. */
    void append(const char *text);

    const char *text() const { return buffer_; }
    size_t length() const { return length_; }
    /* True once something did not fit. */
    bool truncated() const { return truncated_; }

private:
    char *buffer_;
    size_t capacity_;
    size_t length_ = 0;
    bool truncated_ = false;
};

/* Report document: "<report>", one line per piece in order (kind 6 and
 * kind 14 as <item type="STR" value=".."/>, kind 7 as
 * <item type="STR2" value="id" text=".." text2=".."/>, kind 8 as
 * <item type="LOCAL" value="id"/>; other kinds write nothing), "</report>".
 * Texts are escaped so that a quote or an ampersand in a driver's text
 * cannot break the document. */
void writeReportDocument(DocumentWriter &out, const tsReportPiece *pieces, int count);

/* One line of the pixel-format document for entry id (counted from 1):
 * numeric members as signed 8-bit values, flag members "True" when bit 0
 * of their byte is set, else "False", and two spaces before the "/>". */
void writePixelFormatLine(DocumentWriter &out, int id, const tsPixelFormat &p);

/* The process-wide output buffer of the client interface and its writer. */
DocumentWriter &outputDocument();

} // namespace client
} // namespace sounder

#endif
