#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "runtime/conversions.h"
#include "runtime/keyed_collection.h"

namespace tw::addin {

class plugin;

// Slots of the merge-field tables: list item n goes to slot 100 * (1 + n / 50) + n % 50, up to 1100.
constexpr int kMergeTableSlots = 1101;
// Slots of the submenu tables, filled from 1.
constexpr int kMergeMenuSlots = 12;
// Distinct merge-field names in the order first met. A lookup does not walk the list, and the list
// grows with the template: a long invoice may hold thousands of distinct fields.
class MergefieldInventory {
 public:
  void clear() {
    names_.clear();
    index_.clear();
  }
  // Appends `name` unless it is there already; true when it was appended.
  bool add(const std::string& name) {
    if (!index_.insert(name).second) return false;
    names_.push_back(name);
    return true;
  }
  bool contains(const std::string& name) const { return index_.contains(name); }
  const std::vector<std::string>& names() const { return names_; }
  int count() const { return static_cast<int>(names_.size()); }

 private:
  std::vector<std::string> names_;
  std::unordered_set<std::string> index_;
};

// The module-level variables of the main module: the job state the connector readers fill and the merge
// state the merge driver keeps. One instance lives in the plugin object.
struct tallyweaveModule {
  // The one plugin object; set by OnConnection, not owned.
  plugin* pluginInstance = nullptr;

  // Field list: parallel lists of index 0..fieldCount, the last slot always an empty spare. 32 bits: an
  // invoice of 20,000 lines carries 60,000 fields.
  runtime::Long fieldCount = 0;
  std::vector<std::string> fieldNames{""};
  std::vector<std::string> fieldValues{""};
  std::string dataString;
  // Record groups: record name -> entry count (text), field name -> record name.
  runtime::KeyedCollection<std::string> recordCounts;
  runtime::KeyedCollection<std::string> recordOfField;

  // Merge-field menu tables.
  std::array<std::string, kMergeTableSlots> mergeLabels{};
  std::array<std::string, kMergeTableSlots> mergeKeys{};
  std::array<std::string, kMergeTableSlots> mergeFormats{};
  std::array<std::string, kMergeMenuSlots> mergeMenus{};
  std::array<std::string, kMergeMenuSlots> mergeMenuVisibility{};
  std::string mergeMenuCaption;

  std::string templateName;
  std::string templateTitle;
  std::string templateId;
  std::string sessionId;
  std::string userName;
  std::string adminName;
  bool authorizationRequired = false;
  std::string resultDocName;
  std::string resultDocPath;
  std::string dataHeaderHtmlFileName;
  std::string dataSourceHtmlFileName;

  // Merge state.
  MergefieldInventory mergefieldInventory;
  // Picture files written for the job (entry k-1 for the k-th picture).
  runtime::Integer documentImageCount = 0;
  std::vector<std::string> documentImages;
  // Example documents, indexed 1..voorbeeldDocAmount (entry 0 stays empty).
  std::vector<std::string> voorbeeldDocuments{""};

  // The daemon's base folder (ends with a backslash); empty outside daemon mode.
  std::string basePath;
};

}  // namespace tw::addin
