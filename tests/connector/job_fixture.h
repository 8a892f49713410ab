#pragma once

// A Word session on the embedded Word with the add-in connected, TEMP in a folder of its own, and helpers
// that write small connector files and read the debug log back.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "addin/plugin.h"
#include "engine/engine.h"
#include "posix/posix_system.h"
#include "server/base64.h"
#include "support/document_builder.h"
#include "support/test_services.h"

namespace tw::addin {

using testing::entry;

// A connector file: a start line and the given entry lines.
inline std::string connectorFile(const std::string& lines,
                                 const std::string& startLine = "Tallyweave bestand") {
  return startLine + "\r\n" + lines;
}

// The six counted entries of a template job around a real (minimal) document.
inline std::string validTemplateEntries(const std::string& name = "factuur.docx") {
  return entry("_template", engine::minimalDocx("<w:p><w:r><w:t>Factuur</w:t></w:r></w:p>")) +
         entry("_template_name", name) + entry("_template_title", "Factuur") +
         entry("_upload_address", "example.test") + entry("_upload_port", "443") +
         entry("_upload_path", "/upload");
}

// One Word session; a test may hold several (a second start on the same TEMP, a fresh session per case).
class JobSession {
 public:
  JobSession() { std::filesystem::create_directory(root.path() / "temp"); }
  virtual ~JobSession() = default;

  std::filesystem::path tempDir() const { return root.path() / "temp"; }
  void writeTemp(const std::string& name, const std::string& bytes) const {
    root.write("temp/" + name, bytes);
  }
  std::string readTemp(const std::string& name) const { return root.read("temp/" + name); }
  bool tempExists(const std::string& name) const { return root.exists("temp/" + name); }

  // Starts a Word session (OnConnection), with the debug log switched on.
  void connect() {
    writeTemp("twDebug.tmp", "");
    engine::EngineOptions options;
    options.files = addin.context().jobFiles();
    word = engine::createApplication(sys, options);
    addin.AddinInstance_OnConnection(word, 0, AddInInstance{});
  }

  // The messages of the debug log, in order, without their date and quotes.
  std::vector<std::string> logMessages() const {
    return testing::debugLogMessages(tempExists("debugTw.txt") ? readTemp("debugTw.txt") : std::string());
  }

  // Every file below the test's root folder that is not inside TEMP.
  std::vector<std::string> filesOutsideTemp() const {
    std::vector<std::string> outside;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root.path())) {
      auto relative = std::filesystem::relative(item.path(), tempDir());
      if (!relative.empty() && *relative.begin() == "..") outside.push_back(item.path().string());
    }
    return outside;
  }

  testing::TempFolder root;
  posix::PosixSystem sys{posix::PosixSystem::Options{
      .locale = "nl-NL",
      .environment = {{"TEMP", (root.path() / "temp").string()}},
      .clock = [] { return runtime::DateTime{2026, 12, 10, 9, 5, 7}; },
  }};
  testing::ScriptedUi ui;
  testing::RefusingHttp http;
  plugin addin{Services{sys, ui, http}};
  std::shared_ptr<engine::EngineApplication> word;
};

class JobTest : public ::testing::Test, public JobSession {};

}  // namespace tw::addin
