#include "client/document.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "sounder/client.h"

namespace sounder {
namespace client {

DocumentWriter::DocumentWriter(char *buffer, size_t capacity)
    : buffer_(buffer), capacity_(capacity)
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

DocumentWriter &outputDocument()
{
    static char buffer[LUM_OUTPUT_SIZE];
    static DocumentWriter writer(buffer, sizeof buffer);
    return writer;
}

} // namespace client
} // namespace sounder
