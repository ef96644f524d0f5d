// The catalog of the library: which documents it holds under which number,
// and which page of htm_in/ was taken in last. A text file:
//
//   lexpage library 1
//   taken 2201 13379446562123 Report_indent.htm     size, time, name in htm_in/
//   document 3 2201 9c1f0e6a5b3d2e41 2024-05-01T13:45 Report_indent.htm
//                                 number, size, hash of the kept page, when
//                                 taken in, the name
//
// The kept pages themselves are the library; the catalog and the word lists
// record what was made of them, and a page whose size or hash no longer
// matches is indexed anew.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_sink.h"

namespace kestram::lexpage {

constexpr std::string_view kCatalogFormat = "lexpage library 1";

struct CatalogEntry {
  std::size_t number = 0;  // the document's page is page<number>.htm
  std::uint64_t size = 0;
  std::uint64_t hash = 0;
  std::string indexed;  // "2024-05-01 13:45"
  std::string name;
};

struct Catalog {
  std::string taken;  // "size time name" of the page taken in last; "" for none
  std::vector<CatalogEntry> documents;
};

enum class CatalogRead { kRead, kMissing, kOtherFormat };

// Reads the catalog from `text` (an empty text is a missing catalog). With
// kOtherFormat, `format` gets the first line as found.
CatalogRead parse_catalog(std::string_view text, Catalog& catalog, std::string& format);

void write_catalog(const Catalog& catalog, LineSink& out);

// The hash the catalog keeps of a kept page (64-bit FNV-1a), to be fed
// the page in pieces.
class PageHash {
 public:
  void add(std::string_view bytes);
  std::uint64_t value() const { return value_; }

 private:
  std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

// A name the catalog and the word lists can hold: not empty, no control
// characters (a line end would cut the line).
bool is_storable_name(std::string_view name);

}  // namespace kestram::lexpage
