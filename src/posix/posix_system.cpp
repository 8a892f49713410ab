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
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
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

// The last part of a host path: what follows its last separator.
std::string_view lastPartOf(std::string_view hostPath) {
  size_t slash = hostPath.find_last_of('/');
  return slash == std::string_view::npos ? hostPath : hostPath.substr(slash + 1);
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

// Opens a file (no folder) to read it; `info` is what fstat tells of it.
FileDescriptor openFileToRead(const std::string& hostPath, struct stat& info) {
  FileDescriptor fd(::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) throw fileError(errno, hostPath);
  if (::fstat(fd.get(), &info) != 0) throw fileError(errno, hostPath);
  if (S_ISDIR(info.st_mode)) throw Error::fromNumber(runtime::kPathFileAccessError);
  return fd;
}

// The rest of an open file. A file that says its size is read with one call asking a byte more: a read
// that comes back short of what it asked has met the end. Others (the kernel's own files say 0) are read
// until a read finds nothing.
std::string readAll(int fd, const struct stat& info, const std::string& hostPath) {
  std::string bytes;
  size_t ask = S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<size_t>(info.st_size) + 1 : 65536;
  for (;;) {
    const size_t done = bytes.size();
    bytes.resize(done + ask);
    ssize_t got = ::read(fd, bytes.data() + done, ask);
    if (got < 0) {
      bytes.resize(done);
      if (errno == EINTR) continue;
      throw fileError(errno, hostPath);
    }
    bytes.resize(done + static_cast<size_t>(got));
    if (got == 0 || (S_ISREG(info.st_mode) && static_cast<size_t>(got) < ask)) break;
    ask = 65536;
  }
  return bytes;
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

  bool any() {
    std::lock_guard<std::mutex> guard(lock);
    return !files.empty();
  }

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
        : Hold(std::move(held), FileDescriptor(fd), statOf(fd, hostPath)) {}
    // `info` is the descriptor's own.
    Hold(std::shared_ptr<HeldFiles> held, FileDescriptor fd, const struct stat& info)
        : held_(std::move(held)), fd_(std::move(fd)), file_{info.st_dev, info.st_ino} {
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
    static struct stat statOf(int fd, const std::string& hostPath) {
      struct stat info;
      if (::fstat(fd, &info) != 0) {
        int error = errno;
        ::close(fd);
        throw fileError(error, hostPath);
      }
      return info;
    }

    std::shared_ptr<HeldFiles> held_;
    FileDescriptor fd_;
    FileId file_{};
  };
};

// The folders FileExists has listed, kept so that the next names looked up in a folder cost no new listing.
//
// A kept listing answers only while its folder is unchanged. Creating, removing or renaming an entry gives
// the folder a new change time, so one stat of the folder (inode, change time to the nanosecond, size and
// link count) tells whether the listing still holds, and the folder is listed again when it does not: what
// another program did is seen at the next call, nothing is trusted for a whole job or session. The files
// this System creates, removes and renames itself update the kept listing, which then takes the folder's
// new stamp at once; so a job's own files cost no new listing. Two narrow gaps remain, and neither touches
// a name asked with its exact spelling, which FileExists looks up directly every time (the launcher, the
// service and the add-in write the very names they look for; a listing only says whether the name exists
// in other letter case, or which names a wildcard matches):
// - a change by another program between one of ours and the stat just after it passes for ours;
// - a kernel that stamps changes only by clock tick (before Linux 6.13, or a file system without fine
//   change times) can give two changes in the same tick one time, so a change in the tick of the listing
//   can go unseen until the folder changes again.
// Used from the thread that uses the System, like the rest of it.
struct PosixSystem::Listings {
  struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    nlink_t links = 0;
    off_t size = 0;
    timespec changed{};

    explicit Stamp(const struct stat& info)
        : device(info.st_dev),
          inode(info.st_ino),
          links(info.st_nlink),
          size(info.st_size),
          changed(info.st_ctim) {}
    bool operator==(const Stamp& other) const {
      return device == other.device && inode == other.inode && links == other.links && size == other.size &&
             changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
  };
  struct Entry {
    std::string hostName;
    std::string folded;  // the Windows-1252 name, case-folded
    unsigned char type;  // DT_REG, DT_DIR, or another d_type to look up by stat when asked
  };
  struct Listing {
    Stamp stamp;
    std::vector<Entry> entries;

    Entry* find(std::string_view hostName) {
      for (Entry& entry : entries) {
        if (entry.hostName == hostName) return &entry;
      }
      return nullptr;
    }
  };

  // The listing of `folder` (a host path), taken again when the folder changed; nullptr when there is no
  // such folder. Other failures throw, as ListDirectory does.
  Listing* of(const std::string& folder) {
    auto kept = byFolder.find(folder);
    if (kept != byFolder.end()) {
      struct stat info;
      if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && Stamp(info) == kept->second.stamp)
        return &kept->second;
      byFolder.erase(kept);
    }
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
      if (errno == ENOENT || errno == ENOTDIR) return nullptr;
      throw fileError(errno, folder);
    }
    // The stamp before the entries: a change while they are read leaves a stamp that no longer matches.
    struct stat info;
    if (::fstat(fd.get(), &info) != 0) throw fileError(errno, folder);
    Listing listing{Stamp(info), {}};
    alignas(dirent64) char buffer[32768];
    for (;;) {
      ssize_t got = ::getdents64(fd.get(), buffer, sizeof buffer);
      if (got < 0) {
        if (errno == EINTR) continue;
        throw fileError(errno, folder);
      }
      if (got == 0) break;
      for (ssize_t at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
        at += entry->d_reclen;
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        listing.entries.push_back(
            Entry{std::string(name), runtime::foldCase(runtime::utf8ToCp1252(name)), entry->d_type});
      }
    }
    return &byFolder.insert_or_assign(folder, std::move(listing)).first->second;
  }

  // This System created `hostPath` as an entry of `type`, or replaced it (`replaced`: through a rename,
  // which changes the folder even when the name was there).
  void created(const std::string& hostPath, unsigned char type, bool replaced = false) {
    const std::string folder = parentOf(hostPath);
    auto kept = byFolder.find(folder);
    if (kept == byFolder.end()) return;
    const std::string_view name = lastPartOf(hostPath);
    Entry* entry = kept->second.find(name);
    if (entry && !replaced) return;  // written through a name it had: the folder is as it was
    if (entry) {
      entry->type = type;
    } else {
      kept->second.entries.push_back(
          Entry{std::string(name), runtime::foldCase(runtime::utf8ToCp1252(name)), type});
    }
    restamp(kept);
  }

  void removed(const std::string& hostPath) {
    const std::string folder = parentOf(hostPath);
    auto kept = byFolder.find(folder);
    if (kept == byFolder.end()) return;
    std::erase_if(kept->second.entries,
                  [name = lastPartOf(hostPath)](const Entry& entry) { return entry.hostName == name; });
    restamp(kept);
  }

  // Whether a kept listing shows `folder` readable; FileExists need not ask again.
  bool knowsReadable(const std::string& folder) const { return byFolder.contains(folder); }

  std::unordered_map<std::string, Listing> byFolder;

 private:
  void restamp(std::unordered_map<std::string, Listing>::iterator kept) {
    struct stat info;
    if (::stat(kept->first.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      kept->second.stamp = Stamp(info);
    } else {
      byFolder.erase(kept);
    }
  }
};

PosixSystem::PosixSystem() : PosixSystem(Options{}) {}

PosixSystem::PosixSystem(Options options)
    : options_(std::move(options)),
      held_(std::make_shared<HeldFiles>()),
      listings_(std::make_unique<Listings>()),
      processId_(std::to_string(::getpid())) {}

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
  // A visible file of exactly the name asked for, in a folder that can be listed, is found without the
  // listing. The listing, which also finds the name in other letter case (Windows's names are not
  // case-sensitive) and matches wildcards, is needed only when there is none; it is kept (see Listings).
  const std::string host = HostPath(pattern);
  const std::string folder = parentOf(host);
  const std::string_view name = lastPartOf(host);
  const bool plainName =
      !name.empty() && name.front() != '.' && name.find_first_of("*?") == std::string_view::npos;
  if (plainName) {
    struct stat info;
    if (::stat(host.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) &&
        (listings_->knowsReadable(folder) || ::access(folder.c_str(), R_OK) == 0))
      return true;
  }
  Listings::Listing* listing = listings_->of(folder);
  if (!listing) return false;
  std::string namePattern = runtime::foldCase(runtime::utf8ToCp1252(name));
  if (namePattern.empty()) namePattern.push_back('*');  // a folder followed by a separator lists the folder
  for (const Listings::Entry& entry : listing->entries) {
    // The exact name was just looked up: that answer is the fresher one.
    if ((plainName && entry.hostName == name) || entry.hostName.front() == '.' ||
        !matchesWildcard(entry.folded, namePattern))
      continue;
    if (entry.type == DT_REG) return true;
    if (entry.type == DT_DIR) continue;
    struct stat info;  // a link, or a file system that does not tell the type in its listing
    if (::stat((folder + "/" + entry.hostName).c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) return true;
  }
  return false;
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
  struct stat info;
  FileDescriptor fd = openFileToRead(host, info);
  return readAll(fd.get(), info, host);
}

std::string PosixSystem::ReadAndHold(const std::string& path, std::unique_ptr<sys::FileHold>& hold) {
  std::string host = HostPath(path);
  struct stat info;
  FileDescriptor fd = openFileToRead(host, info);
  std::string bytes = readAll(fd.get(), info, host);
  hold = std::make_unique<HeldFiles::Hold>(held_, std::move(fd), info);
  return bytes;
}

void PosixSystem::WriteFile(const std::string& path, const std::string& bytes) {
  writeUnheld(HostPath(path), bytes, O_TRUNC);
}

void PosixSystem::AppendFile(const std::string& path, const std::string& bytes) {
  std::string host = HostPath(path);
  writeFile(host, bytes, O_APPEND);
  listings_->created(host, DT_REG);
}

void PosixSystem::OverwriteFile(const std::string& path, const std::string& bytes) {
  writeUnheld(HostPath(path), bytes, 0);
}

void PosixSystem::writeUnheld(const std::string& host, const std::string& bytes, int flags) {
  // While files are held, a file this call creates cannot be one of them: only a file that was there
  // already is looked up among the held ones.
  if (held_->any()) {
    FileDescriptor fd(::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.valid()) {
      listings_->created(host, DT_REG);
      writeAll(fd.get(), bytes, host);
      return;
    }
    if (errno != EEXIST) throw fileError(errno, host);
    if (held_->contains(host)) throw Error::fromNumber(runtime::kPermissionDenied);
  }
  writeFile(host, bytes, flags);
  listings_->created(host, DT_REG);
}

void PosixSystem::ReplaceFile(const std::string& path, const std::string& bytes) {
  std::string host = HostPath(path);
  if (held_->contains(host)) throw Error::fromNumber(runtime::kPermissionDenied);
  // Beside the target, so the rename stays on its file system.
  const std::string temporary = host + ".~tw" + processId_;
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
  listings_->created(host, DT_REG, true);
}

void PosixSystem::DeleteFile(const std::string& path) {
  std::string host = HostPath(path);
  if (held_->contains(host)) throw Error::fromNumber(runtime::kPermissionDenied);
  if (::unlink(host.c_str()) != 0) {
    // A folder is no file to delete: Linux says so with EISDIR, POSIX allows EPERM.
    if (errno == EISDIR || (errno == EPERM && isDirectory(host)))
      throw Error::fromNumber(runtime::kFileNotFound);
    throw fileError(errno, host);
  }
  listings_->removed(host);
}

void PosixSystem::MoveFile(const std::string& from, const std::string& to) {
  std::string hostFrom = HostPath(from);
  std::string hostTo = HostPath(to);
  if (held_->contains(hostFrom) || held_->contains(hostTo))
    throw Error::fromNumber(runtime::kPermissionDenied);
  struct stat info;
  if (::stat(hostFrom.c_str(), &info) != 0) throw fileError(errno, hostFrom);
  const unsigned char type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
  if (::lstat(hostTo.c_str(), &info) == 0) throw Error::fromNumber(runtime::kFileAlreadyExists);
  if (::rename(hostFrom.c_str(), hostTo.c_str()) != 0) throw fileError(errno, hostTo);
  listings_->removed(hostFrom);
  listings_->created(hostTo, type, true);
}

void PosixSystem::MakeDirectory(const std::string& path) {
  std::string host = HostPath(path);
  if (::mkdir(host.c_str(), 0777) == 0) {
    listings_->created(host, DT_DIR);
    return;
  }
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
