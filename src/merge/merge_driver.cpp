#include "merge/merge_driver.h"

#include <string_view>
#include <unordered_set>

#include "context/addin_context.h"
#include "context/documents.h"
#include "context/temp_files.h"
#include "merge/data_sources.h"
#include "merge/merge_fields.h"
#include "merge/record_rows.h"

namespace tw::addin {
namespace {

// The files the data-source step leaves, with the log line of each.
struct DataSourceFile {
  std::string_view name;
  const char* logLine;
};
constexpr DataSourceFile kDataSourceFiles[] = {
    {tempfile::kHtmlHeader, "Header ...."},
    {tempfile::kHtmlData, "Data source ...."},
    {tempfile::kMergeTemplateCopy, "Template ...."},
};

// One merge, step by step. Each step runs through `step`, which logs a failure and goes on.
class MergeDriver {
 public:
  MergeDriver(AddinContext& ctx, bool isVoorbeeld) : ctx_(ctx), isVoorbeeld_(isVoorbeeld) {}

  // False when the mail merge itself did not run (its data source could not be opened, say).
  bool run() {
    ctx_.debugMsg("Start merging document");
    step([&] { readLocaleSeparators(); });
    chooseMainDocument();
    step([&] { activeDocument()->ActiveWindow()->View()->SetShowFieldCodes(true); });
    step([&] { expandRecordRows(ctx_, logError()); });
    buildInventory();
    if (!found_) {
      finishWithoutMergeFields();
      return true;
    }
    executeMerge();
    embedLinkedPictures();
    revertMergeState();
    if (isVoorbeeld_) {
      keepExampleResult();
    } else {
      step([&] { ctx_.debugMsg("Closing Template :" + runtime::objectRef(mainDocument_).Name()); });
      step([&] { mainDocument_->Close(false); });
    }
    removeDataSourceFiles();
    ctx_.debugMsg("Merge Finished");
    return executed_;
  }

 private:
  std::function<void(const runtime::Error&)> logError() const {
    return [this](const runtime::Error& error) {
      ctx_.debugMsg("Error occured while merging " + error.logText());
    };
  }
  void step(const std::function<void()>& work) const { runtime::resumeNext(work, logError()); }
  // The active document, asked anew from Word every time: the merge changes it.
  std::shared_ptr<word::Document> activeDocument() const { return ctx_.word().ActiveDocument(); }
  std::string tempPath(std::string_view name) const { return ctx_.tempPath(name); }

  void readLocaleSeparators() {
    const runtime::Locale& locale = ctx_.services.sys.UserLocale();
    ctx_.settings.decimalSeparator = locale.decimalSeparator;
    ctx_.settings.thousandsSeparator = locale.thousandsSeparator;
  }

  // A template job merges a copy, so the template being edited stays open as it is.
  void chooseMainDocument() {
    if (ctx_.startMode == kStartTemplateJob) {
      const std::string& templateName = ctx_.module.templateName;
      const std::string copy = tempPath("merge_" + templateName);
      step([&] { saveActiveDocument(ctx_, copy); });
      step([&] { saveActiveDocument(ctx_, tempPath(templateName)); });
      step([&] { OpenDocument(ctx_, copy, false); });
    }
    step([&] { mainDocument_ = activeDocument(); });
  }

  // Each distinct merge-field name once, in the order first met, from the main text (pass A), the text
  // boxes (pass B) and every story (pass C). Fields that name no column are removed.
  void buildInventory() {
    ctx_.module.mergefieldInventory.clear();
    ctx_.debugMsg("Building mergfield inventory");
    columns_.clear();
    for (const std::string& name : ctx_.module.fieldNames) columns_.insert(name);

    const Guard guard = [this](const std::function<void()>& work) { step(work); };
    auto mainTextField = [this](word::Field& field, word::Fields& fields) {
      if (field.Type() != word::wdFieldMergeField) return false;
      const std::string code = field.Code()->Text();
      const std::string name = getMergefieldName(ctx_, code);
      if (name.empty()) return removeField(field, "Removed merge field without a readable name: " + code);
      return applyFieldRule(field, name, code, fields);
    };
    auto otherField = [this](word::Field& field, word::Fields& fields) {
      if (field.Type() != word::wdFieldMergeField) return false;
      found_ = true;
      const std::string code = field.Code()->Text();
      return applyFieldRule(field, getMergefieldName(ctx_, code), code, fields);
    };
    step([&] { walkFields([this] { return activeDocument()->Fields(); }, mainTextField, guard); });
    step([&] {
      forEachTextBox(*activeDocument(), guard,
                     [&](const FieldsOf& fields) { walkFields(fields, otherField, guard); });
    });
    step([&] {
      auto stories = activeDocument()->StoryRanges();
      for (long s = 1, count = stories->Count(); s <= count; ++s) {
        step([&] { walkFields([&] { return stories->Item(s)->Fields(); }, otherField, guard); });
      }
    });
  }

  // The first field of each column name is localised and, outside mode "record", a picture column
  // becomes a picture field; later fields of that name stay as they are. True when `field` was removed.
  bool applyFieldRule(word::Field& field, const std::string& name, const std::string& code,
                      word::Fields& fields) {
    // The empty name stands in both lists (their spare slots), so such a field is left alone.
    if (name.empty()) return false;
    if (!columns_.contains(name))
      return removeField(field, "Removed merge field that names no column: " + code);
    if (!ctx_.module.mergefieldInventory.add(name)) return false;
    updateFormat(ctx_, field);
    if (ctx_.settings.generateMode != GenerateMode::kRecord && name.rfind("img_", 0) == 0) {
      insertPictureField(ctx_, field, fields);
    }
    return false;
  }

  bool removeField(word::Field& field, const std::string& logLine) {
    ctx_.debugMsg(logLine);
    field.Delete();
    return true;
  }

  void finishWithoutMergeFields() {
    step([&] { revertMainDocumentType(false); });
    if (ctx_.startMode != kStartDaemon) return;
    // The daemon finds its result saved under the result name and active, as after a merge.
    const std::string result = tempPath(ctx_.module.resultDocName + ".doc");
    ctx_.debugMsg("No mergefields present");
    step([&] { activeDocument()->SaveAs(result); });
    step([&] { ctx_.debugMsg("Closing Template :" + activeDocument()->Name()); });
    step([&] { activeDocument()->Close(false); });
    step([&] { OpenDocument(ctx_, result, false); });
  }

  void executeMerge() {
    ctx_.debugMsg("Writing dataSources");
    step([&] { attachDataSource(ctx_, *activeDocument()->MailMerge()); });
    step(
        [&] { ctx_.debugMsg("Executing Office.MailMerge on :" + runtime::objectRef(mainDocument_).Name()); });
    step([&] {
      auto window = activeDocument()->ActiveWindow();
      if (window->View()->SplitSpecial() != 0) window->ActivePane()->Close();
    });
    step([&] {
      runtime::objectRef(mainDocument_).MailMerge()->Execute(false);
      executed_ = true;
    });
    step([&] { activeDocument()->Activate(); });
    step([&] { activeDocument()->ActiveWindow()->View()->SetShowFieldCodes(false); });
    step([&] { runtime::objectRef(mainDocument_).Fields()->UpdateSource(); });
  }

  // The result links its pictures; embed them so the document stands on its own.
  void embedLinkedPictures() {
    auto embed = [&](const std::shared_ptr<word::InlineShapes>& shapes) {
      for (long i = 1, count = shapes->Count(); i <= count; ++i) {
        step([&] {
          auto shape = shapes->Item(i);
          if (shape->Type() == word::wdInlineShapeLinkedPicture)
            shape->LinkFormat()->SetSavePictureWithDocument(true);
        });
      }
    };
    step([&] { embed(activeDocument()->InlineShapes()); });
    step([&] {
      auto stories = activeDocument()->StoryRanges();
      for (long s = 1, count = stories->Count(); s <= count; ++s) {
        step([&] { embed(stories->Item(s)->InlineShapes()); });
      }
    });
  }

  void revertMainDocumentType(bool logIt) {
    auto mailMerge = runtime::objectRef(mainDocument_).MailMerge();
    if (mailMerge->MainDocumentType() == word::wdNotAMergeDocument) return;
    if (logIt) ctx_.debugMsg("Reverting Mergestate");
    mailMerge->SetMainDocumentType(word::wdNotAMergeDocument);
  }

  void revertMergeState() {
    step([&] { revertMainDocumentType(true); });
    step([&] { activeDocument()->MailMerge()->SetMainDocumentType(word::wdNotAMergeDocument); });
    ctx_.debugMsg("Updating Sources");
  }

  // Saves the result under the first free document_voorbeeld<n>.doc and keeps it open for the user.
  void keepExampleResult() {
    ctx_.debugMsg("Reverting Template");
    step([&] {
      int n = 1;
      auto pathOf = [&](int number) {
        return tempPath("document_voorbeeld" + std::to_string(number) + ".doc");
      };
      while (ctx_.fileExists(pathOf(n))) ++n;
      const std::string path = pathOf(n);
      runtime::Integer& amount = ctx_.settings.voorbeeldDocAmount;
      ++amount;
      std::vector<std::string>& documents = ctx_.module.voorbeeldDocuments;
      documents.resize(std::max<size_t>(documents.size(), static_cast<size_t>(amount) + 1));
      documents[static_cast<size_t>(amount)] = path;
      saveActiveDocument(ctx_, path);
    });
    std::shared_ptr<word::Document> result;
    step([&] { result = activeDocument(); });
    step([&] { runtime::objectRef(mainDocument_).Close(false); });
    step([&] { runtime::objectRef(result).Activate(); });
    step([&] { ctx_.services.sys.DeleteFile(tempPath("merge_" + ctx_.module.templateName)); });
  }

  void removeDataSourceFiles() {
    ctx_.debugMsg("Cleanup datasources");
    for (const DataSourceFile& file : kDataSourceFiles) {
      step([&] {
        const std::string path = tempPath(file.name);
        if (!ctx_.fileExists(path)) return;
        ctx_.debugMsg(file.logLine);
        ctx_.services.sys.DeleteFile(path);
      });
    }
  }

  AddinContext& ctx_;
  const bool isVoorbeeld_;
  std::shared_ptr<word::Document> mainDocument_;
  // The column names of the job, for the field rule.
  std::unordered_set<std::string_view> columns_;
  // A merge field was seen in a text box or a story.
  bool found_ = false;
  bool executed_ = false;
};

}  // namespace

bool Domerge(AddinContext& ctx, bool isVoorbeeld) {
  if (!ctx.active) return false;
  return MergeDriver(ctx, isVoorbeeld).run();
}

void startVoorbeeldMerge(AddinContext& ctx) {
  if (activeDocumentIsTemplate(ctx)) {
    Domerge(ctx, true);
  } else {
    ctx.services.ui.MsgBox("U kunt alleen een voorbeeld genereren vanuit het sjabloon document.");
  }
}

}  // namespace tw::addin
