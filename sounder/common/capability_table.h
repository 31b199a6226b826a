// The capability table: one row per capability member of tsRendererCaps,
// holding everything the library knows about it, followed by the rows of the
// extended limits: the implementation limits of OpenGL 3.0 to 4.6 that the
// record does not hold.  An extended row has no member; its values live in
// the reading's extended-limit list (probe/extended_limits.h), keyed by the
// row's token name, which is also its element name in the report file.
//
//  - how a reading gets it from the current context (token, query, values
//    per query, the extensions or GL version that gate it);
//  - what gives the number meaning (shader stage, where it comes from, what
//    OpenGL requires of it, whether higher or lower is better);
//  - where the report file carries it (group, element name, the name of
//    files older than format 2.16), where the capability tree shows it
//    (group, label text id, line kind) and the text report's advice on it.
//
// The capability reader, the report writer and reader, the tree builder and
// the text report walk these rows; none of them lists members itself.  A
// member is reached through a pointer to member of its own type, never
// through an offset.
#ifndef SOUNDER_COMMON_CAPABILITY_TABLE_H
#define SOUNDER_COMMON_CAPABILITY_TABLE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "sounder/probe.h"

namespace sounder {
namespace caps {

enum class ValueType : uint8_t { Int, Float, Byte };

// One member of the record, typed: one of the three pointers is set (none in
// an empty Member, which `valid` tells).
class Member {
public:
    constexpr Member() = default;
    constexpr Member(int32_t tsRendererCaps::*m) : type_(ValueType::Int), int_(m) {}
    constexpr Member(float tsRendererCaps::*m) : type_(ValueType::Float), float_(m) {}
    constexpr Member(uint8_t tsRendererCaps::*m) : type_(ValueType::Byte), byte_(m) {}

    constexpr bool valid() const { return int_ || float_ || byte_; }
    constexpr ValueType type() const { return type_; }
    bool isFloat() const { return type_ == ValueType::Float; }

    int32_t asInt(const tsRendererCaps &c) const;
    float asFloat(const tsRendererCaps &c) const;
    bool nonZero(const tsRendererCaps &c) const;
    void setInt(tsRendererCaps &c, int32_t v) const;
    void setFloat(tsRendererCaps &c, float v) const;

private:
    ValueType type_ = ValueType::Int;
    int32_t tsRendererCaps::*int_ = nullptr;
    float tsRendererCaps::*float_ = nullptr;
    uint8_t tsRendererCaps::*byte_ = nullptr;
};

// ---- reading ------------------------------------------------------------------

enum class Query : uint8_t {
    Unset,             // not read from a context
    Integer,           // glGetIntegerv(token)
    Float,             // glGetFloatv(token)
    Boolean,           // glGetBooleanv(token), stored as 0 or 1
    Program,           // glGetProgramivARB(target, token), when the entry point is loaded
    Convolution,       // glGetConvolutionParameteriv(target, token), when loaded
    QueryObject,       // glGetQueryivARB(target, token), when loaded
    MaxSamples,        // the largest sample count among the record's pixel formats
    CompressedFormats, // glGetIntegerv(token) gives the count; the codes follow
                       // into compressedFormats (GL_COMPRESSED_TEXTURE_FORMATS)
    // Extended rows only (read from the core-profile context):
    Integer64,      // glGetInteger64v(token), `count` values
    IndexedInteger, // glGetIntegeri_v(token, i) for i < `count`
};

// One way of reading a member.  A member read two ways keeps the later one.
struct Source {
    Query query = Query::Unset;
    uint32_t token = 0;
    const char *tokenName = nullptr;
    uint32_t target = 0;             // program, convolution or query target
    uint8_t count = 1;               // values the query returns
    uint8_t index = 0;               // which of them is this member
    const char *gate = nullptr;      // extensions that must all be listed (space-separated);
                                     // null: a core query, read by tsInfoReadCaps (extended
                                     // rows: read only from `orVersion` on)
    const char *orVersion = nullptr; // read also when GL_VERSION is at least this
    bool oneWhenAbsent = false;      // the member is 1 when the gate does not hold

    constexpr bool present() const { return query != Query::Unset; }
};

// Whether the source has a gate and listed(name) holds for every
// space-separated extension name of it.
template <typename Listed>
bool gateListed(const Source &source, Listed listed)
{
    if (!source.gate)
        return false;
    std::string name;
    for (const char *p = source.gate;; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!name.empty() && !listed(name))
                return false;
            name.clear();
            if (*p == '\0')
                return true;
        } else {
            name.push_back(*p);
        }
    }
}

// ---- meaning ------------------------------------------------------------------

enum class Stage : uint8_t { Unset, Vertex, Geometry, Fragment };
enum class Better : uint8_t { Neither, Higher, Lower };

// What OpenGL requires of the value from a version on: at least `value` when
// higher is better, at most `value` when lower is better.
struct Required {
    const char *version = nullptr; // GL version whose tables give it; null: none known
    double value = 0;
    constexpr bool known() const { return version != nullptr; }
};

// ---- report file --------------------------------------------------------------

// Groups of the report file in the order the writer writes them.
enum class ReportGroup : uint8_t {
    Unset, // not in the report file
    FrameBuffer,
    Stack,
    Various,
    ExtensionSpecs,     // before the compressed format list
    ExtensionSpecsTail, // after it; read under both sets of names
    VertexProgram,
    Imaging,
    Fbo,
    FragmentProgram,
    VertexShader,
    FragmentShader,
    Ati,
    AtiFragmentShader, // inside the ATI group
    Nvidia,
    NvFragmentProgram, // inside the nVidia group
    GeometryShader,    // inside the nVidia group; written, not read back
    Count
};

enum ReportFlags : uint8_t {
    kReportGroupKey = 1,  // the group is written only when this member is not 0
    kReportNonZero = 2,   // the element is written only when not 0
    kReportNoLineEnd = 4, // the element is not followed by a line feed
    kReportNotRead = 8,   // written but not read back
};

struct ReportPlace {
    ReportGroup group = ReportGroup::Unset;
    uint8_t order = 0; // position inside the group
    uint8_t flags = 0;
};

// ---- capability tree ----------------------------------------------------------

// Groups of the capability tree in the order they are shown.
enum class TreeGroup : uint8_t {
    Unset,       // not in the tree
    FrameBuffer, // under "Implementations Specifics"
    Stacks,
    Various,
    DrawRange, // under "Extension specifics"
    VertexBlend,
    VertexStreams,
    VertexArrayRange,
    PnTriangles,
    LightExponents,
    Imaging,
    Multitexture,
    TextureRectangle,
    Texture3D,
    CubeMap,
    Anisotropy,
    LodBias,
    TextureLists, // the builder's own lists: compressed formats, texture formats, environment
    Occlusion,
    DrawBuffers,
    PixelBuffer,
    Fbo,
    Multisample,
    VertexProgram,
    FragmentProgram,
    VertexShader,
    NvFragmentProgram,
    RegisterCombiners,
    FragmentShader,
    AtiFragmentShader,
    GeometryShader,
    Count
};

enum class TreeSection : uint8_t { Implementation, Extension };

enum class LineKind : uint8_t { Unset, Int1, Int2, Int3, Float1, Float2 };

enum TreeFlags : uint8_t {
    kTreeGroupKey = 1,      // the group is shown when this member is not 0
    kTreeKeyAboveOne = 2,   // ... when it is above 1
    kTreeOtherWhenZero = 4, // a one-value line shows `other` while this member is 0
};

// One line of the tree.  Values: the member, then `other` (or the member
// again) for the second value, the member for the third.
struct TreePlace {
    TreeGroup group = TreeGroup::Unset;
    uint8_t order = 0;
    int16_t label = 0; // text id; 0: no line (a group key only)
    LineKind kind = LineKind::Unset;
    Member other;
    uint8_t flags = 0;
};

struct TreeGroupInfo {
    TreeGroup group;
    TreeSection section;
    int heading;            // text id of the group line; 0 for TextureLists
    const char *whenListed; // shown only when this extension is listed
};

// ---- text report ----------------------------------------------------------------

// A line of the text report's advice: text id `text` when the value is at
// most `atMost`.
struct Advice {
    int16_t text = 0; // 0: none
    int32_t atMost = 0;
};

// ---- the row ------------------------------------------------------------------

struct Capability {
    Member member;
    const char *name = nullptr; // member name, also the element name of the report file
    Source read[2];
    Stage stage = Stage::Unset;
    const char *since = nullptr; // GL version ("1.0") or extension that introduced it
    Required required;
    Better better = Better::Higher;
    ReportPlace report[2];
    const char *legacyName = nullptr; // element name of files older than 2.16
    TreePlace tree[2];
    Advice advice;
};

// The rows in record order (the record's members only).
const Capability *table(std::size_t *count);

// The extended rows, in the order the views show them.  Their `member` is
// empty; `name` is the GL token name; `read[0]` says how and when to read
// them (its count is the number of values).
const Capability *extendedTable(std::size_t *count);

// The extended row of a token name (exact, case-sensitive), or null.
const Capability *findExtended(const char *tokenName);

// The groups of the capability tree, in TreeGroup order.
const TreeGroupInfo &treeGroup(TreeGroup group);

// The rows placed in a report group, in the group's order: row and the
// index of its placement.
struct ReportEntry {
    const Capability *row;
    const ReportPlace *place;
};
struct ReportEntries {
    const ReportEntry *begin() const { return first; }
    const ReportEntry *end() const { return last; }
    const ReportEntry *first;
    const ReportEntry *last;
};
ReportEntries reportGroup(ReportGroup group);

struct TreeEntry {
    const Capability *row;
    const TreePlace *place;
};
struct TreeEntries {
    const TreeEntry *begin() const { return first; }
    const TreeEntry *end() const { return last; }
    const TreeEntry *first;
    const TreeEntry *last;
};
TreeEntries treeGroupLines(TreeGroup group);

// The row of a record member, or null.
const Capability *find(const char *name);

} // namespace caps
} // namespace sounder

#endif
