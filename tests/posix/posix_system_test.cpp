#include "posix/posix_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "runtime/error.h"
#include "support/test_services.h"

namespace tw::posix {
namespace {

namespace fs = std::filesystem;

template <class Call>
std::optional<long> errorOf(Call&& call) {
  try {
    call();
  } catch (const runtime::Error& error) {
    return error.number();
  }
  return std::nullopt;
}

class PosixSystemTest : public ::testing::Test {
 protected:
  // `name` inside the temporary folder, written the way the add-in writes paths.
  std::string windowsPath(const std::string& name) const { return temp.path().string() + "\\" + name; }

  testing::TempFolder temp;
  PosixSystem sys;
};

TEST_F(PosixSystemTest, BackslashPathsReachTheFilesAndBytesSurvive) {
  const std::string bytes("MZ\0\x01\xFF\r\n\x80", 8);
  sys.MakeDirectory(windowsPath("twdoc"));
  sys.WriteFile(windowsPath("twdoc\\icon.png"), bytes);
  EXPECT_EQ(temp.read("twdoc/icon.png"), bytes);
  EXPECT_EQ(sys.ReadFile(windowsPath("twdoc\\icon.png")), bytes);
  EXPECT_EQ(sys.HostPath("C:\\temp\\a b.txt"), "C:/temp/a b.txt");
  EXPECT_EQ(sys.HostPath("caf\xE9"), "caf\xC3\xA9");  // Windows-1252 names become UTF-8 on disk

  sys.WriteFile(windowsPath("log.txt"), "replaced");
  sys.WriteFile(windowsPath("log.txt"), "new");
  sys.AppendFile(windowsPath("log.txt"), " line\r\n");
  sys.AppendFile(windowsPath("fresh.txt"), "created");
  EXPECT_EQ(temp.read("log.txt"), "new line\r\n");
  EXPECT_EQ(temp.read("fresh.txt"), "created");
  sys.OverwriteFile(windowsPath("fresh.txt"), " 3");  // in place, the rest kept
  sys.OverwriteFile(windowsPath("status"), " 0");     // created
  EXPECT_EQ(temp.read("fresh.txt"), " 3eated");
  EXPECT_EQ(temp.read("status"), " 0");

  EXPECT_TRUE(sys.FolderExists(windowsPath("twdoc")));
  EXPECT_FALSE(sys.FolderExists(windowsPath("log.txt")));
  EXPECT_TRUE(sys.PathExists(windowsPath("log.txt")));
  EXPECT_TRUE(sys.PathExists(windowsPath("twdoc")));
  EXPECT_FALSE(sys.PathExists(windowsPath("missing")));

  sys.MoveFile(windowsPath("log.txt"), windowsPath("twdoc\\moved.txt"));
  EXPECT_FALSE(temp.exists("log.txt"));
  EXPECT_EQ(temp.read("twdoc/moved.txt"), "new line\r\n");
  sys.DeleteFile(windowsPath("twdoc\\moved.txt"));
  EXPECT_FALSE(temp.exists("twdoc/moved.txt"));
}

struct FileErrorCase {
  const char* what;
  std::function<void(PosixSystem&, const std::string&)> call;
  long error;
};

TEST_F(PosixSystemTest, FailuresCarryTheClassicNumbers) {
  temp.write("present.txt", "x");
  temp.write("other.txt", "y");
  fs::create_directory(temp.path() / "folder");
  const FileErrorCase cases[] = {
      {"read a missing file", [](PosixSystem& s, const std::string& d) { s.ReadFile(d + "\\missing.txt"); },
       53},
      {"read in a missing folder",
       [](PosixSystem& s, const std::string& d) { s.ReadFile(d + "\\nofolder\\a.txt"); }, 76},
      {"read through a file",
       [](PosixSystem& s, const std::string& d) { s.ReadFile(d + "\\present.txt\\a"); }, 76},
      {"read a folder", [](PosixSystem& s, const std::string& d) { s.ReadFile(d + "\\folder"); }, 75},
      {"write in a missing folder",
       [](PosixSystem& s, const std::string& d) { s.WriteFile(d + "\\nofolder\\a.txt", "x"); }, 76},
      {"write onto a folder", [](PosixSystem& s, const std::string& d) { s.WriteFile(d + "\\folder", "x"); },
       75},
      {"delete a missing file",
       [](PosixSystem& s, const std::string& d) { s.DeleteFile(d + "\\missing.txt"); }, 53},
      {"delete a folder", [](PosixSystem& s, const std::string& d) { s.DeleteFile(d + "\\folder"); }, 53},
      {"move a missing file",
       [](PosixSystem& s, const std::string& d) { s.MoveFile(d + "\\missing.txt", d + "\\new.txt"); }, 53},
      {"move onto an existing file",
       [](PosixSystem& s, const std::string& d) { s.MoveFile(d + "\\present.txt", d + "\\other.txt"); }, 58},
      {"move into a missing folder",
       [](PosixSystem& s, const std::string& d) { s.MoveFile(d + "\\present.txt", d + "\\no\\x.txt"); }, 76},
      {"make an existing folder",
       [](PosixSystem& s, const std::string& d) { s.MakeDirectory(d + "\\folder"); }, 75},
      {"make a folder in a missing folder",
       [](PosixSystem& s, const std::string& d) { s.MakeDirectory(d + "\\no\\sub"); }, 76},
      {"hold a missing file", [](PosixSystem& s, const std::string& d) { s.HoldOpen(d + "\\missing.txt"); },
       53},
      {"start a missing program",
       [](PosixSystem& s, const std::string& d) { s.StartProgram(d + "\\setup.exe"); }, 53},
  };
  // While a file is held, writes take another road (a new file cannot be a held one): the same numbers.
  temp.write("held.txt", "h");
  for (bool holding : {false, true}) {
    std::unique_ptr<sys::FileHold> hold = holding ? sys.HoldOpen(windowsPath("held.txt")) : nullptr;
    for (const FileErrorCase& c : cases) {
      EXPECT_EQ(errorOf([&] { c.call(sys, temp.path().string()); }), c.error)
          << c.what << " holding " << holding;
    }
    EXPECT_EQ(errorOf([&] { sys.ReadAndHold(windowsPath("missing.txt"), hold); }), runtime::kFileNotFound);
  }
  EXPECT_EQ(temp.read("other.txt"), "y") << "a refused move must not replace the target";
  EXPECT_EQ(temp.read("present.txt"), "x");
}

TEST_F(PosixSystemTest, UnreadableFileIsPermissionDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  temp.write("locked.txt", "x");
  fs::permissions(temp.path() / "locked.txt", fs::perms::none);
  EXPECT_EQ(errorOf([&] { sys.ReadFile(windowsPath("locked.txt")); }), runtime::kPermissionDenied);
}

TEST_F(PosixSystemTest, ListingMatchesWildcardsWithoutRegardToCase) {
  for (const char* name :
       {"Report.docx", "report2.DOCX", ".hidden.docx", "notes.txt", "README", "caf\xC3\xA9.txt"})
    temp.write(name, "x");
  fs::create_directory(temp.path() / "sub.docx");
  fs::create_directory(temp.path() / "other");
  temp.write("other/inner.docx", "x");
  fs::permissions(temp.path() / "notes.txt", fs::perms::owner_read | fs::perms::group_read);

  auto names = [&](const std::string& pattern) {
    std::string joined;
    for (const sys::DirEntry& entry : sys.ListDirectory(windowsPath(pattern))) {
      joined += entry.name;
      if (entry.directory) joined += "/";
      if (entry.hidden) joined += "(hidden)";
      if (entry.readOnly) joined += "(ro)";
      if (entry.system) joined += "(system)";
      joined += " ";
    }
    return joined;
  };
  const std::pair<std::string, std::string> cases[] = {
      {"*.docx", ".hidden.docx(hidden) Report.docx report2.DOCX sub.docx/ "},
      {"REPORT.DOCX", "Report.docx "},
      {"report?.docx", "report2.DOCX "},
      {"report?*.docx", "report2.DOCX "},
      {"*o*t*.DOCX", "Report.docx report2.DOCX "},
      {"*t", "caf\xE9.txt notes.txt(ro) "},
      {"r*", "README Report.docx report2.DOCX "},
      {"*.*",
       ".hidden.docx(hidden) README Report.docx caf\xE9.txt notes.txt(ro) other/ report2.DOCX sub.docx/ "},
      {"README.*", "README "},
      {"notes.txt", "notes.txt(ro) "},
      {"CAF\xC9*", "caf\xE9.txt "},
      {"*.doc", ""},
      {"?", ""},
      {"missing.txt", ""},
      {"inner.docx", ""},
      {"other\\*", "inner.docx "},
      {"nofolder\\*.docx", ""},
      {"Report.docx\\*", ""},
  };
  for (const auto& [pattern, expected] : cases) EXPECT_EQ(names(pattern), expected) << pattern;
}

// FileExists looks a plain name up directly; its answers are those of the listing it spares.
TEST_F(PosixSystemTest, FileExistsAnswersAsTheListingDoes) {
  for (const char* name : {"Report.docx", ".hidden.docx", "notes.txt", "caf\xC3\xA9.txt"})
    temp.write(name, "x");
  fs::create_directory(temp.path() / "sub.docx");
  fs::create_symlink(temp.path() / "gone.txt", temp.path() / "dangling.txt");
  const std::pair<const char*, bool> cases[] = {
      {"Report.docx", true},    {"REPORT.DOCX", true},     {"report.docx", true},
      {"caf\xE9.txt", true},    {"CAF\xC9.TXT", true},     {"*.txt", true},
      {"R?port.docx", true},    {".hidden.docx", false},   {"sub.docx", false},
      {"dangling.txt", false},  {"missing.txt", false},    {"nofolder\\Report.docx", false},
      {"Report.docx\\", false}, {"Report.docx\\x", false},
  };
  for (const auto& [pattern, found] : cases) {
    EXPECT_EQ(sys.FileExists(windowsPath(pattern)), found) << pattern;
    EXPECT_EQ(sys.sys::System::FileExists(windowsPath(pattern)), found) << pattern;
  }
}

// FileExists keeps a folder's listing between calls. Whatever changed the folder since (this system, or
// another program behind its back), each answer is the one a fresh listing gives, and the one expected.
TEST_F(PosixSystemTest, FileExistsSeesEveryChangeSinceItsLastAnswer) {
  fs::create_directory(temp.path() / "elsewhere");
  temp.write("elsewhere/target.txt", "t");
  struct Step {
    const char* what;
    std::function<void()> change;
    const char* pattern;
    bool found;
  };
  const Step steps[] = {
      {"nothing yet", [] {}, "report.docx", false},
      {"created behind its back in other case", [&] { temp.write("REPORT.docx", "x"); }, "report.docx", true},
      {"removed behind its back", [&] { fs::remove(temp.path() / "REPORT.docx"); }, "report.docx", false},
      {"renamed behind its back",
       [&] { temp.write("a.txt", "x"), fs::rename(temp.path() / "a.txt", temp.path() / "B.TXT"); }, "b.txt",
       true},
      {"written by this system", [&] { sys.WriteFile(windowsPath("Notes.TXT"), "x"); }, "notes.txt", true},
      {"appended to by this system", [&] { sys.AppendFile(windowsPath("Log.Txt"), "x"); }, "LOG.TXT", true},
      {"replaced whole by this system", [&] { sys.ReplaceFile(windowsPath("Status"), " 0"); }, "STATUS",
       true},
      {"deleted by this system", [&] { sys.DeleteFile(windowsPath("Notes.TXT")); }, "notes.txt", false},
      {"moved by this system", [&] { sys.MoveFile(windowsPath("B.TXT"), windowsPath("Moved.Doc")); },
       "moved.doc", true},
      {"moved away", [] {}, "b.txt", false},
      {"a folder made by this system", [&] { sys.MakeDirectory(windowsPath("Sub.doc")); }, "sub.doc", false},
      {"a wildcard over a file made behind its back", [&] { temp.write("job.TMP", "x"); }, "*.tmp", true},
      {"a link to a file elsewhere",
       [&] { fs::create_symlink(temp.path() / "elsewhere" / "target.txt", temp.path() / "Link.txt"); },
       "LINK.TXT", true},
      // The folder of the link does not change when its target goes.
      {"its target gone", [&] { fs::remove(temp.path() / "elsewhere" / "target.txt"); }, "LINK.TXT", false},
      {"the folder itself gone", [&] { fs::remove_all(temp.path()); }, "moved.doc", false},
      {"and made again", [&] { fs::create_directory(temp.path()), temp.write("moved.DOC", "x"); },
       "MOVED.doc", true},
  };
  const char* probes[] = {"report.docx", "b.txt", "notes.txt", "LOG.TXT",  "status",   "moved.doc",
                          "sub.doc",     "*.tmp", "*.*",       "link.txt", "twdoc.tmp"};
  for (const Step& step : steps) {
    step.change();
    EXPECT_EQ(sys.FileExists(windowsPath(step.pattern)), step.found) << step.what;
    for (const char* probe : probes) {
      EXPECT_EQ(sys.FileExists(windowsPath(probe)), sys.sys::System::FileExists(windowsPath(probe)))
          << step.what << ": " << probe;
    }
  }
}

TEST_F(PosixSystemTest, HeldFileCannotBeDeletedReplacedOrRenamed) {
  temp.write("doc.docx", "original");
  fs::create_directory(temp.path() / "sub");
  {
    // Read and held with one opening, as a document is opened.
    std::unique_ptr<sys::FileHold> hold;
    EXPECT_EQ(sys.ReadAndHold(windowsPath("doc.docx"), hold), "original");
    std::unique_ptr<sys::FileHold> second = sys.HoldOpen(windowsPath("sub\\..\\doc.docx"));
    second.reset();  // the first hold still keeps the file
    const std::string spellings[] = {windowsPath("doc.docx"), windowsPath("sub\\..\\doc.docx"),
                                     windowsPath(".\\doc.docx")};
    for (const std::string& path : spellings) {
      EXPECT_EQ(errorOf([&] { sys.DeleteFile(path); }), runtime::kPermissionDenied) << path;
      EXPECT_EQ(errorOf([&] { sys.WriteFile(path, "new"); }), runtime::kPermissionDenied) << path;
      EXPECT_EQ(errorOf([&] { sys.MoveFile(path, windowsPath("renamed.docx")); }),
                runtime::kPermissionDenied);
    }
    // A hard link is the held file under another name, as Windows sees it.
    fs::create_hard_link(temp.path() / "doc.docx", temp.path() / "link.docx");
    EXPECT_EQ(errorOf([&] { sys.DeleteFile(windowsPath("link.docx")); }), runtime::kPermissionDenied);
    temp.write("other.docx", "other");
    EXPECT_EQ(errorOf([&] { sys.MoveFile(windowsPath("other.docx"), windowsPath("doc.docx")); }),
              runtime::kPermissionDenied);
    try {
      sys.DeleteFile(windowsPath("doc.docx"));
    } catch (const runtime::Error& error) {
      EXPECT_EQ(error.description(), "Permission denied");
    }
    EXPECT_EQ(sys.ReadFile(windowsPath("doc.docx")), "original");  // reading is allowed
    sys.WriteFile(windowsPath("other.docx"), "unheld files stay writable");
  }
  sys.DeleteFile(windowsPath("link.docx"));
  sys.WriteFile(windowsPath("doc.docx"), "saved");
  sys.MoveFile(windowsPath("doc.docx"), windowsPath("renamed.docx"));
  sys.DeleteFile(windowsPath("renamed.docx"));
  EXPECT_FALSE(temp.exists("renamed.docx"));
}

// A file written whole replaces the old one only once complete: a write the disk cannot take (here a file
// size limit, as on a full disk) leaves the old content and no part of the new under any name.
TEST_F(PosixSystemTest, AFileReplacedWholeIsNeverLeftHalfWritten) {
  const std::string path = temp.path().string() + "\\status";
  sys.ReplaceFile(path, "001");
  sys.ReplaceFile(path, " 0");
  EXPECT_EQ(temp.read("status"), " 0");

  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(sys.ReplaceFile(path, std::string(5000, 'x')), runtime::Error);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(temp.read("status"), " 0");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);
}

// One holder at a time, against every other open of the same file; a file deleted by its holder cannot
// be taken by the one who opened it meanwhile.
TEST_F(PosixSystemTest, AnExclusiveLockHasOneHolder) {
  temp.write("job", "x");
  const std::string path = temp.path().string() + "\\job";
  auto first = sys.LockExclusive(path);
  ASSERT_TRUE(first);
  EXPECT_FALSE(sys.LockExclusive(path));
  sys.DeleteFile(path);  // the holder may still delete it
  first.reset();
  EXPECT_FALSE(sys.LockExclusive(path));
  temp.write("job", "y");
  EXPECT_TRUE(sys.LockExclusive(path));
}

TEST(PosixSystemSettings, EnvironmentOverridesLocaleClockAndAdministrator) {
  ::setenv("TW_POSIX_TEST_VAR", "from the process \xE2\x82\xAC", 1);
  ::setenv("TW_POSIX_TEST_HIDDEN", "hidden", 1);
  ::unsetenv("TW_POSIX_TEST_UNSET");
  PosixSystem sys(
      PosixSystem::Options{.locale = "en-US",
                           .environment = {{"TEMP", "C:\\Temp"}, {"TW_POSIX_TEST_HIDDEN", std::nullopt}},
                           .clock = [] { return runtime::DateTime{2024, 3, 7, 9, 5, 3}; },
                           .administrator = true});
  EXPECT_EQ(sys.GetEnv("TEMP"), "C:\\Temp");
  EXPECT_EQ(sys.GetEnv("TW_POSIX_TEST_VAR"), "from the process \x80");  // Windows-1252 inside
  EXPECT_EQ(sys.GetEnv("TW_POSIX_TEST_HIDDEN"), std::nullopt);
  EXPECT_EQ(sys.GetEnv("TW_POSIX_TEST_UNSET"), std::nullopt);
  sys.setEnv("TW_POSIX_TEST_UNSET", "set now");
  sys.setEnv("TEMP", std::nullopt);
  EXPECT_EQ(sys.GetEnv("TW_POSIX_TEST_UNSET"), "set now");
  EXPECT_EQ(sys.GetEnv("TEMP"), std::nullopt);

  EXPECT_EQ(sys.UserLocale().name, "en-US");
  EXPECT_EQ(sys.Now(), (runtime::DateTime{2024, 3, 7, 9, 5, 3}));
  EXPECT_TRUE(sys.IsUserAnAdmin());

  PosixSystem plain;
  EXPECT_EQ(plain.UserLocale().name, "nl-NL");
  EXPECT_FALSE(plain.IsUserAnAdmin());
  runtime::DateTime now = plain.Now();
  EXPECT_GE(now.year, 2020);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.hour < 24);

  PosixSystem::Options unknownLocale;
  unknownLocale.locale = "xx-XX";
  PosixSystem unknown(unknownLocale);
  EXPECT_EQ(errorOf([&] { unknown.UserLocale(); }), runtime::kInvalidProcedureCall);
}

TEST_F(PosixSystemTest, StartProgramRunsTheFileDetached) {
  const fs::path marker = temp.path() / "ran";
  temp.write("setup.sh", "#!/bin/sh\necho \"$#\" > '" + marker.string() + "'\n");
  fs::permissions(temp.path() / "setup.sh", fs::perms::owner_all);
  sys.StartProgram(windowsPath("setup.sh"));
  for (int i = 0; i < 500 && !(fs::exists(marker) && fs::file_size(marker) > 0); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(temp.read("ran"), "0\n") << "the program ran without arguments";
}

// Only starting a program gives a file its execute bit; reading one leaves its mode alone.
TEST_F(PosixSystemTest, ReadingAFileKeepsItsMode) {
  temp.write("brief.docx", "inhoud");
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(temp.path() / "brief.docx", mode);
  EXPECT_EQ(sys.ReadFile(windowsPath("brief.docx")), "inhoud");
  EXPECT_EQ(fs::status(temp.path() / "brief.docx").permissions(), mode);
}

}  // namespace
}  // namespace tw::posix
