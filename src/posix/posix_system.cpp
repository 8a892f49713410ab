#include "posix/posix_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "posix/file_descriptor.h"
#include "runtime/codepage.h"
#include "runtime/error.h"
#include "runtime/keyed_collection.h"

extern char** environ;

namespace tw::posix {
namespace {

using runtime::Error;

// An open directory stream, closed when it goes.
struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirStream = std::unique_ptr<DIR, DirCloser>;

bool isDirectory(const std::string& hostPath) {
  struct stat info;
  return ::stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string parentOf(const std::string& hostPath) {
  size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : hostPath.substr(0, slash);
}

// The classic error of a failed file call: a missing file is 53 when its folder exists and 76 when
// the folder is missing too.
Error fileError(int error, const std::string& hostPath) {
  switch (error) {
    case ENOENT:
      return Error::fromNumber(isDirectory(parentOf(hostPath)) ? runtime::kFileNotFound
                                                               : runtime::kPathNotFound);
    case ENOTDIR:
      return Error::fromNumber(runtime::kPathNotFound);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return Error::fromNumber(runtime::kPermissionDenied);
    case EEXIST:
      return Error::fromNumber(runtime::kFileAlreadyExists);
    case ENOSPC:
    case EDQUOT:
      return Error::fromNumber(runtime::kDiskFull);
    case EXDEV:
      return Error(74, runtime::errorDescription(74));
    case EIO:
      return Error::fromNumber(runtime::kDeviceIOError);
    default:
      return Error::fromNumber(runtime::kPathFileAccessError);
  }
}

// Windows name matching on case-folded texts: * any run, ? any one character. A pattern ending in ".*"
// also matches names without an extension, as "*.*" matches every name on Windows.
bool matchesWildcard(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++, starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n, ++p;
    } else if (starP != std::string_view::npos) {
      p = starP + 1, n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  if (p == pattern.size()) return true;
  return pattern.ends_with(".*") && name.find('.') == std::string_view::npos &&
         matchesWildcard(name, pattern.substr(0, pattern.size() - 2));
}

void writeAll(int fd, const std::string& bytes, const std::string& hostPath) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw fileError(errno, hostPath);
    }
    done += static_cast<size_t>(written);
  }
}

void writeFile(const std::string& hostPath, const std::string& bytes, int flags) {
  FileDescriptor fd(::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666));
  if (!fd.valid()) throw fileError(errno, hostPath);
  writeAll(fd.get(), bytes, hostPath);
}

}  // namespace

// The files that holds keep open, by device and inode, one entry per hold: every spelling of a path to
// a held file, and every link to it, names the same file. One stat tells whether a path is held.
// A started program is held until it ends (from the thread that waits for it), so the set has a lock.
struct PosixSystem::HeldFiles {
  using FileId = std::pair<dev_t, ino_t>;
  std::mutex lock;
  std::multiset<FileId> files;

  bool contains(const std::string& hostPath) {
    std::lock_guard<std::mutex> guard(lock);
    if (files.empty()) return false;
    struct stat info;
    return ::stat(hostPath.c_str(), &info) == 0 && files.count({info.st_dev, info.st_ino}) > 0;
  }

  // An open descriptor of the file, and its entry in `files` while it lives.
  class Hold : public sys::FileHold {
   public:
    Hold(std::shared_ptr<HeldFiles> held, int fd, const std::string& hostPath)
        : held_(std::move(held)), fd_(fd) {
      struct stat info;
      if (::fstat(fd_.get(), &info) != 0) throw fileError(errno, hostPath);
      file_ = {info.st_dev, info.st_ino};
      std::lock_guard<std::mutex> guard(held_->lock);
      held_->files.insert(file_);
    }
    ~Hold() override {
      std::lock_guard<std::mutex> guard(held_->lock);
      held_->files.erase(held_->files.find(file_));
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    std::shared_ptr<HeldFiles> held_;
    FileDescriptor fd_;
    FileId file_{};
  };
};

PosixSystem::PosixSystem() : PosixSystem(Options{}) {}

PosixSystem::PosixSystem(Options options)
    : options_(std::move(options)), held_(std::make_shared<HeldFiles>()) {}

PosixSystem::~PosixSystem() = default;

std::optional<std::string> PosixSystem::GetEnv(const std::string& name) {
  if (auto found = options_.environment.find(name); found != options_.environment.end()) return found->second;
  const char* value = std::getenv(runtime::cp1252ToUtf8(name).c_str());
  if (!value) return std::nullopt;
  return runtime::utf8ToCp1252(value);
}

void PosixSystem::setEnv(const std::string& name, std::optional<std::string> value) {
  options_.environment[name] = std::move(value);
}

std::string PosixSystem::HostPath(const std::string& path) {
  std::string host = runtime::cp1252ToUtf8(path);
  std::replace(host.begin(), host.end(), '\\', '/');
  return host;
}

std::vector<sys::DirEntry> PosixSystem::ListDirectory(const std::string& pattern) {
  std::string host = HostPath(pattern);
  size_t slash = host.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : host.substr(0, slash));
  std::string namePattern =
      runtime::foldCase(runtime::utf8ToCp1252(slash == std::string::npos ? host : host.substr(slash + 1)));
  if (namePattern.empty()) namePattern.push_back('*');  // a folder followed by a separator lists the folder

  DirStream dir(::opendir(folder.c_str()));
  if (!dir) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    throw fileError(errno, folder);
  }
  std::vector<sys::DirEntry> entries;
  while (const dirent* entry = ::readdir(dir.get())) {
    std::string hostName = entry->d_name;
    if (hostName == "." || hostName == "..") continue;
    std::string name = runtime::utf8ToCp1252(hostName);
    if (!matchesWildcard(runtime::foldCase(name), namePattern)) continue;
    struct stat info;
    if (::stat((folder + "/" + hostName).c_str(), &info) != 0) continue;  // a dangling link
    sys::DirEntry found;
    found.name = std::move(name);
    found.directory = S_ISDIR(info.st_mode);
    found.hidden = hostName.front() == '.';
    found.readOnly = (info.st_mode & S_IWUSR) == 0;
    entries.push_back(std::move(found));
  }
  std::sort(entries.begin(), entries.end(),
            [](const sys::DirEntry& a, const sys::DirEntry& b) { return a.name < b.name; });
  return entries;
}

bool PosixSystem::FileExists(const std::string& pattern) {
  // A visible file of exactly the name asked for, in a folder that could be listed, is found without
  // listing it. The listing, which also finds the name in other letter case (Windows's names are not
  // case-sensitive), is needed only when there is none.
  std::string host = HostPath(pattern);
  size_t slash = host.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : host.substr(0, slash));
  std::string_view name = std::string_view(host).substr(slash == std::string::npos ? 0 : slash + 1);
  struct stat info;
  if (!name.empty() && name.front() != '.' && name.find_first_of("*?") == std::string_view::npos &&
      ::stat(host.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && ::access(folder.c_str(), R_OK) == 0) {
    return true;
  }
  return System::FileExists(pattern);
}

bool PosixSystem::FolderExists(const std::string& path) {
  return isDirectory(HostPath(path));
}

bool PosixSystem::PathExists(const std::string& path) {
  struct stat info;
  return ::stat(HostPath(path).c_str(), &info) == 0;
}

std::string PosixSystem::ReadFile(const std::string& path) {
  std::string host = HostPath(path);
  FileDescriptor fd(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) throw fileError(errno, host);
  struct stat info;
  if (::fstat(fd.get(), &info) != 0) throw fileError(errno, host);
  if (S_ISDIR(info.st_mode)) throw Error::fromNumber(runtime::kPathFileAccessError);
  std::string bytes;
  bytes.reserve(static_cast<size_t>(std::max<off_t>(info.st_size, 0)));
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw fileError(errno, host);
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
  }
  return bytes;
}

void PosixSystem::WriteFile(const std::string& path, const std::string& bytes) {
  std::string host = HostPath(path);
  if (held_->contains(host)) throw Error::fromNumber(runtime::kPermissionDenied);
  writeFile(host, bytes, O_TRUNC);
}

void PosixSystem::AppendFile(const std::string& path, const std::string& bytes) {
  writeFile(HostPath(path), bytes, O_APPEND);
}

void PosixSystem::OverwriteFile(const std::string& path, const std::string& bytes) {
  std::string host = HostPath(path);
  if (held_->contains(host)) throw Error::fromNumber(runtime::kPermissionDenied);
  writeFile(host, bytes, 0);
}

void PosixSystem::ReplaceFile(const std::string& path, const std::string& bytes) {
  std::string host = HostPath(path);
  if (held_->contains(host)) throw Error::fromNumber(runtime::kPermissionDenied);
  // Beside the target, so the rename stays on its file system; the process id keeps two sessions apart.
  const std::string temporary = host + ".~tw" + std::to_string(::getpid());
  try {
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.valid()) throw fileError(errno, host);
    writeAll(fd.get(), bytes, host);
    if (::fsync(fd.get()) != 0) throw fileError(errno, host);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  if (::rename(temporary.c_str(), host.c_str()) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    throw fileError(error, host);
  }
}

void PosixSystem::DeleteFile(const std::string& path) {
  std::string host = HostPath(path);
  if (held_->contains(host)) throw Error::fromNumber(runtime::kPermissionDenied);
  if (isDirectory(host)) throw Error::fromNumber(runtime::kFileNotFound);  // a folder is no file to delete
  if (::unlink(host.c_str()) != 0) throw fileError(errno, host);
}

void PosixSystem::MoveFile(const std::string& from, const std::string& to) {
  std::string hostFrom = HostPath(from);
  std::string hostTo = HostPath(to);
  if (held_->contains(hostFrom) || held_->contains(hostTo))
    throw Error::fromNumber(runtime::kPermissionDenied);
  struct stat info;
  if (::stat(hostFrom.c_str(), &info) != 0) throw fileError(errno, hostFrom);
  if (::lstat(hostTo.c_str(), &info) == 0) throw Error::fromNumber(runtime::kFileAlreadyExists);
  if (::rename(hostFrom.c_str(), hostTo.c_str()) != 0) throw fileError(errno, hostTo);
}

void PosixSystem::MakeDirectory(const std::string& path) {
  std::string host = HostPath(path);
  if (::mkdir(host.c_str(), 0777) == 0) return;
  if (errno == EEXIST) throw Error::fromNumber(runtime::kPathFileAccessError);
  throw fileError(errno, host);
}

std::unique_ptr<sys::FileHold> PosixSystem::HoldOpen(const std::string& path) {
  std::string host = HostPath(path);
  int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw fileError(errno, host);
  return std::make_unique<HeldFiles::Hold>(held_, fd, host);
}

namespace {

// An open descriptor with its lock: closing it releases the lock.
class ExclusiveLock : public sys::FileHold {
 public:
  explicit ExclusiveLock(int fd) : fd_(fd) {}

 private:
  FileDescriptor fd_;
};

}  // namespace

std::unique_ptr<sys::FileHold> PosixSystem::LockExclusive(const std::string& path) {
  std::string host = HostPath(path);
  FileDescriptor fd(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return nullptr;
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return nullptr;
  // The holder before may have deleted or replaced the file while this one waited to open it: the lock
  // counts only when the name still leads to the file locked.
  struct stat locked, named;
  if (::fstat(fd.get(), &locked) != 0 || ::stat(host.c_str(), &named) != 0 || locked.st_dev != named.st_dev ||
      locked.st_ino != named.st_ino)
    return nullptr;
  return std::make_unique<ExclusiveLock>(fd.release());
}

const runtime::Locale& PosixSystem::UserLocale() {
  return runtime::localeByName(options_.locale);
}

runtime::DateTime PosixSystem::Now() {
  if (options_.clock) return options_.clock();
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

bool PosixSystem::IsUserAnAdmin() {
  return options_.administrator;
}

void PosixSystem::StartProgram(const std::string& path) {
  std::string host = HostPath(path);
  struct stat info;
  if (::stat(host.c_str(), &info) != 0) throw fileError(errno, host);
  if (S_ISDIR(info.st_mode)) throw Error::fromNumber(runtime::kPathFileAccessError);
  // Windows starts any .exe; here a program file needs its execute bit, which a downloaded file lacks.
  if ((info.st_mode & S_IXUSR) == 0 && ::chmod(host.c_str(), info.st_mode | S_IXUSR) != 0)
    throw fileError(errno, host);

  // Windows keeps a running program's file from being deleted or replaced; so does this system.
  std::shared_ptr<sys::FileHold> running = HoldOpen(path);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);  // detached from our session
  std::string program = host;
  char* argv[] = {program.data(), nullptr};
  pid_t child = 0;
  int error = ::posix_spawn(&child, host.c_str(), nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) throw fileError(error, host);
  // Nobody waits for the program; reap it when it ends so it leaves no zombie.
  std::thread([child, running] { ::waitpid(child, nullptr, 0); }).detach();
}

}  // namespace tw::posix
