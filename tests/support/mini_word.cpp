#include "support/mini_word.h"

#include <algorithm>

#include "engine/commandbars/command_bars.h"
#include "runtime/error.h"

namespace tw::testing {
namespace {

[[noreturn]] void unsupported() {
  throw runtime::Error::fromNumber(runtime::kObjectDoesNotSupportProperty);
}

class MiniTemplate : public word::Template {
 public:
  bool Saved() override { return saved; }
  void SetSaved(bool value) override { saved = value; }
  bool saved = false;
};

class MiniDocuments : public word::Documents {
 public:
  explicit MiniDocuments(MiniApplication& app) : app_(app) {}
  long Count() override { return static_cast<long>(app_.documents.size()); }
  std::shared_ptr<word::Document> Item(long index) override {
    if (index < 1 || index > Count())
      throw runtime::Error(5941, "The requested member of the collection does not exist.");
    return app_.documents[index - 1];
  }
  std::shared_ptr<word::Document> Open(const std::string& fileName) override {
    return app_.addDocument(fileName);
  }

 private:
  MiniApplication& app_;
};

}  // namespace

MiniDocument::MiniDocument(std::string name)
    : name_(std::move(name)), template_(std::make_shared<MiniTemplate>()) {}

bool MiniDocument::templateSaved() const {
  return template_->Saved();
}

void MiniDocument::Activate() {
  auto& docs = app->documents;
  auto it = std::find_if(docs.begin(), docs.end(), [&](const auto& d) { return d.get() == this; });
  if (it != docs.end()) std::rotate(docs.begin(), it, it + 1);
}

void MiniDocument::Close(std::optional<bool>) {
  app->closeDocument(*this);
}
void MiniDocument::SaveAs(const std::string&, std::optional<int>) {
  unsupported();
}
void MiniDocument::PrintOut(int, const std::string&, bool) {
  unsupported();
}
std::shared_ptr<word::Window> MiniDocument::ActiveWindow() {
  unsupported();
}
std::shared_ptr<word::MailMerge> MiniDocument::MailMerge() {
  unsupported();
}
std::shared_ptr<word::Fields> MiniDocument::Fields() {
  unsupported();
}
std::shared_ptr<word::Collection<word::Shape>> MiniDocument::Shapes() {
  unsupported();
}
std::shared_ptr<word::InlineShapes> MiniDocument::InlineShapes() {
  unsupported();
}
std::shared_ptr<word::Collection<word::Table>> MiniDocument::Tables() {
  unsupported();
}
std::shared_ptr<word::Collection<word::Range>> MiniDocument::StoryRanges() {
  unsupported();
}
std::shared_ptr<word::Range> MiniDocument::Content() {
  unsupported();
}
std::shared_ptr<word::Range> MiniDocument::Range(long, long) {
  unsupported();
}

MiniApplication::MiniApplication(std::string version, bool withMenuBar, bool withHelp)
    : version_(std::move(version)), commandBars_(engine::createCommandBars()) {
  menuBar_ = commandBars_->Item("Menu Bar");
  if (!withHelp) menuBar_->Controls()->Item(std::string("Help"))->Delete();
  if (!withMenuBar) {
    // A Word whose menu bar cannot be found.
    class NoBars : public office::CommandBars {
     public:
      std::shared_ptr<office::CommandBar> Item(const std::string&) override {
        throw runtime::Error::fromNumber(runtime::kInvalidProcedureCall);
      }
    };
    commandBars_ = std::make_shared<NoBars>();
  }
}

std::shared_ptr<word::Documents> MiniApplication::Documents() {
  return std::make_shared<MiniDocuments>(*this);
}

std::shared_ptr<word::Document> MiniApplication::ActiveDocument() {
  if (documents.empty())
    throw runtime::Error(4248, "This command is not available because no document is open.");
  return documents.front();
}

std::shared_ptr<word::Selection> MiniApplication::Selection() {
  unsupported();
}
std::shared_ptr<word::Window> MiniApplication::NewWindow() {
  unsupported();
}

void MiniApplication::Quit(std::optional<bool> saveChanges) {
  ++quitCount;
  lastQuitSaveChanges = saveChanges;
}

std::shared_ptr<MiniDocument> MiniApplication::addDocument(const std::string& name) {
  auto document = std::make_shared<MiniDocument>(name);
  document->app = this;
  documents.insert(documents.begin(), document);
  return document;
}

void MiniApplication::closeDocument(MiniDocument& document) {
  bool cancel = false;
  beforeClose_.raise(document, cancel);
  if (cancel) return;
  std::erase_if(documents, [&](const auto& d) { return d.get() == &document; });
}

}  // namespace tw::testing
