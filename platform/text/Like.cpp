#include "platform/text/Like.h"

#include <optional>
#include <utility>
#include <vector>

namespace vb {
namespace {

struct Token {
  enum class Kind { Literal, AnyOne, AnyRun, Digit, List };
  Kind kind = Kind::Literal;
  char16_t ch = 0;
  bool negated = false;
  std::vector<std::pair<char16_t, char16_t>> ranges;  // single characters are ranges of one
};

// The pattern as tokens, or nothing when it is malformed.
std::optional<std::vector<Token>> Compile(const QString& pattern) {
  std::vector<Token> tokens;
  const qsizetype n = pattern.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = pattern.at(i).unicode();
    Token t;
    switch (c) {
      case u'?':
        t.kind = Token::Kind::AnyOne;
        break;
      case u'*':
        // Runs of "*" behave as one.
        if (!tokens.empty() && tokens.back().kind == Token::Kind::AnyRun) continue;
        t.kind = Token::Kind::AnyRun;
        break;
      case u'#':
        t.kind = Token::Kind::Digit;
        break;
      case u'[': {
        const qsizetype close = pattern.indexOf(u']', i + 1);
        if (close < 0) return std::nullopt;
        qsizetype j = i + 1;
        t.kind = Token::Kind::List;
        if (j < close && pattern.at(j) == u'!') {
          t.negated = true;
          ++j;
        }
        const qsizetype first = j;
        while (j < close) {
          const char16_t lo = pattern.at(j).unicode();
          // "a-z" is a range unless the "-" is the list's last character;
          // a "-" at the start of the list is the character itself.
          if (j + 2 < close && pattern.at(j + 1) == u'-' && !(lo == u'-' && j == first)) {
            const char16_t hi = pattern.at(j + 2).unicode();
            if (hi < lo) return std::nullopt;
            t.ranges.emplace_back(lo, hi);
            j += 3;
          } else {
            t.ranges.emplace_back(lo, lo);
            ++j;
          }
        }
        i = close;
        // "[]" stands for nothing at all; "[!]" for any one character.
        if (t.ranges.empty() && !t.negated) continue;
        break;
      }
      default:
        t.kind = Token::Kind::Literal;
        t.ch = c;
        break;
    }
    tokens.push_back(std::move(t));
  }
  return tokens;
}

bool SameChar(char16_t a, char16_t b, bool text) {
  if (a == b) return true;
  return text && QChar(a).toCaseFolded() == QChar(b).toCaseFolded();
}

bool InRanges(const Token& t, char16_t c) {
  for (const auto& [lo, hi] : t.ranges) {
    if (c >= lo && c <= hi) return true;
  }
  return false;
}

bool Matches(const Token& t, char16_t c, bool text) {
  switch (t.kind) {
    case Token::Kind::AnyOne:
      return true;
    case Token::Kind::Digit:
      return c >= u'0' && c <= u'9';
    case Token::Kind::Literal:
      return SameChar(t.ch, c, text);
    case Token::Kind::List: {
      bool in = InRanges(t, c);
      if (!in && text) {
        const QChar q(c);
        in = InRanges(t, q.toLower().unicode()) || InRanges(t, q.toUpper().unicode());
      }
      return in != t.negated;
    }
    case Token::Kind::AnyRun:
      break;
  }
  return false;
}

}  // namespace

bool IsValidLikePattern(const QString& pattern) { return Compile(pattern).has_value(); }

bool Like(const QString& text, const QString& pattern, CompareMethod compare) {
  const auto compiled = Compile(pattern);
  if (!compiled) return false;
  const std::vector<Token>& tokens = *compiled;
  const bool fold = compare == vbTextCompare;
  const size_t m = tokens.size();
  const qsizetype n = text.size();

  // Greedy walk that backs up to the last "*" on a mismatch: every other token
  // takes exactly one character, so this finds a match whenever one exists.
  size_t p = 0;
  qsizetype t = 0;
  std::optional<size_t> starToken;
  qsizetype starText = 0;
  while (t < n) {
    if (p < m && tokens[p].kind == Token::Kind::AnyRun) {
      starToken = p++;
      starText = t;
    } else if (p < m && Matches(tokens[p], text.at(t).unicode(), fold)) {
      ++p;
      ++t;
    } else if (starToken) {
      p = *starToken + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < m && tokens[p].kind == Token::Kind::AnyRun) ++p;
  return p == m;
}

}  // namespace vb
