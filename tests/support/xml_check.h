// Well-formedness of a document checked by an outside, strict XML parser
// (Python's expat-based one), so that our writer is not judged by our reader.
#ifndef TESTS_SUPPORT_XML_CHECK_H
#define TESTS_SUPPORT_XML_CHECK_H

#include <string>

#include "support/command.h"
#include "support/temp_dir.h"

// Empty when text is well-formed XML, else the parser's message.
inline std::string xmlProblem(const std::string &text)
{
    const TempDir dir;
    if (dir.path().empty())
        return "cannot make a temporary folder";
    const std::string path = dir.write("doc.xml", text);
    int status = 0;
    const std::string output = commandOutput(
        "/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' '" +
            path + "' 2>&1",
        &status);
    if (status == -1)
        return "cannot run python3";
    if (status != 0)
        return output.empty() ? "parser failed" : output;
    return "";
}

#endif
