#pragma once

// The operating-system layer on Windows: the environment, files, the user's locale, the clock, the
// administrator check and starting a program, through kernel32 and shell32.

#include "win32/windows_api.h"

#include <optional>

#include "platform/sys/sys.h"

namespace tw::win32 {

class WindowsSystem final : public sys::System {
 public:
  std::optional<std::string> GetEnv(const std::string& name) override;
  std::vector<sys::DirEntry> ListDirectory(const std::string& pattern) override;
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
  std::unique_ptr<sys::FileHold> LockExclusive(const std::string& path) override;
  std::string HostPath(const std::string& path) override;
  const runtime::Locale& UserLocale() override;
  runtime::DateTime Now() override;
  bool IsUserAnAdmin() override;
  void StartProgram(const std::string& path) override;

 private:
  std::optional<runtime::Locale> locale_;
};

}  // namespace tw::win32
