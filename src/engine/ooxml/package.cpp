#include "engine/ooxml/package.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>

#include "engine/convert/binary_document.h"
#include "engine/errors.h"
#include "runtime/file_rule.h"

namespace tw::engine::ooxml {
namespace {

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct FileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct SourceFreer {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using ZipFile = std::unique_ptr<zip_file_t, FileCloser>;
using Source = std::unique_ptr<zip_source_t, SourceFreer>;

// Deflate level of the parts written anew, by libdeflate. Measured on 172 XML parts of Word documents
// (589 KB): level 1 takes 2.2 ms for 19.8 % of the bytes, level 3 3.2 ms for 19.5 %, level 6 4.1 ms for
// 18.6 %; zlib's level 2, used before, 4.2 ms for 20.3 %. A part's setup costs about as much as
// deflating 2 KB, so the cheapest level wins for the small parts a document consists of.
constexpr int kDeflateLevel = 1;

struct CompressorFreer {
  void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorFreer>;

// A part deflated before it goes into the zip: libzip copies data whose stat says it is deflated as it
// is, with the size and CRC given here.
struct DeflatedPart {
  DeflatedPart() { zip_error_init(&error); }
  ~DeflatedPart() { zip_error_fini(&error); }
  DeflatedPart(const DeflatedPart&) = delete;
  DeflatedPart& operator=(const DeflatedPart&) = delete;

  std::string data;
  zip_uint64_t size = 0;
  zip_uint32_t crc = 0;
  zip_uint64_t offset = 0;
  zip_error_t error;
};

zip_int64_t readDeflatedPart(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
  auto& part = *static_cast<DeflatedPart*>(state);
  switch (command) {
    case ZIP_SOURCE_OPEN:
      part.offset = 0;
      return 0;
    case ZIP_SOURCE_READ: {
      zip_uint64_t n = std::min<zip_uint64_t>(length, part.data.size() - part.offset);
      std::memcpy(data, part.data.data() + part.offset, n);
      part.offset += n;
      return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_STAT: {
      auto* st = static_cast<zip_stat_t*>(data);
      zip_stat_init(st);
      st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
      st->size = part.size;
      st->comp_size = part.data.size();
      st->comp_method = ZIP_CM_DEFLATE;
      st->crc = part.crc;
      return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&part.error, data, length);
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                            ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      zip_error_set(&part.error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

std::string megabytes(std::uint64_t bytes) {
  return std::to_string(bytes >> 20) + " MB";
}

// Opens `bytes` as a zip archive; null with `error` set on failure. A read-only archive reads `bytes` in
// place (they must outlive it). An archive to be written gets its own copy: when libzip writes, it may
// share the input buffer with the output and free it later.
Archive openArchive(const std::string& bytes, int flags, zip_error_t& error, Source* keepSource = nullptr) {
  zip_source_t* source = nullptr;
  if (flags & ZIP_RDONLY) {
    source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  } else {
    void* copy = std::malloc(std::max<std::size_t>(bytes.size(), 1));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, bytes.data(), bytes.size());
    source = zip_source_buffer_create(copy, bytes.size(), 1, &error);
    if (!source) std::free(copy);
  }
  if (!source) return nullptr;
  if (keepSource) {
    zip_source_keep(source);
    keepSource->reset(source);
  }
  zip_t* archive = zip_open_from_source(source, flags, &error);
  if (!archive) {
    zip_source_free(source);
    return nullptr;
  }
  return Archive(archive);
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// The parts Word parses as XML; their size counts against the XML limit.
bool isXmlPartName(std::string_view name) {
  return endsWith(name, ".xml") || endsWith(name, ".rels");
}

// Word stamps every entry of a package it writes 1 January 1980 00:00 (the earliest DOS time), made on
// a FAT file system with no attributes.
void markAsWordDoes(zip_t* archive, zip_uint64_t index) {
  constexpr zip_uint16_t kDosMidnight = 0;
  constexpr zip_uint16_t kDos1980January1 = (0 << 9) | (1 << 5) | 1;
  zip_file_set_dostime(archive, index, kDosMidnight, kDos1980January1, 0);
  zip_file_set_external_attributes(archive, index, 0, ZIP_OPSYS_DOS, 0);
}

}  // namespace

struct DecompressorFreer {
  void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

// The stored zip, opened once to read the parts from.
struct Package::Reader {
  Archive archive;
  std::unique_ptr<libdeflate_decompressor, DecompressorFreer> inflater{libdeflate_alloc_decompressor()};
};

struct Package::Entry {
  // The part's entry in the stored zip, for reading it.
  struct Stored {
    zip_int64_t index = -1;  // -1 for a part added since
    std::uint64_t size = 0;
    zip_uint16_t method = ZIP_CM_STORE;
    std::uint64_t packedSize = 0;
    std::uint32_t crc = 0;
  } stored;
  std::optional<std::string> bytes;  // read or written content
  std::unique_ptr<XmlPart> xml;
  bool replaced = false;  // bytes given by writePart
};

Package::Package(std::string bytes, std::string fileName, PackageLimits limits)
    : bytes_(std::make_shared<const std::string>(std::move(bytes))),
      fileName_(std::move(fileName)),
      limits_(limits) {
  if (convert::isCompoundFile(*bytes_)) {
    throw convert::binaryDocumentError(fileName_,
                                       "; only documents in the Word (.docx) zip format can be opened");
  }
  if (bytes_->size() < 4 || bytes_->compare(0, 2, "PK") != 0) fail("the file is not a zip package");
  openReader();
  zip_t* archive = reader_->archive.get();
  zip_int64_t count = zip_get_num_entries(archive, 0);
  std::uint64_t total = 0;
  std::uint64_t xmlTotal = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !st.name) {
      fail("the zip package is damaged (entry " + std::to_string(i) + ")");
    }
    auto entry = std::make_unique<Entry>();
    entry->stored = {i, st.size, st.comp_method, st.comp_size, st.crc};
    std::string name = st.name;
    // A name that would leave the folder it is unpacked into is not carried into any saved document.
    if (std::string reason = runtime::packageNameReason(name); !reason.empty())
      fail(runtime::refusalLine("zip entry", name, reason));
    if (st.size > limits_.maxPartSize) {
      fail("part " + name + " is larger than the limit of " + megabytes(limits_.maxPartSize) +
           " when decompressed");
    }
    if ((st.valid & ZIP_STAT_COMP_SIZE) && st.size > limits_.ratioFloor &&
        st.size / limits_.maxCompressionRatio > st.comp_size) {
      fail("part " + name + " unpacks to " + std::to_string(st.size) + " bytes from " +
           std::to_string(st.comp_size) + ", more than the limit of " +
           std::to_string(limits_.maxCompressionRatio) + " times its packed size");
    }
    total += st.size;
    if (total > limits_.maxTotalSize) {
      fail("the parts are larger than the limit of " + megabytes(limits_.maxTotalSize) +
           " together when decompressed");
    }
    if (isXmlPartName(name)) {
      xmlTotal += st.size;
      if (xmlTotal > limits_.maxXmlSize) {
        fail("the XML parts are larger than the limit of " + megabytes(limits_.maxXmlSize) +
             " together when decompressed");
      }
    }
    if (!name.empty() && name.back() == '/') continue;  // folder entry
    order_.push_back(name);
    entries_[name] = std::move(entry);
  }
}

Package::Package(const Package& source, std::shared_ptr<const std::string> bytes)
    : bytes_(std::move(bytes)), fileName_(source.fileName_), limits_(source.limits_), order_(source.order_) {
  openReader();
}

void Package::openReader() {
  zip_error_t error;
  zip_error_init(&error);
  reader_ = std::make_unique<Reader>(Reader{openArchive(*bytes_, ZIP_RDONLY, error)});
  if (!reader_->archive) {
    std::string reason = zip_error_strerror(&error);
    zip_error_fini(&error);
    fail("the zip package is damaged (" + reason + ")");
  }
}

Package::~Package() = default;

std::unique_ptr<Package> Package::copy(const std::string& part, const TreeCopier& copyPart) const {
  std::unique_ptr<Package> result(new Package(*this, bytes_));
  for (const auto& [name, e] : entries_) {
    auto entry = std::make_unique<Entry>();
    entry->stored = e->stored;
    entry->bytes = e->bytes;
    entry->replaced = e->replaced;
    if (e->xml) entry->xml = std::make_unique<XmlPart>(*e->xml, name == part ? copyPart : nullptr);
    result->entries_.emplace(name, std::move(entry));
  }
  return result;
}

void Package::fail(const std::string& what) const {
  throw corruptFile(fileName_, what);
}

std::vector<std::string> Package::partNames() const {
  return order_;
}

bool Package::hasPart(const std::string& name) const {
  return entries_.count(name) != 0;
}

Package::Entry& Package::entry(const std::string& name) {
  auto it = entries_.find(name);
  if (it == entries_.end()) fail("the package has no part " + name);
  return *it->second;
}

std::string Package::readPart(const std::string& name) {
  Entry& e = entry(name);
  // A changed part is read as it now stands, as save would write it.
  if (e.xml && e.xml->dirty) return serializeXml(*e.xml);
  return load(e, name);
}

const std::string& Package::load(Entry& e, const std::string& name) {
  if (e.bytes) return *e.bytes;
  const Entry::Stored& stored = e.stored;
  zip_t* archive = reader_->archive.get();
  // Deflated parts are read packed and inflated here in one call, which is several times faster than
  // libzip's streaming through zlib; libzip reads the others.
  const bool deflated = stored.method == ZIP_CM_DEFLATE && reader_->inflater;
  const std::uint64_t length = deflated ? stored.packedSize : stored.size;
  // The packed size comes from the zip's directory: no part's data is larger than the zip.
  if (length > bytes_->size() && (deflated || stored.method == ZIP_CM_STORE)) {
    fail("part " + name + " is damaged (its entry is larger than the package)");
  }
  ZipFile file(
      zip_fopen_index(archive, static_cast<zip_uint64_t>(stored.index), deflated ? ZIP_FL_COMPRESSED : 0));
  if (!file) fail("part " + name + " cannot be read (" + zip_strerror(archive) + ")");
  std::string data;
  data.resize(length);
  std::uint64_t done = 0;
  while (done < length) {
    zip_int64_t n = zip_fread(file.get(), data.data() + done, length - done);
    if (n < 0) fail("part " + name + " is damaged (" + zip_file_strerror(file.get()) + ")");
    if (n == 0) break;
    done += static_cast<std::uint64_t>(n);
  }
  if (done != length) fail("part " + name + " is truncated");
  if (deflated) {
    std::string packed = std::move(data);
    data.resize(stored.size);
    std::size_t unpacked = 0;
    libdeflate_result result = libdeflate_deflate_decompress(
        reader_->inflater.get(), packed.data(), packed.size(), data.data(), data.size(), &unpacked);
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE) fail("part " + name + " is larger than its entry says");
    if (result != LIBDEFLATE_SUCCESS) fail("part " + name + " is damaged (its compressed data is invalid)");
    if (unpacked != stored.size) fail("part " + name + " is truncated");
  }
  if (libdeflate_crc32(0, data.data(), data.size()) != stored.crc) {
    fail("part " + name + " is damaged (its checksum does not match)");
  }
  e.bytes = std::move(data);
  return *e.bytes;
}

XmlPart& Package::xml(const std::string& name) {
  Entry& e = entry(name);
  if (!e.xml) {
    const bool cached = e.bytes.has_value();
    auto part = std::make_unique<XmlPart>();
    parseXml(*part, load(e, name), fileName_ + " (part " + name + ")", limits_.maxXmlDepth);
    e.xml = std::move(part);
    // The parsed part holds its own copy; the stored zip entry stays the source for readPart.
    if (!cached && !e.replaced) e.bytes.reset();
  }
  return *e.xml;
}

void Package::writePart(const std::string& name, std::string bytes) {
  auto it = entries_.find(name);
  if (it == entries_.end()) {
    order_.push_back(name);
    it = entries_.emplace(name, std::make_unique<Entry>()).first;
  }
  it->second->bytes = std::move(bytes);
  it->second->xml.reset();
  it->second->replaced = true;
}

void Package::removePart(const std::string& name) {
  if (entries_.erase(name)) std::erase(order_, name);
}

std::string Package::save() {
  zip_error_t error;
  zip_error_init(&error);
  Source source;
  Archive archive = openArchive(*bytes_, 0, error, &source);
  if (!archive) fail("the zip package is damaged");
  zip_t* za = archive.get();
  Compressor compressor(libdeflate_alloc_compressor(kDeflateLevel));
  if (!compressor) throw std::bad_alloc();
  // Data handed to libzip must live until the archive is written.
  std::deque<DeflatedPart> deflated;
  std::deque<std::string> uncompressed;
  auto put = [&](const std::string& name, const Entry& e, std::string_view data) {
    DeflatedPart& part = deflated.emplace_back();
    part.data.resize(libdeflate_deflate_compress_bound(compressor.get(), data.size()));
    part.data.resize(libdeflate_deflate_compress(compressor.get(), data.data(), data.size(), part.data.data(),
                                                 part.data.size()));
    // Held until the zip is written: only what deflate made of the part, not room for the part itself.
    part.data.shrink_to_fit();
    zip_source_t* s = nullptr;
    zip_int32_t method = ZIP_CM_DEFLATE;
    if (!part.data.empty() && part.data.size() < data.size()) {
      part.size = data.size();
      part.crc = static_cast<zip_uint32_t>(libdeflate_crc32(0, data.data(), data.size()));
      s = zip_source_function(za, readDeflatedPart, &part);
    } else {
      // Data deflate cannot shrink (a picture) is stored.
      method = ZIP_CM_STORE;
      const std::string& copy = uncompressed.emplace_back(data);
      s = zip_source_buffer(za, copy.data(), copy.size(), 0);
    }
    if (!s) fail("cannot write part " + name);
    const zip_int64_t existing = e.stored.index;
    zip_int64_t index = existing >= 0 ? existing : zip_file_add(za, name.c_str(), s, ZIP_FL_ENC_UTF_8);
    if (existing >= 0 ? zip_file_replace(za, static_cast<zip_uint64_t>(existing), s, 0) != 0 : index < 0) {
      zip_source_free(s);
      fail("cannot write part " + name);
    }
    zip_set_file_compression(za, static_cast<zip_uint64_t>(index), method, 0);
    markAsWordDoes(za, static_cast<zip_uint64_t>(index));
  };
  // Parts removed since opening leave the zip.
  zip_int64_t count = zip_get_num_entries(za, 0);
  std::vector<bool> kept(static_cast<std::size_t>(count), false);
  for (const auto& [name, e] : entries_) {
    if (e->stored.index >= 0) kept[static_cast<std::size_t>(e->stored.index)] = true;
  }
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), 0);
    bool folder = name && name[0] && name[std::strlen(name) - 1] == '/';
    if (!kept[static_cast<std::size_t>(i)] && !folder) zip_delete(za, static_cast<zip_uint64_t>(i));
  }
  for (const auto& name : order_) {
    const Entry& e = *entries_.at(name);
    if (e.xml && e.xml->dirty) {
      put(name, e, serializeXml(*e.xml));
    } else if (e.replaced) {
      put(name, e, *e.bytes);
    }
  }
  if (zip_close(za) != 0) fail(std::string("cannot write the package (") + zip_strerror(za) + ")");
  archive.release();
  zip_source_t* out = source.get();
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(out, &st) != 0 || zip_source_open(out) != 0) fail("cannot write the package");
  std::string result(st.size, '\0');
  zip_int64_t n = zip_source_read(out, result.data(), st.size);
  zip_source_close(out);
  if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) fail("cannot write the package");
  return result;
}

namespace {

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// A byte-order mark of UTF-8 or UTF-16 (little-endian UTF-32's starts as UTF-16's).
bool hasByteOrderMark(std::string_view bytes) {
  return bytes.starts_with(kUtf8ByteOrderMark) || bytes.starts_with("\xFF\xFE") ||
         bytes.starts_with("\xFE\xFF") || bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4));
}

// The blanks between a part's XML declaration and what follows it ("\r\n" as Word writes). A part in
// UTF-16 (with its byte-order mark) is read through the low bytes of its first characters: the
// declaration is ASCII.
std::string blanksAfterDeclaration(std::string_view bytes) {
  std::string narrowed;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    const size_t low = bytes[0] == '\xFF' ? 0 : 1;
    for (size_t i = 2; i + 1 < bytes.size() && narrowed.size() < 512; i += 2) narrowed += bytes[i + low];
    bytes = narrowed;
  } else if (bytes.starts_with(kUtf8ByteOrderMark)) {
    bytes.remove_prefix(kUtf8ByteOrderMark.size());
  }
  if (!bytes.starts_with("<?xml")) return "";
  size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return "";
  bytes.remove_prefix(end + 2);
  return std::string(bytes.substr(0, std::min(bytes.find_first_not_of(" \t\r\n"), bytes.size())));
}

}  // namespace

std::string serializeXml(XmlPart& part) {
  // The part is written as UTF-8 whatever it was read as, so its declaration must say so.
  pugi::xml_node declaration = part.doc.first_child();
  const bool declared = declaration.type() == pugi::node_declaration;
  if (declared && declaration.attribute("encoding")) declaration.attribute("encoding").set_value("UTF-8");
  StringWriter writer;
  if (part.byteOrderMark) writer.out = kUtf8ByteOrderMark;
  if (declared && !part.afterDeclaration.empty()) {
    declaration.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    writer.out += part.afterDeclaration;
    for (pugi::xml_node node = declaration.next_sibling(); node; node = node.next_sibling())
      node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
  } else {
    part.doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  }
  return std::move(writer.out);
}

void parseXml(XmlPart& part, const std::string& bytes, const std::string& where, int maxDepth) {
  pugi::xml_document& doc = part.doc;
  constexpr unsigned kOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol |
                                pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi |
                                pugi::parse_ws_pcdata | pugi::parse_doctype;
  pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size(), kOptions, pugi::encoding_auto);
  if (!result) {
    throw wordError(kWordFileCorrupt, "Word cannot open " + where + ": the XML is malformed (" +
                                          result.description() + " at byte " + std::to_string(result.offset) +
                                          ").");
  }
  part.byteOrderMark = hasByteOrderMark(bytes);
  part.afterDeclaration = blanksAfterDeclaration(bytes);
  // Depth check without recursion, so that a hostile part cannot exhaust the stack of later walks.
  pugi::xml_node node = doc.first_child();
  int depth = 1;
  while (node) {
    if (depth > maxDepth) {
      throw wordError(kWordFileCorrupt, "Word cannot open " + where + ": elements are nested deeper than " +
                                            std::to_string(maxDepth) + " levels.");
    }
    if (node.first_child()) {
      node = node.first_child();
      ++depth;
      continue;
    }
    while (node && !node.next_sibling()) {
      node = node.parent();
      --depth;
    }
    if (node) node = node.next_sibling();
  }
}

void forEachDescendant(pugi::xml_node root, const std::function<void(pugi::xml_node)>& visit) {
  struct Walker : pugi::xml_tree_walker {
    explicit Walker(const std::function<void(pugi::xml_node)>& v) : visit(v) {}
    bool for_each(pugi::xml_node& node) override {
      visit(node);
      return true;
    }
    const std::function<void(pugi::xml_node)>& visit;
  } walker(visit);
  root.traverse(walker);
}

}  // namespace tw::engine::ooxml
