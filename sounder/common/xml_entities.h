// The five XML entities as the database and report files write and read
// them: text values are escaped on the way out and decoded in place on the
// way in.
#ifndef SOUNDER_COMMON_XML_ENTITIES_H
#define SOUNDER_COMMON_XML_ENTITIES_H

#include <string>

namespace sounder {

// Appends text to out with ", &, < and > written as entities (a null text
// appends nothing).
void appendEscaped(std::string &out, const char *text);

// Decodes &quot; &amp; &lt; &gt; &apos; in place; any other '&' stays as it
// is.  The text only ever shrinks, so decoding cannot overrun it.
void decodeEntities(char *text);

} // namespace sounder

#endif
