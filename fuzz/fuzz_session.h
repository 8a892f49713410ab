#pragma once

// What the targets that run Word with the add-in share: a folder of the fuzzer's own, an operating system
// and a user interface that keep every file operation inside that folder, no network, no LibreOffice,
// and Word started on them as Word starts with the add-in.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "addin/plugin.h"
#include "engine/convert/binary_document.h"
#include "engine/engine.h"
#include "platform/net/http.h"
#include "platform/sys/sys.h"
#include "posix/console_ui.h"
#include "posix/posix_system.h"
#include "runtime/error.h"

namespace tw::fuzz {

namespace fs = std::filesystem;

// The fuzzer's own folder, removed when the fuzzer exits.
inline const fs::path& root() {
  struct Folder {
    fs::path path;
    ~Folder() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  };
  static const Folder folder{
      (fs::temp_directory_path() / ("tw-fuzz-" + std::to_string(::getpid()))).lexically_normal()};
  return folder.path;
}

// Empties the folder for the next input and creates `folders` below it.
inline void resetRoot(std::initializer_list<const char*> folders) {
  fs::remove_all(root());
  for (const char* folder : folders) fs::create_directories(root() / folder);
}

inline void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Whether a host path lies inside the fuzzer's folder. A NUL byte ends the name the system sees, so
// such a path is never inside.
inline bool insideRoot(const std::string& hostPath) {
  if (hostPath.find('\0') != std::string::npos) return false;
  fs::path path(hostPath);
  if (path.is_relative()) path = fs::current_path() / path;
  path = path.lexically_normal();
  auto [rootEnd, pathEnd] = std::mismatch(root().begin(), root().end(), path.begin(), path.end());
  return rootEnd == root().end();
}

// The Linux system with the rest of the disk out of sight: a path outside the fuzzer's folder is a
// folder that does not exist (error 76, nothing listed), and no program is started. Bad input may name
// any path, and the fuzzer must neither write nor read there.
class ConfinedSystem : public sys::System {
 public:
  explicit ConfinedSystem(std::string temp)
      : inner_(posix::PosixSystem::Options{.environment = {{"TEMP", std::move(temp)}}, .clock = [] {
                                             return runtime::DateTime{2026, 12, 10, 9, 5, 7};
                                           }}) {}

  std::optional<std::string> GetEnv(const std::string& name) override { return inner_.GetEnv(name); }
  std::vector<sys::DirEntry> ListDirectory(const std::string& pattern) override {
    return inside(pattern) ? inner_.ListDirectory(pattern) : std::vector<sys::DirEntry>{};
  }
  bool FileExists(const std::string& pattern) override {
    return inside(pattern) && inner_.FileExists(pattern);
  }
  bool FolderExists(const std::string& path) override { return inside(path) && inner_.FolderExists(path); }
  bool PathExists(const std::string& path) override { return inside(path) && inner_.PathExists(path); }
  std::string ReadFile(const std::string& path) override { return inner_.ReadFile(checked(path)); }
  void WriteFile(const std::string& path, const std::string& bytes) override {
    inner_.WriteFile(checkedChange(path), bytes);
  }
  void AppendFile(const std::string& path, const std::string& bytes) override {
    inner_.AppendFile(checkedChange(path), bytes);
  }
  void OverwriteFile(const std::string& path, const std::string& bytes) override {
    inner_.OverwriteFile(checkedChange(path), bytes);
  }
  void DeleteFile(const std::string& path) override { inner_.DeleteFile(checkedChange(path)); }
  void MoveFile(const std::string& from, const std::string& to) override {
    inner_.MoveFile(checkedChange(from), checkedChange(to));
  }
  void MakeDirectory(const std::string& path) override { inner_.MakeDirectory(checkedChange(path)); }
  std::unique_ptr<sys::FileHold> HoldOpen(const std::string& path) override {
    return inner_.HoldOpen(checked(path));
  }
  std::string HostPath(const std::string& path) override { return inner_.HostPath(path); }
  const runtime::Locale& UserLocale() override { return inner_.UserLocale(); }
  runtime::DateTime Now() override { return inner_.Now(); }
  bool IsUserAnAdmin() override { return false; }
  void StartProgram(const std::string& path) override {
    throw runtime::Error(runtime::kFileNotFound, "File not found: " + path);
  }

  // How many times a file outside the fuzzer's folder was to be written, deleted, moved or created.
  int refusedChanges() const { return refusedChanges_; }

 private:
  bool inside(const std::string& path) { return insideRoot(inner_.HostPath(path)); }
  const std::string& checked(const std::string& path) {
    if (!inside(path)) throw runtime::Error(runtime::kPathNotFound, "Path not found: " + path);
    return path;
  }
  const std::string& checkedChange(const std::string& path) {
    if (!inside(path)) ++refusedChanges_;
    return checked(path);
  }

  posix::PosixSystem inner_;
  int refusedChanges_ = 0;
};

// The terminal's user interface, whose pictures also come only from the fuzzer's folder.
class ConfinedUi : public posix::ConsoleUi {
 public:
  using ConsoleUi::ConsoleUi;
  std::shared_ptr<ui::Picture> LoadPicture(const std::string& hostPath) override {
    return insideRoot(hostPath) ? ConsoleUi::LoadPicture(hostPath) : nullptr;
  }
};

// A machine without network: every request fails to connect.
class NoNetwork : public net::Http {
 public:
  std::unique_ptr<net::HttpRequest> CreateRequest(net::RequestClass) override {
    return std::make_unique<Request>();
  }

 private:
  class Request : public net::HttpRequest {
   public:
    void Open(const std::string&, const std::string&, bool) override { state_ = 1; }
    void SetRequestHeader(const std::string&, const std::string&) override {}
    void SetLimits(const net::RequestLimits&) override {}
    void Send(const std::string&) override {
      throw runtime::Error(net::kTimedOut, "The operation timed out");
    }
    int ReadyState() override { return state_; }
    int Status() override { return 0; }
    std::string ResponseText() override { return {}; }
    std::string ResponseBody() override { return {}; }

   private:
    int state_ = 0;
  };
};

// Word 97-2003 documents are converted by LibreOffice, a process of its own that a fuzzer does not start:
// every such document is one Word cannot open (word97_fields_fuzz covers the part read in-process).
class NoConverter : public engine::convert::BinaryDocumentConverter {
 public:
  std::string toDocx(const std::string&, const std::string& fileName) override {
    throw engine::convert::binaryDocumentError(fileName, "no converter");
  }
};

// Word with the add-in loaded, TEMP at root()/temp. start() is Word's start: the add-in connects and
// runs what the marker and job files in TEMP ask for.
struct WordSession {
  void start() {
    word = engine::createApplication(
        sys, engine::EngineOptions{.binaryDocuments = std::make_shared<NoConverter>()});
    addin.AddinInstance_OnConnection(word, 0, addin::AddInInstance{});
    addin.AddinInstance_OnStartupComplete();
  }

  ConfinedSystem sys{(root() / "temp").string()};
  std::ostringstream console;
  ConfinedUi ui{console, {}};
  NoNetwork http;
  addin::plugin addin{addin::Services{sys, ui, http}};
  std::shared_ptr<engine::EngineApplication> word;
};

}  // namespace tw::fuzz
