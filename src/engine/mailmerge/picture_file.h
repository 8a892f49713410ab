#pragma once

// Picture files a merge links or embeds: their kind and pixel size read from their first bytes.

#include <optional>
#include <string>
#include <string_view>

#include "platform/sys/sys.h"

namespace tw::engine::mailmerge {

enum class PictureKind { Jpeg, Png, Gif, Bmp };

struct PictureInfo {
  PictureKind kind = PictureKind::Png;
  int width = 0;     // pixels
  int height = 0;    // pixels
  double dpiX = 96;  // as stored in the file; 96 where it says nothing
  double dpiY = 96;

  // The size Word gives the picture, in EMU (914400 per inch).
  long long widthEmu() const;
  long long heightEmu() const;
  bool operator==(const PictureInfo&) const = default;
};

// The kind and size of a picture, or nullopt when the bytes are not a JPEG, PNG, GIF or BMP picture
// (or are cut off before their size).
std::optional<PictureInfo> sniffPicture(std::string_view bytes);

const char* contentTypeOf(PictureKind kind);  // "image/jpeg"
const char* extensionOf(PictureKind kind);    // "jpeg", "png", "gif", "bmp"

// A picture file as a merge meets it: read, missing, or not a picture. Word shows a placeholder for the
// last two instead of failing.
struct PictureFile {
  enum class Status { Ok, Missing, NotAPicture };
  Status status = Status::Missing;
  std::string bytes;
  PictureInfo info;
};
PictureFile loadPictureFile(sys::System& system, const std::string& path);

// The text Word shows in the frame of a linked picture it cannot display.
extern const char* const kPicturePlaceholderText;

}  // namespace tw::engine::mailmerge
