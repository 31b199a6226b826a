// Report files: one reading, the system description and the installed client
// drivers as an XML document with the root element "Tessera".
//
// The writer produces the document in memory and replaces the file
// atomically.  Values are written with ", &, <, > as entities: a driver text
// holding a double quote or a '<' would otherwise end an element early and
// lose the rest of the file when it is read back.  The capability members,
// their element names and their order come from the capability table.  The
// reader is a set of callbacks of the keel XML parser; every table it stores
// into is bounded.
#include "sounder/reportfile.h"

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "keel/keel.h"
#include "common/atomic_file.h"
#include "probe/extended_limits.h"
#include "report/report_fields.h"
#include "sounder/probe.h"
#include "sounder/system.h"

namespace sounder {
namespace report {

namespace {

const char *trueFalse(uint8_t byte)
{
    return (byte & 1) ? "True" : "False";
}

// "%f" of the value, always with a full stop: a report written under a
// locale with a decimal comma must still read back on any machine.
std::string fixed6(float value)
{
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf - 1, static_cast<double>(value),
                             std::chars_format::fixed, 6);
    *res.ptr = '\0';
    return buf;
}

void writeMember(XmlWriter &w, const caps::Capability &row, const caps::ReportPlace &place,
                 const tsRendererCaps *c)
{
    if ((place.flags & caps::kReportNonZero) && !row.member.nonZero(*c))
        return;
    if (row.member.isFloat())
        w.elementRaw(row.name, fixed6(row.member.asFloat(*c)).c_str());
    else
        w.elementRaw(row.name, std::to_string(row.member.asInt(*c)).c_str());
    if (!(place.flags & caps::kReportNoLineEnd))
        w.lineEnd();
}

// One group of the table: skipped when its key member is 0, wrapped in its
// element when it has one (unless the caller wraps it with its subgroups).
void writeGroup(XmlWriter &w, ReportGroup group, const tsRendererCaps *c, bool wrap = true)
{
    const caps::ReportEntries entries = caps::reportGroup(group);
    for (const caps::ReportEntry &e : entries)
        if ((e.place->flags & caps::kReportGroupKey) && !e.row->member.nonZero(*c))
            return;
    const GroupLayout &layout = layoutOf(group);
    wrap = wrap && layout.tag;
    if (wrap) {
        w.open(layout.tag).close();
        if (layout.lineEnds)
            w.lineEnd();
    }
    for (const caps::ReportEntry &e : entries)
        writeMember(w, *e.row, *e.place, c);
    if (wrap) {
        w.end(layout.tag);
        if (layout.lineEnds)
            w.lineEnd();
    }
}

} // namespace

void writePixelFormat(XmlWriter &w, int id, const tsPixelFormat &p, bool signedBytes)
{
    auto number = [signedBytes](uint8_t v) -> long long {
        return signedBytes ? static_cast<int8_t>(v) : v;
    };
    w.open("p").attr("id", id);
    for (const PixelFormatField &f : kPixelFormatFields) {
        if (f.flag)
            w.attrRaw(f.name, trueFalse(p.*f.member));
        else
            w.attr(f.name, number(p.*f.member));
    }
    w.raw("  />");
}

// The extended limits, when the reading has them: the core-profile
// context's version, then one element per limit named by its token, its
// values separated by spaces.  Readers that predate the group take none of
// its element names for theirs.
void writeCoreProfile(XmlWriter &w, const tsRendererCaps *caps)
{
    const ExtendedLimits *limits = extendedLimitsOf(caps);
    if (!limits)
        return;
    w.open("CoreProfile").close().lineEnd();
    w.element("CoreVersion", limits->version.c_str()).lineEnd();
    for (const ExtendedValue &v : limits->values) {
        std::string text = v.text();
        for (std::size_t at; (at = text.find(", ")) != std::string::npos;)
            text.replace(at, 2, " ");
        w.elementRaw(v.row->name, text.c_str()).lineEnd();
    }
    w.end("CoreProfile").lineEnd();
}

std::string reportDocument(const tsSystemInfo *system, const tsRendererCaps *caps,
                           const tsIcdList *icd)
{
    XmlWriter w(Controls::Keep);
    w.str().reserve(64 * 1024 + (caps->extensions ? std::strlen(caps->extensions) : 0));

    w.raw("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n");
    w.raw("<!-- Lumenscope OpenGL report - https://lumenscope.corvane.net/ -->\n");
    w.open("Tessera").attr("version", TS_REPORT_FORMAT_VERSION).close();
    w.element("System", system ? system->system : "").lineEnd();
    w.element("CPU", system ? system->processorMode : "").lineEnd();
    w.element("Vendor", caps->vendor).lineEnd();
    w.element("Version", caps->version).lineEnd();
    if (caps->glslVersion)
        w.element("GLSLVersion", caps->glslVersion).lineEnd();
    w.element("Renderer", caps->renderer).lineEnd();
    w.element("Extensions", caps->extensions).lineEnd();
    w.elementRaw("VRAM", std::to_string(static_cast<int>(caps->videoMemory)).c_str());
    w.open("Capabilities").close().lineEnd();

    writeGroup(w, ReportGroup::FrameBuffer, caps);
    writeGroup(w, ReportGroup::Stack, caps);
    writeGroup(w, ReportGroup::Various, caps);

    w.open("Extensions_Specs").close().lineEnd();
    writeGroup(w, ReportGroup::ExtensionSpecs, caps);
    if (caps->NumCompressedTextureFormats != 0) {
        w.open("formats").close().lineEnd();
        int n = caps->NumCompressedTextureFormats;
        if (n > TS_MAX_COMPRESSED_FORMATS)
            n = TS_MAX_COMPRESSED_FORMATS;
        for (int i = 0; i < n; ++i) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(caps->compressedFormats[i]));
            w.elementRaw("value", buf).lineEnd();
        }
        w.end("formats").lineEnd();
    }
    writeGroup(w, ReportGroup::ExtensionSpecsTail, caps);
    for (ReportGroup g :
         {ReportGroup::VertexProgram, ReportGroup::Imaging, ReportGroup::Fbo,
          ReportGroup::FragmentProgram, ReportGroup::VertexShader, ReportGroup::FragmentShader})
        writeGroup(w, g, caps);

    // The ATI and nVidia groups hold their subgroups.
    w.open(layoutOf(ReportGroup::Ati).tag).close();
    writeGroup(w, ReportGroup::Ati, caps, false);
    writeGroup(w, ReportGroup::AtiFragmentShader, caps);
    w.end(layoutOf(ReportGroup::Ati).tag);

    w.open(layoutOf(ReportGroup::Nvidia).tag).close();
    writeGroup(w, ReportGroup::Nvidia, caps, false);
    writeGroup(w, ReportGroup::NvFragmentProgram, caps);
    writeGroup(w, ReportGroup::GeometryShader, caps);
    w.end(layoutOf(ReportGroup::Nvidia).tag);

    w.end("Extensions_Specs");
    w.end("Capabilities");
    writeCoreProfile(w, caps);

    if (icd) {
        int n = icd->count;
        if (n > TS_ICD_MAX_ENTRIES)
            n = TS_ICD_MAX_ENTRIES;
        for (int i = 0; i < n; ++i) {
            const tsIcdEntry &e = icd->entries[i];
            // The fields are fixed buffers: never read past their end even
            // when a caller left one unterminated.
            auto bounded = [](const char(&field)[TS_ICD_TEXT_SIZE]) {
                return std::string(field, strnlen(field, TS_ICD_TEXT_SIZE));
            };
            w.open("ICD").close().lineEnd();
            w.element("name", bounded(e.name).c_str()).lineEnd();
            w.element("company", bounded(e.company).c_str()).lineEnd();
            w.element("version", bounded(e.version).c_str()).lineEnd();
            w.element("description", bounded(e.description).c_str()).lineEnd();
            w.end("ICD").lineEnd();
        }
    }

    w.open("PixelFormats").close();
    {
        int n = caps->pixelFormatCount;
        if (n > TS_MAX_PIXEL_FORMATS)
            n = TS_MAX_PIXEL_FORMATS;
        for (int i = 0; i < n; ++i)
            writePixelFormat(w, i + 1, caps->pixelFormats[i], false);
    }
    w.end("PixelFormats").lineEnd();

    w.open("Resolutions").close().lineEnd();
    {
        int n = caps->displayModeCount;
        if (n > TS_MAX_DISPLAY_MODES)
            n = TS_MAX_DISPLAY_MODES;
        for (int i = 0; i < n; ++i) {
            const tsDisplayMode &m = caps->displayModes[i];
            w.open("Mode")
                .attr("index", i)
                .attr("width", m.width)
                .attr("height", m.height)
                .attr("depth", m.bitsPerPixel)
                .attr("rate", m.refreshRate)
                .closeEmpty()
                .lineEnd();
        }
    }
    w.end("Resolutions").lineEnd();
    w.end("Tessera").lineEnd();
    return w.take();
}

} // namespace report
} // namespace sounder

extern "C" {

SOUNDER_API int tsSaveReportXML(const char *path, const tsSystemInfo *system,
                                const tsRendererCaps *caps, int flag, const tsIcdList *icd)
{
    (void)flag;
    if (!path || !*path || !caps)
        return 1;
    std::string doc = sounder::report::reportDocument(system, caps, icd);
    return sounder::writeFileAtomically(path, doc) ? 0 : 1;
}

SOUNDER_API void tsFormatReportFilename(char *out, const tsRendererCaps *caps,
                                        const char *extension)
{
    if (!out)
        return;
    char work[TS_REPORT_FILENAME_SIZE];
    sysSnPrintf(work, sizeof work, "tessera-%s", (caps && caps->renderer) ? caps->renderer : "");
    // sysStrFileFormatISO writes at most 65 characters and the terminator.
    char safe[66];
    sysStrFileFormatISO(safe, work);
    sysStrlCpy(out, safe, TS_REPORT_FILENAME_SIZE);
    if (extension) {
        sysStrlCat(out, ".", TS_REPORT_FILENAME_SIZE);
        sysStrlCat(out, extension, TS_REPORT_FILENAME_SIZE);
    }
}

} // extern "C"
