#pragma once

// The embedded Word: an implementation of the platform's Word object model over .docx packages.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ooxml/package.h"
#include "platform/sys/sys.h"
#include "platform/word/word.h"
#include "runtime/file_rule.h"

namespace tw::engine {

namespace model {
class DocumentModel;
}
namespace print {
class Printer;
}
namespace convert {
class BinaryDocumentConverter;
}
class EngineApplication;

// The mail-merge and printing half of the engine plugs in here; without it those calls fail with
// "not available".
class MailMergeHandler {
 public:
  virtual ~MailMergeHandler() = default;
  virtual void openDataSource(EngineApplication& app, model::DocumentModel& document,
                              const word::DataSourceArgs& args, bool headerSource) = 0;
  // Merges `document`; the result is added through EngineApplication::addDocument.
  virtual void execute(EngineApplication& app, model::DocumentModel& document, bool pause) = 0;
  virtual void printOut(EngineApplication& app, model::DocumentModel& document, int range,
                        const std::string& outputFileName, bool printToFile) = 0;
};

struct EngineOptions {
  std::string version = "16.0";
  ooxml::PackageLimits limits;
  // Word's own mail merge and printing when empty.
  std::shared_ptr<MailMergeHandler> mailMerge;
  // Word's current printer, which decides what printing to a file writes; the text-only printer when empty.
  std::shared_ptr<const print::Printer> printer;
  // Opens Word 97-2003 documents as .docx; LibreOffice's converter when empty.
  std::shared_ptr<convert::BinaryDocumentConverter> binaryDocuments;
  // Which files merge values and picture links may make Word read; any file when it names no folders.
  runtime::FileRule files;
};

// What Word tells a COM add-in it has loaded when Word shuts down (IDTExtensibility2's OnBeginShutdown
// and OnDisconnection).
struct AddInEvents {
  std::function<void()> onBeginShutdown;
  std::function<void(int removeMode)> onDisconnection;
};
// OnDisconnection's mode when Word itself shuts down.
constexpr int ext_dm_HostShutdown = 0;

class EngineApplication : public word::Application {
 public:
  // Loads an add-in for as long as the connection lives. Quit, once its documents are closed, calls
  // every add-in's OnBeginShutdown and then its OnDisconnection(ext_dm_HostShutdown), once per
  // application; a failing handler is ignored, as Word ignores it.
  virtual std::unique_ptr<platform::EventConnection> loadAddIn(AddInEvents events) = 0;
  // The documents open now, oldest first.
  virtual std::vector<std::shared_ptr<word::Document>> openDocuments() = 0;
  // Adds a new, unsaved document (a merge result); it becomes the active document.
  virtual std::shared_ptr<word::Document> addDocument(std::unique_ptr<model::DocumentModel> document,
                                                      const std::string& name) = 0;
  // The model behind a document handle of this application.
  virtual model::DocumentModel& modelOf(word::Document& document) = 0;
  virtual sys::System& system() = 0;
  virtual const EngineOptions& options() const = 0;
  // True once Quit ran.
  virtual bool quitRequested() const = 0;
};

std::shared_ptr<EngineApplication> createApplication(sys::System& system, EngineOptions options = {});

// The bytes of a minimal .docx package whose body holds `bodyXml` (paragraphs and tables; the usual
// WordprocessingML prefixes w:, r:, wp:, a:, mc:, v: are declared).
std::string minimalDocx(const std::string& bodyXml);

// Reads a .docx package from bytes; `fileName` names it in errors.
std::unique_ptr<model::DocumentModel> loadDocument(std::string bytes, const std::string& fileName,
                                                   const ooxml::PackageLimits& limits = {});

}  // namespace tw::engine
