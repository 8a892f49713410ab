#include "addin/plugin.h"

#include "addin/start_mode.h"
#include "connector/cleanup.h"
#include "connector/document_job.h"
#include "connector/template_job.h"
#include "daemon/daemon_form.h"
#include "runtime/locale.h"
#include "server/update_form.h"
#include "server/upload_form.h"
#include "version.h"

namespace tw::addin {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kDefaultSupportContact = "met de uitgever van deze software.";
// Word versions from 12 on have a ribbon.
constexpr double kFirstRibbonVersion = 12.0;
// The module the start-up error message names.
constexpr const char* kModuleName = "Tallyweave";

}  // namespace

plugin::plugin(Services services) : services_(services) {}

plugin::~plugin() = default;

runtime::Integer plugin::ownVersion() {
  return static_cast<runtime::Integer>(kVersionMajor * 1000 + kVersionMinor * 100 + kVersionPatch);
}

std::string plugin::getTwVersion() {
  return std::to_string(ownVersion());
}

std::string plugin::tempPath(std::string_view name) {
  return services_.sys.GetEnv("TEMP").value_or("") + "\\" + std::string(name);
}

EventButton& plugin::mergeButton(int number) {
  int menu = number / 100;
  int position = number % 100;
  if (menu < 1 || menu > kMergeSubMenus || position >= kMergeButtonsPerMenu) {
    throw runtime::Error::fromNumber(runtime::kSubscriptOutOfRange);
  }
  return mergeButtons_[(menu - 1) * kMergeButtonsPerMenu + position];
}

Upload& plugin::uploadForm() {
  if (!upload_) upload_ = std::make_unique<Upload>(*this);
  return *upload_;
}

UpdateForm& plugin::updateForm() {
  if (!updateForm_) updateForm_ = std::make_unique<UpdateForm>(*this);
  return *updateForm_;
}

DaemonForm& plugin::daemonForm() {
  if (!daemonForm_) daemonForm_ = std::make_unique<DaemonForm>(*this);
  return *daemonForm_;
}

// ---- Connection ------------------------------------------------------------------------------------

void plugin::AddinInstance_OnConnection(std::shared_ptr<word::Application> application, int /*connectMode*/,
                                        const AddInInstance& addInInst) {
  std::string moduleName = kModuleName;
  try {
    active_ = true;
    module_.authorizationRequired = false;
    generateMode = "record";
    supportContact = kDefaultSupportContact;
    useRibbon = false;
    const runtime::Locale& locale = services_.sys.UserLocale();
    latestConnectorVersion = runtime::toInteger(getTwVersion(), locale);
    minimumConnectorVersion = runtime::toInteger(getTwVersion(), locale);

    if (FileExists(tempPath("twDebug.tmp"))) {
      debugMode_ = true;
      debugMsg("Starting Tallyweave in debugging mode id: " + addInInst.progId);
    }
    uploadForm();
    module_.pluginInstance = this;
    module_.mergefieldInventoryCount = 0;
    voorbeeldDocAmount = 0;
    finalized_ = false;
    templateLoaded_ = false;

    oXL = std::move(application);
    documentBeforeCloseConnection_ =
        runtime::objectRef(oXL).OnDocumentBeforeClose([this](word::Document& doc, bool& cancel) {
          // Word ignores a failing event handler.
          runtime::resumeNext([&] { oXL_DocumentBeforeClose(doc, cancel); });
        });

    wordMenu = oXL->CommandBars()->Item("Menu Bar");
    if (!wordMenu) return;

    startMode_ = detectStartMode(*this);
    if (startMode_ == kStartTemplateJob) templateLoaded_ = readTemplateJob(*this, moduleName);
    if (runtime::Val(oXL->Version()) < kFirstRibbonVersion) useRibbon = false;
    if (useRibbon) templateLoaded_ = false;
    if (startMode_ == kStartDocumentJob && !runDocumentJob(*this)) Final();
    if (startMode_ != kStartNone) {
      oXL->SetVisible(true);
      checkMinimumVersion();
    }
    debugMsg("Building menu");
    buildMenu(addInInst.progId);
  } catch (...) {
    showStartupError(runtime::currentError(), moduleName);
    // A template job that failed with an error would fail again at every later start, ordinary ones
    // included: set it aside as a rejected job, so that the next start is an ordinary one.
    if (startMode_ == kStartTemplateJob) runtime::resumeNext([&] { setTemplateJobAside(*this); });
  }
}

void plugin::checkMinimumVersion() {
  if (runtime::Val(getTwVersion()) >= minimumConnectorVersion) return;
  const int kOkCancelWarningForeground = ui::vbOKCancel + ui::vbExclamation + ui::vbMsgBoxSetForeground;
  int answer =
      services_.ui.MsgBox(std::string("De door u geinstalleerde versie van de Tallyweave is te oud om dit "
                                      "bestand te openen,") +
                              kCrLf + "Wilt u de nieuwe versie van de Tallyweave installeren?",
                          kOkCancelWarningForeground, std::string("Tallyweave"));
  if (answer == ui::vbOK) {
    startUpdate();
  } else {
    services_.ui.MsgBox("Het document kon niet worden geopend", ui::vbOKOnly, std::string("Tallyweave"));
  }
  startMode_ = kStartNone;
}

void plugin::showStartupError(const runtime::Error& error, const std::string& moduleName) {
  if (startMode_ == kStartDaemon) {
    daemonForm().quitWord();
    return;
  }
  services_.ui.MsgBox("Er heeft een fout plaatsgevonden in de " + moduleName +
                      " module, daardoor kan deze niet geladen worden." + kCrLf +
                      "Foutinformatie: " + error.source() + " " + error.description() + " (" +
                      std::to_string(error.number()) + ")");
}

void plugin::AddinInstance_OnDisconnection(int /*removeMode*/) {
  Final();
}

void plugin::AddinInstance_OnBeginShutdown() {
  if (startMode_ == kStartDaemon) daemonForm().CloseDaemon();
  Final();
}

void plugin::AddinInstance_OnStartupComplete() {
  if (startMode_ != kStartDaemon) return;
  daemonForm().Activate();
  daemonForm().Show();
}

void plugin::AddinInstance_OnAddInsUpdate() {}

// ---- Debug log, shutdown ---------------------------------------------------------------------------

void plugin::debugMsg(std::string_view msg) {
  if (!debugMode_) return;
  sys::System& sys = services_.sys;
  std::string entry = "\"" + runtime::formatGeneralDate(sys.Now(), sys.UserLocale()) + ": ";
  entry.append(msg);
  entry += "\"";
  entry += kCrLf;
  sys.AppendFile(tempPath("debugTw.txt"), entry);
}

void plugin::Final() {
  if (!active_) return;
  if (finalized_) return;
  finalized_ = true;
  runtime::resumeNext([&] { cleanupTempFiles(*this); });
  runtime::resumeNext([&] { wordMenu = runtime::objectRef(oXL).CommandBars()->Item("Menu Bar"); });
  runtime::resumeNext([&] { twMenu = runtime::objectRef(wordMenu).FindControl("twMenucontrol"); });
  runtime::resumeNext([&] {
    if (templateLoaded_) runtime::objectRef(twMenu).Delete();
  });
}

void plugin::quitWord() {
  if (!active_) return;
  runtime::resumeNext([&] { runtime::objectRef(oXL).Quit(false); });
}

void plugin::oXL_DocumentBeforeClose(word::Document& doc, bool& /*cancel*/) {
  if (startMode_ == kStartNone) return;
  doc.AttachedTemplate()->SetSaved(true);
}

void plugin::printToPrn(const std::string& location) {
  if (!active_) return;
  runtime::objectRef(oXL).ActiveDocument()->PrintOut(word::wdPrintAllDocument, location, true);
}

std::string plugin::IRibbonExtensibility_GetCustomUI(std::string_view /*ribbonId*/) {
  return useRibbon ? ribbonXML : std::string();
}

}  // namespace tw::addin
