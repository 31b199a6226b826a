/* tessera-cli: a command-line client of sounder's client interface.
 *
 * The pieces that need no display (argument parsing, turning the report
 * document into plain text, picking the compliance figures out of the main
 * tree document) live here so that they can be tested on their own. */
#ifndef TESSERA_CLI_CLI_H
#define TESSERA_CLI_CLI_H

#include <string>
#include <vector>

namespace tessera {
namespace cli {

enum class Action {
    Report,       /* default: plain-text report and compliance lines */
    XmlReport,    /* --xml-report DIR */
    Tree,         /* --tree main|caps */
    PixelFormats, /* --pixel-formats */
    Modes,        /* --modes */
    Monitors,     /* --monitors */
    Tests,        /* --tests */
    RunTests,     /* --run-tests OPTIONS.xml */
    Help,         /* --help */
    Version       /* --version */
};

struct Options {
    Action action = Action::Report;
    int renderer = 1;
    bool rendererGiven = false; /* --renderer named one: the other is not read */
    std::string folder;         /* --xml-report */
    bool capsTree = false;      /* --tree caps (else main) */
    std::string optionFile;     /* --run-tests */
    std::string database;       /* --database; empty: the shipped one */
};

/* Exit statuses. */
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1; /* no OpenGL context, unreadable or bad input file */
constexpr int kExitUsage = 2;   /* the command line is wrong */

/* Parses argv[1..argc-1].  Options take their value as the next argument
 * or after "=".  At most one action may be given.  Returns false with a
 * one-line message in error on a usage error. */
bool parseArguments(int argc, const char *const *argv, Options &out, std::string &error);

/* The usage text printed by --help. */
std::string usageText();

/* Decodes the five XML entities and numeric character references. */
std::string xmlUnescape(const std::string &text);

/* Plain text from rich text through the library's converter
 * (tsRichTextToPlain), whole however long. */
std::string richTextToPlain(const std::string &rich);

/* Substitutes args into format for string conversions ("%s", "% s",
 * "%-20s", "%.5s", in order) and "%%"; every other character and
 * conversion is copied as it stands, and a conversion beyond the last
 * argument gives nothing, so a format can never read past the arguments. */
std::string formatWithTexts(const std::string &format, const std::vector<std::string> &args);

/* Text lookup used to resolve text ids. */
using TextLookup = const char *(*)(int id);

/* Renders a report document ("<report>", <item .../> lines, "</report>") as
 * plain text with the text table: LOCAL items are the text of their id, STR2
 * items that text used as a format for their two texts, STR items their
 * value; each piece is then turned from rich text into plain text. */
std::string renderReportDocument(const std::string &document, TextLookup lookup);

/* The compliance figures ("1.1 (100 % - 7/7)", ...) of a main tree
 * document: the texts of the groups directly under the core-features group
 * (text id 192). */
std::vector<std::string> complianceFigures(const std::string &treeDocument);

/* Value of attribute name in one document line, unescaped; empty when the
 * line lacks it. */
std::string attributeValue(const std::string &line, const char *name);

/* The document with "\r\n" line ends turned into "\n". */
std::string unixLines(const std::string &document);

} // namespace cli
} // namespace tessera

#endif
