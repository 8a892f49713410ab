#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addin/event_button.h"
#include "addin/module_state.h"
#include "platform/net/http.h"
#include "platform/office/office.h"
#include "platform/sys/sys.h"
#include "platform/ui/ui.h"
#include "platform/word/word.h"
#include "runtime/conversions.h"
#include "runtime/error.h"

namespace tw::addin {

class DaemonForm;
class Upload;
class UpdateForm;

// The outside world the add-in talks to, besides Word.
struct Services {
  sys::System& sys;
  ui::Ui& ui;
  net::Http& http;
};

// What the add-in reads of the add-in instance Word hands to OnConnection.
struct AddInInstance {
  std::string progId = "Tallyweave.plugin";
};

// Start modes, decided once per connection from the marker files in TEMP.
enum StartMode : runtime::Integer {
  kStartNone = 0,
  kStartDocumentJob = 1,
  kStartTemplateJob = 2,
  kStartDaemon = 5,
};

// Buttons of the merge-field menus: submenu K (1..10), position j (0..29), number 100 * K + j.
constexpr int kMergeSubMenus = 10;
constexpr int kMergeButtonsPerMenu = 30;

// The COM add-in object Word loads: connection events, the settings the connector files fill, and the
// public methods that module code, forms, Word and Office call by name.
class plugin {
 public:
  explicit plugin(Services services);
  ~plugin();
  plugin(const plugin&) = delete;
  plugin& operator=(const plugin&) = delete;

  // ---- Connection events -------------------------------------------------------------------------
  void AddinInstance_OnConnection(std::shared_ptr<word::Application> application, int connectMode,
                                  const AddInInstance& addInInst);
  void AddinInstance_OnDisconnection(int removeMode);
  void AddinInstance_OnBeginShutdown();
  void AddinInstance_OnStartupComplete();
  void AddinInstance_OnAddInsUpdate();

  // ---- Public properties (the settings) -----------------------------------------------------------
  std::shared_ptr<office::CommandBar> wordMenu;
  std::shared_ptr<office::CommandBarControl> twMenu;
  std::shared_ptr<office::CommandBarControl> MergeMenu;
  std::array<std::shared_ptr<office::CommandBarControl>, kMergeSubMenus> mergeSubMenus;  // mergeSubMenu1..10
  std::string serveradres;
  runtime::Integer serverPort = 0;
  std::string serverPath;
  runtime::Integer maxUploadSize = 0;
  std::string supportContact;
  std::shared_ptr<word::Document> sourceDocument;
  runtime::Integer voorbeeldDocAmount = 0;
  std::string generateMode;
  std::string dataSourceCsvFileName;
  std::string ribbonXML;
  bool useRibbon = false;
  runtime::Integer latestConnectorVersion = 0;
  runtime::Integer minimumConnectorVersion = 0;
  std::string updatePath;

  // Locale separators, read at the start of every merge.
  std::string decimalSeparator;
  std::string thousandsSeparator;

  // ---- Public methods ------------------------------------------------------------------------------
  void debugMsg(std::string_view msg);
  std::string IRibbonExtensibility_GetCustomUI(std::string_view ribbonId);
  void Final();
  void OpenDocument(const std::string& location, bool isSourceDocument = false);
  void saveActiveDocument(const std::string& location);
  void resetDocuments();
  void printToPrn(const std::string& location);
  void Domerge(const std::string& rowsize, runtime::Integer recordsize, const std::string& headerFields,
               const std::vector<std::string>& data, bool isVoorbeeld = false);
  std::string getMergefieldName(const std::string& code);
  void updateFormat(word::Field& mergefield);
  void revertFormat(word::Field& mergefield);
  void revertFields(word::Document& mergeDoc);
  void insertMergefieldButton(office::RibbonControl& control);
  void insertMergefieldGallery(office::RibbonControl& control, const std::string& selectedId,
                               runtime::Integer selectedIndex);
  std::string insert_mergefield(const std::string& tagname, const std::string& format_);
  std::string getTwVersion();
  void UploadDocumentClick(office::RibbonControl& control);
  void mergeDocumentClick(office::RibbonControl& control);
  void continueInternalUpdateConnector();
  bool FileExists(const std::string& sFile);
  bool DirExists(const std::string& OrigFile);
  static bool ArrayContains(const std::vector<std::string>& values, std::string_view target);
  template <class T>
  static bool keyExists(const runtime::KeyedCollection<T>* coll, std::string_view key) {
    return coll != nullptr && coll->contains(key);
  }
  void quitWord();
  // merge_Button100_click ... merge_Button1029_click: `number` is the button number.
  void merge_Button_click(int number);

  // ---- Access for module code, forms and tests ----------------------------------------------------
  tallyweaveModule& module() { return module_; }
  Services& services() { return services_; }
  const std::shared_ptr<word::Application>& application() const { return oXL; }
  runtime::Integer startMode() const { return startMode_; }
  void setStartMode(runtime::Integer mode) { startMode_ = mode; }
  bool active() const { return active_; }
  bool debugMode() const { return debugMode_; }
  bool templateLoaded() const { return templateLoaded_; }
  bool finalized() const { return finalized_; }
  // The merge-field menu buttons, merge_Button100 ... merge_Button1029.
  EventButton& mergeButton(int number);
  // TEMP joined with a backslash and `name`.
  std::string tempPath(std::string_view name);
  DaemonForm& daemonForm();
  Upload& uploadForm();
  UpdateForm& updateForm();

  // The own version as a number (major x 1000 + minor x 100 + revision).
  static runtime::Integer ownVersion();

 private:
  void buildMenu(const std::string& progId);
  // Finds the button with `tag` in the popup, or appends a new one with that tag.
  static std::shared_ptr<office::CommandBarControl> findOrAddButton(office::CommandBarControl& popup,
                                                                    const std::string& tag);
  void startUpdate();
  void startUpload();
  void startVoorbeeldMerge();
  void insertMergefieldByKey(const std::string& key);
  void uploadButton_Click(office::CommandBarControl& ctrl, bool& cancelDefault);
  void doMergeButton_Click(office::CommandBarControl& ctrl, bool& cancelDefault);
  void doUpdateButton_Click(office::CommandBarControl& ctrl, bool& cancelDefault);
  void oXL_DocumentBeforeClose(word::Document& doc, bool& cancel);
  void showStartupError(const runtime::Error& error, const std::string& moduleName);
  void checkMinimumVersion();

  Services services_;
  tallyweaveModule module_;

  bool active_ = false;
  bool debugMode_ = false;
  runtime::Integer startMode_ = kStartNone;
  bool templateLoaded_ = false;
  bool finalized_ = false;
  std::shared_ptr<word::Application> oXL;
  std::unique_ptr<platform::EventConnection> documentBeforeCloseConnection_;

  EventButton uploadButton;
  EventButton doMergeButton;
  EventButton doUpdateButton;
  std::array<EventButton, kMergeSubMenus * kMergeButtonsPerMenu> mergeButtons_;

  std::unique_ptr<Upload> upload_;
  std::unique_ptr<UpdateForm> updateForm_;
  std::unique_ptr<DaemonForm> daemonForm_;
};

}  // namespace tw::addin
