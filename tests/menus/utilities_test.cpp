#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "addin/plugin.h"
#include "menus/object_safety.h"
#include "posix/posix_system.h"
#include "runtime/keyed_collection.h"
#include "support/mini_word.h"
#include "support/test_services.h"

namespace tw::addin {
namespace {

namespace fs = std::filesystem;

class UtilitiesTest : public ::testing::Test {
 protected:
  UtilitiesTest() : sys(posix::PosixSystem::Options{.environment = {{"TEMP", temp.path().string()}}}) {
    temp.write("sjabloon.docx", "x");
    temp.write("readonly.txt", "x");
    fs::permissions(temp.path() / "readonly.txt", fs::perms::owner_read);
    temp.write(".verborgen.txt", "x");
    fs::create_directory(temp.path() / "map");
    fs::create_directory(temp.path() / "map.docx");
    temp.write("map/binnen.doc", "x");
    fs::create_directory(temp.path() / "alleen");
    temp.write("alleen/.hidden", "x");
    fs::create_directory(temp.path() / "alleen/sub");
  }

  void connect() { addin.AddinInstance_OnConnection(word, 0, AddInInstance{}); }

  testing::TempFolder temp;
  posix::PosixSystem sys;
  testing::ScriptedUi ui;
  testing::RefusingHttp http;
  plugin addin{Services{sys, ui, http}};
  std::shared_ptr<testing::MiniApplication> word = std::make_shared<testing::MiniApplication>();
};

TEST_F(UtilitiesTest, FileExistsIsFalseBeforeTheAddInIsActive) {
  EXPECT_FALSE(addin.FileExists(addin.tempPath("sjabloon.docx")));
  connect();
  EXPECT_TRUE(addin.FileExists(addin.tempPath("sjabloon.docx")));
}

TEST_F(UtilitiesTest, FileExistsFindsOrdinaryFilesByNameOrWildcard) {
  connect();
  const std::pair<std::string, bool> cases[] = {
      {"sjabloon.docx", true},
      {"SJABLOON.DOCX", true},    // names compare as on Windows
      {"readonly.txt", true},     // read-only files are ordinary files
      {".verborgen.txt", false},  // hidden
      {"map", false},             // a folder
      {"*.docx", true},           // map.docx is a folder, sjabloon.docx a file
      {"*.txt", true},
      {"sj?bloon.docx", true},
      {"sj?loon.docx", false},
      {"*.doc", false},
      {"map\\binnen.doc", true},
      {"map\\*", true},
      {"alleen\\*", false},  // only a hidden file and a folder
      {"ontbreekt.txt", false},
      {"ontbreekt\\sjabloon.docx", false},
  };
  for (const auto& [name, expected] : cases)
    EXPECT_EQ(addin.FileExists(addin.tempPath(name)), expected) << name;
}

TEST_F(UtilitiesTest, DirExistsTellsFoldersFromFilesWithoutBeingActive) {
  EXPECT_TRUE(addin.DirExists(addin.tempPath("map")));
  EXPECT_TRUE(addin.DirExists(temp.path().string()));
  EXPECT_FALSE(addin.DirExists(addin.tempPath("sjabloon.docx")));
  EXPECT_FALSE(addin.DirExists(addin.tempPath("ontbreekt")));
}

TEST(ArrayContains, MatchesWholeElementsThroughTheNulFramedHaystack) {
  using Values = std::vector<std::string>;
  struct Case {
    Values values;
    std::string target;
    bool expected;
  };
  const Case cases[] = {
      {{"a", "b"}, "a", true},
      {{"a", "b"}, "b", true},
      {{"a", "b"}, "A", false},
      {{"a", "b"}, "", false},
      {{"a", "b"}, std::string("a\0b", 3), true},  // spans two elements through the separator
      {{"ab", "c"}, "b", false},
      {{"a", "", "b"}, "", true},
      {{}, "", true},  // the haystack is two NULs
      {{}, "a", false},
      {{""}, "", true},
      {{std::string("x\0y", 3)}, "x", true},  // an element with a NUL holds two elements' worth of text
  };
  for (const Case& c : cases) EXPECT_EQ(plugin::ArrayContains(c.values, c.target), c.expected) << c.target;
}

TEST(KeyExists, TestsWithoutFailing) {
  runtime::KeyedCollection<int> collection;
  collection.add("Klantnaam", 1);
  EXPECT_TRUE(plugin::keyExists(&collection, "KLANTNAAM"));
  EXPECT_FALSE(plugin::keyExists(&collection, "Klant"));
  EXPECT_FALSE(plugin::keyExists<int>(nullptr, "Klantnaam"));
}

const Guid kIUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const Guid kIDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const Guid kIPersistStorage{0x0000010A, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const Guid kIPersistStream{0x00000109, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const Guid kIPersistPropertyBag{0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

TEST(ObjectSafety, InterfaceIdsAsUpperCaseBracedText) {
  const std::uint8_t bytes[16] = {0x60, 0x4F, 0xD8, 0x37, 0xCB, 0x42, 0xCE, 0x11,
                                  0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51};
  EXPECT_EQ(interfaceIdText(Guid::fromBytes(bytes)), "{37D84F60-42CB-11CE-8135-00AA004BB851}");
  EXPECT_EQ(interfaceIdText(kIDispatch), "{00020400-0000-0000-C000-000000000046}");
  EXPECT_EQ(interfaceIdText(Guid{0xabcdef01, 0xabcd, 0xef01, {0xab, 0xcd, 0xef, 1, 2, 3, 4, 5}}),
            "{ABCDEF01-ABCD-EF01-ABCD-EF0102030405}");
}

TEST(ObjectSafety, GetReportsTheBitOfEachKnownInterface) {
  struct Case {
    const char* name;
    const Guid* riid;
    SafeCtlFlags flags;
    HResult result;
    std::uint32_t enabled;  // 99: not written
  };
  const SafeCtlFlags both;
  const Case cases[] = {
      {"IDispatch", &kIDispatch, both, kS_OK, 1},
      {"IPersistStorage", &kIPersistStorage, both, kS_OK, 2},
      {"IPersistStream", &kIPersistStream, both, kS_OK, 2},
      {"IPersistPropertyBag", &kIPersistPropertyBag, both, kS_OK, 2},
      {"IUnknown", &kIUnknown, both, kE_NOINTERFACE, 99},
      {"null", nullptr, both, kS_OK, 99},
      {"IDispatch, not safe for scripting", &kIDispatch, {false, true}, kS_OK, 0},
      {"IPersistStream, not safe for initialising", &kIPersistStream, {true, false}, kS_OK, 0},
  };
  for (const Case& c : cases) {
    std::uint32_t supported = 99, enabled = 99;
    EXPECT_EQ(GetInterfaceSafetyOptions(c.flags, c.riid, supported, enabled), c.result) << c.name;
    EXPECT_EQ(supported, 3u) << c.name;
    EXPECT_EQ(enabled, c.enabled) << c.name;
  }
}

TEST(ObjectSafety, SetAcceptsExactlyTheMaskedBitOfTheInterface) {
  struct Case {
    const char* name;
    const Guid* riid;
    SafeCtlFlags flags;
    std::uint32_t mask, enabled;
    HResult result;
  };
  const SafeCtlFlags both;
  const Case cases[] = {
      {"IDispatch 3/1", &kIDispatch, both, 3, 1, kS_OK},
      {"IDispatch 1/1", &kIDispatch, both, 1, 1, kS_OK},
      {"IDispatch 3/3", &kIDispatch, both, 3, 3, kE_FAIL},
      {"IDispatch 0/1", &kIDispatch, both, 0, 1, kE_FAIL},
      {"IDispatch 3/2", &kIDispatch, both, 3, 2, kE_FAIL},
      {"IDispatch unsafe", &kIDispatch, {false, true}, 3, 1, kE_FAIL},
      {"IPersistStorage 2/2", &kIPersistStorage, both, 2, 2, kS_OK},
      {"IPersistPropertyBag 3/2", &kIPersistPropertyBag, both, 3, 2, kS_OK},
      {"IPersistStream 3/1", &kIPersistStream, both, 3, 1, kE_FAIL},
      {"IPersistStream unsafe", &kIPersistStream, {true, false}, 2, 2, kE_FAIL},
      {"IUnknown", &kIUnknown, both, 3, 1, kE_NOINTERFACE},
      {"null", nullptr, both, 0, 0, kS_OK},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SetInterfaceSafetyOptions(c.flags, c.riid, c.mask, c.enabled), c.result) << c.name;
}

}  // namespace
}  // namespace tw::addin
