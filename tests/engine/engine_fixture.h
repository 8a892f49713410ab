#pragma once

// Helpers of the engine tests: documents built from body XML and a Word application on the engine
// over a temporary folder.

#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "engine/model/document_model.h"
#include "posix/posix_system.h"
#include "runtime/error.h"
#include "support/document_builder.h"
#include "support/test_services.h"

namespace tw::testing {

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
  posix::PosixSystem system;
  std::shared_ptr<engine::EngineApplication> app;
};

// Documents saved by real Word versions, kept beside the project (../shared/fixtures/word); a bare
// clone has none, and the tests that read them skip.
std::string sharedWordFolder();
std::string sharedWordFile(const std::string& name);
bool haveSharedWordFiles();
#define TW_SKIP_WITHOUT_SHARED_WORD_FILES()                                           \
  if (!::tw::testing::haveSharedWordFiles())                                          \
  GTEST_SKIP() << "needs the Word documents in " << ::tw::testing::sharedWordFolder() \
               << ", which is absent (configure with -DTW_SHARED_FIXTURES=DIR)"

}  // namespace tw::testing
