#include "catalog.h"

#include <charconv>
#include <cstdio>

#include "fields.h"
#include "text/lines.h"

namespace kestram::lexpage {
namespace {

bool number(std::string_view text, std::uint64_t& value, int base = 10) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// A document line after its keyword; false when it is damaged.
bool parse_entry(std::string_view line, CatalogEntry& entry) {
  std::uint64_t number_value = 0;
  if (!number(field(line), number_value) || number_value == 0 || !number(field(line), entry.size) ||
      !number(field(line), entry.hash, 16))
    return false;
  entry.number = static_cast<std::size_t>(number_value);
  entry.indexed = std::string(field(line));
  if (entry.indexed == "-") entry.indexed.clear();
  for (char& c : entry.indexed)
    if (c == 'T') c = ' ';
  entry.name = std::string(line);
  return is_storable_name(entry.name);
}

}  // namespace

CatalogRead parse_catalog(std::string_view text, Catalog& catalog, std::string& format) {
  catalog = Catalog{};
  if (text.empty()) return CatalogRead::kMissing;
  LineReader reader = LineReader::from_memory(text);
  std::string_view line;
  reader.next(line);
  if (line != kCatalogFormat) {
    format = std::string(line.substr(0, 80));
    return CatalogRead::kOtherFormat;
  }
  while (reader.next(line)) {
    std::string_view kind = field(line);
    CatalogEntry entry;
    if (kind == "taken") {
      catalog.taken = std::string(line);
    } else if (kind == "document" && parse_entry(line, entry)) {
      catalog.documents.push_back(std::move(entry));
    } else {
      format = "a damaged catalog";
      catalog = Catalog{};
      return CatalogRead::kOtherFormat;
    }
  }
  return CatalogRead::kRead;
}

void write_catalog(const Catalog& catalog, LineSink& out) {
  out.write_line(kCatalogFormat);
  if (!catalog.taken.empty()) out.write_line("taken " + catalog.taken);
  for (const CatalogEntry& entry : catalog.documents) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(entry.hash));
    // The time is one field: its blank becomes a T.
    std::string indexed = entry.indexed.empty() ? "-" : entry.indexed;
    for (char& c : indexed)
      if (c == ' ') c = 'T';
    out.write_line("document " + std::to_string(entry.number) + " " + std::to_string(entry.size) + " " +
                   hash + " " + indexed + " " + entry.name);
  }
}

void PageHash::add(std::string_view bytes) {
  for (char c : bytes) {
    value_ ^= static_cast<unsigned char>(c);
    value_ *= 0x100000001b3ULL;
  }
}

bool is_storable_name(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

}  // namespace kestram::lexpage
