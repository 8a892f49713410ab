#pragma once

// An Office Open XML package (a zip of parts). Parts are read from the zip when first asked for and
// parsed as XML only when first asked for as XML; a part nobody changed is written back into the saved
// package exactly as it was stored, still compressed.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace tw::engine::ooxml {

// What a package may hold. Sized so that no accepted document needs more memory than a 32-bit Word
// process has (2 GB of address space). In a document job a part parsed as XML takes up to about 46 times
// its size (pugixml nodes, the story index, the merged copy; 46 MB of short paragraphs peaked at 2.1 GB),
// any other part about twice its size (read, then written on save). So at most 32 MB of XML (1.5 GB),
// 160 MB in all (another 0.25 GB), and no part above 64 MB. Word itself stops at 32 MB of text.
struct PackageLimits {
  // The most bytes one part may hold once decompressed, and all parts together.
  std::uint64_t maxPartSize = 64ull << 20;
  std::uint64_t maxTotalSize = 160ull << 20;
  // The most bytes the XML parts (names ending in .xml or .rels) may hold together once decompressed.
  std::uint64_t maxXmlSize = 32ull << 20;
  // A part above `ratioFloor` bytes may unpack to at most `maxCompressionRatio` times its packed size:
  // Word's parts shrink 3 to 30 times, a zip bomb a thousand times.
  std::uint64_t maxCompressionRatio = 100;
  std::uint64_t ratioFloor = 1ull << 20;
  // The deepest element nesting a part may have.
  int maxXmlDepth = 2000;
};

// Fills the empty document `to` with a copy of `from`.
using TreeCopier = std::function<void(const pugi::xml_document& from, pugi::xml_document& to)>;

// A parsed XML part; `dirty` marks it for serialisation on save.
struct XmlPart {
  XmlPart() = default;
  // A copy of the parsed part: its tree made by `copyTree`, else a deep copy.
  XmlPart(const XmlPart& other, const TreeCopier& copyTree = nullptr)
      : dirty(other.dirty), byteOrderMark(other.byteOrderMark), afterDeclaration(other.afterDeclaration) {
    if (copyTree) {
      copyTree(other.doc, doc);
    } else {
      doc.reset(other.doc);
    }
  }
  XmlPart& operator=(const XmlPart&) = delete;

  pugi::xml_document doc;
  bool dirty = false;
  // What the parser drops but a rewritten part keeps: a byte-order mark before the markup, and the
  // blanks after the XML declaration (Word writes CR LF there).
  bool byteOrderMark = false;
  std::string afterDeclaration;
};

class Package {
 public:
  // Reads the zip `bytes`. `fileName` names the file in error messages. Throws runtime::Error for
  // bytes that are not a zip package.
  Package(std::string bytes, std::string fileName, PackageLimits limits = {});
  ~Package();
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  const std::string& fileName() const { return fileName_; }
  void setFileName(std::string fileName) { fileName_ = std::move(fileName); }
  std::vector<std::string> partNames() const;
  bool hasPart(const std::string& name) const;

  // The bytes of a part (decompressed) as it now stands: a parsed part that was changed is serialised.
  std::string readPart(const std::string& name);
  // The part as XML, parsed on first use. Malformed XML is an error naming file and part.
  XmlPart& xml(const std::string& name);
  // Replaces or adds a part with raw bytes.
  void writePart(const std::string& name, std::string bytes);
  void removePart(const std::string& name);

  // The package as zip bytes: untouched parts copied as stored, changed parts written anew.
  std::string save();
  // A package with the same parts as this one now has, made without writing a zip: both read the parts
  // nobody changed from the same stored zip, and parsed parts are copied as parsed. The parsed part
  // `part`, if given, is copied by `copyPart` (which may leave out what the copy replaces anyway).
  std::unique_ptr<Package> copy(const std::string& part = {}, const TreeCopier& copyPart = nullptr) const;

 private:
  struct Reader;
  struct Entry;
  [[noreturn]] void fail(const std::string& what) const;
  Entry& entry(const std::string& name);
  // The decompressed bytes of a part, read on first use and kept.
  const std::string& load(Entry& e, const std::string& name);

  // Shares the stored zip and its reader with `source`; the entries are filled in by copy().
  Package(const Package& source, std::shared_ptr<Reader> reader);
  // Opens the stored zip for reading parts.
  void openReader();

  std::shared_ptr<const std::string> bytes_;  // the stored zip, read in place by reader_
  // Shared by a package and its copies (the directory is read once); the engine runs on one thread.
  std::shared_ptr<Reader> reader_;
  std::string fileName_;
  PackageLimits limits_;
  std::vector<std::string> order_;
  std::map<std::string, std::unique_ptr<Entry>> entries_;
};

// The declaration Word writes at the start of every XML part, with its line break.
inline constexpr std::string_view kWordXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

// Serialises a part the way Word would read it back: no indentation added, UTF-8, with the byte-order
// mark and the break after the declaration it was read with.
std::string serializeXml(XmlPart& part);

// Parses XML with whitespace and declarations kept, and notes what `part` needs to be written back as
// it started. Throws runtime::Error naming `where` for malformed XML or nesting deeper than `maxDepth`.
void parseXml(XmlPart& part, const std::string& bytes, const std::string& where, int maxDepth);

// Calls `visit` for every node below `root` (not `root` itself), in document order.
void forEachDescendant(pugi::xml_node root, const std::function<void(pugi::xml_node)>& visit);

}  // namespace tw::engine::ooxml
