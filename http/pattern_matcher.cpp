#include "http/pattern_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "base/text_ops.h"

namespace brimlow {
namespace {

// Keeps a pathological pattern from spinning the window thread: past this many backtracking
// steps a search fails instead of running on.
constexpr std::uint32_t kMatchLimit = 1'000'000;

struct CodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct CompileContextFree {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// Length of the character at `offset`: a GBK lead byte takes its trail byte along, so a
// search that steps past an empty match never lands inside a double-byte character.
std::size_t character_length(const Text& text, std::size_t offset) {
  const auto byte = static_cast<unsigned char>(text[offset]);
  return byte >= 0x81 && offset + 1 < text.size() ? 2 : 1;
}

}  // namespace

struct PatternMatcher::Expression {
  Text pattern;
  bool global = true;
  std::unique_ptr<pcre2_code, CodeFree> code;
};

PatternMatcher::PatternMatcher() = default;
PatternMatcher::~PatternMatcher() = default;
PatternMatcher::PatternMatcher(const PatternMatcher&) = default;
PatternMatcher& PatternMatcher::operator=(const PatternMatcher&) = default;

bool PatternMatcher::execute(const Text& pattern, const Text& subject, bool case_sensitive,
                             bool multiline, bool global, bool quote_placeholders) {
  expression_.reset();
  matches_.reset();
  subject_ = subject;

  auto expression = std::make_shared<Expression>();
  expression->global = global;
  expression->pattern =
      quote_placeholders ? text_replace(pattern, "#\xD2\xFD\xBA\xC5", "\"", 1, -1, true)  // "#引号"
                         : pattern;

  std::unique_ptr<pcre2_compile_context, CompileContextFree> compile_context(
      pcre2_compile_context_create(nullptr));
  if (!compile_context) return false;
  pcre2_set_newline(compile_context.get(), PCRE2_NEWLINE_LF);
  std::uint32_t options = 0;
  if (!case_sensitive) options |= PCRE2_CASELESS;
  // Without multi-line, "$" means the very end, not "before a final line feed".
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  expression->code.reset(pcre2_compile(
      reinterpret_cast<PCRE2_SPTR>(expression->pattern.data()), expression->pattern.size(),
      options, &error_code, &error_offset, compile_context.get()));
  expression_ = expression;
  if (!expression->code) return false;

  std::unique_ptr<pcre2_match_context, MatchContextFree> match_context(
      pcre2_match_context_create(nullptr));
  std::unique_ptr<pcre2_match_data, MatchDataFree> data(
      pcre2_match_data_create_from_pattern(expression->code.get(), nullptr));
  if (!match_context || !data) return false;
  pcre2_set_match_limit(match_context.get(), kMatchLimit);

  auto matches = std::make_shared<std::vector<Match>>();
  const auto* subject_bytes = reinterpret_cast<PCRE2_SPTR>(subject_.data());
  std::size_t offset = 0;
  std::uint32_t match_options = 0;
  while (offset <= subject_.size()) {
    const int rc = pcre2_match(expression->code.get(), subject_bytes, subject_.size(), offset,
                               match_options, data.get(), match_context.get());
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (match_options == 0 || offset >= subject_.size()) break;
      // No non-empty match where the last empty one was: move on by one character.
      offset += character_length(subject_, offset);
      match_options = 0;
      continue;
    }
    if (rc < 0) return false;

    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    const std::uint32_t pairs = pcre2_get_ovector_count(data.get());
    Match match;
    match.whole = {ovector[0], ovector[1] - ovector[0], true};
    for (std::uint32_t i = 1; i < pairs; ++i) {
      Span group;
      if (ovector[2 * i] != PCRE2_UNSET) {
        group = {ovector[2 * i], ovector[2 * i + 1] - ovector[2 * i], true};
      }
      match.groups.push_back(group);
    }
    matches->push_back(match);
    if (!global) break;

    offset = ovector[1];
    // After an empty match, first try for a non-empty one at the same place.
    match_options = ovector[0] == ovector[1] ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
  }
  matches_ = std::move(matches);
  return true;
}

Text PatternMatcher::pattern_text() const {
  return expression_ ? expression_->pattern : Text();
}

Text PatternMatcher::replace_all(const Text& replacement) const {
  if (!expression_ || !expression_->code || !matches_) return {};
  Text out;
  std::size_t copied = 0;
  for (const Match& match : *matches_) {
    out.append(subject_, copied, match.whole.start - copied);
    for (std::size_t i = 0; i < replacement.size(); ++i) {
      const char c = replacement[i];
      const char next = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
      if (c != '$' || next == '\0') {
        out += c;
        continue;
      }
      if (next == '$') {
        out += '$';
        ++i;
      } else if (next == '&') {
        out.append(subject_, match.whole.start, match.whole.length);
        ++i;
      } else if (next == '`') {
        out.append(subject_, 0, match.whole.start);
        ++i;
      } else if (next == '\'') {
        out.append(subject_, match.whole.start + match.whole.length, Text::npos);
        ++i;
      } else if (next >= '0' && next <= '9') {
        // Two digits when they name an existing group, else one.
        std::size_t number = static_cast<std::size_t>(next - '0');
        std::size_t used = 1;
        const char third = i + 2 < replacement.size() ? replacement[i + 2] : '\0';
        if (third >= '0' && third <= '9' &&
            number * 10 + static_cast<std::size_t>(third - '0') <= match.groups.size()) {
          number = number * 10 + static_cast<std::size_t>(third - '0');
          used = 2;
        }
        if (number >= 1 && number <= match.groups.size()) {
          const Span& group = match.groups[number - 1];
          if (group.set) out.append(subject_, group.start, group.length);
          i += used;
        } else {
          out += c;
        }
      } else {
        out += c;
      }
    }
    copied = match.whole.start + match.whole.length;
  }
  out.append(subject_, copied, Text::npos);
  return out;
}

int PatternMatcher::match_count() const {
  return matches_ ? static_cast<int>(matches_->size()) : 0;
}

const PatternMatcher::Match* PatternMatcher::match_at(int match_number) const {
  if (!matches_ || match_number < 1 || match_number > match_count()) return nullptr;
  return &(*matches_)[static_cast<std::size_t>(match_number - 1)];
}

Text PatternMatcher::span_text(const Span& span, int* position) const {
  if (position) *position = span.set ? static_cast<int>(span.start) + 1 : 0;
  return span.set ? subject_.substr(span.start, span.length) : Text();
}

Text PatternMatcher::match_text(int match_number, int* position) const {
  const Match* match = match_at(match_number);
  return span_text(match ? match->whole : Span{}, position);
}

Text PatternMatcher::submatch_text(int match_number, int group_number, int* position) const {
  const Match* match = match_at(match_number);
  if (!match || group_number < 1 || group_number > static_cast<int>(match->groups.size())) {
    return span_text(Span{}, position);
  }
  return span_text(match->groups[static_cast<std::size_t>(group_number - 1)], position);
}

int PatternMatcher::submatch_count() const {
  const Match* first = match_at(1);
  return first ? static_cast<int>(first->groups.size()) : 0;
}

}  // namespace brimlow
