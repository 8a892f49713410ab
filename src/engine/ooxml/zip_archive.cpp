#include "engine/ooxml/zip_archive.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <algorithm>
#include <cstring>

namespace tw::engine::ooxml {
namespace {

// The bytes minizip reads from or writes to, in place of a file.
struct MemoryFile {
  std::string_view input;  // read from when not writing
  std::string output;      // written to when writing
  bool writing = false;
  std::uint64_t position = 0;

  std::uint64_t size() const { return writing ? output.size() : input.size(); }
};

voidpf ZCALLBACK openMemory(voidpf opaque, const void*, int) {
  return opaque;
}

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void* buffer, uLong length) {
  auto& file = *static_cast<MemoryFile*>(stream);
  if (file.writing || file.position >= file.input.size()) return 0;
  const uLong n = static_cast<uLong>(std::min<std::uint64_t>(length, file.input.size() - file.position));
  std::memcpy(buffer, file.input.data() + file.position, n);
  file.position += n;
  return n;
}

uLong ZCALLBACK writeMemory(voidpf, voidpf stream, const void* data, uLong length) {
  auto& file = *static_cast<MemoryFile*>(stream);
  if (!file.writing) return 0;
  // minizip goes back to fill in a local header once its entry's sizes are known.
  if (file.position + length > file.output.size()) file.output.resize(file.position + length);
  std::memcpy(file.output.data() + file.position, data, length);
  file.position += length;
  return length;
}

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream) {
  return static_cast<MemoryFile*>(stream)->position;
}

long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto& file = *static_cast<MemoryFile*>(stream);
  std::uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = file.position;
  if (origin == ZLIB_FILEFUNC_SEEK_END) base = file.size();
  if (offset > file.size() || base > file.size() - offset) return -1;
  file.position = base + offset;
  return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf) {
  return 0;
}

int ZCALLBACK memoryError(voidpf, voidpf) {
  return 0;
}

zlib_filefunc64_def memoryFunctions(MemoryFile& file) {
  return {openMemory, readMemory, writeMemory, tellMemory, seekMemory, closeMemory, memoryError, &file};
}

struct UnzipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};
struct ZipCloser {
  void operator()(void* zip) const { zipClose(zip, nullptr); }
};

}  // namespace

struct ZipReader::Source {
  MemoryFile file;
  std::unique_ptr<void, UnzipCloser> zip;  // reads `file`, so declared after it
  std::vector<unz64_file_pos> positions;   // of each entry in the central directory
};

ZipReader::ZipReader(std::string_view bytes) : source_(std::make_unique<Source>()) {
  source_->file.input = bytes;
  // An empty zip is its end record alone; minizip takes a record at the very start for none at all.
  constexpr std::string_view kEmptyZip("PK\x05\x06\0\0\0\0\0\0\0\0", 12);
  if (bytes.size() >= 22 && bytes.starts_with(kEmptyZip)) return;
  zlib_filefunc64_def io = memoryFunctions(source_->file);
  source_->zip.reset(unzOpen2_64(&source_->file, &io));
  unzFile zip = source_->zip.get();
  unz_global_info64 global;
  if (!zip || unzGetGlobalInfo64(zip, &global) != UNZ_OK) throw ZipError("its central directory is missing");
  // The current entry's information with as much of its name as `name` holds: an entry is read once, a
  // second time only for a name longer than any before.
  std::string name(256, '\0');
  unz_file_info64 info;
  auto readInfo = [&] {
    return unzGetCurrentFileInfo64(zip, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0,
                                   nullptr, 0);
  };
  int status = unzGoToFirstFile(zip);
  for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
    unz64_file_pos position;
    if (status == UNZ_OK) status = readInfo();
    if (status == UNZ_OK && info.size_filename > name.size()) {
      name.resize(info.size_filename);
      status = readInfo();
    }
    if (status == UNZ_OK) status = unzGetFilePos64(zip, &position);
    if (status != UNZ_OK) throw ZipError("entry " + std::to_string(i) + " of its directory is damaged");
    source_->positions.push_back(position);
    entries_.push_back(
        {name.substr(0, info.size_filename), static_cast<std::uint16_t>(info.compression_method),
         static_cast<std::uint16_t>(info.flag), static_cast<std::uint16_t>(info.version),
         static_cast<std::uint32_t>(info.crc), info.uncompressed_size, info.compressed_size,
         static_cast<std::uint32_t>(info.dosDate), static_cast<std::uint16_t>(info.internal_fa),
         static_cast<std::uint32_t>(info.external_fa)});
    status = unzGoToNextFile(zip);
    if (status == UNZ_END_OF_LIST_OF_FILE && i + 1 < global.number_entry) {
      throw ZipError("its directory ends after " + std::to_string(i + 1) + " of " +
                     std::to_string(global.number_entry) + " entries");
    }
  }
}

ZipReader::~ZipReader() = default;

std::string_view ZipReader::stored(std::size_t index) {
  unzFile zip = source_->zip.get();
  int method = 0;
  int level = 0;
  if (unzGoToFilePos64(zip, &source_->positions.at(index)) != UNZ_OK ||
      unzOpenCurrentFile2(zip, &method, &level, /*raw=*/1) != UNZ_OK) {
    throw ZipError("its local header does not match the directory");
  }
  const ZPOS64_T start = unzGetCurrentFileZStreamPos64(zip);
  unzCloseCurrentFile(zip);
  const std::string_view bytes = source_->file.input;
  const std::uint64_t length = entries_[index].packedSize;
  if (start > bytes.size() || length > bytes.size() - start) throw ZipError("its data runs past the end");
  return bytes.substr(start, length);
}

struct ZipWriter::Sink {
  MemoryFile file;
  std::unique_ptr<void, ZipCloser> zip;  // writes `file`, so declared after it
};

ZipWriter::ZipWriter() : sink_(std::make_unique<Sink>()) {
  sink_->file.writing = true;
  zlib_filefunc64_def io = memoryFunctions(sink_->file);
  sink_->zip.reset(zipOpen2_64(&sink_->file, APPEND_STATUS_CREATE, nullptr, &io));
  if (!sink_->zip) throw ZipError("a zip cannot be started");
}

ZipWriter::~ZipWriter() = default;

void ZipWriter::add(const ZipEntry& entry, std::string_view stored) {
  zipFile zip = sink_->zip.get();
  zip_fileinfo info{};
  info.dosDate = entry.dosDateTime;
  info.internal_fa = entry.internalAttributes;
  info.external_fa = entry.externalAttributes;
  // The sizes go into the local header (minizip fills it in afterwards), so no data descriptor follows.
  constexpr std::uint16_t kDataDescriptor = 8;
  const bool zip64 = entry.size >= 0xFFFFFFFFu || stored.size() >= 0xFFFFFFFFu;
  int status =
      zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, entry.method,
                              /*level=*/0, /*raw=*/1, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr,
                              0, entry.madeBy, entry.flags & ~kDataDescriptor, zip64 ? 1 : 0);
  while (status == ZIP_OK && !stored.empty()) {
    const auto n = static_cast<unsigned>(std::min<std::size_t>(stored.size(), 1u << 30));
    status = zipWriteInFileInZip(zip, stored.data(), n);
    stored.remove_prefix(n);
  }
  if (status == ZIP_OK) status = zipCloseFileInZipRaw64(zip, entry.size, entry.crc);
  if (status != ZIP_OK)
    throw ZipError("entry " + entry.name + " cannot be written (" + std::to_string(status) + ")");
}

std::string ZipWriter::finish() {
  if (zipClose(sink_->zip.release(), nullptr) != ZIP_OK)
    throw ZipError("its central directory cannot be written");
  return std::move(sink_->file.output);
}

}  // namespace tw::engine::ooxml
