// The built-in English text table, for code inside the library.
#ifndef SOUNDER_VIEWS_TEXTS_H
#define SOUNDER_VIEWS_TEXTS_H

#include <cstddef>

namespace sounder {

struct BuiltinText {
    int id;
    const char *text;
};

// The whole table, in ascending id order.
const BuiltinText *builtinTexts(std::size_t *count);

// The text of id, or null when the table has none.
const char *builtinText(int id);

} // namespace sounder

#endif
