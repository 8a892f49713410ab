#include "engine/mailmerge/picture_file.h"

#include <cstdint>

#include "runtime/error.h"

namespace tw::engine::mailmerge {
namespace {

std::uint32_t bigEndian(std::string_view b, size_t at, size_t bytes) {
  std::uint32_t value = 0;
  for (size_t i = 0; i < bytes; ++i) value = (value << 8) | static_cast<unsigned char>(b[at + i]);
  return value;
}

std::uint32_t littleEndian(std::string_view b, size_t at, size_t bytes) {
  std::uint32_t value = 0;
  for (size_t i = bytes; i > 0; --i) value = (value << 8) | static_cast<unsigned char>(b[at + i - 1]);
  return value;
}

std::optional<PictureInfo> sized(PictureKind kind, std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0 || width > 1000000 || height > 1000000) return std::nullopt;
  return PictureInfo{kind, static_cast<int>(width), static_cast<int>(height)};
}

std::optional<PictureInfo> sniffPng(std::string_view b) {
  if (b.size() < 24 || b.substr(12, 4) != "IHDR") return std::nullopt;
  auto info = sized(PictureKind::Png, bigEndian(b, 16, 4), bigEndian(b, 20, 4));
  if (!info) return info;
  // A pHYs chunk in metres gives the resolution.
  size_t at = 8;
  while (at + 12 <= b.size()) {
    std::uint32_t length = bigEndian(b, at, 4);
    std::string_view type = b.substr(at + 4, 4);
    if (type == "IDAT" || length > b.size()) break;
    if (type == "pHYs" && length >= 9 && at + 17 <= b.size() && b[at + 16] == 1) {
      std::uint32_t x = bigEndian(b, at + 8, 4), y = bigEndian(b, at + 12, 4);
      if (x && y) info->dpiX = x * 0.0254, info->dpiY = y * 0.0254;
      break;
    }
    at += 12 + length;
  }
  return info;
}

std::optional<PictureInfo> sniffJpeg(std::string_view b) {
  double dpiX = 96, dpiY = 96;
  size_t at = 2;
  while (at + 4 <= b.size()) {
    if (static_cast<unsigned char>(b[at]) != 0xFF) return std::nullopt;
    unsigned char marker = static_cast<unsigned char>(b[at + 1]);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      at += 2;
      continue;
    }
    std::uint32_t length = bigEndian(b, at + 2, 2);
    if (length < 2) return std::nullopt;
    // JFIF header: units 1 = dots per inch, 2 = dots per centimetre.
    if (marker == 0xE0 && length >= 14 && at + 16 <= b.size() &&
        b.substr(at + 4, 5) == std::string_view("JFIF\0", 5)) {
      unsigned char units = static_cast<unsigned char>(b[at + 11]);
      std::uint32_t x = bigEndian(b, at + 12, 2), y = bigEndian(b, at + 14, 2);
      if (units && x && y) {
        double scale = units == 2 ? 2.54 : 1.0;
        dpiX = x * scale, dpiY = y * scale;
      }
    }
    bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (at + 9 > b.size()) return std::nullopt;
      auto info = sized(PictureKind::Jpeg, bigEndian(b, at + 7, 2), bigEndian(b, at + 5, 2));
      if (info) info->dpiX = dpiX, info->dpiY = dpiY;
      return info;
    }
    at += 2 + length;
  }
  return std::nullopt;
}

}  // namespace

const char* const kPicturePlaceholderText =
    "The linked image cannot be displayed.  The file may have been moved, renamed, or deleted. Verify "
    "that the link points to the correct file and location.";

long long PictureInfo::widthEmu() const {
  return static_cast<long long>(width * 914400.0 / dpiX + 0.5);
}

long long PictureInfo::heightEmu() const {
  return static_cast<long long>(height * 914400.0 / dpiY + 0.5);
}

std::optional<PictureInfo> sniffPicture(std::string_view b) {
  if (b.size() >= 8 && b.substr(0, 8) == "\x89PNG\r\n\x1a\n") return sniffPng(b);
  if (b.size() >= 3 && b.substr(0, 3) == "\xFF\xD8\xFF") return sniffJpeg(b);
  if (b.size() >= 10 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a"))
    return sized(PictureKind::Gif, littleEndian(b, 6, 2), littleEndian(b, 8, 2));
  if (b.size() >= 26 && b.substr(0, 2) == "BM") {
    auto height = static_cast<std::int32_t>(littleEndian(b, 22, 4));  // negative: stored top-down
    return sized(PictureKind::Bmp, littleEndian(b, 18, 4),
                 static_cast<std::uint32_t>(height < 0 ? -static_cast<std::int64_t>(height) : height));
  }
  return std::nullopt;
}

const char* contentTypeOf(PictureKind kind) {
  switch (kind) {
    case PictureKind::Jpeg:
      return "image/jpeg";
    case PictureKind::Png:
      return "image/png";
    case PictureKind::Gif:
      return "image/gif";
    case PictureKind::Bmp:
      return "image/bmp";
  }
  return "application/octet-stream";
}

const char* extensionOf(PictureKind kind) {
  switch (kind) {
    case PictureKind::Jpeg:
      return "jpeg";
    case PictureKind::Png:
      return "png";
    case PictureKind::Gif:
      return "gif";
    case PictureKind::Bmp:
      return "bmp";
  }
  return "bin";
}

PictureFile loadPictureFile(sys::System& system, const std::string& path) {
  PictureFile file;
  try {
    file.bytes = system.ReadFile(path);
  } catch (const runtime::Error&) {
    return file;  // missing or unreadable: Word shows the same frame
  }
  auto info = sniffPicture(file.bytes);
  if (!info) {
    file.status = PictureFile::Status::NotAPicture;
    file.bytes.clear();
    return file;
  }
  file.status = PictureFile::Status::Ok;
  file.info = *info;
  return file;
}

}  // namespace tw::engine::mailmerge
