#include "connector/cleanup.h"

#include "addin/plugin.h"

namespace tw::addin {
namespace {

void deleteIfExists(plugin& self, const std::string& path) {
  if (self.FileExists(path)) self.services().sys.DeleteFile(path);
}

void removeTempFiles(plugin& self) {
  tallyweaveModule& m = self.module();
  sys::System& sys = self.services().sys;

  deleteIfExists(self, self.tempPath("SjabloonDocument.doc"));
  if (!m.templateName.empty()) deleteIfExists(self, self.tempPath(m.templateName));
  for (const std::string& image : m.documentImages) {
    if (!image.empty()) deleteIfExists(self, image);
  }
  if (!m.templateName.empty()) deleteIfExists(self, self.tempPath(m.resultDocName + ".doc"));
  // The intermediate documents are numbered from 1 without gaps; the first missing number ends them.
  for (int n = 1;; ++n) {
    std::string path = self.tempPath("TmpDocument" + std::to_string(n) + ".doc");
    if (!self.FileExists(path)) break;
    sys.DeleteFile(path);
  }
  for (int i = 1; i <= self.voorbeeldDocAmount && static_cast<size_t>(i) < m.voorbeeldDocuments.size(); ++i) {
    const std::string& path = m.voorbeeldDocuments[static_cast<size_t>(i)];
    if (!path.empty()) deleteIfExists(self, path);
  }
  std::string iconFolder = self.tempPath("twdoc\\");
  if (self.DirExists(iconFolder)) {
    // Delete the ordinary files one by one until the listing comes back empty.
    while (true) {
      std::vector<sys::DirEntry> entries = sys.ListDirectory(iconFolder + "*");
      const sys::DirEntry* file = nullptr;
      for (const sys::DirEntry& entry : entries) {
        if (!entry.directory && !entry.hidden && !entry.system) {
          file = &entry;
          break;
        }
      }
      if (!file) break;
      sys.DeleteFile(iconFolder + file->name);
    }
  }

  m.fieldCount = 0;
  m.fieldNames.assign(1, "");
  m.fieldValues.assign(1, "");
  m.voorbeeldDocuments.assign(1, "");
  m.recordCounts.clear();
  m.recordOfField.clear();
}

}  // namespace

void cleanupTempFiles(plugin& self) {
  try {
    removeTempFiles(self);
  } catch (...) {
    runtime::Error error = runtime::currentError();
    self.debugMsg("Error occured while writingTemplateDoc " + error.description() + " " +
                  std::to_string(error.number()) + " " + error.source());
    self.quitWord();
  }
}

}  // namespace tw::addin
