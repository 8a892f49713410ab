#include "engine/convert/word97_fields.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <map>
#include <optional>

#include "engine/engine.h"
#include "engine/mailmerge/field_code.h"
#include "engine/model/document_model.h"
#include "engine/ooxml/package.h"
#include "runtime/codepage.h"
#include "runtime/error.h"

namespace tw::engine::convert {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

// Little-endian reads that give nullopt past the end.
struct Bytes {
  std::string_view data;
  std::optional<std::uint32_t> u16(std::size_t at) const {
    if (at > data.size() || data.size() - at < 2) return std::nullopt;
    return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at]) |
                                      static_cast<unsigned char>(data[at + 1]) << 8);
  }
  std::optional<std::uint32_t> u32(std::size_t at) const {
    auto low = u16(at), high = u16(at + 2);
    if (!low || !high) return std::nullopt;
    return *low | *high << 16;
  }
};

// The streams of an OLE compound file (version 3 or 4), as far as they can be read.
class CompoundFile {
 public:
  explicit CompoundFile(std::string_view file) : file_{file} {
    auto shift = file_.u16(0x1E), miniShift = file_.u16(0x20);
    if (!shift || (*shift != 9 && *shift != 12) || !miniShift || *miniShift != 6) return;
    sectorSize_ = std::size_t{1} << *shift;
    // The sectors of the allocation table: 109 in the header, the rest in a chain of its own.
    std::vector<std::uint32_t> fatSectors;
    for (std::size_t i = 0; i < 109; ++i) {
      auto sector = file_.u32(0x4C + 4 * i);
      if (sector && *sector < kEndOfChain - 2) fatSectors.push_back(*sector);
    }
    auto difat = file_.u32(0x44);
    for (std::size_t guard = 0; difat && *difat < kEndOfChain - 2 && guard < 4096; ++guard) {
      std::size_t base = offsetOf(*difat);
      for (std::size_t i = 0; i + 1 < sectorSize_ / 4; ++i) {
        auto sector = file_.u32(base + 4 * i);
        if (sector && *sector < kEndOfChain - 2) fatSectors.push_back(*sector);
      }
      difat = file_.u32(base + sectorSize_ - 4);
    }
    // No more table than the file has sectors: a damaged header must not make it large.
    fatSectors.resize(std::min(fatSectors.size(), file_.data.size() / sectorSize_ / (sectorSize_ / 4) + 1));
    for (std::uint32_t sector : fatSectors) {
      for (std::size_t i = 0; i < sectorSize_ / 4; ++i)
        fat_.push_back(file_.u32(offsetOf(sector) + 4 * i).value_or(kEndOfChain));
    }
    std::string directory = chain(file_.u32(0x30).value_or(kEndOfChain), fat_, sectorSize_, file_.data, 1);
    miniCutoff_ = file_.u32(0x38).value_or(4096);
    std::string miniFatBytes = chain(file_.u32(0x3C).value_or(kEndOfChain), fat_, sectorSize_, file_.data, 1);
    for (std::size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4)
      miniFat_.push_back(Bytes{miniFatBytes}.u32(i).value_or(kEndOfChain));
    Bytes entries{directory};
    for (std::size_t at = 0; at + 128 <= directory.size(); at += 128) {
      std::size_t nameBytes = std::min<std::size_t>(entries.u16(at + 0x40).value_or(0), 64);
      std::string name;
      for (std::size_t i = 0; i + 3 < nameBytes; i += 2) name += directory[at + i];  // ASCII names only
      Entry entry{entries.u32(at + 0x74).value_or(kEndOfChain), entries.u32(at + 0x78).value_or(0)};
      if (at == 0) {
        miniStream_ = chain(entry.start, fat_, sectorSize_, file_.data, 1, entry.size);
      } else if (directory[at + 0x42] == 2) {
        streams_.emplace(name, entry);
      }
    }
  }

  // The stream's bytes, or "" when it is missing.
  std::string stream(const std::string& name) const {
    auto it = streams_.find(name);
    if (it == streams_.end()) return "";
    if (it->second.size < miniCutoff_)
      return chain(it->second.start, miniFat_, 64, miniStream_, 0, it->second.size);
    return chain(it->second.start, fat_, sectorSize_, file_.data, 1, it->second.size);
  }

 private:
  struct Entry {
    std::uint32_t start = kEndOfChain;
    std::uint32_t size = 0;
  };

  std::size_t offsetOf(std::uint32_t sector) const { return (std::size_t{sector} + 1) * sectorSize_; }

  // The sectors of a chain one after another, at most `limit` bytes; a broken or looping chain ends it.
  // Sector n lies at (n + skip) * size of `data`: regular sectors follow the file's header sector, mini
  // sectors fill the mini stream from its start.
  static std::string chain(std::uint32_t sector, const std::vector<std::uint32_t>& table, std::size_t size,
                           std::string_view data, std::size_t skip, std::size_t limit = SIZE_MAX) {
    std::string out;
    for (std::size_t steps = 0; sector < table.size() && steps <= table.size() && out.size() < limit;
         ++steps) {
      std::size_t at = (std::size_t{sector} + skip) * size;
      if (at >= data.size()) break;
      out.append(data.substr(at, std::min(size, data.size() - at)));
      sector = table[sector];
    }
    if (out.size() > limit) out.resize(limit);
    return out;
  }

  Bytes file_;
  std::size_t sectorSize_ = 512;
  std::uint32_t miniCutoff_ = 4096;
  std::vector<std::uint32_t> fat_, miniFat_;
  std::string miniStream_;
  std::map<std::string, Entry> streams_;
};

constexpr std::size_t kStoryKinds = 7;
using StoryTexts = std::array<std::string, kStoryKinds>;

// The document's text from its piece table (the CLX in the table stream), in UTF-8, by kind of story.
StoryTexts textOf(const CompoundFile& file) {
  StoryTexts texts;
  const std::string word = file.stream("WordDocument");
  Bytes fib{word};
  // Word 97 and later (nFib 0xC1 and up) keep the piece table where read here.
  if (fib.u16(0) != 0xA5ECu || fib.u16(2).value_or(0) < 0xC1) return texts;
  const bool table1 = (fib.u16(0x0A).value_or(0) & 0x0200) != 0;
  const std::string table = file.stream(table1 ? "1Table" : "0Table");
  auto fcClx = fib.u32(0x01A2), lcbClx = fib.u32(0x01A6);
  if (!fcClx || !lcbClx || *fcClx >= table.size()) return texts;
  Bytes clx{std::string_view(table).substr(*fcClx, std::min<std::size_t>(*lcbClx, table.size() - *fcClx))};
  std::size_t at = 0;
  while (at < clx.data.size() && clx.data[at] == 0x01) at += 3 + clx.u16(at + 1).value_or(clx.data.size());
  if (at >= clx.data.size() || clx.data[at] != 0x02) return texts;
  std::size_t pieces = std::min<std::size_t>(clx.u32(at + 1).value_or(4) / 12, clx.data.size() / 12);
  std::size_t cps = at + 5, descriptors = cps + 4 * (pieces + 1);

  // The stories follow one another in the text with the lengths the FIB gives (the fourth, macro text,
  // is unused since Word 97); what follows them is the text's closing paragraph mark. Lengths that do
  // not fit the text make it all main text.
  constexpr std::optional<Word97Story> kOrder[] = {Word97Story::Main,           Word97Story::Footnotes,
                                                   Word97Story::HeadersFooters, std::nullopt,
                                                   Word97Story::Comments,       Word97Story::Endnotes,
                                                   Word97Story::TextBoxes,      Word97Story::HeaderTextBoxes};
  std::vector<std::pair<std::uint64_t, std::optional<Word97Story>>> ends;  // the end of each story
  std::uint64_t end = 0;
  for (std::size_t i = 0; i < std::size(kOrder); ++i) {
    end += fib.u32(0x4C + 4 * i).value_or(UINT32_MAX);
    ends.emplace_back(end, kOrder[i]);
  }
  if (end == 0 || end > clx.u32(cps + 4 * pieces).value_or(0)) ends = {{UINT64_MAX, Word97Story::Main}};
  auto append = [&](std::uint64_t cp, std::string_view utf8) {
    auto story = std::find_if(ends.begin(), ends.end(), [&](const auto& e) { return cp < e.first; });
    if (story != ends.end() && story->second) texts[static_cast<std::size_t>(*story->second)] += utf8;
  };

  std::size_t written = 0;
  for (std::size_t i = 0; i < pieces; ++i) {
    auto start = clx.u32(cps + 4 * i), stop = clx.u32(cps + 4 * i + 4), fc = clx.u32(descriptors + 8 * i + 2);
    if (!start || !stop || !fc || *stop < *start || written > word.size() * 3) break;
    std::size_t count = *stop - *start;
    written += count;
    if (*fc & 0x40000000) {  // eight bits a character, Windows-1252
      std::size_t offset = (*fc & 0x3FFFFFFF) / 2;
      for (std::size_t k = 0; k < count && offset + k < word.size(); ++k)
        append(*start + k, runtime::cp1252ToUtf8(std::string_view(word).substr(offset + k, 1)));
    } else {
      Bytes units{word};
      for (std::size_t k = 0; k < count; ++k) {
        auto unit = units.u16(*fc + 2 * k);
        if (!unit) break;
        std::uint32_t c = *unit;
        const std::size_t first = k;
        auto low = units.u16(*fc + 2 * k + 2);
        if (c >= 0xD800 && c < 0xDC00 && low && *low >= 0xDC00 && *low < 0xE000 && k + 1 < count) {
          c = 0x10000 + ((c - 0xD800) << 10) + (*low - 0xDC00);
          ++k;
        }
        std::string utf8;
        runtime::appendUtf8(utf8, c);
        append(*start + first, utf8);
      }
    }
  }
  return texts;
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The column of a MERGEFIELD code, lower-cased; nullopt for other codes.
std::optional<std::string> mergeColumnOf(std::string_view code) {
  auto parsed = mailmerge::parseFieldCode(code);
  if (parsed.keyword != "MERGEFIELD" || parsed.firstArgument().empty()) return std::nullopt;
  return lowerCase(parsed.firstArgument());
}

}  // namespace

std::vector<Word97Field> word97Fields(std::string_view file) {
  const StoryTexts texts = textOf(CompoundFile(file));
  // Marks 19, 20 and 21 begin a field, end its code and end it; a nested field sits in its parent's code.
  struct Open {
    std::size_t index;
    bool inCode = true;
  };
  std::vector<Word97Field> fields;
  for (std::size_t story = 0; story < kStoryKinds; ++story) {
    std::vector<Open> open;
    for (char c : texts[story]) {
      if (c == '\x13') {
        open.push_back({fields.size()});
        fields.push_back({"", open.size() > 1, static_cast<Word97Story>(story)});
      } else if (c == '\x14') {
        if (!open.empty()) open.back().inCode = false;
      } else if (c == '\x15') {
        if (!open.empty()) open.pop_back();
      } else if (!open.empty() && open.back().inCode) {
        fields[open.back().index].code += c;
      }
    }
  }
  return fields;
}

std::string restoreMergeFieldCodes(const std::string& docx, const std::vector<Word97Field>& fields) {
  // The codes of each column in the binary document: in the whole text and by kind of story.
  struct Column {
    std::vector<std::string> codes;
    std::array<std::vector<std::string>, kStoryKinds> codesIn;
    std::array<std::size_t, kStoryKinds> convertedIn{};  // how many converted fields of the column
    std::array<std::size_t, kStoryKinds> pairedIn{};     // how many of those took a code so far
    std::size_t paired = 0;
  };
  std::map<std::string, Column> columns;
  for (const Word97Field& field : fields) {
    auto column = mergeColumnOf(field.code);
    if (!column || field.nested) continue;
    columns[*column].codes.push_back(field.code);
    columns[*column].codesIn[static_cast<std::size_t>(field.story)].push_back(field.code);
  }
  if (columns.empty()) return docx;
  auto codeOf = [](pugi::xml_node node) {
    return std::string_view(node.name()) == "w:fldSimple" ? node.attribute("w:instr").value()
                                                          : node.text().get();
  };
  auto doc = loadDocument(docx, "converted.docx");
  ooxml::Package& package = doc->package();

  // The converted merge fields by kind of story, each kind in the binary document's order.
  struct Converted {
    pugi::xml_node node;
    std::string part;
    Column* column;
  };
  std::array<std::vector<Converted>, kStoryKinds> converted;
  auto collect = [&](const std::string& part, Word97Story text, Word97Story textBoxes) {
    for (pugi::xpath_node hit : package.xml(part).doc.select_nodes("//w:instrText | //w:fldSimple")) {
      pugi::xml_node node = hit.node();
      bool inTextBox = false, fallback = false;
      for (pugi::xml_node up = node.parent(); up; up = up.parent()) {
        inTextBox = inTextBox || std::string_view(up.name()) == "w:txbxContent";
        fallback = fallback || std::string_view(up.name()) == "mc:Fallback";
      }
      // A text box's fallback repeats the text of its mc:Choice, which is the one that counts.
      auto column = mergeColumnOf(codeOf(node));
      auto it = column ? columns.find(*column) : columns.end();
      if (fallback || it == columns.end()) continue;
      auto story = static_cast<std::size_t>(inTextBox ? textBoxes : text);
      converted[story].push_back({node, part, &it->second});
      ++it->second.convertedIn[story];
    }
  };
  collect(doc->mainPart(), Word97Story::Main, Word97Story::TextBoxes);
  for (const std::string& part : doc->relatedParts("footnotes"))
    collect(part, Word97Story::Footnotes, Word97Story::Footnotes);
  // A binary document keeps the header stories of each section as even header, odd header, even
  // footer, odd footer, first header, first footer; the .docx's sections name the part of each.
  auto rank = [](const model::HeaderFooterRef& ref) {
    const bool first = ref.type == "first";
    int place = ref.type == "even" ? 0 : first ? 4 : 1;  // a default header or footer serves odd pages
    return std::pair(ref.section, place + (first ? 1 : 2) * ref.footer);
  };
  std::vector<model::HeaderFooterRef> headers = doc->headerFooterRefs();
  std::stable_sort(headers.begin(), headers.end(),
                   [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
  std::vector<std::string> seen;
  for (const auto& ref : headers) {
    if (std::find(seen.begin(), seen.end(), ref.part) != seen.end()) continue;
    seen.push_back(ref.part);
    collect(ref.part, Word97Story::HeadersFooters, Word97Story::HeaderTextBoxes);
  }
  for (const std::string& part : doc->relatedParts("comments"))
    collect(part, Word97Story::Comments, Word97Story::Comments);
  for (const std::string& part : doc->relatedParts("endnotes"))
    collect(part, Word97Story::Endnotes, Word97Story::Endnotes);

  // Where both sides hold as many fields of a column in a kind of story, they pair up there; elsewhere
  // the column's fields pair up in the order of the whole text.
  bool changed = false;
  for (std::size_t story = 0; story < kStoryKinds; ++story) {
    for (auto& [node, part, column] : converted[story]) {
      const std::size_t inStory = column->pairedIn[story]++, inText = column->paired++;
      const std::string& code = column->codesIn[story].size() == column->convertedIn[story]
                                    ? column->codesIn[story][inStory]
                                    : column->codes[std::min(inText, column->codes.size() - 1)];
      if (code == codeOf(node)) continue;
      if (std::string_view(node.name()) == "w:fldSimple") {
        node.attribute("w:instr") = code.c_str();
      } else {
        node.text().set(code.c_str());
        if (!node.attribute("xml:space")) node.append_attribute("xml:space") = "preserve";
      }
      package.xml(part).dirty = true;
      changed = true;
    }
  }
  return changed ? package.save() : docx;
}

}  // namespace tw::engine::convert
