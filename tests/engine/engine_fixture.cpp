#include "engine/engine_fixture.h"

#include <filesystem>

#include "engine/ooxml/package.h"

namespace tw::testing {

std::string buildDocx(const std::string& body,
                      const std::vector<std::pair<std::string, std::string>>& parts) {
  std::string bytes = engine::minimalDocx(body);
  if (parts.empty()) return bytes;
  engine::ooxml::Package package(bytes, "built.docx");
  for (const auto& [name, content] : parts) package.writePart(name, content);
  return package.save();
}

std::string sharedWordFolder() {
  return std::string(TW_SHARED_FIXTURES) + "/word";
}

std::string sharedWordFile(const std::string& name) {
  return sharedWordFolder() + "/" + name;
}

bool haveSharedWordFiles() {
  std::error_code error;
  return std::filesystem::is_directory(sharedWordFolder(), error);
}

EngineTest::EngineTest() : app(engine::createApplication(system)) {}

std::string EngineTest::pathOf(const std::string& name) {
  return temp.path().string() + "\\" + name;
}

std::string EngineTest::put(const std::string& name, const std::string& bytes) {
  temp.write(name, bytes);
  return pathOf(name);
}

std::shared_ptr<word::Document> EngineTest::openBody(const std::string& body, const std::string& name) {
  return app->Documents()->Open(put(name, buildDocx(body)));
}

}  // namespace tw::testing
