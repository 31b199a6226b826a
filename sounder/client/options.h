/* The option document of the rendering tests: a small XML text whose
 * elements carry their values as text content, for example
 *
 *   <options><option>2048</option><test>2</test></options>
 *
 * The parser needs no display and no OpenGL, so it can be tested and fuzzed
 * on its own; lumRunRenderingTests applies what it returns. */
#ifndef SOUNDER_CLIENT_OPTIONS_H
#define SOUNDER_CLIENT_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

namespace sounder {
namespace client {

constexpr int kTestUnitCount = 7;

/* Option bits used by the parser itself (the same values as the harness's
 * option bits). */
constexpr uint32_t kOptAnisotropy = 0x1;
constexpr uint32_t kOptLodBias = 0x10;
constexpr uint32_t kOptFullscreen = 0x800;

/* What an option document asks for. */
struct TestOptionDocument {
    uint32_t flags = 0;
    float anisotropy = 0.0f;
    int32_t samples = 0;
    float lodBias = 0.0f;
    int32_t hardware = 1;
    int32_t displayMode = 0;
    /* One slot per unit: 0 runs the unit, -1 skips it. */
    int32_t slots[kTestUnitCount] = {0, 0, 0, 0, 0, 0, 0};
    /* Problems that refuse the run (a test index outside 0-6); each text is
     * one line for the failure log, ending in "\n". */
    std::vector<std::string> errors;
};

/* Parses the document in document order, element names compared without
 * regard to case (only the name before any attribute counts):
 *   option       flags = the decimal value (replaces every flag set before)
 *   anisotropy   anisotropy = the value; non-zero also sets kOptAnisotropy
 *   multisample  samples = the decimal value
 *   texturelod   lodBias = the value; non-zero also sets kOptLodBias
 *   renderer     hardware = the decimal value
 *   displaymode  displayMode = the decimal value
 *   test         only the unit of this 0-based index runs
 *   pixelformat, fbenable, fbformat and anything else: no effect.
 * Elements without text content change nothing; an anisotropy or LOD value
 * that is not a finite number leaves its field and flag as they were.  Returns false (with a line in
 * errors) when the text is null or a test index lies outside 0-6. */
bool parseTestOptionDocument(const char *text, TestOptionDocument &out);

} // namespace client
} // namespace sounder

#endif
