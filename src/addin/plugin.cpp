#include "addin/plugin.h"

#include "addin/classic_menu.h"
#include "addin/start_mode.h"
#include "connector/cleanup.h"
#include "connector/document_job.h"
#include "connector/template_job.h"
#include "context/documents.h"
#include "context/temp_files.h"
#include "daemon/daemon_form.h"
#include "menus/merge_menu.h"
#include "menus/ribbon.h"
#include "menus/utilities.h"
#include "merge/merge_driver.h"
#include "merge/merge_fields.h"
#include "runtime/locale.h"
#include "server/update_form.h"
#include "server/upload_form.h"

namespace tw::addin {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kDefaultSupportContact = "met de uitgever van deze software.";
// Word versions from 12 on have a ribbon.
constexpr double kFirstRibbonVersion = 12.0;
// The module the start-up error message names.
constexpr const char* kModuleName = "Tallyweave";

}  // namespace

plugin::plugin(Services services) : ctx_(services) {
  ctx_.quitDaemon = [this](std::string_view reason) { daemonForm().quitWord(reason); };
}

plugin::~plugin() = default;

Upload& plugin::uploadForm() {
  if (!upload_) upload_ = std::make_unique<Upload>(ctx_);
  return *upload_;
}

UpdateForm& plugin::updateForm() {
  if (!updateForm_)
    updateForm_ = std::make_unique<UpdateForm>(ctx_, [this] { continueInternalUpdateConnector(); });
  return *updateForm_;
}

DaemonForm& plugin::daemonForm() {
  if (!daemonForm_) daemonForm_ = std::make_unique<DaemonForm>(ctx_);
  return *daemonForm_;
}

// ---- Connection ------------------------------------------------------------------------------------

void plugin::AddinInstance_OnConnection(std::shared_ptr<word::Application> application, int /*connectMode*/,
                                        const AddInInstance& addInInst) {
  std::string moduleName = kModuleName;
  Settings& settings = ctx_.settings;
  try {
    ctx_.active = true;
    ctx_.module.authorizationRequired = false;
    settings.generateMode = GenerateMode("record");
    settings.supportContact = kDefaultSupportContact;
    settings.useRibbon = false;
    const runtime::Locale& locale = ctx_.services.sys.UserLocale();
    settings.latestConnectorVersion = runtime::toInteger(getTwVersion(), locale);
    settings.minimumConnectorVersion = runtime::toInteger(getTwVersion(), locale);

    if (ctx_.fileExists(ctx_.tempPath(tempfile::kDebugMarker))) {
      ctx_.debugMode = true;
      ctx_.debugMsg("Starting Tallyweave in debugging mode id: " + addInInst.progId);
    }
    uploadForm();
    ctx_.module.pluginInstance = this;
    ctx_.module.mergefieldInventory.clear();
    settings.voorbeeldDocAmount = 0;
    ctx_.finalized = false;
    ctx_.templateLoaded = false;

    ctx_.oXL = std::move(application);
    documentBeforeCloseConnection_ =
        ctx_.word().OnDocumentBeforeClose([this](word::Document& doc, bool& cancel) {
          // Word ignores a failing event handler.
          runtime::resumeNext([&] { oXL_DocumentBeforeClose(doc, cancel); });
        });

    ctx_.menus.wordMenu = ctx_.oXL->CommandBars()->Item("Menu Bar");
    if (!ctx_.menus.wordMenu) return;

    ctx_.startMode = detectStartMode(ctx_);
    if (ctx_.startMode == kStartTemplateJob) ctx_.templateLoaded = readTemplateJob(ctx_, moduleName);
    if (runtime::Val(ctx_.oXL->Version()) < kFirstRibbonVersion) settings.useRibbon = false;
    if (settings.useRibbon) ctx_.templateLoaded = false;
    if (ctx_.startMode == kStartDocumentJob && !runDocumentJob(ctx_)) Final();
    if (ctx_.startMode != kStartNone) {
      ctx_.oXL->SetVisible(true);
      checkMinimumVersion();
    }
    ctx_.debugMsg("Building menu");
    buildMenu(*this, addInInst.progId);
  } catch (...) {
    showStartupError(runtime::currentError(), moduleName);
    // A template job that failed with an error would fail again at every later start, ordinary ones
    // included: set it aside as a rejected job, so that the next start is an ordinary one.
    if (ctx_.startMode == kStartTemplateJob) runtime::resumeNext([&] { setTemplateJobAside(ctx_); });
  }
}

void plugin::checkMinimumVersion() {
  if (runtime::Val(getTwVersion()) >= ctx_.settings.minimumConnectorVersion) return;
  const int kOkCancelWarningForeground = ui::vbOKCancel + ui::vbExclamation + ui::vbMsgBoxSetForeground;
  ui::Ui& ui = ctx_.services.ui;
  int answer = ui.MsgBox(std::string("De door u geinstalleerde versie van de Tallyweave is te oud om dit "
                                     "bestand te openen,") +
                             kCrLf + "Wilt u de nieuwe versie van de Tallyweave installeren?",
                         kOkCancelWarningForeground, std::string("Tallyweave"));
  if (answer == ui::vbOK) {
    startUpdate(ctx_, updateForm());
  } else {
    ui.MsgBox("Het document kon niet worden geopend", ui::vbOKOnly, std::string("Tallyweave"));
  }
  ctx_.startMode = kStartNone;
}

void plugin::showStartupError(const runtime::Error& error, const std::string& moduleName) {
  if (ctx_.startMode == kStartDaemon) {
    daemonForm().quitWord(error.messageText());
    return;
  }
  ctx_.services.ui.MsgBox("Er heeft een fout plaatsgevonden in de " + moduleName +
                          " module, daardoor kan deze niet geladen worden." + kCrLf +
                          "Foutinformatie: " + error.messageText());
}

void plugin::AddinInstance_OnDisconnection(int /*removeMode*/) {
  Final();
}

void plugin::AddinInstance_OnBeginShutdown() {
  if (ctx_.startMode == kStartDaemon) daemonForm().CloseDaemon();
  Final();
}

void plugin::AddinInstance_OnStartupComplete() {
  if (ctx_.startMode != kStartDaemon) return;
  daemonForm().Activate();
  daemonForm().Show();
}

void plugin::AddinInstance_OnAddInsUpdate() {}

void plugin::oXL_DocumentBeforeClose(word::Document& doc, bool& /*cancel*/) {
  if (ctx_.startMode == kStartNone) return;
  doc.AttachedTemplate()->SetSaved(true);
}

// ---- Shutdown --------------------------------------------------------------------------------------

void plugin::Final() {
  if (!ctx_.active) return;
  if (ctx_.finalized) return;
  ctx_.finalized = true;
  MenuObjects& menus = ctx_.menus;
  runtime::resumeNext([&] { cleanupTempFiles(ctx_); });
  runtime::resumeNext([&] { menus.wordMenu = ctx_.word().CommandBars()->Item("Menu Bar"); });
  runtime::resumeNext(
      [&] { menus.twMenu = runtime::objectRef(menus.wordMenu).FindControl("twMenucontrol"); });
  runtime::resumeNext([&] {
    if (ctx_.templateLoaded) runtime::objectRef(menus.twMenu).Delete();
  });
}

// ---- The public methods, each forwarded to its subsystem -----------------------------------------------

void plugin::debugMsg(std::string_view msg) {
  ctx_.debugMsg(msg);
}

std::string plugin::IRibbonExtensibility_GetCustomUI(std::string_view ribbonId) {
  return getCustomUI(ctx_, ribbonId);
}

void plugin::OpenDocument(const std::string& location, bool isSourceDocument) {
  addin::OpenDocument(ctx_, location, isSourceDocument);
}

void plugin::saveActiveDocument(const std::string& location) {
  addin::saveActiveDocument(ctx_, location);
}

void plugin::resetDocuments() {
  addin::resetDocuments(ctx_);
}

void plugin::printToPrn(const std::string& location) {
  addin::printToPrn(ctx_, location);
}

void plugin::Domerge(const std::string& /*rowsize*/, runtime::Integer /*recordsize*/,
                     const std::string& /*headerFields*/, const std::vector<std::string>& /*data*/,
                     bool isVoorbeeld) {
  addin::Domerge(ctx_, isVoorbeeld);
}

std::string plugin::getMergefieldName(const std::string& code) {
  return addin::getMergefieldName(ctx_, code);
}

void plugin::updateFormat(word::Field& mergefield) {
  addin::updateFormat(ctx_, mergefield);
}

void plugin::revertFormat(word::Field& mergefield) {
  addin::revertFormat(ctx_, mergefield);
}

void plugin::revertFields(word::Document& mergeDoc) {
  addin::revertFields(ctx_, mergeDoc);
}

std::shared_ptr<ui::Picture> plugin::GetImage(const std::string& imageName) {
  return addin::GetImage(ctx_, imageName);
}

void plugin::insertMergefieldButton(office::RibbonControl& control) {
  addin::insertMergefieldButton(ctx_, control);
}

void plugin::insertMergefieldGallery(office::RibbonControl& /*control*/, const std::string& selectedId,
                                     runtime::Integer /*selectedIndex*/) {
  addin::insertMergefieldGallery(ctx_, selectedId);
}

std::string plugin::insert_mergefield(const std::string& tagname, const std::string& format_) {
  return addin::insert_mergefield(ctx_, tagname, format_);
}

std::string plugin::getTwVersion() {
  return addin::getTwVersion();
}

void plugin::UploadDocumentClick(office::RibbonControl& /*control*/) {
  startUpload(ctx_, uploadForm());
}

void plugin::mergeDocumentClick(office::RibbonControl& /*control*/) {
  startVoorbeeldMerge(ctx_);
}

void plugin::continueInternalUpdateConnector() {
  addin::continueInternalUpdateConnector(ctx_, updateForm());
}

bool plugin::FileExists(const std::string& sFile) {
  return ctx_.fileExists(sFile);
}

bool plugin::DirExists(const std::string& OrigFile) {
  return ctx_.dirExists(OrigFile);
}

bool plugin::ArrayContains(const std::vector<std::string>& values, std::string_view target) {
  return addin::ArrayContains(values, target);
}

void plugin::quitWord() {
  ctx_.quitWord();
}

void plugin::merge_Button_click(int number) {
  addin::mergeButtonClick(ctx_, number);
}

}  // namespace tw::addin
