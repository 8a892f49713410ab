#include "win32/windows_system.h"

#include <algorithm>
#include <utility>

#include "runtime/error.h"
#include "win32/handle.h"
#include "win32/text.h"

#include <shlobj.h>

namespace tw::win32 {
namespace {

using runtime::Error;

// The classic error number of a failed file operation.
Error fileError(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return Error::fromNumber(runtime::kFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
      return Error::fromNumber(runtime::kPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Error::fromNumber(runtime::kPermissionDenied);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return Error::fromNumber(runtime::kFileAlreadyExists);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return Error::fromNumber(runtime::kBadFileName);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Error::fromNumber(runtime::kDiskFull);
    default:
      return Error::fromNumber(runtime::kPathFileAccessError);
  }
}

DWORD attributesOf(const std::string& path) {
  return GetFileAttributesW(toWide(path).c_str());
}

Handle openFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  Handle file(
      CreateFileW(toWide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) throw fileError(GetLastError());
  return file;
}

void writeAll(const Handle& file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr))
      throw fileError(GetLastError());
    done += written;
  }
}

// One item of the user's regional settings, as text in the ANSI code page.
std::string localeItem(LCTYPE item) {
  int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, item, nullptr, 0);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length), '\0');
  GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text.data(), length);
  text.resize(text.find('\0'));
  return text;
}

class OpenFile final : public sys::FileHold {
 public:
  explicit OpenFile(Handle file) : file_(std::move(file)) {}

 private:
  Handle file_;
};

// A lock on one byte far beyond any file's end: Windows' byte-range locks are mandatory, so a lock on the
// content would keep the holder's own reads out too; one past the end only excludes other lockers.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

class ExclusiveLock final : public sys::FileHold {
 public:
  explicit ExclusiveLock(Handle file) : file_(std::move(file)) {}
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;
  ~ExclusiveLock() override {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(file_.get(), 0, 1, 0, &at);
  }

 private:
  Handle file_;
};

}  // namespace

std::optional<std::string> WindowsSystem::GetEnv(const std::string& name) {
  std::wstring wideName = toWide(name);
  DWORD length = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (length == 0) return std::nullopt;
  std::wstring value(length, L'\0');
  length = GetEnvironmentVariableW(wideName.c_str(), value.data(), length);
  value.resize(length);
  return fromWide(value);
}

std::vector<sys::DirEntry> WindowsSystem::ListDirectory(const std::string& pattern) {
  std::vector<sys::DirEntry> entries;
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW(toWide(pattern).c_str(), &found));
  if (!search.valid()) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_NO_MORE_FILES)
      return entries;
    throw fileError(code);
  }
  do {
    std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    sys::DirEntry entry;
    entry.name = fromWide(name);
    entry.directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    entry.system = (found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    entry.readOnly = (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    entries.push_back(std::move(entry));
  } while (FindNextFileW(search.get(), &found));
  return entries;
}

bool WindowsSystem::FolderExists(const std::string& path) {
  DWORD attributes = attributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WindowsSystem::PathExists(const std::string& path) {
  return attributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

std::string WindowsSystem::ReadFile(const std::string& path) {
  Handle file = openFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) throw fileError(GetLastError());
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) throw fileError(GetLastError());
    if (read == 0) break;
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

void WindowsSystem::WriteFile(const std::string& path, const std::string& bytes) {
  writeAll(openFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS), bytes);
}

void WindowsSystem::AppendFile(const std::string& path, const std::string& bytes) {
  Handle file = openFile(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS);
  writeAll(file, bytes);
}

void WindowsSystem::OverwriteFile(const std::string& path, const std::string& bytes) {
  writeAll(openFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS), bytes);
}

void WindowsSystem::ReplaceFile(const std::string& path, const std::string& bytes) {
  // Beside the target, so the rename stays on its volume; the process id keeps two sessions apart.
  const std::wstring target = toWide(path);
  const std::wstring temporary = target + L".~tw" + std::to_wstring(GetCurrentProcessId());
  try {
    Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) throw fileError(GetLastError());
    writeAll(file, bytes);
    if (!FlushFileBuffers(file.get())) throw fileError(GetLastError());
  } catch (...) {
    DeleteFileW(temporary.c_str());
    throw;
  }
  if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    DeleteFileW(temporary.c_str());
    throw fileError(code);
  }
}

void WindowsSystem::DeleteFile(const std::string& path) {
  if (!DeleteFileW(toWide(path).c_str())) throw fileError(GetLastError());
}

void WindowsSystem::MoveFile(const std::string& from, const std::string& to) {
  if (PathExists(to)) throw Error::fromNumber(runtime::kFileAlreadyExists);
  if (!MoveFileW(toWide(from).c_str(), toWide(to).c_str())) throw fileError(GetLastError());
}

void WindowsSystem::MakeDirectory(const std::string& path) {
  if (CreateDirectoryW(toWide(path).c_str(), nullptr)) return;
  DWORD code = GetLastError();
  if (code == ERROR_ALREADY_EXISTS) throw Error::fromNumber(runtime::kPathFileAccessError);
  throw fileError(code);
}

std::unique_ptr<sys::FileHold> WindowsSystem::HoldOpen(const std::string& path) {
  return std::make_unique<OpenFile>(openFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
}

std::unique_ptr<sys::FileHold> WindowsSystem::LockExclusive(const std::string& path) {
  // Every kind of sharing, so that the holder may still read, move and delete the file.
  Handle file(CreateFileW(toWide(path).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return nullptr;
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  if (!LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
    return nullptr;
  return std::make_unique<ExclusiveLock>(std::move(file));
}

std::string WindowsSystem::HostPath(const std::string& path) {
  return path;
}

const runtime::Locale& WindowsSystem::UserLocale() {
  if (!locale_) {
    runtime::Locale locale;
    locale.name = localeItem(LOCALE_SNAME);
    locale.decimalSeparator = localeItem(LOCALE_SDECIMAL);
    locale.thousandsSeparator = localeItem(LOCALE_STHOUSAND);
    locale.shortDatePattern = localeItem(LOCALE_SSHORTDATE);
    locale.longTimePattern = localeItem(LOCALE_STIMEFORMAT);
    locale.amDesignator = localeItem(LOCALE_S1159);
    locale.pmDesignator = localeItem(LOCALE_S2359);
    for (int month = 0; month < 12; ++month) {
      locale.monthNames[month] = localeItem(LOCALE_SMONTHNAME1 + month);
      locale.monthAbbreviations[month] = localeItem(LOCALE_SABBREVMONTHNAME1 + month);
    }
    // Windows counts the days from Monday (item 1) to Sunday (item 7); the locale from Sunday.
    for (int day = 0; day < 7; ++day) {
      locale.dayNames[(day + 1) % 7] = localeItem(LOCALE_SDAYNAME1 + day);
      locale.dayAbbreviations[(day + 1) % 7] = localeItem(LOCALE_SABBREVDAYNAME1 + day);
    }
    locale_ = std::move(locale);
  }
  return *locale_;
}

runtime::DateTime WindowsSystem::Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool WindowsSystem::IsUserAnAdmin() {
  return ::IsUserAnAdmin() != FALSE;
}

void WindowsSystem::StartProgram(const std::string& path) {
  std::wstring commandLine = L"\"" + toWide(path) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    throw fileError(GetLastError());
  }
  // The program runs on its own; only our handles to it are closed.
  Handle thread(process.hThread);
  Handle started(process.hProcess);
}

}  // namespace tw::win32
