// Renumbering of the chapters recorded by the scan.
//
// The marks as written are a guide to the structure, not the final numbers:
// level-1 chapters are numbered consecutively from the first chapter's number,
// and every deeper chapter takes its number from the chapter before it (one
// level deeper, the same level, or one level higher, by comparing the number
// of points of the two marks as written).
#pragma once

#include <cstdint>

#include "restructure/chapter_table.h"
#include "restructure/rows_ready.h"

namespace kestram {

// The deepest chapter level; a chapter that would go deeper than this stays at
// this level as the next sibling of the chapter before it.
constexpr int kMaxChapterLevel = 26;

// Renumbers rows 1 to chapter_count of a table as the scan left it:
// normalises every mark number to end with a point, sets each row's
// components, chapter number ("3." at level 1, "3.1" deeper, "" at level 0)
// and level, stores the increment for the indentation widths and calls
// table.finish(). Numbers are handled as decimal text, so components of any
// length are counted up exactly.
//
// With `ready`, it follows a scan that is still adding rows: each row is
// renumbered once `ready` shows it complete, until `ready` is closed. A row
// depends only on the rows before it.
void renumber_chapters(ChapterTable& table, std::int64_t indent_increment, RowsReady* ready = nullptr);

}  // namespace kestram
