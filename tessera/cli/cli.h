/* tessera-cli: a command-line client of sounder's client interface.
 *
 * The pieces that need no display (argument parsing, turning the report
 * document into plain text, picking the compliance figures out of the main
 * tree document) live here so that they can be tested on their own. */
#ifndef TESSERA_CLI_CLI_H
#define TESSERA_CLI_CLI_H

#include <string>
#include <vector>

#include "sounder/probe.h"
#include "sounder/report.h"
#include "sounder/tree.h"

namespace tessera {
namespace cli {

enum class Action {
    Report,       /* default: plain-text report and compliance lines */
    XmlReport,    /* --xml-report DIR */
    Tree,         /* --tree main|caps */
    Caps,         /* --caps: the limits section alone */
    PixelFormats, /* --pixel-formats */
    Modes,        /* --modes */
    Monitors,     /* --monitors */
    Tests,        /* --tests */
    RunTests,     /* --run-tests OPTIONS.xml */
    Diff,         /* --diff A B */
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
    std::string platform;       /* --platform glx|egl; empty: the library chooses */
    std::string reportFile;     /* --report: describe this saved report instead of a reading */
    bool json = false;          /* --json: the report or the difference as one JSON document */
    std::string diffA, diffB;   /* --diff: a report file or "reading:0" / "reading:1" each */
    bool verify = false;        /* --verify: every line of the entry-point verification */
    bool noSave = false;        /* --no-save: the database is not written back */
};

/* Exit statuses. */
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1; /* no OpenGL context, unreadable or bad input file */
constexpr int kExitUsage = 2;   /* the command line is wrong */
constexpr int kExitDiffer = 3;  /* --diff: the two sides differ */

/* Parses argv[1..argc-1].  Options take their value as the next argument
 * or after "=".  At most one action may be given.  Returns false with a
 * one-line message in error on a usage error. */
bool parseArguments(int argc, const char *const *argv, Options &out, std::string &error);

/* The usage text printed by --help. */
std::string usageText();

/* One element event of a client document as keel's parser reports it:
 * an element with its attribute text, or an end tag.  closed says that the
 * element came with its content and needs no end tag (a group written
 * without children); an element with closed false is either self-closing
 * or followed by children and its end tag, which the document's own rules
 * tell apart. */
struct DocumentEvent {
    bool end = false;
    std::string name;
    std::string attributes;
    bool closed = false;
};

/* The element events of a document, in order. */
std::vector<DocumentEvent> documentEvents(const std::string &document);

/* The decoded value of attribute name of an event; empty when it lacks it. */
std::string attribute(const DocumentEvent &event, const char *name);

/* Renders count report pieces of the caller's list as plain text with the
 * library's piece renderer, texts from the built-in table.  Unless
 * wholeVerification, the lines of the entry-point verification (the pieces
 * with arguments after its heading, text 310) give way to one count per
 * kind of line, dropped from the list in place; its explanation stays. */
std::string renderReportPieces(tsReportPiece *pieces, size_t count, bool wholeVerification);

/* The lines of a linked tree below node, as the viewer labels them (texts
 * from the built-in table): one line per item, indented by two blanks per
 * level. */
std::string treeText(const tsTreeNode *node, int depth = 0);

/* The limits section of a reading: "Limits:" and its capability tree as
 * treeText gives it; empty for a record that holds no reading. */
std::string limitsSection(const tsRendererCaps *caps);

/* The unit a rendering-test option document picks: -1 when it has no test
 * element, else the value of the last one, which must be an integer 0 to
 * count - 1 (blanks around it allowed).  Returns false with the offending
 * value in bad otherwise. */
bool pickedUnit(const std::vector<std::string> &testValues, int count, int &unit, std::string &bad);

/* The document with "\r\n" line ends turned into "\n". */
std::string unixLines(const std::string &document);

} // namespace cli
} // namespace tessera

#endif
