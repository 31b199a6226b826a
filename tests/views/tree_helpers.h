// Shared helpers of the tree tests: heap tree contexts and hand-filled
// records (the outside XML parser is xmlProblem from support/xml_check.h).
#ifndef TESTS_VIEWS_TREE_HELPERS_H
#define TESTS_VIEWS_TREE_HELPERS_H

#include <memory>
#include <string>
#include <vector>

#include "sounder/database.h"
#include "sounder/probe.h"
#include "sounder/tree.h"
#include "support/xml_check.h"

namespace treetest {

// A zero-filled tree context of tsTreeAllocate (about 35 MB).
using TreePtr = std::unique_ptr<tsTree, void (*)(tsTree *)>;
TreePtr newTree();

// A zero-filled reading with the given extension list, marked as filled.
// The texts are owned by the returned holder.
struct Reading {
    tsRendererCaps caps{};
    std::string vendor, renderer, version, glsl, extensions;
    void set(); // points caps' text members at the strings
};
std::unique_ptr<Reading> newReading(const std::string &extensions);

// Hand-built database records, owned by the holder (never passed to
// tsDatabaseRelease).
struct HandDatabase {
    tsDatabase db{};
    std::vector<std::unique_ptr<tsExtension>> extensions;
    std::vector<std::unique_ptr<tsEntryPoint>> entryPoints;
    std::vector<std::unique_ptr<tsCoreVersion>> cores;
    // Appends an extension (list order = call order) with support mask.
    tsExtension *add(const std::string &name, uint32_t support);
    tsEntryPoint *addEntryPoint(tsExtension *ext, const std::string &name, uint32_t resolved);
};

// Lines of the tree's XML form (no line ends).
std::vector<std::string> xmlLines(const tsTreeNode *root);

// Item kinds of the root's children, in order.
std::vector<const tsTreeNode *> children(const tsTreeNode *node);

// First child of node (depth-first) whose item has kind and textId (for
// kinds with a text id) or text (for text kinds).
const tsTreeNode *findById(const tsTreeNode *node, int kind, int textId);
const tsTreeNode *findByText(const tsTreeNode *node, int kind, const std::string &text);

// Checks that items [0, itemCount) are balanced (every group closed).
bool balanced(const tsTree &tree);

} // namespace treetest

#endif
