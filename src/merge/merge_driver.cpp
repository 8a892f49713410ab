#include <functional>

#include "addin/plugin.h"
#include "merge/data_sources.h"
#include "merge/merge_fields.h"
#include "merge/record_rows.h"

namespace tw::addin {
namespace {

// The files the data-source step leaves, with the log line of each.
struct DataSourceFile {
  const char* name;
  const char* logLine;
};
constexpr DataSourceFile kDataSourceFiles[] = {
    {"temp_dat_header.htm", "Header ...."},
    {"temp_dat_source.htm", "Data source ...."},
    {"temp_dat.doc", "Template ...."},
};

}  // namespace

// Produces the finished document from the active document by Word's mail merge. Every failing step is
// logged and skipped; the merge goes on and the caller hears nothing.
void plugin::Domerge(const std::string& /*rowsize*/, runtime::Integer /*recordsize*/,
                     const std::string& /*headerFields*/, const std::vector<std::string>& /*data*/,
                     bool isVoorbeeld) {
  if (!active_) return;
  auto logError = [this](const runtime::Error& error) {
    debugMsg("Error occured while merging " + error.description() + " " + std::to_string(error.number()) +
             " " + error.source());
  };
  auto step = [&](auto&& work) { runtime::resumeNext(work, logError); };
  auto activeDocument = [this] { return runtime::objectRef(oXL).ActiveDocument(); };

  debugMsg("Start merging document");
  step([&] {
    const runtime::Locale& locale = services_.sys.UserLocale();
    decimalSeparator = locale.decimalSeparator;
    thousandsSeparator = locale.thousandsSeparator;
  });

  std::shared_ptr<word::Document> mainDocument;
  if (startMode_ == kStartTemplateJob) {
    const std::string copy = tempPath("merge_" + module_.templateName);
    step([&] { saveActiveDocument(copy); });
    step([&] { saveActiveDocument(tempPath(module_.templateName)); });
    step([&] { OpenDocument(copy, false); });
  }
  step([&] { mainDocument = activeDocument(); });
  step([&] { activeDocument()->ActiveWindow()->View()->SetShowFieldCodes(true); });

  step([&] { expandRecordRows(*this, logError); });

  // Inventory of the merge fields: each distinct name once, in the order first met.
  bool found = false;
  std::fill(module_.mergefieldInventory.begin(),
            module_.mergefieldInventory.begin() +
                std::min<int>(module_.mergefieldInventoryCount + 1, kInventorySlots),
            std::string());
  module_.mergefieldInventoryCount = 0;
  debugMsg("Building mergfield inventory");

  auto fieldRule = [&](word::Field& field, const std::string& name, word::Fields& fields) {
    if (!ArrayContains(module_.fieldNames, name)) {
      field.Delete();
      return true;
    }
    std::vector<std::string> inventory(module_.mergefieldInventory.begin(),
                                       module_.mergefieldInventory.end());
    if (ArrayContains(inventory, name)) return false;
    if (module_.mergefieldInventoryCount >= kInventorySlots) {
      throw runtime::Error::fromNumber(runtime::kSubscriptOutOfRange);
    }
    module_.mergefieldInventory[module_.mergefieldInventoryCount++] = name;
    updateFormat(field);
    if (generateMode != "record" && name.rfind("img_", 0) == 0) insertPictureField(*this, field, fields);
    return false;
  };
  // Walks the merge fields of a fields collection, asked anew for each field since the walk edits the
  // story; a deleted field's place is taken by the next one.
  using FieldsOf = std::function<std::shared_ptr<word::Fields>()>;
  auto walkMergeFields = [&](const FieldsOf& fieldsOf, bool deleteUnnamed, bool markFound) {
    for (long i = 1; i <= fieldsOf()->Count(); ++i) {
      step([&] {
        auto fields = fieldsOf();
        auto field = fields->Item(i);
        if (field->Type() != word::wdFieldMergeField) return;
        if (markFound) found = true;
        std::string name = getMergefieldName(field->Code()->Text());
        bool deleted = false;
        if (name.empty() && deleteUnnamed) {
          field->Delete();
          deleted = true;
        } else {
          deleted = fieldRule(*field, name, *fields);
        }
        if (deleted) --i;
      });
    }
  };
  step([&] { walkMergeFields([&] { return activeDocument()->Fields(); }, true, false); });
  step([&] {
    auto shapes = activeDocument()->Shapes();
    for (long s = 1, count = shapes->Count(); s <= count; ++s) {
      step([&] {
        auto frame = shapes->Item(s)->TextFrame();
        if (frame->HasText()) walkMergeFields([&] { return frame->TextRange()->Fields(); }, false, true);
      });
    }
  });
  step([&] {
    auto stories = activeDocument()->StoryRanges();
    for (long s = 1, count = stories->Count(); s <= count; ++s) {
      step([&] { walkMergeFields([&] { return stories->Item(s)->Fields(); }, false, true); });
    }
  });

  if (!found) {
    step([&] {
      auto mailMerge = runtime::objectRef(mainDocument).MailMerge();
      if (mailMerge->MainDocumentType() != word::wdNotAMergeDocument) {
        mailMerge->SetMainDocumentType(word::wdNotAMergeDocument);
      }
    });
    if (startMode_ == kStartDaemon) {
      const std::string result = tempPath(module_.resultDocName + ".doc");
      debugMsg("No mergefields present");
      step([&] { activeDocument()->SaveAs(result); });
      step([&] { debugMsg("Closing Template :" + activeDocument()->Name()); });
      step([&] { activeDocument()->Close(false); });
      step([&] { OpenDocument(result, false); });
    }
    return;
  }

  debugMsg("Writing dataSources");
  step([&] { attachDataSource(*this, *activeDocument()->MailMerge()); });
  step([&] { debugMsg("Executing Office.MailMerge on :" + runtime::objectRef(mainDocument).Name()); });
  step([&] {
    auto window = activeDocument()->ActiveWindow();
    if (window->View()->SplitSpecial() != 0) window->ActivePane()->Close();
  });
  step([&] { runtime::objectRef(mainDocument).MailMerge()->Execute(false); });
  step([&] { activeDocument()->Activate(); });
  step([&] { activeDocument()->ActiveWindow()->View()->SetShowFieldCodes(false); });
  step([&] { runtime::objectRef(mainDocument).Fields()->UpdateSource(); });

  // The result links its pictures; embed them so the document stands on its own.
  auto embedLinkedPictures = [&](const std::shared_ptr<word::InlineShapes>& shapes) {
    for (long i = 1, count = shapes->Count(); i <= count; ++i) {
      step([&] {
        auto shape = shapes->Item(i);
        if (shape->Type() == word::wdInlineShapeLinkedPicture)
          shape->LinkFormat()->SetSavePictureWithDocument(true);
      });
    }
  };
  step([&] { embedLinkedPictures(activeDocument()->InlineShapes()); });
  step([&] {
    auto stories = activeDocument()->StoryRanges();
    for (long s = 1, count = stories->Count(); s <= count; ++s) {
      step([&] { embedLinkedPictures(stories->Item(s)->InlineShapes()); });
    }
  });

  step([&] {
    auto mailMerge = runtime::objectRef(mainDocument).MailMerge();
    if (mailMerge->MainDocumentType() != word::wdNotAMergeDocument) {
      debugMsg("Reverting Mergestate");
      mailMerge->SetMainDocumentType(word::wdNotAMergeDocument);
    }
  });
  step([&] { activeDocument()->MailMerge()->SetMainDocumentType(word::wdNotAMergeDocument); });
  debugMsg("Updating Sources");

  if (isVoorbeeld) {
    debugMsg("Reverting Template");
    step([&] {
      int n = 1;
      while (FileExists(tempPath("document_voorbeeld" + std::to_string(n) + ".doc"))) ++n;
      const std::string path = tempPath("document_voorbeeld" + std::to_string(n) + ".doc");
      ++voorbeeldDocAmount;
      module_.voorbeeldDocuments.resize(
          std::max<size_t>(module_.voorbeeldDocuments.size(), voorbeeldDocAmount + 1));
      module_.voorbeeldDocuments[voorbeeldDocAmount] = path;
      saveActiveDocument(path);
    });
    std::shared_ptr<word::Document> result;
    step([&] { result = activeDocument(); });
    step([&] { runtime::objectRef(mainDocument).Close(false); });
    step([&] { runtime::objectRef(result).Activate(); });
    step([&] { services_.sys.DeleteFile(tempPath("merge_" + module_.templateName)); });
  } else {
    step([&] { debugMsg("Closing Template :" + runtime::objectRef(mainDocument).Name()); });
    step([&] { mainDocument->Close(false); });
  }

  debugMsg("Cleanup datasources");
  for (const DataSourceFile& file : kDataSourceFiles) {
    step([&] {
      const std::string path = tempPath(file.name);
      if (!FileExists(path)) return;
      debugMsg(file.logLine);
      services_.sys.DeleteFile(path);
    });
  }
  debugMsg("Merge Finished");
}

void plugin::startVoorbeeldMerge() {
  auto active = runtime::objectRef(application()).ActiveDocument();
  if (sourceDocument && active->Is(*sourceDocument)) {
    Domerge("0", static_cast<runtime::Integer>(module().fieldCount - 1), module().dataString,
            module().fieldValues, true);
  } else {
    services().ui.MsgBox("U kunt alleen een voorbeeld genereren vanuit het sjabloon document.");
  }
}

void plugin::mergeDocumentClick(office::RibbonControl& /*control*/) {
  startVoorbeeldMerge();
}

}  // namespace tw::addin
