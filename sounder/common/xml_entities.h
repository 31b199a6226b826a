// The five XML entities as the database and report files read them: values
// are decoded in place on the way in (the way out is common/xml_writer.h).
#ifndef SOUNDER_COMMON_XML_ENTITIES_H
#define SOUNDER_COMMON_XML_ENTITIES_H

namespace sounder {

// Decodes &quot; &amp; &lt; &gt; &apos; in place; any other '&' stays as it
// is.  The text only ever shrinks, so decoding cannot overrun it.
void decodeEntities(char *text);

} // namespace sounder

#endif
