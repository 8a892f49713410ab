#include "host/host_engine.h"

#include <cctype>
#include <filesystem>

#include "engine/commandbars/command_bars.h"
#include "engine/engine.h"
#include "posix/posix_system.h"
#include "runtime/codepage.h"
#include "runtime/error.h"

namespace tw::host {

namespace {

// Drive paths ("C:\\..." or "C:/...") are the add-in's; every other path is already the host's.
bool isDrivePath(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

// The embedded Word's files, reached by POSIX paths and by the Windows paths the add-in hands over.
class HostSystem final : public posix::PosixSystem {
 public:
  explicit HostSystem(EmbeddedWord::UnixPathOf unixPathOf) : unixPathOf_(std::move(unixPathOf)) {}

  std::string HostPath(const std::string& path) override {
    if (isDrivePath(path)) {
      std::string posix = unixPathOf_(path);
      if (!posix.empty()) return posix;
    }
    return PosixSystem::HostPath(path);
  }

 private:
  EmbeddedWord::UnixPathOf unixPathOf_;
};

}  // namespace

struct EmbeddedWord::State {
  explicit State(UnixPathOf unixPathOf) : system(std::move(unixPathOf)) {}
  HostSystem system;
  std::shared_ptr<engine::EngineApplication> word;
};

EmbeddedWord::EmbeddedWord(const std::string& version, UnixPathOf unixPathOf)
    : state_(std::make_unique<State>(std::move(unixPathOf))) {
  // Like Word, the host reads any file a document names: keeping a job to its folders is the add-in's part.
  state_->word = engine::createApplication(state_->system, engine::EngineOptions{.version = version,
                                                                                 .limits = {},
                                                                                 .mailMerge = nullptr,
                                                                                 .printer = nullptr,
                                                                                 .binaryDocuments = nullptr,
                                                                                 .files = {}});
}

EmbeddedWord::~EmbeddedWord() = default;

std::shared_ptr<word::Application> EmbeddedWord::application() {
  return state_->word;
}

bool EmbeddedWord::quitRequested() const {
  return state_->word->quitRequested();
}

void EmbeddedWord::click(const std::string& path) {
  engine::clickControl(*state_->word->CommandBars(), engine::splitMenuPath(runtime::utf8ToCp1252(path)));
}

bool EmbeddedWord::saveOpenDocuments(const std::string& folder, std::ostream& console) {
  bool allSaved = true;
  for (const auto& document : state_->word->openDocuments()) {
    try {
      std::string stem = std::filesystem::path(runtime::cp1252ToUtf8(document->Name())).stem().string();
      std::filesystem::path target = std::filesystem::path(folder) / (stem + ".docx");
      document->SaveAs(runtime::utf8ToCp1252(target.string()), word::wdFormatDocument);
      console << "saved " << target.string() << "\n";
    } catch (const runtime::Error& error) {
      console << "word host: " << runtime::cp1252ToUtf8(error.description()) << "\n";
      allSaved = false;
    }
  }
  return allSaved;
}

std::string mainTextOf(const std::string& path) {
  posix::PosixSystem system;
  auto word = engine::createApplication(system);
  auto document = word->Documents()->Open(runtime::utf8ToCp1252(path));
  std::string text = runtime::cp1252ToUtf8(document->Content()->Text());
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  return text;
}

}  // namespace tw::host
