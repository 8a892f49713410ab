// The application, its documents, windows, selection and mail-merge settings.

#include <algorithm>
#include <cctype>

#include "engine/commandbars/command_bars.h"
#include "engine/convert/binary_document.h"
#include "engine/errors.h"
#include "engine/mailmerge/merge_handler.h"
#include "engine/objects/handles.h"

namespace tw::engine {

namespace objects {
namespace {

std::string baseName(const std::string& path) {
  auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
  auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

class ViewImpl : public word::View {
 public:
  explicit ViewImpl(DocPtr doc) : doc_(std::move(doc)) {}
  bool ShowFieldCodes() override { return doc_->live().showFieldCodes; }
  void SetShowFieldCodes(bool show) override { doc_->live().showFieldCodes = show; }
  int SplitSpecial() override {
    doc_->live();
    return 0;  // wdPaneNone: the engine's windows are never split
  }

 private:
  DocPtr doc_;
};

class PaneImpl : public word::Pane {
 public:
  explicit PaneImpl(DocPtr doc) : doc_(std::move(doc)) {}
  void Close() override { doc_->live(); }

 private:
  DocPtr doc_;
};

class WindowImpl : public word::Window {
 public:
  explicit WindowImpl(DocPtr doc) : doc_(std::move(doc)) {}
  std::shared_ptr<word::View> View() override {
    doc_->live();
    return std::make_shared<ViewImpl>(doc_);
  }
  std::shared_ptr<word::Pane> ActivePane() override {
    doc_->live();
    return std::make_shared<PaneImpl>(doc_);
  }

 private:
  DocPtr doc_;
};

class TemplateImpl : public word::Template {
 public:
  explicit TemplateImpl(DocPtr doc) : doc_(std::move(doc)) {}
  bool Saved() override { return doc_->templateSaved; }
  void SetSaved(bool saved) override { doc_->templateSaved = saved; }

 private:
  DocPtr doc_;
};

class MailMergeFieldsImpl : public word::MailMergeFields {
 public:
  explicit MailMergeFieldsImpl(DocPtr doc) : doc_(std::move(doc)) {}
  std::shared_ptr<word::Field> Add(const std::shared_ptr<word::Range>& range,
                                   const std::string& name) override {
    doc_->live();
    return addField(range, word::wdFieldMergeField, name, false);
  }

 private:
  DocPtr doc_;
};

}  // namespace

class ApplicationImpl : public EngineApplication, public std::enable_shared_from_this<ApplicationImpl> {
 public:
  ApplicationImpl(sys::System& system, EngineOptions options)
      : system_(system), options_(std::move(options)) {}

  std::string Version() override { return options_.version; }
  bool Visible() override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  std::shared_ptr<word::Documents> Documents() override;
  std::shared_ptr<word::Document> ActiveDocument() override { return handle(active()); }
  std::shared_ptr<word::Selection> Selection() override;
  std::shared_ptr<word::Window> NewWindow() override { return std::make_shared<WindowImpl>(active()); }
  std::shared_ptr<office::CommandBars> CommandBars() override {
    if (!commandBars_) commandBars_ = createCommandBars();
    return commandBars_;
  }
  void Quit(std::optional<bool> saveChanges) override {
    auto open = docs_;
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
      if (!close(*it, saveChanges)) return;  // a handler cancelled
    }
    // An add-in that quits again while it is told of the shutdown is not told twice.
    if (quit_) return;
    quit_ = true;
    beginShutdown_.raise();
    disconnection_.raise(ext_dm_HostShutdown);
  }
  std::unique_ptr<platform::EventConnection> loadAddIn(AddInEvents events) override {
    struct Loaded : platform::EventConnection {
      std::unique_ptr<platform::EventConnection> beginShutdown;
      std::unique_ptr<platform::EventConnection> disconnection;
    };
    auto loaded = std::make_unique<Loaded>();
    loaded->beginShutdown = beginShutdown_.connect([handler = std::move(events.onBeginShutdown)] {
      if (handler) runtime::resumeNext(handler);
    });
    loaded->disconnection =
        disconnection_.connect([handler = std::move(events.onDisconnection)](int removeMode) {
          if (handler) runtime::resumeNext([&] { handler(removeMode); });
        });
    return loaded;
  }
  std::unique_ptr<platform::EventConnection> OnDocumentBeforeClose(
      DocumentBeforeCloseHandler handler) override {
    return beforeClose_.connect(std::move(handler));
  }

  std::vector<std::shared_ptr<word::Document>> openDocuments() override {
    std::vector<std::shared_ptr<word::Document>> out;
    for (const auto& doc : docs_) out.push_back(handle(doc));
    return out;
  }
  std::shared_ptr<word::Document> addDocument(std::unique_ptr<model::DocumentModel> document,
                                              const std::string& name) override {
    auto doc = std::make_shared<DocState>();
    doc->model = std::move(document);
    doc->model->saved = false;
    doc->fullName = name;
    return handle(adopt(doc));
  }
  model::DocumentModel& modelOf(word::Document& document) override;
  sys::System& system() override { return system_; }
  const EngineOptions& options() const override { return options_; }
  bool quitRequested() const override { return quit_; }

  // Shared by the handles.
  DocPtr active() {
    if (!active_ || active_->closed) throw noDocument();
    return active_;
  }
  DocPtr open(const std::string& fileName) {
    for (const auto& doc : docs_) {
      if (sameName(doc->fullName, fileName)) {
        active_ = doc;
        return doc;
      }
    }
    auto doc = std::make_shared<DocState>();
    std::string bytes;
    try {
      bytes = system_.ReadAndHold(fileName, doc->hold);
    } catch (const runtime::Error&) {
      // Only a failure asks whether the file is there at all.
      if (!system_.PathExists(fileName)) {
        throw wordError(
            kWordFileNotFound,
            "Sorry, we couldn't find your file. Was it moved, renamed, or deleted?\n(" + fileName + ")");
      }
      throw;
    }
    // A Word 97-2003 document is opened as its .docx conversion, and saved as .docx content.
    if (convert::isCompoundFile(bytes)) bytes = options_.binaryDocuments->toDocx(bytes, fileName);
    doc->model = loadDocument(std::move(bytes), fileName, options_.limits);
    doc->fullName = fileName;
    return adopt(doc);
  }
  void activate(const DocPtr& doc) {
    doc->live();
    active_ = doc;
  }
  // False when a DocumentBeforeClose handler cancelled.
  bool close(const DocPtr& doc, std::optional<bool> saveChanges);
  void saveAs(const DocPtr& doc, const std::string& fileName, std::optional<int> format);
  std::shared_ptr<word::Document> handle(const DocPtr& doc);
  const std::vector<DocPtr>& docs() const { return docs_; }
  MailMergeHandler& mailMerge() {
    if (!options_.mailMerge) throw notAvailable("mail merge");
    return *options_.mailMerge;
  }

 private:
  DocPtr adopt(const DocPtr& doc) {
    doc->app = this;
    doc->selection.set(doc->model->mainStory(), 0, 0);
    docs_.push_back(doc);
    active_ = doc;
    return doc;
  }

  sys::System& system_;
  EngineOptions options_;
  bool visible_ = false;
  bool quit_ = false;
  std::vector<DocPtr> docs_;
  DocPtr active_;
  std::shared_ptr<office::CommandBars> commandBars_;
  platform::Signal<word::Document&, bool&> beforeClose_;
  platform::Signal<> beginShutdown_;
  platform::Signal<int> disconnection_;
};

sys::System& systemOf(DocState& doc) {
  return doc.app->system();
}

const runtime::FileRule& fileRuleOf(DocState& doc) {
  return doc.app->options().files;
}

namespace {

class MailMergeImpl : public word::MailMerge {
 public:
  explicit MailMergeImpl(DocPtr doc) : doc_(std::move(doc)) {}
  void OpenHeaderSource(const word::DataSourceArgs& args) override {
    doc_->app->mailMerge().openDataSource(*doc_->app, doc_->live(), args, true);
  }
  void OpenDataSource(const word::DataSourceArgs& args) override {
    doc_->app->mailMerge().openDataSource(*doc_->app, doc_->live(), args, false);
  }
  void Execute(bool pause) override { doc_->app->mailMerge().execute(*doc_->app, doc_->live(), pause); }
  int MainDocumentType() override { return doc_->live().mainDocumentType(); }
  void SetMainDocumentType(int type) override { doc_->live().setMainDocumentType(type); }
  std::shared_ptr<word::MailMergeFields> Fields() override {
    doc_->live();
    return std::make_shared<MailMergeFieldsImpl>(doc_);
  }

 private:
  DocPtr doc_;
};

class StoryRangesImpl : public word::Collection<word::Range> {
 public:
  explicit StoryRangesImpl(DocPtr doc) : doc_(std::move(doc)) {}
  long Count() override { return static_cast<long>(doc_->live().stories().size()); }
  std::shared_ptr<word::Range> Item(long index) override {
    model::DocumentModel& model = doc_->live();
    // The main text is always the first story, and the one asked for most (for each of its fields by a
    // walk over them): the others are gathered only when asked for.
    if (index == 1) {
      auto story = model.mainStory();
      return makeRange(doc_, story, 0, story->length());
    }
    auto stories = model.stories();
    if (index < 1 || index > static_cast<long>(stories.size())) throw noSuchMember();
    auto& story = stories[static_cast<std::size_t>(index - 1)];
    return makeRange(doc_, story, 0, story->length());
  }

 private:
  DocPtr doc_;
};

class DocumentImpl : public word::Document {
 public:
  explicit DocumentImpl(DocPtr doc) : doc_(std::move(doc)) {}

  std::string Name() override { return baseName(live().fullName); }
  std::string FullName() override { return live().fullName; }
  void Activate() override { doc_->app->activate(doc_); }
  void Close(std::optional<bool> saveChanges) override {
    live();
    doc_->app->close(doc_, saveChanges);
  }
  bool Saved() override { return model().saved; }
  void SetSaved(bool saved) override { model().saved = saved; }
  void SaveAs(const std::string& fileName, std::optional<int> fileFormat) override {
    live();
    doc_->app->saveAs(doc_, fileName, fileFormat);
  }
  void PrintOut(int range, const std::string& outputFileName, bool printToFile) override {
    doc_->app->mailMerge().printOut(*doc_->app, model(), range, outputFileName, printToFile);
  }
  std::shared_ptr<word::Template> AttachedTemplate() override {
    live();
    return std::make_shared<TemplateImpl>(doc_);
  }
  std::shared_ptr<word::Window> ActiveWindow() override {
    live();
    return std::make_shared<WindowImpl>(doc_);
  }
  std::shared_ptr<word::MailMerge> MailMerge() override {
    live();
    return std::make_shared<MailMergeImpl>(doc_);
  }
  std::shared_ptr<word::Fields> Fields() override {
    return makeFields(doc_, model().mainStory(), 0, kWholeStory);
  }
  std::shared_ptr<word::Collection<word::Shape>> Shapes() override {
    live();
    return makeShapes(doc_);
  }
  std::shared_ptr<word::InlineShapes> InlineShapes() override {
    return makeInlineShapes(doc_, model().mainStory(), 0, kWholeStory);
  }
  std::shared_ptr<word::Collection<word::Table>> Tables() override {
    live();
    return makeTables(doc_);
  }
  std::shared_ptr<word::Collection<word::Range>> StoryRanges() override {
    live();
    return std::make_shared<StoryRangesImpl>(doc_);
  }
  std::shared_ptr<word::Range> Content() override {
    auto story = model().mainStory();
    return makeRange(doc_, story, 0, story->length());
  }
  std::shared_ptr<word::Range> Range(long start, long end) override {
    auto story = model().mainStory();
    long length = story->length();
    if (start < 0 || end < 0 || start > length || end > length) {
      throw wordError(kWordBadParameter, "The value is out of range.");
    }
    return makeRange(doc_, story, std::min(start, end), std::max(start, end));
  }
  bool Is(const word::Document& other) const override {
    auto* impl = dynamic_cast<const DocumentImpl*>(&other);
    return impl && impl->doc_ == doc_;
  }
  const DocPtr& state() const { return doc_; }

 private:
  DocState& live() {
    doc_->live();
    return *doc_;
  }
  model::DocumentModel& model() { return doc_->live(); }

  DocPtr doc_;
};

class DocumentsImpl : public word::Documents {
 public:
  explicit DocumentsImpl(ApplicationImpl& app) : app_(app) {}
  long Count() override { return static_cast<long>(app_.docs().size()); }
  // Word numbers its documents newest first.
  std::shared_ptr<word::Document> Item(long index) override {
    const auto& docs = app_.docs();
    if (index < 1 || index > static_cast<long>(docs.size())) throw noSuchMember();
    return app_.handle(docs[docs.size() - static_cast<std::size_t>(index)]);
  }
  std::shared_ptr<word::Document> Open(const std::string& fileName) override {
    return app_.handle(app_.open(fileName));
  }

 private:
  ApplicationImpl& app_;
};

class SelectionImpl : public word::Selection {
 public:
  explicit SelectionImpl(ApplicationImpl& app) : app_(app) {}
  int Type() override {
    if (app_.docs().empty()) return word::wdNoSelection;
    auto& sel = state();
    return sel.start() == sel.end() ? word::wdSelectionIP : word::wdSelectionNormal;
  }
  std::shared_ptr<word::Range> Range() override {
    auto doc = app_.active();
    auto& sel = state();
    return makeRange(doc, sel.story, sel.start(), sel.end());
  }
  void SetRange(long start, long end) override {
    auto& sel = state();
    long length = sel.story->length();
    sel.set(sel.story, std::clamp(std::min(start, end), 0L, length),
            std::clamp(std::max(start, end), 0L, length));
  }
  void Delete() override {
    auto& sel = state();
    model::Story& story = *sel.story;
    long end = sel.end();
    // Without a selected stretch, Delete removes the character after the insertion point (a paragraph
    // mark joins the next paragraph); it leaves cell and row marks and field marks alone.
    if (sel.start() == end && end < story.length() - 1) {
      auto text = story.text(end, end + 1, true, true);
      if (text != "\a" && text != "\x13" && text != "\x14" && text != "\x15") ++end;
    }
    long at = story.erase(sel.start(), end);
    sel.set(sel.story, at, at);
  }
  void TypeText(const std::string& text) override {
    auto& sel = state();
    long at = std::min(sel.story->erase(sel.start(), sel.end()), sel.story->length() - 1);
    long after = at + sel.story->insert(at, text);
    sel.set(sel.story, after, after);
  }

 private:
  SelectionState& state() {
    auto doc = app_.active();
    if (!doc->selection.story || !doc->selection.story->alive())
      doc->selection.set(doc->model->mainStory(), 0, 0);
    return doc->selection;
  }
  ApplicationImpl& app_;
};

}  // namespace

std::shared_ptr<word::Documents> ApplicationImpl::Documents() {
  return std::make_shared<DocumentsImpl>(*this);
}
std::shared_ptr<word::Selection> ApplicationImpl::Selection() {
  return std::make_shared<SelectionImpl>(*this);
}
std::shared_ptr<word::Document> ApplicationImpl::handle(const DocPtr& doc) {
  return std::make_shared<DocumentImpl>(doc);
}

model::DocumentModel& ApplicationImpl::modelOf(word::Document& document) {
  auto* impl = dynamic_cast<DocumentImpl*>(&document);
  if (!impl) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  return impl->state()->live();
}

bool ApplicationImpl::close(const DocPtr& doc, std::optional<bool> saveChanges) {
  bool cancel = false;
  DocumentImpl handle(doc);
  beforeClose_.raise(handle, cancel);
  if (cancel) return false;
  if (saveChanges.value_or(false) && !doc->model->saved) saveAs(doc, doc->fullName, std::nullopt);
  doc->hold.reset();
  doc->closed = true;
  // Handles to the document may live on (they report "object has been deleted"); its content goes now.
  doc->selection = {};
  doc->model.reset();
  std::erase(docs_, doc);
  if (active_ == doc) active_ = docs_.empty() ? nullptr : docs_.back();
  return true;
}

void ApplicationImpl::saveAs(const DocPtr& doc, const std::string& fileName, std::optional<int> format) {
  int kind = format.value_or(word::wdFormatDocument);
  // 0 (Word document), 12 (.docx) and 16 (the default format) all write a zip package.
  if (kind != word::wdFormatDocument && kind != 12 && kind != 16) {
    throw notAvailable("saving in format " + std::to_string(kind));
  }
  std::string folder = folderOf(fileName);
  if (fileName.empty() || (!folder.empty() && !system_.FolderExists(folder))) {
    throw wordError(kWordBadFileName, "This is not a valid file name. (" + fileName + ")");
  }
  std::string bytes = doc->model->package().save();
  bool samePlace = sameName(fileName, doc->fullName);
  if (samePlace) doc->hold.reset();
  try {
    system_.ReplaceFile(fileName, bytes);
  } catch (...) {
    if (samePlace && system_.PathExists(fileName)) doc->hold = system_.HoldOpen(fileName);
    throw;
  }
  doc->hold = system_.HoldOpen(fileName);
  doc->fullName = fileName;
  doc->model->package().setFileName(fileName);
  doc->model->saved = true;
}

}  // namespace objects

std::shared_ptr<EngineApplication> createApplication(sys::System& system, EngineOptions options) {
  if (!options.mailMerge) options.mailMerge = mailmerge::createMailMergeHandler();
  if (!options.binaryDocuments) options.binaryDocuments = convert::libreOfficeConverter();
  return std::make_shared<objects::ApplicationImpl>(system, std::move(options));
}

}  // namespace tw::engine
