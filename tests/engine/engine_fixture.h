#pragma once

// Helpers of the engine tests: a file layer over a temporary folder, documents built from body XML,
// and a Word application on the engine.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "engine/engine.h"
#include "engine/model/document_model.h"
#include "runtime/error.h"
#include "support/test_services.h"

namespace tw::testing {

// The sys layer for engine tests: backslashes are separators, held files refuse deletion and
// replacement with error 70.
class EngineTestSystem : public sys::System {
 public:
  std::optional<std::string> GetEnv(const std::string&) override { return std::nullopt; }
  std::vector<sys::DirEntry> ListDirectory(const std::string&) override { return {}; }
  bool FolderExists(const std::string& path) override {
    return std::filesystem::is_directory(HostPath(path));
  }
  bool PathExists(const std::string& path) override { return std::filesystem::exists(HostPath(path)); }
  std::string ReadFile(const std::string& path) override {
    std::ifstream in(HostPath(path), std::ios::binary);
    if (!in) throw runtime::Error::fromNumber(runtime::kFileNotFound);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  void WriteFile(const std::string& path, const std::string& bytes) override {
    if (held_->count(HostPath(path))) throw runtime::Error::fromNumber(runtime::kPermissionDenied);
    std::ofstream out(HostPath(path), std::ios::binary | std::ios::trunc);
    if (!out) throw runtime::Error::fromNumber(runtime::kPathNotFound);
    out << bytes;
  }
  void AppendFile(const std::string&, const std::string&) override {}
  void DeleteFile(const std::string& path) override {
    if (held_->count(HostPath(path))) throw runtime::Error::fromNumber(runtime::kPermissionDenied);
    std::filesystem::remove(HostPath(path));
  }
  void MoveFile(const std::string&, const std::string&) override {}
  void MakeDirectory(const std::string& path) override { std::filesystem::create_directory(HostPath(path)); }
  std::unique_ptr<sys::FileHold> HoldOpen(const std::string& path) override {
    return std::make_unique<Hold>(held_, HostPath(path));
  }
  std::string HostPath(const std::string& path) override {
    std::string host = path;
    for (char& c : host) {
      if (c == '\\') c = '/';
    }
    return host;
  }
  const runtime::Locale& UserLocale() override { throw runtime::Error::fromNumber(runtime::kInternalError); }
  runtime::DateTime Now() override { throw runtime::Error::fromNumber(runtime::kInternalError); }
  bool IsUserAnAdmin() override { return false; }
  void StartProgram(const std::string&) override {}

 private:
  using Held = std::multiset<std::string>;
  struct Hold : sys::FileHold {
    Hold(std::shared_ptr<Held> held, std::string path) : held_(std::move(held)), path_(std::move(path)) {
      held_->insert(path_);
    }
    ~Hold() override { held_->erase(held_->find(path_)); }
    std::shared_ptr<Held> held_;
    std::string path_;
  };
  std::shared_ptr<Held> held_ = std::make_shared<Held>();
};

// A package with `body` as the content of w:body, plus `parts` (name, bytes).
std::string buildDocx(const std::string& body,
                      const std::vector<std::pair<std::string, std::string>>& parts = {});

// A test with an engine application over a temporary folder.
class EngineTest : public ::testing::Test {
 protected:
  EngineTest();
  // Writes `bytes` to the temporary folder and returns its path written with backslashes.
  std::string put(const std::string& name, const std::string& bytes);
  std::string pathOf(const std::string& name);
  // Opens a document whose body is `body`.
  std::shared_ptr<word::Document> openBody(const std::string& body, const std::string& name = "doc.docx");
  std::string fixture(const std::string& name) { return std::string(TW_FIXTURES) + "/docx/" + name; }

  TempFolder temp;
  EngineTestSystem system;
  std::shared_ptr<engine::EngineApplication> app;
};

// Paragraph and field builders for body XML.
std::string para(const std::string& content);
std::string textRun(const std::string& text);
std::string fieldChar(const std::string& kind);
std::string instr(const std::string& code);
// A complex field with one code run and a result.
std::string complexField(const std::string& code, const std::string& result);

}  // namespace tw::testing
