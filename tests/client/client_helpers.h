// Helpers of the client tests: well-formedness through a real XML parser,
// temporary folders, line splitting.
#ifndef TESTS_CLIENT_HELPERS_H
#define TESTS_CLIENT_HELPERS_H

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace clienttest {

inline std::string makeTempDir()
{
    char tmpl[] = "/tmp/tessera-client-XXXXXX";
    const char *d = mkdtemp(tmpl);
    return d ? d : "";
}

inline void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Empty when the text is well-formed XML, else the parser's message.
// Python's expat-based parser is strict about well-formedness.
inline std::string xmlProblem(const std::string &text)
{
    const std::string dir = makeTempDir();
    const std::string path = dir + "/doc.xml";
    writeFile(path, text);
    const std::string cmd = "/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' " +
                            path + " 2>&1";
    std::string output;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return "cannot run python3";
    char buf[512];
    while (fgets(buf, sizeof buf, p))
        output += buf;
    const int status = pclose(p);
    std::remove(path.c_str());
    rmdir(dir.c_str());
    if (status != 0)
        return output.empty() ? "parser failed" : output;
    return "";
}

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
