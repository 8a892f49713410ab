#include "engine/convert/binary_document.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "engine/convert/word97_fields.h"
#include "engine/errors.h"

extern char** environ;

namespace tw::engine::convert {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCompoundFileMagic = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

runtime::Error cannotConvert(const std::string& fileName, const std::string& reason) {
  return binaryDocumentError(fileName, ", which LibreOffice could not convert (" + reason + ")");
}

// A folder of our own under `root`, removed with everything in it when this goes.
class PrivateFolder {
 public:
  explicit PrivateFolder(const fs::path& root) {
    std::string pattern = (root / "tw-convert-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = pattern;
  }
  ~PrivateFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A posix_spawn object, made and unmade by its own init and destroy functions.
template <typename T, int (*Init)(T*), int (*Destroy)(T*)>
struct SpawnObject {
  SpawnObject() { Init(&value); }
  ~SpawnObject() { Destroy(&value); }
  SpawnObject(const SpawnObject&) = delete;
  SpawnObject& operator=(const SpawnObject&) = delete;
  T value;
};
using SpawnActions =
    SpawnObject<posix_spawn_file_actions_t, posix_spawn_file_actions_init, posix_spawn_file_actions_destroy>;
using SpawnAttributes = SpawnObject<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

// A started program leading a process group of its own. Until it has been waited for, going out of
// scope kills the whole group, so that neither an error nor a timeout leaves soffice running.
class Child {
 public:
  // Starts `argv[0]` with `argv`, stdin from /dev/null, stdout and stderr into `log`, no other files.
  Child(const std::vector<std::string>& argv, const fs::path& log) {
    SpawnActions files;
    posix_spawn_file_actions_addopen(&files.value, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files.value, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files.value, 1, 2);
    // Nothing else of ours (open documents' files, sockets) goes to soffice.
    posix_spawn_file_actions_addclosefrom_np(&files.value, 3);
    SpawnAttributes attributes;
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes.value, &none);
    posix_spawnattr_setpgroup(&attributes.value, 0);
    posix_spawnattr_setflags(&attributes.value, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> args;
    std::vector<std::string> owned = argv;
    for (std::string& arg : owned) args.push_back(arg.data());
    args.push_back(nullptr);
    int error = ::posix_spawn(&pid_, owned[0].c_str(), &files.value, &attributes.value, args.data(), environ);
    if (error != 0) throw std::system_error(error, std::generic_category(), "cannot start " + argv[0]);
  }
  ~Child() {
    if (pid_ > 0) killGroup();
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The exit status once the program ends within `timeout`; nullopt when the time ran out (the group
  // is killed then).
  std::optional<int> wait(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      int status = 0;
      pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_ || (done < 0 && errno != EINTR)) {
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        killGroup();
        return std::nullopt;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

 private:
  // Kills the group and waits for its leader, then briefly for the rest of the group (which others
  // reap, so it may linger as zombies until the wait runs out).
  void killGroup() {
    ::kill(-pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    for (int i = 0; i < 25 && ::kill(-pid_, 0) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pid_ = 0;
  }

  pid_t pid_ = 0;
};

// The first executable `name` on PATH, or "".
std::string findOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty()) continue;
    fs::path candidate = fs::path(folder) / name;
    std::error_code error;
    if (fs::is_regular_file(candidate, error) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

// A file URL of a local path, with everything but unreserved characters and slashes percent-encoded.
std::string fileUrl(const fs::path& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path.string()) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

std::string readHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The line soffice writes when it cannot load a file ("Error: source file could not be loaded"), if any.
std::string errorLineOf(const std::string& log) {
  std::stringstream lines(log);
  std::string found;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Error", 0) == 0) found = line;
  }
  return found;
}

// LibreOffice writes merge fields without their switches: the binary document's own codes go back in.
std::string withOriginalMergeFieldCodes(const std::string& converted, const std::string& binary) {
  try {
    return restoreMergeFieldCodes(converted, word97Fields(binary));
  } catch (const runtime::Error&) {
    return converted;  // a package the engine will refuse with its own error
  }
}

class LibreOfficeConverter : public BinaryDocumentConverter {
 public:
  explicit LibreOfficeConverter(LibreOfficeOptions options) : options_(std::move(options)) {}

  std::string toDocx(const std::string& bytes, const std::string& fileName) override {
    std::string program = options_.program.empty() ? findOnPath("soffice") : options_.program;
    if (program.empty()) {
      throw binaryDocumentError(fileName,
                                "; only documents in the Word (.docx) zip format can be opened (LibreOffice, "
                                "which converts such documents, is not installed)");
    }
    try {
      std::error_code error;
      fs::path root =
          options_.tempRoot.empty() ? fs::temp_directory_path(error) : fs::path(options_.tempRoot);
      PrivateFolder folder(root.empty() ? fs::path("/tmp") : root);
      const fs::path input = folder.path() / "document.doc";
      const fs::path output = folder.path() / "out";
      {
        std::ofstream out(input, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) throw cannotConvert(fileName, "cannot write " + input.string());
      }
      // The import filter is named: left to guess, LibreOffice reads a damaged file as plain text.
      Child soffice({program, "--headless", "--norestore", "--nolockcheck",
                     "-env:UserInstallation=" + fileUrl(folder.path() / "profile"), "--infilter=MS Word 97",
                     "--convert-to", "docx:MS Word 2007 XML", "--outdir", output.string(), input.string()},
                    folder.path() / "soffice.log");
      std::optional<int> status = soffice.wait(options_.timeout);
      if (!status) throw cannotConvert(fileName, "it did not finish within " + describe(options_.timeout));
      std::string converted = readHostFile(output / "document.docx");
      if (!converted.empty()) return withOriginalMergeFieldCodes(converted, bytes);
      if (*status != 0) throw cannotConvert(fileName, "soffice ended with status " + std::to_string(*status));
      std::string log = errorLineOf(readHostFile(folder.path() / "soffice.log"));
      throw cannotConvert(fileName, log.empty() ? "it wrote no document" : log);
    } catch (const std::system_error& e) {  // also the file system's errors
      throw cannotConvert(fileName, e.what());
    }
  }

 private:
  static std::string describe(std::chrono::milliseconds time) {
    return time.count() % 1000 == 0 ? std::to_string(time.count() / 1000) + " seconds"
                                    : std::to_string(time.count()) + " ms";
  }

  LibreOfficeOptions options_;
};

}  // namespace

runtime::Error binaryDocumentError(const std::string& fileName, const std::string& why) {
  return corruptFile(fileName, "it is a Word 97-2003 binary document" + why);
}

bool isCompoundFile(std::string_view bytes) {
  return bytes.starts_with(kCompoundFileMagic);
}

std::shared_ptr<BinaryDocumentConverter> libreOfficeConverter(LibreOfficeOptions options) {
  return std::make_shared<LibreOfficeConverter>(std::move(options));
}

}  // namespace tw::engine::convert
