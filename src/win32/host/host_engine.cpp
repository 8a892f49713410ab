#include "host/host_engine.h"

#include <filesystem>

#include "engine/engine.h"
#include "posix/posix_system.h"
#include "runtime/codepage.h"
#include "runtime/error.h"

namespace tw::host {

struct EmbeddedWord::State {
  posix::PosixSystem system;
  std::shared_ptr<engine::EngineApplication> word;
};

EmbeddedWord::EmbeddedWord(const std::string& version) : state_(std::make_unique<State>()) {
  state_->word = engine::createApplication(
      state_->system, engine::EngineOptions{.version = version, .limits = {}, .mailMerge = nullptr});
}

EmbeddedWord::~EmbeddedWord() = default;

std::shared_ptr<word::Application> EmbeddedWord::application() {
  return state_->word;
}

bool EmbeddedWord::quitRequested() const {
  return state_->word->quitRequested();
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
