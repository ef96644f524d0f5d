// The rules that the rows of the examples are given for.
#include "example_rules.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "catalog.h"
#include "cli/options.h"
#include "code_page_conversion.h"
#include "html/companion_text.h"
#include "output_pages.h"
#include "page_encoding.h"
#include "page_scan.h"
#include "search_page.h"
#include "pipeline/outputs.h"
#include "pipeline/space_check.h"
#include "program_search.h"
#include "platform/command_line.h"
#include "platform/shell_names.h"
#include "restructure/chapter_list.h"
#include "restructure/chapter_mark.h"
#include "restructure/identifier_generator.h"
#include "restructure/supplement.h"
#include "run/command_line.h"
#include "run/dialogue.h"
#include "run/work_files.h"
#include "support/temp_dir.h"
#include "text/utf8.h"
#include "word_index.h"
#include "word_list.h"
#include "word_text.h"

namespace kestram::examples {

namespace fs = std::filesystem;

Texts split(const std::string& text, const std::string& separator) {
  Texts parts;
  for (std::size_t from = 0;;) {
    const std::size_t at = text.find(separator, from);
    parts.push_back(text.substr(from, at - from));
    if (at == std::string::npos) return parts;
    from = at + separator.size();
  }
}

std::string join(const Texts& parts, const std::string& separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

namespace {

// A parsed command line in one line: words in brackets (q marks a quoted
// one), redirections as <name, >name, >>name, stages joined by " | ".
std::string parsed_line(const std::string& line) {
  const ParsedCommandLine parsed = parse_command_line(line);
  if (!parsed.ok()) return "refused";
  std::string text;
  for (const CommandStage& stage : parsed.stages) {
    if (!text.empty()) text += " | ";
    for (const CommandWord& word : stage.words) text += (word.quoted ? "q[" : "[") + word.text + "]";
    for (const Redirection& r : stage.redirections)
      text += (r.kind == Redirection::Kind::kRead ? " <" : r.kind == Redirection::Kind::kAppend ? " >>" : " >") +
              r.target.text;
  }
  return text;
}

// A "for" command's set and number of body words, or "refused".
std::string for_parts(const std::string& words) {
  const ParsedCommandLine parsed = parse_command_line(words);
  ForCommand command;
  if (!parsed.ok() || parsed.stages.empty() || !parse_for(parsed.stages[0].words, command)) return "refused";
  return "(" + join(command.set_items, ",") + ") " + std::to_string(command.body.size());
}

// The words of a page as the indexing program finds them.
std::string words_of(const std::string& page) {
  Texts words;
  for (const lexpage::WordSpan& word : lexpage::scan_page(page).words)
    words.push_back(page.substr(word.page_offset, word.length));
  return join(words, " ");
}

// A word list as the library reads it back, or "refused".
std::string word_list(const std::string& text) {
  lexpage::DocumentWords words;
  if (!lexpage::parse_word_list(text, words)) return "refused";
  Texts keywords;
  for (const lexpage::KeywordLine& keyword : words.keywords) keywords.push_back(std::string(keyword.text));
  return std::to_string(words.chapters) + " chapters, " + std::to_string(words.occurrences) + " occurrences, units [" +
         join(Texts(words.units.begin(), words.units.end()), " ") + "], keywords [" + join(keywords, " | ") + "]";
}

// The word list the library writes of a page.
std::string word_list_of(const std::string& page) {
  const lexpage::PageScan scan = lexpage::scan_page(page);
  const lexpage::IndexedPage indexed{1, page, scan, lexpage::build_word_index(page, scan)};
  std::string context;
  std::string list;
  StringSink context_out(context);
  StringSink list_out(list);
  lexpage::write_word_list(indexed, lexpage::write_context_lines(indexed, context_out), list_out);
  return list;
}

// What a catalog holds, and whether writing it gives its text again; or why
// it is not read.
std::string catalog(const std::string& text) {
  lexpage::Catalog read;
  std::string format;
  const lexpage::CatalogRead result = lexpage::parse_catalog(text, read, format);
  if (result != lexpage::CatalogRead::kRead)
    return result == lexpage::CatalogRead::kMissing ? "missing" : "other format: " + format;
  std::string shown = "taken [" + read.taken + "]";
  for (const lexpage::CatalogEntry& d : read.documents) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(d.hash));
    shown += ", " + std::to_string(d.number) + " " + std::to_string(d.size) + " " + hash + " [" + d.indexed + "] [" +
             d.name + "]";
  }
  std::string written;
  StringSink out(written);
  lexpage::write_catalog(read, out);
  return shown + (written == text ? "" : ", written otherwise");
}

// "FROM TO bytes": the bytes converted, or why not; a failure must leave an
// earlier output as it was and no file behind.
std::string conversion(const std::string& in, const fs::path& dir) {
  const Texts words = split(in, " ");
  testing::write_file((dir / "in.txt").string(), in.substr(std::min(in.size(), words[0].size() + words[1].size() + 2)));
  testing::write_file((dir / "out.txt").string(), "old");
  const ConversionResult result =
      convert_file(words[0], words[1], (dir / "in.txt").string(), (dir / "out.txt").string());
  if (result.ok) return testing::read_file((dir / "out.txt").string());
  const auto files = std::distance(fs::directory_iterator(dir), fs::directory_iterator());
  std::string error = result.error;  // the input named by its name alone
  if (error.find((dir / "in.txt").string()) != std::string::npos)
    error.replace(error.find((dir / "in.txt").string()), (dir / "in.txt").string().size(), "in.txt");
  return "failed: " + error + (testing::read_file((dir / "out.txt").string()) == "old" ? "" : " (output changed)") +
         (files == 2 ? "" : " (a file left behind)");
}

}  // namespace

const std::map<std::string, Rule>& rules() {
  auto text_rule = [](std::function<std::string(const std::string&)> rule) -> Rule {
    return [rule](const std::string& in, const fs::path&) { return rule(in); };
  };
  auto file_rule = [](std::function<std::string(const std::string&)> rule) -> Rule {
    return [rule](const std::string& in, const fs::path& dir) {
      testing::write_file((dir / "rows.txt").string(), in);
      return rule((dir / "rows.txt").string());
    };
  };
  auto yes_no = [](bool yes) { return std::string(yes ? "yes" : "no"); };
  static const std::map<std::string, Rule> kRules = {
      {"mark", text_rule([](auto& in) {
         if (!test_mark(in).candidate) return std::string("no mark");
         return (test_mark(in).chapter ? "chapter " : "no chapter ") + std::string(first_word(in));
       })},
      {"leading number", text_rule([](auto& in) { return rounded_leading_number(in); })},
      {"level", text_rule([](auto& in) { return std::to_string(mark_level(in)); })},
      {"next number", text_rule([](auto& in) { return increment_component(in); })},
      {"output names", text_rule([](auto& in) {
         const OutputNames names = output_names(base_name_of(in));
         return join({names.chapters, names.indented, names.page, names.table, names.companion}, " ");
       })},
      {"title key", text_rule([](auto& in) { return title_key(in); })},
      {"pool length", text_rule([](auto& in) {  // "hh:mm:ss"
         const TimeOfDay time{std::stoi(in), std::stoi(in.substr(3)), std::stoi(in.substr(6))};
         return std::to_string(IdentifierGenerator::pool_length(time));
       })},
      {"digit of a draw", text_rule([](auto& in) {
         return std::to_string(static_cast<int>(10 * IdentifierGenerator::to_unit(std::stoul(in))));
       })},
      {"frame line", text_rule([yes_no](auto& in) { return yes_no(is_frame_line(in)); })},
      {"number", text_rule([](auto& in) { return std::to_string(parse_number(in)); })},
      {"indentation", text_rule([](auto& in) { return std::to_string(parse_leading_decimal(in)); })},
      {"text field", text_rule([](auto& in) { return first_answer_field(in, 4096, false); })},
      {"number field", text_rule([](auto& in) { return first_answer_field(in, 67, true); })},
      {"command line", text_rule(parsed_line)},
      {"for", text_rule(for_parts)},
      {"quoted name",
       text_rule([](auto& in) { return command_word(in) + " " + parsed_line("copy " + kestram::quoted(in) + " x"); })},
      {"wildcard", text_rule([yes_no](auto& in) {
         return yes_no(matches_wildcard(in.substr(0, in.find(' ')), in.substr(in.find(' ') + 1)));
       })},
      {"listing order", text_rule([](auto& in) {
         Texts names = split(in, " ");
         std::sort(names.begin(), names.end(), [](auto& a, auto& b) { return listing_order_less(a, b); });
         return join(names, " ");
       })},
      {"name", [](const std::string& in, const fs::path& dir) {
         const ResolvedName resolved = resolve_name(dir, in);
         if (!resolved.valid) return std::string("invalid");
         return resolved.path.lexically_normal().lexically_relative(dir).generic_string() +
                (resolved.exists ? "" : " (missing)");
       }},
      {"nonblank lines", file_rule([](auto& path) { return std::to_string(count_nonblank_lines(path)); })},
      {"last listed name", file_rule([](auto& path) { return last_listed_name(path); })},
      {"words", text_rule(words_of)},
      {"visible text", text_rule([](auto& in) { return lexpage::scan_page(in).plain; })},
      {"body end", text_rule([](auto& in) { return std::to_string(lexpage::scan_page(in).body_end); })},
      {"chapter number", text_rule([yes_no](auto& in) { return yes_no(lexpage::is_chapter_number(in)); })},
      {"keywords", text_rule([](auto& in) {
         Texts found;
         for (const lexpage::Keyword& keyword : lexpage::find_keywords(lexpage::scan_page(in)))
           found.push_back(keyword.text);
         return join(found, " | ");
       })},
      {"unit codes", text_rule([](auto& in) { return join(lexpage::unit_codes(lexpage::scan_page(in)), " | "); })},
      {"browser text", text_rule([](auto& in) { return lexpage::browser_text(in); })},
      {"entry link", text_rule([](auto& in) { return lexpage::entry_link(in); })},
      {"word list", text_rule(word_list)},
      {"word list of page", text_rule([](auto& in) { return word_list(word_list_of(in)); })},
      {"catalog", text_rule(catalog)},
      {"conversion", conversion},
      {"path candidates", text_rule([](auto& in) {  // the places of wget on a search path, separated by "|"
         std::string places;
         for (const std::string& place : path_candidates(in, ':', "wget")) places += (places.empty() ? "" : "|") + place;
         return places;
       })},
      {"convert file", [](const std::string& in, const fs::path& dir) {  // "FROM TO INFILE OUTFILE"
         const Texts words = split(in, " ");
         const std::string prefix = (dir / "").string();
         ConversionResult result = convert_file(words[0], words[1], prefix + words[2], prefix + words[3]);
         if (result.ok) return std::string("done");
         // Without the directory, and without the system's words for the cause.
         result.error.erase(std::min(result.error.rfind(": "), result.error.size()));
         return "failed: " + result.error.replace(result.error.find(prefix), prefix.size(), "");
       }},
      {"space refusal", text_rule([](auto& in) {  // "NEEDED FREE"; "max" and "unknown" as the limits
         const Texts w = split(in, " ");
         const std::uint64_t needed = w[0] == "max" ? UINT64_MAX : std::stoull(w[0]);
         const std::string refusal = space_refusal("a_indent.txt", needed,
                                                   w[1] == "unknown" ? std::nullopt : std::optional(std::stoull(w[1])));
         return refusal.empty() ? "fits" : refusal;
       })},
      {"space for", [](const std::string& in, const fs::path& dir) {
         return std::string(space_for((dir / in).string()) ? "known" : "unknown");
       }},
      {"valid utf-8", text_rule([yes_no](auto& in) { return yes_no(is_valid_utf8(in)); })},
      {"declared encoding", text_rule([](auto& in) {
         return lexpage::declared_encoding(in) == lexpage::PageEncoding::kUtf8 ? "UTF-8" : "windows-1252";
       })},
      {"js string", text_rule([](auto& in) { return lexpage::js_string(in); })},
      {"page in utf-8", text_rule([](auto& in) { return lexpage::page_in_utf8(in); })},
      {"options", text_rule([](auto& in) {  // the arguments separated by "|"
         const ParsedOptions parsed = parse_options(in.empty() ? Texts{} : split(in, "|"));
         const Options& o = parsed.options;
         switch (parsed.kind) {
           case ParsedOptions::Kind::kHelp: return std::string("help");
           case ParsedOptions::Kind::kVersion: return std::string("version");
           case ParsedOptions::Kind::kUsageError: return parsed.error;
           case ParsedOptions::Kind::kConvert: break;
         }
         return "indent " + std::to_string(o.indent_increment) + (o.toc ? ", contents" : "") + ", unit [" +
                o.org_unit_code + "], start [" + o.start_chapter + "], extra lines " + std::to_string(o.extra_lines) +
                ", files [" + join(o.files, "] [") + "]";
       })},
  };
  return kRules;
}

}  // namespace kestram::examples
