// Helpers of the client tests: line splitting (temporary folders and the
// outside XML parser come from tests/support/).
#ifndef TESTS_CLIENT_HELPERS_H
#define TESTS_CLIENT_HELPERS_H

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/xml_check.h"

namespace clienttest {

// Lines of a document whose lines end in "\r\n"; false when a line end is
// a lone "\n" or the text does not end with "\r\n".
inline bool splitCrLf(const std::string &text, std::vector<std::string> &lines)
{
    lines.clear();
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            return false;
        const std::string line = text.substr(start, end - start);
        if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos)
            return false;
        lines.push_back(line);
        start = end + 2;
    }
    return true;
}

} // namespace clienttest

#endif
