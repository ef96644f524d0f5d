#include "platform/command_line.h"

#include "text/text.h"

namespace kestram {
namespace {

bool is_separator(char c) { return c == ' ' || c == '\t'; }
bool is_operator(char c) { return c == '|' || c == '<' || c == '>' || c == '&'; }

// Reads one word starting at `pos` (not a separator or an operator) and moves
// `pos` behind it. An unclosed quote runs to the end of the line.
CommandWord read_word(std::string_view line, std::size_t& pos) {
  CommandWord word;
  const std::size_t start = pos;
  bool in_quotes = false;
  while (pos < line.size()) {
    char c = line[pos];
    if (c == '"') {
      // Inside quotes a doubled quote stands for one literal quote, so any
      // name can be written as one quoted word.
      if (in_quotes && pos + 1 < line.size() && line[pos + 1] == '"') {
        word.text += '"';
        pos += 2;
        continue;
      }
      in_quotes = !in_quotes;
      word.quoted = true;
      ++pos;
      continue;
    }
    if (!in_quotes) {
      if (is_separator(c) || is_operator(c)) break;
      if (c == '^') {
        ++pos;
        if (pos < line.size()) word.text += line[pos++];
        continue;
      }
    }
    word.text += c;
    ++pos;
  }
  word.raw = std::string(line.substr(start, pos - start));
  return word;
}

bool is_for_variable(std::string_view word) {
  return (word.size() == 2 && word[0] == '%' && word[1] != '%') ||
         (word.size() == 3 && word[0] == '%' && word[1] == '%' && word[2] != '%');
}

bool is_empty(const CommandStage& stage) { return stage.words.empty() && stage.redirections.empty(); }

ParsedCommandLine fail(std::string message) {
  ParsedCommandLine result;
  result.error = std::move(message);
  return result;
}

}  // namespace

ParsedCommandLine parse_command_line(std::string_view line) {
  ParsedCommandLine result;
  result.stages.emplace_back();
  bool redirect_pending = false;
  Redirection::Kind pending_kind = Redirection::Kind::kTruncate;
  std::size_t pos = 0;
  while (pos < line.size()) {
    char c = line[pos];
    if (is_separator(c)) {
      ++pos;
      continue;
    }
    if (c == '&') return fail(std::string(kSyntaxError));
    if (c == '|') {
      if (redirect_pending || result.stages.back().words.empty())
        return fail("| was unexpected at this time.");
      result.stages.emplace_back();
      ++pos;
      continue;
    }
    if (c == '<' || c == '>') {
      if (redirect_pending) return fail(std::string(1, c) + " was unexpected at this time.");
      redirect_pending = true;
      if (c == '<') {
        pending_kind = Redirection::Kind::kRead;
        ++pos;
      } else if (pos + 1 < line.size() && line[pos + 1] == '>') {
        pending_kind = Redirection::Kind::kAppend;
        pos += 2;
      } else {
        pending_kind = Redirection::Kind::kTruncate;
        ++pos;
      }
      continue;
    }
    CommandWord word = read_word(line, pos);
    if (redirect_pending) {
      result.stages.back().redirections.push_back(Redirection{pending_kind, std::move(word)});
      redirect_pending = false;
    } else {
      result.stages.back().words.push_back(std::move(word));
    }
  }
  if (redirect_pending) return fail(std::string(kSyntaxError));
  if (result.stages.size() > 1 && result.stages.back().words.empty())
    return fail("| was unexpected at this time.");
  if (result.stages.size() == 1 && is_empty(result.stages[0])) result.stages.clear();
  return result;
}

bool parse_for(const std::vector<CommandWord>& args, ForCommand& command) {
  std::size_t close = 2;
  while (close < args.size() && (args[close].raw.empty() || args[close].raw.back() != ')')) ++close;
  const bool sound = args.size() >= 5 && is_for_variable(args[0].text) && !args[0].quoted &&
                     ascii_lower(args[1].text) == "in" && !args[2].raw.empty() && args[2].raw[0] == '(' &&
                     close + 2 < args.size() && ascii_lower(args[close + 1].text) == "do";
  if (!sound) return false;
  command.variable = args[0].text;
  command.set_items.clear();
  for (std::size_t i = 2; i <= close; ++i) {
    std::string_view item = args[i].text;
    if (i == 2 && !item.empty() && item.front() == '(') item.remove_prefix(1);
    if (i == close && !item.empty() && item.back() == ')') item.remove_suffix(1);
    if (!item.empty()) command.set_items.emplace_back(item);
  }
  command.body.assign(args.begin() + static_cast<std::ptrdiff_t>(close) + 2, args.end());
  return true;
}

}  // namespace kestram
