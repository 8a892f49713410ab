#include <gtest/gtest.h>

#include <filesystem>

#include "context/addin_context.h"
#include "menus/ribbon.h"
#include "posix/posix_system.h"
#include "support/test_services.h"

namespace tw::addin {
namespace {

const std::filesystem::path kLogo =
    std::filesystem::path(TW_FIXTURES) / ".." / ".." / "examples" / "invoice" / "logo.png";

class RibbonImageTest : public ::testing::Test {
 protected:
  RibbonImageTest() {
    std::filesystem::create_directories(root.path() / "temp" / "twdoc");
    std::filesystem::copy_file(kLogo, root.path() / "temp" / "twdoc" / "logo.png");
    root.write("temp/twdoc/broken.png", "\x89PNG\r\n\x1a\n but nothing after the signature");
    ctx.active = true;
  }

  testing::TempFolder root;
  posix::PosixSystem sys{
      posix::PosixSystem::Options{.locale = "nl-NL",
                                  .environment = {{"TEMP", (root.path() / "temp").string()}},
                                  .clock = {},
                                  .administrator = false}};
  testing::ScriptedUi ui;
  testing::RefusingHttp http;
  AddinContext ctx{Services{sys, ui, http}};
};

TEST_F(RibbonImageTest, LoadsThePngOfTheNameFromTheSubfolderOfTemp) {
  auto picture = GetImage(ctx, "logo");
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->Width(), 2);  // the example logo is 2 x 2 pixels
  EXPECT_EQ(picture->Height(), 2);
}

TEST_F(RibbonImageTest, NothingForAMissingOrBrokenFileOrBeforeTheAddinIsActive) {
  EXPECT_FALSE(GetImage(ctx, "missing"));
  EXPECT_FALSE(GetImage(ctx, "broken"));
  ctx.active = false;
  EXPECT_FALSE(GetImage(ctx, "logo"));
  EXPECT_TRUE(ui.shown.empty());  // no message either way
}

}  // namespace
}  // namespace tw::addin
