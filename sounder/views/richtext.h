// Reading the rich text of the report and the text table.
//
// One tokenizer reads the RTF subset that the report builder and the table
// texts use (groups, destinations, control words and symbols, \'hh, \uN and
// the byte 8 that some table texts use as a bold switch) and hands what it
// finds to a sink; the plain-text and the HTML converters are two sinks.
#ifndef SOUNDER_VIEWS_RICHTEXT_H
#define SOUNDER_VIEWS_RICHTEXT_H

#include <cstdint>
#include <string>

namespace sounder {

// What the tokenizer reports.  Text inside skipped destination groups
// ({\colortbl ...}, {\fonttbl ...}, {\* ...}) never reaches the sink; group
// boundaries and formatting always do, so that a sink's state follows the
// groups.
class RichSink {
public:
    virtual ~RichSink() = default;
    // An ordinary byte of text: a tab or a byte from 0x20 up (bytes from
    // 0x80 may form UTF-8).
    virtual void text(char c) = 0;
    // A byte given as \'hh that is a tab, a line feed or from 0x20 up.
    virtual void byte(unsigned char b) = 0;
    // A character given as \uN (surrogate pairs already joined).
    virtual void unicode(uint32_t code) = 0;
    // \line, \par, or a backslash before a line end.
    virtual void lineBreak() = 0;
    // A line feed or carriage return of the source, which RTF ignores.
    virtual void rawLineEnd(char c) = 0;
    // \b, \b0 and the byte-8 marks; \i, \i0; \plain.
    virtual void bold(bool on) = 0;
    virtual void italic(bool on) = 0;
    virtual void plain() = 0;
    virtual void groupOpen() = 0;
    virtual void groupClose() = 0;
    // True when the last text given ended in a space (a bold mark between
    // two spaces leaves one).
    virtual bool endsWithSpace() const = 0;
};

// Reads rich from start to end and reports to sink.
void scanRich(const std::string &rich, RichSink &sink);

/* Appends the UTF-8 bytes of one code point. */
void appendUtf8(std::string &out, uint32_t code);

// Plain text from rich text: \line and \par become line feeds, \tab a tab,
// \\ \{ \} their character, \'hh its byte, \uN its UTF-8 form; every other
// control word, the braces and the contents of destination groups are
// dropped, and so are control characters other than tab and line feed.  The
// byte 8 that some table texts use as a bold switch is dropped with the "0"
// after a closing one and a space it would double.  With keepLineFeeds
// false, raw line feeds and carriage returns in the source are dropped as
// rich text readers do.
std::string plainFromRich(const std::string &rich, bool keepLineFeeds = true);

// An XHTML document from rich text, UTF-8: the same reading as plainFromRich
// with raw line ends dropped, bold and italic as <b> and <i> (kept per
// group, as RTF does), breaks as <br/>, blanks kept (white-space:pre-wrap).
// Text is escaped (& < > " become entities); \'hh is a Windows-1252 byte,
// and so is a byte of the text that is not part of valid UTF-8.
std::string htmlFromRich(const std::string &rich);

} // namespace sounder

#endif
