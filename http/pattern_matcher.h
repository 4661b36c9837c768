#pragma once
// A small regular-expression object in the manner of the classic script engines: execute a
// pattern over a subject once, then ask for the matches and their groups. PCRE2 in byte mode
// does the matching, so GBK text goes in unchanged. Options: case ignored unless asked,
// multi-line anchors, newline LF (a dot matches CR but never LF), ASCII \w, \d and \s.

#include <memory>
#include <vector>

#include "base/text.h"

namespace brimlow {

class PatternMatcher {
 public:
  PatternMatcher();
  ~PatternMatcher();
  // A copy shares the compiled expression and the matches and copies the subject.
  PatternMatcher(const PatternMatcher&);
  PatternMatcher& operator=(const PatternMatcher&);

  // Replaces the expression, the matches and the subject. With `quote_placeholders` every
  // "#引号" in the pattern stands for a double quote. True when the pattern compiled and the
  // search ran (also when nothing matched); false for a bad pattern or a search that hit
  // PCRE2's match limit.
  bool execute(const Text& pattern, const Text& subject, bool case_sensitive = false,
               bool multiline = true, bool global = true, bool quote_placeholders = false);

  void no_operation() const {}

  // The pattern of the last execute (after placeholder replacement); empty before.
  Text pattern_text() const;

  // The subject with the matches replaced. In `replacement`, $& is the match, $1..$99 a
  // group, $` and $' the text before and after the match, $$ a dollar sign.
  // The empty text when no expression compiled.
  Text replace_all(const Text& replacement) const;

  int match_count() const;

  // Match and group numbers count from 1. Anything missing gives the empty text. The
  // optional position is the 1-based byte position in the subject, 0 when missing.
  Text match_text(int match_number, int* position = nullptr) const;
  Text submatch_text(int match_number, int group_number, int* position = nullptr) const;

  // The group count of the first match; 0 without matches.
  int submatch_count() const;

 private:
  struct Expression;
  struct Span {
    std::size_t start = 0;
    std::size_t length = 0;
    bool set = false;
  };
  struct Match {
    Span whole;
    std::vector<Span> groups;
  };

  Text span_text(const Span& span, int* position) const;
  const Match* match_at(int match_number) const;

  std::shared_ptr<const Expression> expression_;
  std::shared_ptr<const std::vector<Match>> matches_;
  Text subject_;
};

}  // namespace brimlow
