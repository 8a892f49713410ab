#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/sys/sys.h"

namespace tw::posix {

// The sys layer on Linux. Backslashes in paths are separators; a file whose name starts with a dot
// counts as hidden. The user's locale, the clock and the environment can be set, so that a session (or a
// test) runs with the settings a Windows user would have.
class PosixSystem : public sys::System {
 public:
  struct Options {
    std::string locale = "nl-NL";
    // Environment overrides; a variable not named here is read from the process environment.
    std::map<std::string, std::optional<std::string>> environment{};
    // A fixed clock for tests; the real local time when empty.
    std::function<runtime::DateTime()> clock{};
    bool administrator = false;
  };

  PosixSystem();
  explicit PosixSystem(Options options);
  ~PosixSystem() override;

  std::optional<std::string> GetEnv(const std::string& name) override;
  std::vector<sys::DirEntry> ListDirectory(const std::string& pattern) override;
  bool FileExists(const std::string& pattern) override;
  bool FolderExists(const std::string& path) override;
  bool PathExists(const std::string& path) override;
  std::string ReadFile(const std::string& path) override;
  void WriteFile(const std::string& path, const std::string& bytes) override;
  void AppendFile(const std::string& path, const std::string& bytes) override;
  void OverwriteFile(const std::string& path, const std::string& bytes) override;
  void ReplaceFile(const std::string& path, const std::string& bytes) override;
  void DeleteFile(const std::string& path) override;
  void MoveFile(const std::string& from, const std::string& to) override;
  void MakeDirectory(const std::string& path) override;
  std::unique_ptr<sys::FileHold> HoldOpen(const std::string& path) override;
  std::string ReadAndHold(const std::string& path, std::unique_ptr<sys::FileHold>& hold) override;
  std::unique_ptr<sys::FileHold> LockExclusive(const std::string& path) override;
  std::string HostPath(const std::string& path) override;
  const runtime::Locale& UserLocale() override;
  runtime::DateTime Now() override;
  bool IsUserAnAdmin() override;
  void StartProgram(const std::string& path) override;

  void setEnv(const std::string& name, std::optional<std::string> value);

 private:
  struct HeldFiles;
  struct Listings;
  // Creates or writes a file that no hold keeps; `flags` say how (O_TRUNC, or 0 to write over its start).
  void writeUnheld(const std::string& hostPath, const std::string& bytes, int flags);

  Options options_;
  std::shared_ptr<HeldFiles> held_;
  std::unique_ptr<Listings> listings_;
  // Names the temporary files of ReplaceFile, keeping two sessions apart.
  std::string processId_;
};

}  // namespace tw::posix
