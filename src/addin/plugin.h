#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "context/addin_context.h"
#include "runtime/keyed_collection.h"

namespace tw::addin {

class DaemonForm;
class Upload;
class UpdateForm;

// What the add-in reads of the add-in instance Word hands to OnConnection.
struct AddInInstance {
  std::string progId = "Tallyweave.plugin";
};

// The COM add-in object Word loads: the face that Word, Office, scripts and the forms call by name. It
// owns the add-in's context and the three forms and forwards every member to its subsystem.
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

  // ---- Public properties: the settings and the menu objects ----------------------------------------
  Settings& settings() { return ctx_.settings; }
  MenuObjects& menus() { return ctx_.menus; }

  // ---- Public methods ------------------------------------------------------------------------------
  void debugMsg(std::string_view msg);
  std::string IRibbonExtensibility_GetCustomUI(std::string_view ribbonId);
  void Final();
  void OpenDocument(const std::string& location, bool isSourceDocument = false);
  void saveActiveDocument(const std::string& location);
  void resetDocuments();
  void printToPrn(const std::string& location);
  // The parameters are the classic signature's; the merge takes its data from the job state.
  void Domerge(const std::string& rowsize, runtime::Integer recordsize, const std::string& headerFields,
               const std::vector<std::string>& data, bool isVoorbeeld = false);
  std::string getMergefieldName(const std::string& code);
  void updateFormat(word::Field& mergefield);
  void revertFormat(word::Field& mergefield);
  void revertFields(word::Document& mergeDoc);
  std::shared_ptr<ui::Picture> GetImage(const std::string& imageName);
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

  // ---- Access for the forms, the host and tests ------------------------------------------------------
  AddinContext& context() { return ctx_; }
  tallyweaveModule& module() { return ctx_.module; }
  Services& services() { return ctx_.services; }
  const std::shared_ptr<word::Application>& application() const { return ctx_.oXL; }
  runtime::Integer startMode() const { return ctx_.startMode; }
  void setStartMode(runtime::Integer mode) { ctx_.startMode = mode; }
  bool active() const { return ctx_.active; }
  bool debugMode() const { return ctx_.debugMode; }
  bool templateLoaded() const { return ctx_.templateLoaded; }
  bool finalized() const { return ctx_.finalized; }
  std::string tempPath(std::string_view name) const { return ctx_.tempPath(name); }
  DaemonForm& daemonForm();
  Upload& uploadForm();
  UpdateForm& updateForm();

 private:
  void oXL_DocumentBeforeClose(word::Document& doc, bool& cancel);
  void showStartupError(const runtime::Error& error, const std::string& moduleName);
  void checkMinimumVersion();

  AddinContext ctx_;
  std::unique_ptr<platform::EventConnection> documentBeforeCloseConnection_;
  std::unique_ptr<Upload> upload_;
  std::unique_ptr<UpdateForm> updateForm_;
  std::unique_ptr<DaemonForm> daemonForm_;
};

}  // namespace tw::addin
