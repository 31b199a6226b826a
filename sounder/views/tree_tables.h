// Fixed tables of the capability tree: names of compressed texture formats
// and the texture formats with the extension each one needs.
#ifndef SOUNDER_VIEWS_TREE_TABLES_H
#define SOUNDER_VIEWS_TREE_TABLES_H

#include <cstddef>
#include <cstdint>

namespace sounder {

// Name of a compressed texture format code, or null when it has none.
const char *compressedFormatName(uint32_t code);

struct TextureFormatRow {
    const char *label;
    const char *extension; // "GL_VERSION_1_1": always shown
};

// The 88 rows in the order they are shown.
const TextureFormatRow *textureFormatTable(size_t *rows);

} // namespace sounder

#endif
