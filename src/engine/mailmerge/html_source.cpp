#include <libxml/HTMLparser.h>

#include <cstring>
#include <memory>

#include "engine/mailmerge/data_source.h"
#include "runtime/codepage.h"

namespace tw::engine::mailmerge {
namespace {

// Collects the rows of the first table from the parser's element and text events.
class TableCollector {
 public:
  DataTable table;
  bool foundTable = false;

  void start(std::string_view name, const xmlChar** attributes) {
    if (done_) return;
    if (name == "table") {
      if (depth_ == 0 && foundTable) return;  // a later table: stop caring
      foundTable = true;
      ++depth_;
      separate('\r');  // a table nested in a cell stands on its own lines
      return;
    }
    if (depth_ == 0) return;
    if (depth_ == 1 && name == "tr") {
      finishCell();
      table.beginRecord();
      inRow_ = true;
      return;
    }
    if (depth_ == 1 && (name == "td" || name == "th")) {
      finishCell();
      if (!inRow_) {
        table.beginRecord();
        inRow_ = true;
      }
      inCell_ = true;
      return;
    }
    if (!inCell_) return;
    if (name == "tr") {
      separate('\r');
    } else if (name == "td" || name == "th") {
      separate(' ');
    } else if (name == "br") {
      text_ += '\v';
    } else if ((name == "p" || name == "div") && !text_.empty()) {
      text_ += '\r';
    } else if (name == "img" && !picture_) {
      picture_ = PictureValue{};
      for (const xmlChar** a = attributes; a && a[0]; a += 2) {
        std::string key = reinterpret_cast<const char*>(a[0]);
        std::string value = a[1] ? reinterpret_cast<const char*>(a[1]) : "";
        if (key == "src") picture_->path = runtime::utf8ToCp1252(value);
        if (key == "width") picture_->width = leadingNumber(value);
        if (key == "height") picture_->height = leadingNumber(value);
      }
    }
  }

  void end(std::string_view name) {
    if (done_ || depth_ == 0) return;
    if (name == "table") {
      if (--depth_ == 0) {
        finishCell();
        done_ = true;
      }
      return;
    }
    if (depth_ != 1) return;
    if (name == "td" || name == "th") finishCell();
    if (name == "tr") {
      finishCell();
      inRow_ = false;
    }
  }

  void characters(std::string_view text) {
    if (done_ || !inCell_) return;
    for (char c : text) {
      bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
      if (!blank) {
        text_ += c;
      } else if (!text_.empty() && text_.back() != ' ') {
        text_ += ' ';
      }
    }
  }

  void finishParse() {
    if (!done_) finishCell();
  }

 private:
  static std::optional<int> leadingNumber(std::string_view text) {
    int value = 0;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    size_t first = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1000000; ++i)
      value = value * 10 + (text[i] - '0');
    return i > first ? std::optional<int>(value) : std::nullopt;
  }

  void separate(char mark) {
    if (inCell_ && !text_.empty() && text_.back() != mark) text_ += mark;
  }

  void finishCell() {
    if (!inCell_) return;
    if (picture_) {
      table.addPicture(std::move(*picture_));
    } else {
      table.addCell(runtime::utf8ToCp1252(collapsed(text_)));
    }
    text_.clear();
    picture_.reset();
    inCell_ = false;
  }

  // Drops blanks at the ends and around line and paragraph breaks.
  static std::string collapsed(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      char c = text[i];
      bool nextIsBreak = i + 1 < text.size() && (text[i + 1] == '\v' || text[i + 1] == '\r');
      bool afterBreak = !out.empty() && (out.back() == '\v' || out.back() == '\r');
      if (c == ' ' && (out.empty() || afterBreak || nextIsBreak || i + 1 == text.size())) continue;
      out += c;
    }
    return out;
  }

  int depth_ = 0;
  bool done_ = false;
  bool inRow_ = false;
  bool inCell_ = false;
  std::string text_;  // UTF-8 while the cell is open
  std::optional<PictureValue> picture_;
};

TableCollector& collector(void* context) {
  auto* parser = static_cast<htmlParserCtxtPtr>(context);
  return *static_cast<TableCollector*>(parser->_private);
}

void onStart(void* context, const xmlChar* name, const xmlChar** attributes) {
  collector(context).start(reinterpret_cast<const char*>(name), attributes);
}
void onEnd(void* context, const xmlChar* name) {
  collector(context).end(reinterpret_cast<const char*>(name));
}
void onCharacters(void* context, const xmlChar* text, int length) {
  collector(context).characters(
      std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(length)));
}
void ignoreMessage(void*, const char*, ...) {}

struct ParserDeleter {
  void operator()(htmlParserCtxtPtr parser) const {
    if (parser->myDoc) xmlFreeDoc(parser->myDoc);
    htmlFreeParserCtxt(parser);
  }
};

}  // namespace

DataTable readHtmlTable(std::string_view bytes, const std::string& fileName) {
  htmlSAXHandler sax;
  std::memset(&sax, 0, sizeof sax);
  sax.startElement = onStart;
  sax.endElement = onEnd;
  sax.characters = onCharacters;
  sax.cdataBlock = onCharacters;
  sax.ignorableWhitespace = onCharacters;  // blanks between inline elements still separate words
  sax.warning = ignoreMessage;
  sax.error = ignoreMessage;

  TableCollector collected;
  std::unique_ptr<htmlParserCtxt, ParserDeleter> parser(
      htmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, fileName.c_str(), XML_CHAR_ENCODING_UTF8));
  if (!parser) throw runtime::Error::fromNumber(runtime::kOutOfMemory);
  parser->_private = &collected;
  htmlCtxtUseOptions(parser.get(), HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                       HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
  // The page is Windows-1252; it is fed in slices converted to UTF-8 so memory stays flat.
  constexpr size_t kSlice = 1 << 16;
  for (size_t at = 0; at < bytes.size(); at += kSlice) {
    std::string utf8 = runtime::cp1252ToUtf8(bytes.substr(at, kSlice));
    htmlParseChunk(parser.get(), utf8.data(), static_cast<int>(utf8.size()), 0);
  }
  htmlParseChunk(parser.get(), nullptr, 0, 1);
  collected.finishParse();
  if (!collected.foundTable) throw unreadableSource(fileName, "the page holds no table");
  return std::move(collected.table);
}

}  // namespace tw::engine::mailmerge
