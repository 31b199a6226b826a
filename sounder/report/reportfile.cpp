// Report files: one reading, the system description and the installed client
// drivers as an XML document with the root element "Tessera".
//
// The writer produces the document in memory and replaces the file
// atomically.  Values are written with ", &, <, > as entities: a driver text
// holding a double quote or a '<' would otherwise end an element early and
// lose the rest of the file when it is read back.  The reader is a set of
// callbacks of the keel XML parser; every table it stores into is bounded.
#include "sounder/reportfile.h"

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "keel/keel.h"
#include "common/atomic_file.h"
#include "report/report_fields.h"
#include "sounder/probe.h"
#include "sounder/system.h"

namespace sounder {
namespace report {

namespace {

// ---- writer ----------------------------------------------------------------

class Writer {
public:
    std::string out;

    void raw(const char *s) { out += s; }

    void text(const char *name, const char *value)
    {
        out += '<';
        out += name;
        out += '>';
        appendEscaped(out, value);
        out += "</";
        out += name;
        out += ">\n";
    }

    void integer(const char *name, long long value)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%lld", value);
        element(name, buf);
    }

    // "%f" of the value, always with a full stop: a report written under a
    // locale with a decimal comma must still read back on any machine.
    void real(const char *name, float value)
    {
        char buf[512];
        auto res = std::to_chars(buf, buf + sizeof buf - 1, static_cast<double>(value),
                                 std::chars_format::fixed, 6);
        *res.ptr = '\0';
        element(name, buf);
    }

    void field(const tsRendererCaps *caps, const Field &f)
    {
        if (f.type == FieldType::Float)
            real(f.name, fieldFloat(caps, f));
        else
            integer(f.name, fieldInt(caps, f));
    }

    void fields(const tsRendererCaps *caps, const Field *list, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            field(caps, list[i]);
    }

private:
    void element(const char *name, const char *value)
    {
        out += '<';
        out += name;
        out += '>';
        out += value;
        out += "</";
        out += name;
        out += ">\n";
    }
};

const char *trueFalse(uint8_t byte)
{
    return (byte & 1) ? "True" : "False";
}

template <std::size_t N>
void writeFields(Writer &w, const tsRendererCaps *caps, const Field (&list)[N])
{
    w.fields(caps, list, N);
}

} // namespace

std::string reportDocument(const tsSystemInfo *system, const tsRendererCaps *caps,
                           const tsIcdList *icd)
{
    Writer w;
    w.out.reserve(64 * 1024 + (caps->extensions ? std::strlen(caps->extensions) : 0));

    w.raw("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n");
    w.raw("<!-- Lumenscope OpenGL report - https://lumenscope.corvane.net/ -->\n");
    w.raw("<Tessera version=\"" TS_REPORT_FORMAT_VERSION "\">");
    w.text("System", system ? system->system : "");
    w.text("CPU", system ? system->processorMode : "");
    w.text("Vendor", caps->vendor);
    w.text("Version", caps->version);
    if (caps->glslVersion)
        w.text("GLSLVersion", caps->glslVersion);
    w.text("Renderer", caps->renderer);
    w.text("Extensions", caps->extensions);
    {
        char buf[64];
        std::snprintf(buf, sizeof buf, "<VRAM>%d</VRAM>", static_cast<int>(caps->videoMemory));
        w.raw(buf);
    }
    w.raw("<Capabilities>\n");

    w.raw("<FrameBuffer>\n");
    writeFields(w, caps, kFrameBufferFields);
    w.raw("</FrameBuffer>\n");

    w.raw("<Stack>\n");
    writeFields(w, caps, kStackFields);
    w.raw("</Stack>\n");

    w.raw("<Various>\n");
    writeFields(w, caps, kVariousFields);
    w.raw("</Various>\n");

    w.raw("<Extensions_Specs>\n");
    writeFields(w, caps, kExtensionSpecsFields);
    if (caps->NumCompressedTextureFormats != 0) {
        w.raw("<formats>\n");
        int n = caps->NumCompressedTextureFormats;
        if (n > TS_MAX_COMPRESSED_FORMATS)
            n = TS_MAX_COMPRESSED_FORMATS;
        for (int i = 0; i < n; ++i) {
            char buf[48];
            std::snprintf(buf, sizeof buf, "<value>%x</value>\n",
                          static_cast<unsigned>(caps->compressedFormats[i]));
            w.raw(buf);
        }
        w.raw("</formats>\n");
    }
    writeFields(w, caps, kExtensionSpecsTailFields);

    if (caps->MaxProgramMatrices != 0) {
        w.raw("<VertexProgram>");
        writeFields(w, caps, kVertexProgramFields);
        w.raw("</VertexProgram>");
    }
    if (caps->MaxColorMatrixStackDepth != 0) {
        w.raw("<ARBImaging>");
        writeFields(w, caps, kImagingFields);
        w.raw("</ARBImaging>");
    }
    if (caps->FBOMaxColorAttachments != 0) {
        w.raw("<FBO>");
        writeFields(w, caps, kFboFields);
        w.raw("</FBO>");
    }
    if (caps->MaxProgramMatrixStackDepth != 0) {
        w.raw("<FragmentProgram>");
        writeFields(w, caps, kFragmentProgramFields);
        w.raw("</FragmentProgram>");
    }
    if (caps->MaxVertexUniformComponents != 0) {
        w.raw("<VertexShader>");
        writeFields(w, caps, kVertexShaderFields);
        w.raw("</VertexShader>");
    }
    if (caps->MaxFragmentUniformComponents != 0) {
        w.raw("<FragmentShader>");
        writeFields(w, caps, kFragmentShaderFields);
        w.raw("</FragmentShader>");
    }

    w.raw("<ATI>");
    if (caps->ATIMaxTrianglesTesselationLevel != 0)
        w.integer("ATIMaxTrianglesTesselationLevel", caps->ATIMaxTrianglesTesselationLevel);
    if (caps->ATIMaxVertexStreams != 0)
        w.integer("ATIMaxVertexStreams", caps->ATIMaxVertexStreams);
    if (caps->MaxDrawBuffers != 0)
        w.integer("MaxDrawBuffers", caps->MaxDrawBuffers);
    if (caps->ATINumFragmentRegisters != 0)
        writeFields(w, caps, kAtiFragmentShaderFields);
    w.raw("</ATI>");

    w.raw("<nVidia>");
    if (caps->NVMaxVertexArrayRangeElements != 0)
        w.integer("NVMaxVertexArrayRangeElements", caps->NVMaxVertexArrayRangeElements);
    if (caps->NVMaxShininessExponent != 0)
        w.integer("NVMaxShininessExponent", caps->NVMaxShininessExponent);
    if (caps->NVMaxSpotExponent != 0)
        w.integer("NVMaxSpotExponent", caps->NVMaxSpotExponent);
    if (caps->NVMaxTextureRectangleSize != 0) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "<NVMaxTextureRectangleSize>%d</NVMaxTextureRectangleSize>",
                      caps->NVMaxTextureRectangleSize);
        w.raw(buf);
    }
    if (caps->NVMaxGeneralCombiners != 0)
        w.integer("NVMaxGeneralCombiners", caps->NVMaxGeneralCombiners);
    if (caps->MaxProgramExeInstructionsNV != 0) {
        w.raw("<NVFragmentProgram>");
        writeFields(w, caps, kNvFragmentProgramFields);
        w.raw("</NVFragmentProgram>");
    }
    if (caps->MaxGeomTexUnits != 0) {
        w.raw("<EXTGeometryShader>");
        writeFields(w, caps, kGeometryShaderFields);
        w.raw("</EXTGeometryShader>");
    }
    w.raw("</nVidia>");

    w.raw("</Extensions_Specs>");
    w.raw("</Capabilities>");

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
            w.raw("<ICD>\n");
            w.text("name", bounded(e.name).c_str());
            w.text("company", bounded(e.company).c_str());
            w.text("version", bounded(e.version).c_str());
            w.text("description", bounded(e.description).c_str());
            w.raw("</ICD>\n");
        }
    }

    w.raw("<PixelFormats>");
    {
        int n = caps->pixelFormatCount;
        if (n > TS_MAX_PIXEL_FORMATS)
            n = TS_MAX_PIXEL_FORMATS;
        for (int i = 0; i < n; ++i) {
            const tsPixelFormat &p = caps->pixelFormats[i];
            char buf[640];
            std::snprintf(
                buf, sizeof buf,
                "<p id=\"%u\" color_bits=\"%u\" depth_bits=\"%u\" stencil_bits=\"%u\" "
                "accum_bits=\"%u\" pixel_type=\"%u\" transparent=\"%s\" acceleration=\"%s\" "
                "support_gdi=\"%s\" aux_buffers=\"%u\" double_buffer=\"%s\" "
                "support_opengl=\"%s\" draw_to_window=\"%s\" draw_to_bitmap=\"%s\" "
                "swap_layers_buffers=\"%u\" stereo=\"%s\" auxbuffers=\"%u\" samples=\"%u\" "
                "number_overlays=\"%u\" number_underlays=\"%u\"  />",
                static_cast<unsigned>(i + 1), p.color_bits, p.depth_bits, p.stencil_bits,
                p.accum_bits, p.pixel_type, trueFalse(p.transparent), trueFalse(p.acceleration),
                trueFalse(p.support_gdi), p.aux_buffers, trueFalse(p.double_buffer),
                trueFalse(p.support_opengl), trueFalse(p.draw_to_window),
                trueFalse(p.draw_to_bitmap), p.swap_layers_buffers, trueFalse(p.stereo),
                p.auxbuffers, p.samples, p.number_overlays, p.number_underlays);
            w.raw(buf);
        }
    }
    w.raw("</PixelFormats>\n");

    w.raw("<Resolutions>\n");
    {
        int n = caps->displayModeCount;
        if (n > TS_MAX_DISPLAY_MODES)
            n = TS_MAX_DISPLAY_MODES;
        for (int i = 0; i < n; ++i) {
            const tsDisplayMode &m = caps->displayModes[i];
            char buf[160];
            std::snprintf(
                buf, sizeof buf,
                "<Mode index=\"%u\" width=\"%u\" height=\"%u\" depth=\"%u\" rate=\"%u\"/>\n",
                static_cast<unsigned>(i), m.width, m.height, m.bitsPerPixel, m.refreshRate);
            w.raw(buf);
        }
    }
    w.raw("</Resolutions>\n");
    w.raw("</Tessera>\n");
    return std::move(w.out);
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
