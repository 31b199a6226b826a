// The rich-text tokenizer and its two readers: plain text and XHTML.
#include "views/richtext.h"

#include <cstring>
#include <string>
#include <vector>

namespace sounder {
namespace {

int hexDigit(char h)
{
    if (h >= '0' && h <= '9')
        return h - '0';
    if (h >= 'a' && h <= 'f')
        return h - 'a' + 10;
    if (h >= 'A' && h <= 'F')
        return h - 'A' + 10;
    return -1;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Groups whose contents are not text when their first word names them.
bool isDestination(const std::string &word)
{
    static const char *const kWords[] = {"colortbl", "fonttbl", "stylesheet", "info",
                                         "pict",     "header",  "footer"};
    for (const char *w : kWords)
        if (word == w)
            return true;
    return false;
}

constexpr uint32_t kReplacement = 0xFFFD;


} // namespace

void appendUtf8(std::string &out, uint32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

void scanRich(const std::string &rich, RichSink &sink)
{
    struct Group {
        bool skip;
        int uc;
    };
    std::vector<Group> groups;
    bool skip = false;       // inside a destination group: no text
    int uc = 1;              // fallback characters that follow each \uN
    int fallback = 0;        // fallback characters still to be passed over
    uint32_t highHalf = 0;   // a \uN high surrogate waiting for its low half
    bool groupStart = false; // just after '{': the first word may make a destination
    bool boldMark = false;   // a run opened by the bold mark (byte 8) is open
    // A high surrogate followed by anything but its low half is no character.
    auto flushHalf = [&]() {
        if (highHalf) {
            sink.unicode(kReplacement);
            highHalf = 0;
        }
    };
    size_t i = 0;
    const size_t n = rich.size();
    while (i < n) {
        const char c = rich[i];
        if (fallback > 0) {
            // The plain-text stand-in after \uN: characters and \'hh count,
            // anything else ends it.
            if (c == '\\' && i + 1 < n && rich[i + 1] == '\'') {
                i +=
                    (i + 3 < n && hexDigit(rich[i + 2]) >= 0 && hexDigit(rich[i + 3]) >= 0) ? 4 : 2;
                --fallback;
                continue;
            }
            if (c != '\\' && c != '{' && c != '}' && c != '\n' && c != '\r') {
                ++i;
                --fallback;
                continue;
            }
            fallback = 0;
        }
        if (c == '\x08') {
            // Some table texts (308, 309) switch bold with the byte 8, where
            // "\b" was read as a C escape: a mark opens or closes a run, and
            // a closing mark followed by "0" (as \b0) takes the "0" with it.
            // A mark between two spaces leaves one, as "\b " would.
            ++i;
            if (boldMark && i < n && rich[i] == '0')
                ++i;
            boldMark = !boldMark;
            sink.bold(boldMark);
            if (i < n && rich[i] == ' ' && !skip && sink.endsWithSpace())
                ++i;
            continue;
        }
        if (c == '{') {
            groups.push_back({skip, uc});
            sink.groupOpen();
            groupStart = true;
            ++i;
            continue;
        }
        if (c == '}') {
            if (!groups.empty()) {
                skip = groups.back().skip;
                uc = groups.back().uc;
                groups.pop_back();
                flushHalf();
                sink.groupClose();
            }
            groupStart = false;
            ++i;
            continue;
        }
        if (c != '\\') {
            groupStart = false;
            ++i;
            if (skip)
                continue;
            if (c == '\n' || c == '\r') {
                sink.rawLineEnd(c);
                continue;
            }
            if (c == '\t' || static_cast<unsigned char>(c) >= 0x20) {
                flushHalf();
                sink.text(c);
            }
            continue;
        }
        if (i + 1 >= n) {
            ++i; // a backslash at the very end stands for nothing
            continue;
        }
        const char d = rich[i + 1];
        if (d == '\\' || d == '{' || d == '}') {
            if (!skip) {
                flushHalf();
                sink.text(d);
            }
            i += 2;
            groupStart = false;
            continue;
        }
        if (d == '*') {
            if (groupStart)
                skip = true;
            i += 2;
            continue;
        }
        if (d == '\'') {
            const int hi = i + 2 < n ? hexDigit(rich[i + 2]) : -1;
            const int lo = i + 3 < n ? hexDigit(rich[i + 3]) : -1;
            if (hi >= 0 && lo >= 0) {
                // A byte given in hex is text like any other: control
                // characters other than tab and line feed are dropped.
                const int b = hi * 16 + lo;
                if (!skip && (b >= 0x20 || b == '\t' || b == '\n')) {
                    flushHalf();
                    sink.byte(static_cast<unsigned char>(b));
                }
                i += 4;
            } else {
                i += 2;
            }
            groupStart = false;
            continue;
        }
        if (!isLetter(d)) {
            // Control symbol: "\~" is a space, "\-" and others vanish; a
            // backslash before a line end is a paragraph break.
            if (!skip) {
                if (d == '~') {
                    flushHalf();
                    sink.text(' ');
                } else if (d == '\n' || d == '\r') {
                    flushHalf();
                    sink.lineBreak();
                }
            }
            i += 2;
            groupStart = false;
            continue;
        }
        size_t j = i + 1;
        while (j < n && isLetter(rich[j]))
            ++j;
        const std::string word = rich.substr(i + 1, j - i - 1);
        bool hasParam = false;
        long param = 0;
        if (j < n && (rich[j] == '-' || isDigit(rich[j]))) {
            const bool negative = rich[j] == '-';
            if (negative)
                ++j;
            while (j < n && isDigit(rich[j])) {
                hasParam = true;
                if (param < 1000000)
                    param = param * 10 + (rich[j] - '0');
                ++j;
            }
            if (negative)
                param = -param;
        }
        if (j < n && rich[j] == ' ')
            ++j; // the delimiter belongs to the control word
        i = j;
        if (groupStart && isDestination(word))
            skip = true;
        groupStart = false;
        if (word == "uc") {
            uc = hasParam && param >= 0 ? (param > 16 ? 16 : static_cast<int>(param)) : 1;
            continue;
        }
        if (skip)
            continue;
        if (word == "u" && hasParam) {
            // A signed 16-bit value; surrogate halves make one character.
            const long value = param < 0 ? param + 65536 : param;
            fallback = uc;
            if (value < 0 || value > 0xFFFF) {
                flushHalf();
                sink.unicode(kReplacement);
            } else if (value >= 0xD800 && value <= 0xDBFF) {
                flushHalf();
                highHalf = static_cast<uint32_t>(value);
            } else if (value >= 0xDC00 && value <= 0xDFFF) {
                if (highHalf) {
                    sink.unicode(0x10000 + ((highHalf - 0xD800) << 10) +
                                 (static_cast<uint32_t>(value) - 0xDC00));
                    highHalf = 0;
                } else {
                    sink.unicode(kReplacement);
                }
            } else {
                flushHalf();
                sink.unicode(static_cast<uint32_t>(value));
            }
            continue;
        }
        flushHalf();
        if (word == "line" || word == "par")
            sink.lineBreak();
        else if (word == "tab")
            sink.text('\t');
        else if (word == "b")
            sink.bold(!hasParam || param != 0);
        else if (word == "i")
            sink.italic(!hasParam || param != 0);
        else if (word == "plain")
            sink.plain();
    }
    flushHalf();
}

namespace {

class PlainSink : public RichSink {
public:
    explicit PlainSink(bool keepLineFeeds) : keepLineFeeds_(keepLineFeeds) {}

    void text(char c) override { out += c; }
    void byte(unsigned char b) override { out += static_cast<char>(b); }
    void unicode(uint32_t code) override
    {
        if (code >= 0x20 || code == '\t' || code == '\n')
            appendUtf8(out, code);
    }
    void lineBreak() override { out += '\n'; }
    void rawLineEnd(char c) override
    {
        if (keepLineFeeds_ && c == '\n')
            out += '\n';
    }
    void bold(bool) override {}
    void italic(bool) override {}
    void plain() override {}
    void groupOpen() override {}
    void groupClose() override {}
    bool endsWithSpace() const override { return !out.empty() && out.back() == ' '; }

    std::string out;

private:
    bool keepLineFeeds_;
};

// Windows-1252 from 0x80 to 0x9F; the five unassigned bytes have no character.
uint32_t windows1252(unsigned char b)
{
    static const uint16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    return (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : b;
}

// Length of the valid UTF-8 sequence at s[0..n), or 0 when there is none
// (overlong forms, surrogates and values above U+10FFFF are not valid).
size_t utf8Sequence(const unsigned char *s, size_t n, uint32_t &code)
{
    const unsigned char b = s[0];
    size_t length;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        code = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        code = b & 0x07;
    } else {
        return 0;
    }
    if (n < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((s[k] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (s[k] & 0x3F);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
        return 0;
    return length;
}

class HtmlSink : public RichSink {
public:
    void text(char c) override
    {
        pending_ += c;
        lastSpace_ = c == ' ';
    }
    void byte(unsigned char b) override
    {
        flush();
        character(windows1252(b));
        lastSpace_ = b == ' ';
    }
    void unicode(uint32_t code) override
    {
        flush();
        character(code);
        lastSpace_ = code == ' ';
    }
    void lineBreak() override
    {
        flush();
        body_ += "<br/>";
        lastSpace_ = false;
    }
    void rawLineEnd(char) override {}
    void bold(bool on) override
    {
        flush();
        format_.bold = on;
    }
    void italic(bool on) override
    {
        flush();
        format_.italic = on;
    }
    void plain() override
    {
        flush();
        format_ = Format();
    }
    void groupOpen() override
    {
        flush();
        saved_.push_back(format_);
    }
    void groupClose() override
    {
        flush();
        if (!saved_.empty()) {
            format_ = saved_.back();
            saved_.pop_back();
        }
    }
    bool endsWithSpace() const override { return lastSpace_; }

    std::string document()
    {
        flush();
        run(Format());
        return "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><meta "
               "http-equiv=\"Content-Type\" "
               "content=\"text/html; charset=utf-8\"/></head><body><div "
               "style=\"white-space:pre-wrap\">" +
               body_ + "</div></body></html>";
    }

private:
    struct Format {
        bool bold = false;
        bool italic = false;
    };

    // Opens the tags of the current formatting, closing those of the run
    // before; tags are closed in the order they were opened, so they nest.
    void run(const Format &f)
    {
        if (f.bold == open_.bold && f.italic == open_.italic)
            return;
        if (open_.italic)
            body_ += "</i>";
        if (open_.bold)
            body_ += "</b>";
        if (f.bold)
            body_ += "<b>";
        if (f.italic)
            body_ += "<i>";
        open_ = f;
    }

    void character(uint32_t code)
    {
        if (code < 0x20 && code != '\t') {
            if (code == '\n')
                body_ += "<br/>";
            return;
        }
        if ((code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF ||
            code > 0x10FFFF)
            code = kReplacement;
        run(format_);
        switch (code) {
        case '&': body_ += "&amp;"; break;
        case '<': body_ += "&lt;"; break;
        case '>': body_ += "&gt;"; break;
        case '"': body_ += "&quot;"; break;
        default: appendUtf8(body_, code); break;
        }
    }

    // Text bytes are UTF-8 where they form it; a byte that does not is read
    // as Windows-1252, so the output is always valid UTF-8.
    void flush()
    {
        const auto *s = reinterpret_cast<const unsigned char *>(pending_.data());
        const size_t n = pending_.size();
        for (size_t k = 0; k < n;) {
            uint32_t code = s[k];
            size_t length = 1;
            if (code >= 0x80) {
                length = utf8Sequence(s + k, n - k, code);
                if (length == 0) {
                    code = windows1252(s[k]);
                    length = 1;
                }
            }
            character(code);
            k += length;
        }
        pending_.clear();
    }

    std::string body_;
    std::string pending_;
    Format format_;
    Format open_;
    std::vector<Format> saved_;
    bool lastSpace_ = false;
};

} // namespace

std::string plainFromRich(const std::string &rich, bool keepLineFeeds)
{
    PlainSink sink(keepLineFeeds);
    scanRich(rich, sink);
    return sink.out;
}

std::string htmlFromRich(const std::string &rich)
{
    HtmlSink sink;
    scanRich(rich, sink);
    return sink.document();
}

} // namespace sounder
