/* The built-in English text table: the texts of the ids that trees, reports
 * and the viewer use (101 to 612), for whenever no language file supplies
 * them. */
#ifndef SOUNDER_TEXTS_H
#define SOUNDER_TEXTS_H

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The English text of id, or null when the table has none.  The returned
 * text is constant and lives as long as the library. */
SOUNDER_API const char *tsGetBuiltinText(int id);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_TEXTS_H */
