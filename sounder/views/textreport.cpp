// Text reports: the summary of a reading and the changes summary of the last
// database update, built as lists of pieces that the caller renders with its
// text table (literal texts, text ids, text ids with two arguments and
// references to texts of the reading, the system description or the
// database).
//
// A summary of a modern driver holds more pieces than the exported
// 1024-piece list; building therefore stops at the list's capacity, keeping
// the last few pieces for a line that says the report was cut and the
// document's closing (so an RTF report stays a complete document).
#include "views/textreport.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/capability_table.h"
#include "database/compliance.h"
#include "probe/extended_limits.h"
#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "sounder/system.h"
#include "sounder/texts.h"

namespace sounder {

// ---- PieceList -------------------------------------------------------------

PieceList::PieceList(tsReportPiece *pieces, int capacity, int count)
    : array_(pieces), capacity_(pieces && capacity > 0 ? capacity : 0)
{
    count_ = count < 0 ? 0 : (count > capacity_ ? capacity_ : count);
}

PieceList::PieceList(std::vector<tsReportPiece> &pieces, std::size_t capacity) : vector_(&pieces)
{
    const std::size_t limit = capacity > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : capacity;
    capacity_ = static_cast<int>(limit);
    if (pieces.size() > limit)
        pieces.resize(limit);
    count_ = static_cast<int>(pieces.size());
}

PieceList::PieceList() : scratch_(new tsReportPiece) { capacity_ = INT32_MAX; }

tsReportPiece *PieceList::add()
{
    if (count_ >= capacity_) {
        cut_ = true;
        return nullptr;
    }
    tsReportPiece *piece;
    if (scratch_) {
        piece = scratch_.get();
    } else if (vector_) {
        vector_->emplace_back();
        piece = &vector_->back();
    } else {
        piece = &array_[count_];
    }
    std::memset(piece, 0, sizeof *piece);
    ++count_;
    return piece;
}

const tsReportPiece *PieceList::data() const
{
    return vector_ ? vector_->data() : array_;
}

namespace {

const char kRtfHeader[] =
    "{\\rtf1\\ansi\\deff0\\deftab720\\widowctrl{\\colortbl\\red0\\green0\\blue0;}\n"
    "\\deflang0419\\pard\\tx360\\tx720\\tx1080\\tx1440\\tx1800\\tx2160\\tx2520\\tx2880"
    "\\tx3240\\tx3600\\tx3960\\tx4320\\tx4680\\tx5040\\tx5400\\tx5760\\tx6120\\tx6480"
    "\\plain\\f3\\fs20\\box";

// Pieces kept back for the cut notice and the closing of the document (two
// closing pieces in RTF, one in plain text).
int reservedPieces(bool rtf)
{
    return rtf ? 3 : 2;
}

bool hasCurrentBit(const tsDatabase *db, uint32_t mask)
{
    return db->currentReading >= 0 && db->currentReading < 32 &&
           ((mask >> db->currentReading) & 1u) != 0;
}

class Emitter {
public:
    Emitter(PieceList &list, bool rtf) : list_(list), rtf_(rtf) {}

    bool rtf() const { return rtf_; }

    // Room for one more piece of the body?
    bool open(int pieces = 1)
    {
        if (list_.room() - reservedPieces(rtf_) >= pieces)
            return true;
        list_.markCut();
        return false;
    }

    // A literal, split into pieces of at most 255 characters.
    void literal(const char *text)
    {
        if (!text)
            return;
        std::size_t length = std::strlen(text);
        do {
            if (!open())
                return;
            tsReportPiece *p = list_.add();
            p->kind = TS_PIECE_TEXT;
            std::size_t n =
                length < TS_REPORT_PIECE_TEXT_SIZE - 1 ? length : TS_REPORT_PIECE_TEXT_SIZE - 1;
            std::memcpy(p->text, text, n);
            p->text[n] = '\0';
            text += n;
            length -= n;
        } while (length > 0);
    }

    // RTF form / plain form.
    void sep(const char *rtfText, const char *plainText) { literal(rtf_ ? rtfText : plainText); }
    void rtfOnly(const char *rtfText)
    {
        if (rtf_)
            literal(rtfText);
    }

    void textId(int id)
    {
        if (!open())
            return;
        tsReportPiece *p = list_.add();
        p->kind = TS_PIECE_TEXT_ID;
        p->textId = id;
    }

    // In an RTF document the arguments are escaped as references are.
    void textIdArgs(int id, const char *a, const char *b)
    {
        if (!open())
            return;
        tsReportPiece *p = list_.add();
        p->kind = TS_PIECE_TEXT_ID_ARGS;
        p->textId = id;
        sysStrlCpy(p->text, argument(a).c_str(), sizeof p->text);
        sysStrlCpy(p->text2, argument(b).c_str(), sizeof p->text2);
    }

    // A reference to a text that outlives the list.  In an RTF document a
    // text holding \ { or } is copied with those characters escaped instead,
    // so that a driver's text cannot break the document.
    void reference(const char *text)
    {
        static const char kEmpty[] = "";
        if (!text)
            text = kEmpty;
        if (rtf_ && std::strpbrk(text, "\\{}")) {
            literal(rtfEscaped(text).c_str());
            return;
        }
        if (!open())
            return;
        tsReportPiece *p = list_.add();
        p->kind = TS_PIECE_REFERENCE;
        p->reference = text;
    }

    // Separators: S, P and L.
    void S() { sep("\\line \\i0 ", "\n"); }
    void P() { sep("\\line \\line \\i ", "\n\n"); }
    void L() { sep("\\line \\par ", "\n"); }

    // The closing of the document, written into the kept-back pieces, after
    // a line that says the report was cut when it was.
    void end()
    {
        if (list_.cut())
            closing(rtf_ ? "\\line ...\\line " : "\n...\n");
        if (rtf_) {
            closing("\\line \\par");
            closing("\\par }");
        } else {
            closing("\n\n");
        }
    }

private:
    static std::string rtfEscaped(const char *text)
    {
        std::string escaped;
        for (const char *c = text; *c; ++c) {
            if (*c == '\\' || *c == '{' || *c == '}')
                escaped += '\\';
            escaped += *c;
        }
        return escaped;
    }

    std::string argument(const char *text) const
    {
        if (!text)
            return std::string();
        return rtf_ ? rtfEscaped(text) : std::string(text);
    }

    void closing(const char *text)
    {
        tsReportPiece *p = list_.add();
        if (!p)
            return;
        p->kind = TS_PIECE_TEXT;
        sysStrlCpy(p->text, text, sizeof p->text);
    }

    PieceList &list_;
    bool rtf_;
};

struct Highlight {
    const char *alternatives; // "|"-separated
    int found;
    int missing; // -1: no text
};

const Highlight kHighlights[] = {
    {"GL_EXT_compiled_vertex_array", 116, 115},
    {"GL_ARB_multitexture", 114, 113},
    {"GL_EXT_secondary_color", 118, 119},
    {"GL_S3_s3tc|GL_EXT_texture_compression_s3tc", 120, 121},
    {"GL_NV_vertex_array_range|GL_APPLE_vertex_array_range", 122, -1},
    {"GL_EXT_texture_edge_clamp|GL_SGIS_texture_edge_clamp", 128, 127},
    {"GL_ARB_vertex_program", 123, 124},
    {"GL_ARB_fragment_program", 125, 126},
    {"GL_EXT_texture_filter_anisotropic", 129, -1},
    {"GL_HP_occlusion_test|GL_NV_occlusion_query|GL_ARB_occlusion_query", 132, -1},
    {"GL_NV_point_sprite|GL_ARB_point_sprite", 140, -1},
    {"GL_ARB_shading_language_100", 386, 387},
    {"GL_EXT_framebuffer_object", 388, 389},
};

bool anyListed(const char *alternatives, const char *extensions)
{
    if (!extensions)
        return false;
    std::string all(alternatives);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t bar = all.find('|', start);
        std::string name =
            all.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (!name.empty() && tsInfoSearchExtension(name.c_str(), extensions))
            return true;
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return false;
}

void frameBufferChecks(Emitter &e, const tsRendererCaps *caps)
{
    int count = caps->pixelFormatCount;
    if (count > TS_MAX_PIXEL_FORMATS)
        count = TS_MAX_PIXEL_FORMATS;
    if (count <= 0) {
        e.textId(133);
        e.L();
        e.textId(134);
        e.L();
        e.textId(135);
        e.L();
        return;
    }
    bool accelerated = false, stencil = false, depth = false;
    for (int i = 0; i < count; ++i) {
        const tsPixelFormat &p = caps->pixelFormats[i];
        if (p.color_bits != 32)
            continue;
        accelerated = accelerated || p.acceleration != 0;
        stencil = stencil || p.stencil_bits != 0;
        depth = depth || p.depth_bits != 0;
    }
    if (!accelerated) {
        e.textId(133);
        e.L();
    }
    if (!stencil) {
        e.textId(134);
        e.L();
    }
    if (!depth) {
        e.textId(135);
        e.L();
    }
}

void entryPointVerification(Emitter &e, const tsRendererCaps *caps, const tsDatabase *db)
{
    e.rtfOnly("\\i ");
    e.textId(310);
    e.literal(": ");
    // The RTF break ends with a delimiter: the next piece begins with a
    // letter and would otherwise run into the control word and be lost.
    e.sep("\\i0 \\line ", "\n");
    if (!db || db->fromReport)
        return;
    // What the check below means: an entry point counts as resolved when the
    // driver stack knows the function (a dispatch offset, or the GLX
    // extension or version), not when this context implements it.
    e.textId(TS_TEXT_ENTRY_POINT_CHECK);
    e.sep("\\line ", "\n");
    // Without a check no gl* name resolved: say so once instead of calling
    // each of them missing (glX names are checked by their extension).
    const bool checked = !tsInfoEntryPointCheckFailed(db->currentReading);
    if (!checked) {
        e.textId(TS_TEXT_ENTRY_POINTS_UNCHECKED);
        e.sep("\\line ", "\n");
    }

    const uint32_t mark = static_cast<uint32_t>(caps->tag) + 1u;
    for (const tsExtension *ext = db->extensions; ext; ext = ext->next) {
        const bool supported = hasCurrentBit(db, ext->support);
        for (const tsEntryPoint *ep = ext->entryPoints; ep; ep = ep->next) {
            const bool resolved = hasCurrentBit(db, ep->resolved);
            if (supported && !resolved && (checked || strncmp(ep->name, "glX", 3) == 0))
                e.textIdArgs(308, ext->name, ep->name);
            else if (!supported && resolved)
                e.textIdArgs(309, ext->name, ep->name);
        }
        if (ext->addedMark == mark)
            e.textIdArgs(384, ext->name, caps->renderer);
    }

    char family[256];
    sysStrlCpy(family, tsNormaliseRendererName(caps->renderer ? caps->renderer : ""),
               sizeof family);
    for (const tsExtension *ext = db->extensions; ext; ext = ext->next) {
        if (hasCurrentBit(db, ext->support))
            continue;
        for (const tsRendererLink *link = ext->links; link; link = link->next) {
            if (link->renderer && sysStriCmp(link->renderer->name, family) == 0)
                e.textIdArgs(385, ext->name, link->version);
        }
    }
}

// The items of a version's listing, ", "-separated after a leading space:
// extension names as references into the database, the shading language
// requirement as its own text.
void itemList(Emitter &e, const std::vector<db::ListItem> &items)
{
    const char *separator = " ";
    for (const db::ListItem &item : items) {
        e.literal(separator);
        separator = ", ";
        if (item.kind == db::ListItem::ShadingLanguage)
            e.textIdArgs(TS_TEXT_SHADING_LANGUAGE_ITEM, item.text.c_str(), "");
        else
            e.reference(item.ext->name);
    }
}

// One line per core version with a total: its figure, then what it lacks
// and which of its entry points did not resolve (measured readings only).  An unresolved entry point
// is a sure gap; a resolved one only shows that the driver stack knows the
// function, so resolved ones are not listed as support.
void complianceLines(Emitter &e, const tsRendererCaps *caps, const tsDatabase *db)
{
    for (const char *v : db::kCoreVersions) {
        db::VersionListing listing = db::listVersion(db, caps, v);
        if (listing.counts.total == 0)
            continue;
        char line[64];
        std::snprintf(line, sizeof line, "v%s (%d %% - %d/%d)", v, listing.counts.percent,
                      listing.counts.supported, listing.counts.total);
        e.literal(line);
        e.sep("\\line ", "\n");
        if (!listing.unsupported.empty()) {
            e.literal("  ");
            e.textId(TS_TEXT_COMPLIANCE_MISSING);
            itemList(e, listing.unsupported);
            e.sep("\\line ", "\n");
        }
        // A reading loaded from a report file has no entry-point masks of
        // its own (they are those of the last measurement), and one whose
        // entry points could not be checked has none resolved: nothing to
        // name for either.
        std::vector<const char *> unresolved;
        const bool checked = !db->fromReport && !tsInfoEntryPointCheckFailed(db->currentReading);
        const tsCoreVersion *core = checked ? listing.core : nullptr;
        for (const tsEntryPoint *ep = core ? core->entryPoints : nullptr; ep; ep = ep->next)
            if (!db::entryPointResolved(db, ep))
                unresolved.push_back(ep->name);
        if (!unresolved.empty()) {
            e.literal("  ");
            e.textId(TS_TEXT_COMPLIANCE_UNRESOLVED);
            for (std::size_t i = 0; i < unresolved.size(); ++i) {
                e.literal(i == 0 ? " " : ", ");
                e.reference(unresolved[i]);
            }
            e.sep("\\line ", "\n");
        }
    }
}

// What the version after the driver's own lacks ("OpenGL 4.6: missing
// ..."): the promoted extensions it does not list and the shading language
// when it falls short.  Nothing when the driver claims no desktop version or
// every version, or when that version lacks nothing.
void nextVersionHighlight(Emitter &e, const tsRendererCaps *caps, const tsDatabase *db)
{
    const char *next = db ? db::nextVersion(caps) : nullptr;
    if (!next)
        return;
    db::VersionListing listing = db::listVersion(db, caps, next);
    if (listing.unsupported.empty())
        return;
    e.textIdArgs(TS_TEXT_NEXT_VERSION_MISSING, next, "");
    itemList(e, listing.unsupported);
    e.L();
}

// The extended limits below what OpenGL requires at the version the
// core-profile context claims, each with the requirement.
void belowRequiredHighlight(Emitter &e, const tsRendererCaps *caps)
{
    const ExtendedLimits *limits = extendedLimitsOf(caps);
    if (!limits)
        return;
    const GlVersion version = parseGlVersion(limits->version.c_str());
    const char *separator = " ";
    for (const ExtendedValue &v : limits->values) {
        if (!breaksRequirement(v, version))
            continue;
        if (*separator == ' ') {
            const std::string claimed =
                std::to_string(version.major) + "." + std::to_string(version.minor);
            e.textIdArgs(TS_TEXT_LIMITS_BELOW_REQUIRED, claimed.c_str(), "");
        }
        e.literal(separator);
        separator = ", ";
        e.literal((v.line() + " (" + v.requirement() + ")").c_str());
    }
    if (*separator == ',')
        e.L();
}

// The limits of the core-profile context, one a line.
void coreProfileLimits(Emitter &e, const tsRendererCaps *caps)
{
    const ExtendedLimits *limits = extendedLimitsOf(caps);
    if (!limits)
        return;
    e.textIdArgs(TS_TEXT_CORE_PROFILE_LIMITS, limits->version.c_str(), "");
    e.S();
    for (const ExtendedValue &v : limits->values) {
        e.literal(v.line().c_str());
        e.S();
    }
    e.L();
}

} // namespace

void buildReport(PieceList &list, const tsSystemInfo *system, const tsRendererCaps *caps,
                 const tsIcdList *icd, tsDatabase *db, int rtf)
{
    if (!caps || !caps->filled)
        return;
    Emitter e(list, rtf != 0);

    // The driver's version: the first installed driver's file version, else
    // the GL_VERSION text.
    const bool hasIcd = icd && icd->count > 0;
    char versionText[TS_ICD_TEXT_SIZE];
    if (hasIcd) {
        // A fixed field: read no further than its end.
        const char *v = icd->entries[0].version;
        sysStrlCpy(versionText, std::string(v, strnlen(v, TS_ICD_TEXT_SIZE)).c_str(),
                   sizeof versionText);
    } else {
        sysStrlCpy(versionText, caps->version ? caps->version : "", sizeof versionText);
    }

    if (e.rtf()) {
        e.literal(kRtfHeader);
        e.literal("\\i ");
    }

    e.textId(334);
    e.S();
    e.reference(system ? system->system : nullptr);
    // The window system the reading went through, when it is known (a
    // report file written before it was kept does not name it).
    const char *windowSystem = tsInfoGetWindowSystem(caps);
    if (*windowSystem) {
        e.sep("\\line ", "\n");
        e.literal("Window system: ");
        e.reference(windowSystem);
    }
    e.P();

    e.textId(161);
    e.S();
    e.reference(caps->vendor);
    e.sep("\\line ", "\n");
    e.reference(caps->version);
    e.P();
    e.textId(209);
    e.S();
    e.reference(caps->renderer);
    e.P();
    e.textId(141);
    e.S();
    if (db) {
        for (const tsExtension *ext = db->extensions; ext; ext = ext->next) {
            if (hasCurrentBit(db, ext->support)) {
                e.reference(ext->name);
                e.S();
            }
        }
    }
    if (e.rtf()) {
        e.literal("\\par");
        e.literal("\\i ");
    } else {
        e.literal("\n");
    }

    e.textId(192);
    e.sep("\\i0 \\par ", "\n\n");
    if (db)
        complianceLines(e, caps, db);
    e.rtfOnly("\\par ");

    e.rtfOnly("\\i ");
    e.textIdArgs(390, versionText, caps->newestVersion);
    e.S();
    char newest[sizeof caps->newestVersion + 1];
    std::memcpy(newest, caps->newestVersion, sizeof caps->newestVersion);
    newest[sizeof caps->newestVersion] = '\0';
    e.textId(std::strcmp(newest, versionText) > 0 ? 392 : 391);
    if (e.rtf()) {
        e.literal("\\line \\i0 ");
        e.literal("\\par ");
    } else {
        e.literal("\n");
    }

    if (!hasIcd) {
        e.textId(138);
        e.L();
    }

    frameBufferChecks(e, caps);

    for (const Highlight &h : kHighlights) {
        const int id = anyListed(h.alternatives, caps->extensions) ? h.found : h.missing;
        if (id >= 0) {
            e.textId(id);
            e.L();
        }
    }

    nextVersionHighlight(e, caps, db);
    belowRequiredHighlight(e, caps);

    // Advice on small limits, from the capability table.
    std::size_t rows = 0;
    const caps::Capability *table = caps::table(&rows);
    for (std::size_t i = 0; i < rows; ++i) {
        const caps::Advice &advice = table[i].advice;
        if (advice.text != 0 && table[i].member.asInt(*caps) <= advice.atMost) {
            e.textId(advice.text);
            e.L();
        }
    }

    coreProfileLimits(e, caps);
    entryPointVerification(e, caps, db);
    e.end();
}

void buildChangesReport(PieceList &list, const tsRendererCaps *caps, tsDatabase *db, int rtf)
{
    if (!caps || !caps->filled)
        return;
    Emitter e(list, rtf != 0);
    // The header ends in a control word; the space delimits it from the text
    // that follows (a letter would otherwise run into it and be lost).
    if (e.rtf())
        e.literal((std::string(kRtfHeader) + " ").c_str());
    if (db) {
        const uint32_t mark = static_cast<uint32_t>(caps->tag) + 1u;
        for (const tsExtension *ext = db->extensions; ext; ext = ext->next) {
            if (ext->addedMark == mark)
                e.textIdArgs(384, ext->name, caps->renderer);
        }
        for (const tsRenderer *r = db->renderers; r; r = r->next) {
            if (r->updated) {
                if (e.rtf() && caps->renderer && std::strpbrk(caps->renderer, "\\{}"))
                    e.reference(caps->renderer); // escaped copy
                else
                    e.literal(caps->renderer ? caps->renderer : "");
            }
        }
    }
    e.end();
}

std::vector<tsReportPiece> buildReportList(const tsSystemInfo *system, const tsRendererCaps *caps,
                                           const tsIcdList *icd, tsDatabase *db, int rtf,
                                           std::size_t capacity)
{
    std::vector<tsReportPiece> pieces;
    PieceList list(pieces, capacity);
    buildReport(list, system, caps, icd, db, rtf);
    return pieces;
}

} // namespace sounder

namespace {

// The exported list: its count may come from a caller that never began it.
sounder::PieceList exportedList(tsReport *report)
{
    return sounder::PieceList(report->pieces, TS_REPORT_MAX_PIECES, report->count);
}

// Builds the whole list to learn its size; copies it into the caller's list
// when it fits, else builds into that list, which then ends with the cut
// notice.  Returns the size of the whole list.
template <typename Build>
int32_t fitPieces(tsReportPiece *pieces, int32_t capacity, Build build)
{
    if (!pieces || capacity <= 0) {
        sounder::PieceList counter;
        build(counter);
        return counter.count();
    }
    /* Straight into the caller's array; a build that was not cut there is
     * the whole report. */
    sounder::PieceList list(pieces, capacity, 0);
    build(list);
    if (!list.cut())
        return list.count();
    /* Cut, because pieces are kept back for the cut notice: the whole may
     * still fit exactly, and then it replaces the cut one. */
    std::vector<tsReportPiece> whole;
    sounder::PieceList all(whole, INT32_MAX);
    build(all);
    const int32_t needed = all.count();
    if (needed > 0 && needed <= capacity)
        std::memcpy(pieces, whole.data(), whole.size() * sizeof whole[0]);
    return needed;
}

} // namespace

extern "C" {

SOUNDER_API void tsBeginReport(tsReport *report)
{
    if (report)
        report->count = 0;
}

SOUNDER_API void tsBuildReport(tsReport *report, const tsSystemInfo *system,
                               const tsRendererCaps *caps, const tsIcdList *icd, tsDatabase *db,
                               int rtf)
{
    if (!report)
        return;
    sounder::PieceList list = exportedList(report);
    sounder::buildReport(list, system, caps, icd, db, rtf);
    report->count = list.count();
}

SOUNDER_API void tsBuildChangesReport(tsReport *report, const tsSystemInfo *system,
                                      const tsRendererCaps *caps, const tsIcdList *icd,
                                      tsDatabase *db, int rtf)
{
    (void)system;
    (void)icd;
    if (!report)
        return;
    sounder::PieceList list = exportedList(report);
    sounder::buildChangesReport(list, caps, db, rtf);
    report->count = list.count();
}

SOUNDER_API void tsEndReport(tsReport *report)
{
    (void)report;
}

SOUNDER_API int32_t tsBuildReportPieces(tsReportPiece *pieces, int32_t capacity,
                                        const tsSystemInfo *system, const tsRendererCaps *caps,
                                        const tsIcdList *icd, tsDatabase *db, int rtf)
{
    return fitPieces(pieces, capacity, [&](sounder::PieceList &list) {
        sounder::buildReport(list, system, caps, icd, db, rtf);
    });
}

SOUNDER_API int32_t tsBuildChangesReportPieces(tsReportPiece *pieces, int32_t capacity,
                                               const tsRendererCaps *caps, tsDatabase *db, int rtf)
{
    return fitPieces(pieces, capacity, [&](sounder::PieceList &list) {
        sounder::buildChangesReport(list, caps, db, rtf);
    });
}

} // extern "C"
