/* Internal side of the text reports: building into a list of any size and
 * rendering a built list as plain text.
 *
 * tsBuildReport and tsBuildChangesReport fill the fixed 1024-piece list of
 * the exported tsReport; a summary of a modern driver needs more pieces
 * than that (about 1,450 for llvmpipe), so the client interface builds
 * into a PieceList of its own size and the programs use the exported
 * tsBuildReportPieces, which builds into a list of the caller's size.
 * Every builder stops at the list's capacity and never writes past it. */
#ifndef SOUNDER_VIEWS_TEXTREPORT_H
#define SOUNDER_VIEWS_TEXTREPORT_H

#include <cstddef>
#include <string>
#include <memory>
#include <vector>

#include "sounder/report.h"
#include "views/render.h"

namespace sounder {

/* A bounded destination for report pieces: either a caller's array
 * (pieces, capacity, pieces already used) or a vector that grows up to a
 * capacity. */
class PieceList {
public:
    PieceList(tsReportPiece *pieces, int capacity, int count);
    PieceList(std::vector<tsReportPiece> &pieces, std::size_t capacity);
    /* Counts the pieces a build makes without keeping them: every add()
     * hands out the same scratch piece. */
    PieceList();

    /* A fresh zero-filled piece at the end, or null when the list is full
     * (the list is then marked as cut). */
    tsReportPiece *add();

    int count() const { return count_; }
    int capacity() const { return capacity_; }
    int room() const { return capacity_ - count_; }
    bool cut() const { return cut_; }
    void markCut() { cut_ = true; }
    const tsReportPiece *data() const;

private:
    tsReportPiece *array_ = nullptr;
    std::vector<tsReportPiece> *vector_ = nullptr;
    std::unique_ptr<tsReportPiece> scratch_; /* counting only */
    int capacity_ = 0;
    int count_ = 0;
    bool cut_ = false;
};

/* Enough pieces for the summary of any real reading (about 1,400 for
 * llvmpipe with the shipped database). */
constexpr std::size_t kLargeReportCapacity = 65536;

/* The builders behind tsBuildReport and tsBuildChangesReport. */
void buildReport(PieceList &list, const tsSystemInfo *system, const tsRendererCaps *caps,
                 const tsIcdList *icd, tsDatabase *db, int rtf);
void buildChangesReport(PieceList &list, const tsRendererCaps *caps, tsDatabase *db, int rtf);

/* Convenience: the summary in a vector sized for any real reading. */
std::vector<tsReportPiece> buildReportList(const tsSystemInfo *system, const tsRendererCaps *caps,
                                           const tsIcdList *icd, tsDatabase *db, int rtf,
                                           std::size_t capacity = kLargeReportCapacity);

/* Renders a built list as the caller would show it: kind 8 is the text of
 * its id, kind 7 that text used as a format with text and text2 as its two
 * string arguments (formatText of views/render.h: the arguments are never
 * formats), kinds 6 and 14 are their texts (a null reference is empty).
 * In a list built as an RTF document the control character 8 that the
 * texts 308 and 309 put around their arguments becomes \b / \b0, and a
 * piece that ends in a control word is followed by its delimiting space.
 * lookup null, or a lookup without the id, means the built-in English
 * table. */
std::string renderReport(const tsReportPiece *pieces, int count, TextLookup lookup = nullptr);

/* The same as plain text: RTF control words are removed (\line and \par
 * become line feeds, \b \b0 \i \i0 and any other control word vanish,
 * groups and the document header are dropped, \\ \{ \} give the
 * character), and control characters other than line feed and tab are
 * removed.  In a list built with the rtf flag 0 only the texts of text
 * ids are treated as RTF; the literals and references are driver and
 * database texts and are kept as they are. */
std::string renderReportPlain(const tsReportPiece *pieces, int count, TextLookup lookup = nullptr);

} // namespace sounder

#endif
