#pragma once

// The thin operating-system layer: environment, files, locale, clock, administrator check, starting a
// program. Paths are given the way the add-in forms them (the TEMP value joined with backslashes); an
// implementation maps them to its host. File contents are byte strings; names and texts Windows-1252.
//
// What every implementation does, said once here rather than in each of them:
// - A method that fails throws runtime::Error with the classic number: 53 file not found (its folder
//   exists), 76 path not found (the folder does not), 58 file already exists, 61 disk full, 64 bad file
//   name, 57 device I/O error, 70 permission denied (also: the file is held by a FileHold of this system,
//   or open elsewhere), 75 path/file access error (anything else, and a folder where a file is expected).
// - The questions (GetEnv, the Exists methods, LockExclusive) answer "no" instead of throwing for what
//   is missing.
// - What a method returns belongs to the caller; a FileHold may outlive the System that made it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/locale.h"

namespace tw::sys {

struct DirEntry {
  std::string name;
  bool directory = false;
  bool hidden = false;
  bool system = false;
  bool readOnly = false;
};

// Keeps a file open the way Word keeps an open document's file: while it lives, deleting, replacing or
// renaming the file fails with error 70.
class FileHold {
 public:
  virtual ~FileHold() = default;
};

class System {
 public:
  virtual ~System() = default;

  // The value of an environment variable; nullopt when it is not set. Never throws.
  virtual std::optional<std::string> GetEnv(const std::string& name) = 0;

  // The entries of the folder of `pattern` whose names match its last part, which may hold the
  // wildcards * and ? (compared without regard to case). "." and ".." are not listed. A folder that does
  // not exist gives no entries; a folder that cannot be read throws.
  virtual std::vector<DirEntry> ListDirectory(const std::string& pattern) = 0;
  // Whether ListDirectory(pattern) finds an ordinary file that is neither hidden nor a system file. An
  // implementation may answer without listing the folder where it can tell the same.
  virtual bool FileExists(const std::string& pattern) {
    for (const DirEntry& entry : ListDirectory(pattern)) {
      if (!entry.directory && !entry.hidden && !entry.system) return true;
    }
    return false;
  }
  // Whether `path` names a folder. Never throws.
  virtual bool FolderExists(const std::string& path) = 0;
  // Whether `path` names anything: a file or a folder. Never throws.
  virtual bool PathExists(const std::string& path) = 0;

  // The whole file.
  virtual std::string ReadFile(const std::string& path) = 0;
  // Creates or replaces the file. A failure part way may leave it part written (ReplaceFile never does).
  virtual void WriteFile(const std::string& path, const std::string& bytes) = 0;
  // Adds `bytes` at the end of the file, creating it when it is missing. A failure part way may leave part
  // of them added.
  virtual void AppendFile(const std::string& path, const std::string& bytes) = 0;
  // Writes `bytes` over the start of the file in place, creating it when missing; a longer file keeps the
  // rest of its bytes, and a reader never sees it emptied.
  virtual void OverwriteFile(const std::string& path, const std::string& bytes) = 0;
  // Creates or replaces the file whole: the bytes go to a temporary file beside it that is renamed over it
  // once complete, so a reader finds the old content or the new, never a part or an empty file, and a
  // write that fails (a full disk) leaves the old file as it was. Without such a rename, it writes in place.
  virtual void ReplaceFile(const std::string& path, const std::string& bytes) { WriteFile(path, bytes); }
  // Deletes a file. A folder is no file: 53 on Linux, 70 on Windows.
  virtual void DeleteFile(const std::string& path) = 0;
  // Renames a file or folder; 58 when `to` exists, whatever it is.
  virtual void MoveFile(const std::string& from, const std::string& to) = 0;
  // Creates one folder (not its parents); 75 when `path` exists already, 76 when its parent is missing.
  virtual void MakeDirectory(const std::string& path) = 0;
  // Keeps the file open for reading until the hold goes (see FileHold); 53 or 76 when it is missing.
  virtual std::unique_ptr<FileHold> HoldOpen(const std::string& path) = 0;
  // ReadFile and then HoldOpen of the same file; an implementation may do both with one opening.
  virtual std::string ReadAndHold(const std::string& path, std::unique_ptr<FileHold>& hold) {
    std::string bytes = ReadFile(path);
    hold = HoldOpen(path);
    return bytes;
  }
  // Takes the file for this caller alone against every other caller that asks the same (another Word
  // too), until the hold goes; deleting or moving it stays possible for the holder. nullptr when someone
  // holds it already or the file is gone. Without such locks, granted whenever the file exists.
  virtual std::unique_ptr<FileHold> LockExclusive(const std::string& path) {
    return PathExists(path) ? std::make_unique<FileHold>() : nullptr;
  }
  // The path as the host's file functions take it. Never throws.
  virtual std::string HostPath(const std::string& path) = 0;

  // The user's regional settings; the reference stays valid as long as the System.
  virtual const runtime::Locale& UserLocale() = 0;
  // The current local date and time.
  virtual runtime::DateTime Now() = 0;

  virtual bool IsUserAnAdmin() = 0;
  // Starts a program without arguments in a normal window with focus, and returns without waiting for
  // it. 53 or 76 when the file is missing.
  virtual void StartProgram(const std::string& path) = 0;
};

}  // namespace tw::sys
