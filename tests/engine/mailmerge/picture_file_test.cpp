// Picture files: kind and pixel size from the bytes; what is not a picture, and files that are missing.

#include <gtest/gtest.h>

#include "engine/mailmerge/picture_file.h"
#include "posix/posix_system.h"
#include "support/test_services.h"

namespace tw::engine::mailmerge {
namespace {

std::string be32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

std::string png(std::uint32_t width, std::uint32_t height, std::string chunks = "") {
  return std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(width) + be32(height) +
         std::string("\x08\x02\0\0\0", 5) + be32(0) + chunks + be32(0) + "IEND" + be32(0);
}

// A baseline JPEG start: SOI, JFIF APP0 at 300 dpi, a quantisation table, then the frame header.
std::string jpeg(int width, int height) {
  std::string app0 = std::string("\xFF\xE0\x00\x10JFIF\0\x01\x01\x01\x01\x2C\x01\x2C\0\0", 18);
  std::string dqt = std::string("\xFF\xDB\x00\x04\x00\x00", 6);
  std::string sof = std::string("\xFF\xC0\x00\x11\x08", 5) + static_cast<char>(height >> 8) +
                    static_cast<char>(height) + static_cast<char>(width >> 8) + static_cast<char>(width) +
                    std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
  return std::string("\xFF\xD8", 2) + app0 + dqt + sof;
}

struct SniffCase {
  const char* name;
  std::string bytes;
  std::optional<PictureInfo> expected;
};

class SniffTest : public ::testing::TestWithParam<SniffCase> {};

TEST_P(SniffTest, ReadsKindAndSize) {
  EXPECT_EQ(sniffPicture(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, SniffTest,
    ::testing::Values(
        SniffCase{"Png", png(640, 480), PictureInfo{PictureKind::Png, 640, 480}},
        // pHYs of 11811 dots per metre is 300 dpi.
        SniffCase{"PngWithResolution",
                  png(2, 3, be32(9) + "pHYs" + be32(11811) + be32(11811) + "\x01" + be32(0)),
                  PictureInfo{PictureKind::Png, 2, 3, 11811 * 0.0254, 11811 * 0.0254}},
        SniffCase{"Jpeg", jpeg(1024, 768), PictureInfo{PictureKind::Jpeg, 1024, 768, 300, 300}},
        SniffCase{"Gif", std::string("GIF89a\x20\x03\x58\x02", 10), PictureInfo{PictureKind::Gif, 800, 600}},
        SniffCase{"Bmp",
                  std::string("BM", 2) + std::string(16, '\0') + std::string("\x10\0\0\0\xF8\xFF\xFF\xFF", 8),
                  PictureInfo{PictureKind::Bmp, 16, 8}},
        SniffCase{"Text", "dit is geen plaatje", std::nullopt},
        SniffCase{"TruncatedPng", png(1, 1).substr(0, 20), std::nullopt},
        SniffCase{"TruncatedJpeg", jpeg(10, 10).substr(0, 30), std::nullopt},
        SniffCase{"ZeroSizedGif", std::string("GIF87a\0\0\0\0", 10), std::nullopt},
        SniffCase{"Empty", "", std::nullopt}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(PictureSizeTest, EmuFollowTheResolution) {
  PictureInfo screen{PictureKind::Png, 96, 48};
  EXPECT_EQ(screen.widthEmu(), 914400);
  EXPECT_EQ(screen.heightEmu(), 457200);
  PictureInfo print{PictureKind::Jpeg, 300, 600, 300, 300};
  EXPECT_EQ(print.widthEmu(), 914400);
  EXPECT_EQ(std::string(contentTypeOf(PictureKind::Jpeg)), "image/jpeg");
  EXPECT_EQ(std::string(extensionOf(PictureKind::Gif)), "gif");
}

TEST(PictureFileTest, MissingAndNonPictureFilesAreToldApart) {
  testing::TempFolder temp;
  posix::PosixSystem system;
  temp.write("logo.png", png(10, 20));
  temp.write("logo.jpg", "<html>not found</html>");
  PictureFile ok = loadPictureFile(system, (temp / "logo.png").string());
  EXPECT_EQ(ok.status, PictureFile::Status::Ok);
  EXPECT_EQ(ok.info.height, 20);
  EXPECT_EQ(ok.bytes, png(10, 20));
  EXPECT_EQ(loadPictureFile(system, (temp / "logo.jpg").string()).status, PictureFile::Status::NotAPicture);
  EXPECT_EQ(loadPictureFile(system, (temp / "weg.jpg").string()).status, PictureFile::Status::Missing);
}

}  // namespace
}  // namespace tw::engine::mailmerge
