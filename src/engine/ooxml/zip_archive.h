#pragma once

// The zip container under a package: its directory, an entry's data as stored, and a new zip made of
// entries whose data is already packed. The package inflates, deflates and checks the parts itself; this
// only reads and writes the container (through minizip, which needs nothing but zlib, so a program that
// opens documents starts without loading a crypto library).

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tw::engine::ooxml {

// Compression methods of zip entries.
constexpr std::uint16_t kZipStored = 0;
constexpr std::uint16_t kZipDeflated = 8;

// An entry of a zip's central directory: what reading it needs, and the stamps a copy keeps.
struct ZipEntry {
  std::string name;
  std::uint16_t method = kZipStored;
  std::uint16_t flags = 0;   // general purpose bits
  std::uint16_t madeBy = 0;  // host system << 8 | zip version
  std::uint32_t crc = 0;
  std::uint64_t size = 0;         // decompressed
  std::uint64_t packedSize = 0;   // as stored
  std::uint32_t dosDateTime = 0;  // date << 16 | time
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;

  bool encrypted() const { return (flags & 1u) != 0; }
};

// A zip that cannot be read or written; what() says why.
class ZipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A zip read in place from bytes that must outlive the reader.
class ZipReader {
 public:
  // Reads the central directory. Throws ZipError when there is none or it is damaged.
  explicit ZipReader(std::string_view bytes);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  const std::vector<ZipEntry>& entries() const { return entries_; }
  // The data of entry `index` as stored (still packed), a view into the bytes read. Checks the entry's
  // local header against the directory. Throws ZipError when they disagree or the data runs past the end.
  std::string_view stored(std::size_t index);

 private:
  struct Source;
  std::unique_ptr<Source> source_;
  std::vector<ZipEntry> entries_;
};

// A zip written into memory, entry by entry.
class ZipWriter {
 public:
  ZipWriter();
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Adds an entry with `entry`'s name, method, sizes, CRC and stamps whose data as stored is `stored`
  // (packed already for a deflated entry). Throws ZipError.
  void add(const ZipEntry& entry, std::string_view stored);
  // Writes the central directory and hands over the zip. Throws ZipError.
  std::string finish();

 private:
  struct Sink;
  std::unique_ptr<Sink> sink_;
};

}  // namespace tw::engine::ooxml
