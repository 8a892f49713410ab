#include "engine/mailmerge/field_code.h"

#include <algorithm>
#include <cctype>

#include "engine/mailmerge/text_case.h"
#include "runtime/text.h"

namespace tw::engine::mailmerge {
namespace {

struct Word {
  std::string text;
  bool quoted = false;
  bool switchWord = false;  // an unquoted word of code text that starts with a backslash
};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v';
}

class Splitter {
 public:
  // With `firstWordOnly`, splitting stops once the first word is complete.
  explicit Splitter(bool firstWordOnly = false) : firstWordOnly_(firstWordOnly) {}

  std::vector<Word> words;

  // Takes code text; stretches without a blank, quote or escape go into their word at once.
  void literal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && !(firstWordOnly_ && words.size() == 1 && !open_)) {
      char c = text[i];
      if (quoted_) {
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
          words.back().text += text[i + 1];
          i += 2;
        } else if (c == '"') {
          finish();
          ++i;
        } else {
          size_t end = std::min(text.find_first_of("\\\"", i + 1), text.size());
          words.back().text.append(text.substr(i, end - i));
          i = end;
        }
      } else if (isBlank(c)) {
        finish();
        ++i;
      } else if (c == '"') {
        finish();
        start(true, false);
        ++i;
      } else {
        if (!open_) start(false, c == '\\');
        size_t end = i + 1;
        while (end < text.size() && !isBlank(text[end]) && text[end] != '"') ++end;
        words.back().text.append(text.substr(i, end - i));
        i = end;
      }
    }
  }

  void nested(std::string_view result) {
    if (!open_) start(false, false);
    words.back().text += result;
  }

 private:
  void start(bool quoted, bool switchWord) {
    words.push_back(Word{"", quoted, switchWord});
    open_ = true;
    quoted_ = quoted;
  }
  void finish() {
    open_ = false;
    quoted_ = false;
  }

  bool firstWordOnly_;
  bool open_ = false;
  bool quoted_ = false;
};

// Takes the keyword off the front of `words` (upper-cased; "" when the code starts with a switch) and
// returns the index of the first word after it. A formula's "=" is its keyword also when glued to the
// expression (=1+2), and a switch may follow the keyword without a blank (PAGE\*roman): the rest of such
// a word becomes a word of its own.
size_t takeKeyword(std::vector<Word>& words, std::string& keyword) {
  if (words.empty() || words.front().switchWord) return 0;
  Word& first = words.front();
  size_t end = first.quoted ? std::string::npos : first.text.starts_with('=') ? 1 : first.text.find('\\');
  if (end != std::string::npos && end > 0 && end < first.text.size()) {
    Word rest{first.text.substr(end), false, first.text[end] == '\\'};
    first.text.resize(end);
    words.insert(words.begin() + 1, std::move(rest));
  }
  keyword = toUpper(words.front().text);  // the insert may have moved `first`
  return 1;
}

bool takesArgument(char kind) {
  return kind == '#' || kind == '@' || kind == '*' || kind == 'b' || kind == 'f' || kind == 'c';
}

}  // namespace

std::optional<std::string> FieldCode::switchArgument(char kind) const {
  for (const FieldSwitch& s : switches) {
    if (s.kind == kind) return s.argument;
  }
  return std::nullopt;
}

bool FieldCode::hasSwitch(char kind) const {
  return switchArgument(kind).has_value();
}

bool FieldCode::hasFormat(std::string_view format) const {
  return std::any_of(switches.begin(), switches.end(), [&](const FieldSwitch& s) {
    return s.kind == '*' && runtime::equalsTextCompare(s.argument, format);
  });
}

std::string FieldCode::firstArgument() const {
  return arguments.empty() ? std::string() : arguments.front().text;
}

FieldCode parseFieldCode(std::span<const CodePiece> pieces) {
  Splitter splitter;
  for (const CodePiece& piece : pieces) {
    if (piece.nestedResult)
      splitter.nested(piece.text);
    else
      splitter.literal(piece.text);
  }
  std::vector<Word>& words = splitter.words;

  FieldCode code;
  for (size_t i = takeKeyword(words, code.keyword); i < words.size(); ++i) {
    Word& word = words[i];
    if (!word.switchWord || word.text.size() < 2) {
      code.arguments.push_back(FieldArgument{std::move(word.text), word.quoted});
      continue;
    }
    FieldSwitch sw;
    sw.kind = static_cast<char>(std::tolower(static_cast<unsigned char>(word.text[1])));
    if (takesArgument(sw.kind)) {
      if (word.text.size() > 2) {
        sw.argument = word.text.substr(2);
      } else if (i + 1 < words.size() && !words[i + 1].switchWord) {
        sw.argument = std::move(words[++i].text);
      }
    }
    code.switches.push_back(std::move(sw));
  }
  return code;
}

FieldCode parseFieldCode(std::string_view code) {
  CodePiece piece{std::string(code), false};
  return parseFieldCode(std::span<const CodePiece>(&piece, 1));
}

std::string parseFieldKeyword(std::string_view code) {
  Splitter splitter(true);
  splitter.literal(code);
  std::string keyword;
  takeKeyword(splitter.words, keyword);
  return keyword;
}

}  // namespace tw::engine::mailmerge
