/* Information trees: a builder appends items to a flat list (open a group,
 * close it, or a leaf line), tsTreeEnd links the list into nodes that the
 * viewer and the client interface walk.
 *
 * The caller allocates one zero-filled tsTree (about 35 MB: tsTreeAllocate,
 * or any zeroed heap block), calls tsTreeBegin, one or more builders, then tsTreeEnd, and
 * reads the nodes while the block stays in place (nodes point into it). */
#ifndef SOUNDER_TREE_H
#define SOUNDER_TREE_H

#include <stdint.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Records of other parts of the library, declared in their own headers. */
typedef struct tsDatabase tsDatabase;
typedef struct tsRendererCaps tsRendererCaps;
typedef struct tsIcdList tsIcdList;
typedef struct tsSystemInfo tsSystemInfo;

/* Capacities of a tree context.  The item list includes the terminator, the
 * node list includes the root. */
#define TS_TREE_MAX_ITEMS 4096
#define TS_TREE_MAX_NODES 4096
#define TS_TREE_MAX_CHILDREN 1024
#define TS_TREE_TEXT_SIZE 256

/* Item kinds; the numbers are shared with the viewer. */
enum {
    TS_TREE_END = 0,      /* terminator written by tsTreeEnd */
    TS_TREE_PUSH = 1,     /* group: text of textId */
    TS_TREE_PUSHI = 2,    /* group: text of textId + " (%d)" with value0 */
    TS_TREE_PUSHS = 3,    /* group: text */
    TS_TREE_PUSHSI = 4,   /* group: text + " (%d)" with value0 */
    TS_TREE_POP = 5,      /* closes the innermost open group */
    TS_TREE_STR = 6,      /* leaf: text */
    TS_TREE_STR2 = 7,     /* leaf: text of textId as format for text */
    TS_TREE_STRLOCAL = 8, /* leaf: text of textId */
    TS_TREE_1I = 9,       /* leaf: text of textId as format for value0 */
    TS_TREE_2I = 10,      /* leaf: ... value0, value1 */
    TS_TREE_3I = 11,      /* leaf: ... value0, value1, value2 */
    TS_TREE_1F = 12,      /* leaf: ... value0 as float */
    TS_TREE_2F = 13       /* leaf: ... value0, value1 as floats */
};

/* A value slot holds an integer or a single-precision float, by kind. */
typedef union tsTreeValue {
    int32_t i;
    float f;
} tsTreeValue;

typedef struct tsTreeItem {
    int32_t kind;
    int32_t image0; /* icon index, normal state */
    int32_t image1; /* icon index, selected or open state */
    int32_t textId;
    char text[TS_TREE_TEXT_SIZE]; /* at most 255 characters */
    tsTreeValue value0;
    tsTreeValue value1;
    int32_t value2;
} tsTreeItem;

typedef struct tsTreeNode {
    int32_t childCount;
    struct tsTreeNode *children[TS_TREE_MAX_CHILDREN];
    tsTreeItem *item; /* null for the root */
} tsTreeNode;

typedef struct tsTree {
    int32_t itemCount;
    int32_t nodeCount;
    tsTreeItem items[TS_TREE_MAX_ITEMS];
    tsTreeNode nodes[TS_TREE_MAX_NODES];
} tsTree;

/* Text of the leaf that a builder appends, at the top level, when the tree
 * could not take everything (item, node or child limit). */
#define TS_TREE_CUT_TEXT "(list cut: the tree is full)"

/* A zero-filled tree that costs memory only as far as it is used (pages
 * are mapped on first touch, in large pages where the system offers them);
 * null when no memory is left.  Free it with tsTreeFree. */
SOUNDER_API tsTree *tsTreeAllocate(void);
/* Frees a tree of tsTreeAllocate; null is ignored. */
SOUNDER_API void tsTreeFree(tsTree *tree);

/* Item count := 0. */
SOUNDER_API void tsTreeBegin(tsTree *tree);

/* Appends the terminator, links the items and returns the root node (node 0).
 * Null only for a null tree. */
SOUNDER_API tsTreeNode *tsTreeEnd(tsTree *tree);

/* The builders append to the tree and return 1 when everything fitted, 0 when
 * the list was cut (the last top-level line then says so) or an argument is
 * missing.  Every group they open is closed, also when cut. */

/* Summary tree: system section, installed drivers, core feature sets.
 * icds and system may be null; database may be null (no core features). */
SOUNDER_API int tsCreateMainTree(tsTree *tree, tsDatabase *database, const tsIcdList *icds,
                                 const tsSystemInfo *system, const tsRendererCaps *caps);

/* Capability tree of a reading. */
SOUNDER_API int tsCreateCapsTree(tsTree *tree, const tsRendererCaps *caps);

/* Extension tree: the extensions that the database marks as supported by its
 * current reading, grouped by vendor word. */
SOUNDER_API int tsCreateExtTree(tsTree *tree, tsDatabase *database);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_TREE_H */
