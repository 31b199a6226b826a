// The capability rows and compliance listings handed to front ends that
// describe or compare readings.
#include "sounder/inspect.h"

#include <cstring>
#include <string>

#include "common/capability_table.h"
#include "database/compliance.h"
#include "keel/keel.h"
#include "sounder/probe.h"

namespace {

const sounder::caps::Capability *row(int32_t index)
{
    std::size_t count = 0;
    const sounder::caps::Capability *rows = sounder::caps::table(&count);
    if (index < 0 || static_cast<std::size_t>(index) >= count)
        return nullptr;
    return &rows[index];
}

// The token of the later way of reading, as the reader keeps the later one.
const char *tokenName(const sounder::caps::Capability &c)
{
    for (int i = 1; i >= 0; --i)
        if (c.read[i].present() && c.read[i].tokenName)
            return c.read[i].tokenName;
    return nullptr;
}

} // namespace

extern "C" {

SOUNDER_API int32_t tsCapabilityRowCount(void)
{
    std::size_t count = 0;
    sounder::caps::table(&count);
    return static_cast<int32_t>(count);
}

SOUNDER_API int tsCapabilityRowAt(int32_t index, tsCapabilityRow *out)
{
    if (!out)
        return 0;
    std::memset(out, 0, sizeof *out);
    const sounder::caps::Capability *c = row(index);
    if (!c)
        return 0;
    using sounder::caps::Better;
    using sounder::caps::ValueType;
    out->name = c->name;
    out->tokenName = tokenName(*c);
    out->since = c->since;
    out->requiredVersion = c->required.version;
    out->required = c->required.known() ? c->required.value : 0;
    out->type = c->member.type() == ValueType::Float  ? TS_CAPABILITY_FLOAT
                : c->member.type() == ValueType::Byte ? TS_CAPABILITY_BYTE
                                                      : TS_CAPABILITY_INT;
    out->better = c->better == Better::Higher  ? TS_BETTER_HIGHER
                  : c->better == Better::Lower ? TS_BETTER_LOWER
                                               : TS_BETTER_NEITHER;
    return 1;
}

SOUNDER_API int tsCapabilityRowValue(const tsRendererCaps *caps, int32_t index, double *value)
{
    if (value)
        *value = 0;
    const sounder::caps::Capability *c = row(index);
    if (!caps || !value || !c || !c->member.valid())
        return 0;
    *value = c->member.isFloat() ? static_cast<double>(c->member.asFloat(*caps))
                                 : static_cast<double>(c->member.asInt(*caps));
    return 1;
}

SOUNDER_API int32_t tsComplianceVersionCount(void)
{
    return sounder::db::kCoreVersionCount;
}

SOUNDER_API const char *tsComplianceVersionName(int32_t index)
{
    if (index < 0 || index >= sounder::db::kCoreVersionCount)
        return nullptr;
    return sounder::db::kCoreVersions[index];
}

SOUNDER_API size_t tsComplianceMissing(const tsDatabase *db, const tsRendererCaps *caps,
                                       const char *version, char *out, size_t size)
{
    std::string text;
    if (db && caps && version) {
        const sounder::db::VersionListing listing = sounder::db::listVersion(db, caps, version);
        for (const sounder::db::ListItem &item : listing.unsupported) {
            if (item.kind == sounder::db::ListItem::ShadingLanguage)
                text += "GLSL " + item.text;
            else
                text += item.text;
            text += '\n';
        }
    }
    if (out && size > 0)
        sysStrlCpy(out, text.c_str(), size);
    return text.size();
}

} // extern "C"
