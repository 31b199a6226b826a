// The groups of the report file: their element names and where the reader
// accepts the members the capability table places in them.  The members
// themselves, their element names and their order come from the table.
#ifndef SOUNDER_REPORT_REPORT_FIELDS_H
#define SOUNDER_REPORT_REPORT_FIELDS_H

#include <string>

#include "common/capability_table.h"
#include "common/xml_writer.h"
#include "sounder/probe.h"

struct tsSystemInfo;
struct tsIcdList;

namespace sounder {
namespace report {

using caps::ReportGroup;

struct GroupLayout {
    ReportGroup group;
    const char *tag;    // element name of the group; null: written without one
    bool lineEnds;      // its start and end tags are followed by a line feed
    bool opensSection;  // the reader switches to the group's section at its tag
    ReportGroup readIn; // the section whose elements the reader takes from it;
                        // Unset: outside any section; Count: never read
};

inline constexpr GroupLayout kGroupLayout[] = {
    {ReportGroup::Unset, nullptr, false, false, ReportGroup::Count},
    {ReportGroup::FrameBuffer, "FrameBuffer", true, false, ReportGroup::Unset},
    {ReportGroup::Stack, "Stack", true, false, ReportGroup::Unset},
    {ReportGroup::Various, "Various", true, false, ReportGroup::Unset},
    {ReportGroup::ExtensionSpecs, nullptr, false, false, ReportGroup::Unset},
    {ReportGroup::ExtensionSpecsTail, nullptr, false, false, ReportGroup::Unset},
    {ReportGroup::VertexProgram, "VertexProgram", false, true, ReportGroup::VertexProgram},
    {ReportGroup::Imaging, "ARBImaging", false, true, ReportGroup::Imaging},
    {ReportGroup::Fbo, "FBO", false, true, ReportGroup::Fbo},
    {ReportGroup::FragmentProgram, "FragmentProgram", false, true, ReportGroup::FragmentProgram},
    {ReportGroup::VertexShader, "VertexShader", false, true, ReportGroup::VertexShader},
    {ReportGroup::FragmentShader, "FragmentShader", false, true, ReportGroup::FragmentShader},
    {ReportGroup::Ati, "ATI", false, true, ReportGroup::Ati},
    {ReportGroup::AtiFragmentShader, nullptr, false, false, ReportGroup::Ati},
    {ReportGroup::Nvidia, "nVidia", false, true, ReportGroup::Nvidia},
    {ReportGroup::NvFragmentProgram, "NVFragmentProgram", false, true,
     ReportGroup::NvFragmentProgram},
    // Not a section of the reader: its elements fall to the section in force.
    {ReportGroup::GeometryShader, "EXTGeometryShader", false, false, ReportGroup::Count},
};

inline const GroupLayout &layoutOf(ReportGroup group)
{
    return kGroupLayout[static_cast<int>(group)];
}

// The attributes of a pixel format element, in the order they are written:
// numbers, or flags written "True" when bit 0 of their byte is set.
struct PixelFormatField {
    const char *name;
    uint8_t tsPixelFormat::*member;
    bool flag;
};

inline constexpr PixelFormatField kPixelFormatFields[] = {
    {"color_bits", &tsPixelFormat::color_bits, false},
    {"depth_bits", &tsPixelFormat::depth_bits, false},
    {"stencil_bits", &tsPixelFormat::stencil_bits, false},
    {"accum_bits", &tsPixelFormat::accum_bits, false},
    {"pixel_type", &tsPixelFormat::pixel_type, false},
    {"transparent", &tsPixelFormat::transparent, true},
    {"acceleration", &tsPixelFormat::acceleration, true},
    {"support_gdi", &tsPixelFormat::support_gdi, true},
    {"aux_buffers", &tsPixelFormat::aux_buffers, false},
    {"double_buffer", &tsPixelFormat::double_buffer, true},
    {"support_opengl", &tsPixelFormat::support_opengl, true},
    {"draw_to_window", &tsPixelFormat::draw_to_window, true},
    {"draw_to_bitmap", &tsPixelFormat::draw_to_bitmap, true},
    {"swap_layers_buffers", &tsPixelFormat::swap_layers_buffers, false},
    {"stereo", &tsPixelFormat::stereo, true},
    {"auxbuffers", &tsPixelFormat::auxbuffers, false},
    {"samples", &tsPixelFormat::samples, false},
    {"number_overlays", &tsPixelFormat::number_overlays, false},
    {"number_underlays", &tsPixelFormat::number_underlays, false},
};

// One pixel format as a "p" element (no line end): bytes as unsigned
// numbers, or as signed 8-bit ones (the client document's form).
void writePixelFormat(XmlWriter &w, int id, const tsPixelFormat &p, bool signedBytes);

// The whole report document as tsSaveReportXML writes it.
std::string reportDocument(const tsSystemInfo *system, const tsRendererCaps *caps,
                           const tsIcdList *icd);

} // namespace report
} // namespace sounder

#endif
