#include "connector/cleanup.h"

#include <optional>

#include "context/addin_context.h"
#include "context/temp_files.h"

namespace tw::addin {
namespace {

void deleteIfExists(AddinContext& ctx, const std::string& path) {
  if (ctx.fileExists(path)) ctx.services.sys.DeleteFile(path);
}

void removeTempFiles(AddinContext& ctx) {
  tallyweaveModule& m = ctx.module;
  sys::System& sys = ctx.services.sys;

  deleteIfExists(ctx, ctx.tempPath(tempfile::kJobTemplate));
  if (!m.templateName.empty()) deleteIfExists(ctx, ctx.tempPath(m.templateName));
  for (const std::string& image : m.documentImages) {
    if (!image.empty()) deleteIfExists(ctx, image);
  }
  if (!m.templateName.empty()) deleteIfExists(ctx, ctx.tempPath(m.resultDocName + ".doc"));
  // The intermediate documents are numbered from 1 without gaps; the first missing number ends them.
  for (int n = 1;; ++n) {
    std::string path = ctx.tempPath("TmpDocument" + std::to_string(n) + ".doc");
    if (!ctx.fileExists(path)) break;
    sys.DeleteFile(path);
  }
  for (int i = 1;
       i <= ctx.settings.voorbeeldDocAmount && static_cast<size_t>(i) < m.voorbeeldDocuments.size(); ++i) {
    const std::string& path = m.voorbeeldDocuments[static_cast<size_t>(i)];
    if (!path.empty()) deleteIfExists(ctx, path);
  }
  std::string iconFolder = ctx.tempPath(tempfile::kSubFolderPrefix);
  if (ctx.dirExists(iconFolder)) {
    // Every ordinary file goes; one that cannot (the installer of an update, still running) keeps
    // only itself, and its failure is reported once the others are gone.
    std::optional<runtime::Error> failure;
    for (const sys::DirEntry& entry : sys.ListDirectory(iconFolder + "*")) {
      if (entry.directory || entry.hidden || entry.system) continue;
      runtime::resumeNext([&] { sys.DeleteFile(iconFolder + entry.name); },
                          [&](const runtime::Error& error) {
                            if (!failure) failure = error;
                          });
    }
    if (failure) throw *failure;
  }

  m.fieldCount = 0;
  m.fieldNames.assign(1, "");
  m.fieldValues.assign(1, "");
  m.voorbeeldDocuments.assign(1, "");
  m.recordCounts.clear();
  m.recordOfField.clear();
}

}  // namespace

void cleanupTempFiles(AddinContext& ctx) {
  try {
    removeTempFiles(ctx);
  } catch (...) {
    runtime::Error error = runtime::currentError();
    ctx.debugMsg("Error occured while writingTemplateDoc " + error.description() + " " +
                 std::to_string(error.number()) + " " + error.source());
    ctx.quitWord();
  }
}

}  // namespace tw::addin
