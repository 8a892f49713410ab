#include "posix/png_picture.h"

#include <png.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace tw::posix {
namespace {

class PixelPicture : public ui::Picture {
 public:
  PixelPicture(int width, int height, std::vector<std::uint8_t> rgba)
      : width_(width), height_(height), rgba_(std::move(rgba)) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> rgba_;
};

// libpng's simplified reader, freed on every path.
struct ImageReader {
  png_image image{};
  ImageReader() { image.version = PNG_IMAGE_VERSION; }
  ~ImageReader() { png_image_free(&image); }
  ImageReader(const ImageReader&) = delete;
  ImageReader& operator=(const ImageReader&) = delete;
};

// Larger pictures than this are not ribbon icons; refusing them keeps a hostile file from taking memory.
constexpr png_uint_32 kLargestSide = 4096;

}  // namespace

std::shared_ptr<ui::Picture> decodePng(const std::string& bytes) {
  ImageReader reader;
  if (!png_image_begin_read_from_memory(&reader.image, bytes.data(), bytes.size())) return nullptr;
  if (reader.image.width > kLargestSide || reader.image.height > kLargestSide) return nullptr;
  reader.image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(reader.image));
  if (!png_image_finish_read(&reader.image, nullptr, pixels.data(), 0, nullptr)) return nullptr;
  return std::make_shared<PixelPicture>(static_cast<int>(reader.image.width),
                                        static_cast<int>(reader.image.height), std::move(pixels));
}

std::shared_ptr<ui::Picture> loadPng(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return nullptr;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return file.bad() ? nullptr : decodePng(bytes);
}

}  // namespace tw::posix
