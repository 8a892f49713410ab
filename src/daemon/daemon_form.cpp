#include "daemon/daemon_form.h"

#include <functional>

#include "connector/cleanup.h"
#include "connector/connector_reader.h"
#include "context/addin_context.h"
#include "context/documents.h"
#include "context/temp_files.h"
#include "merge/merge_driver.h"
#include "runtime/conversions.h"

namespace tw::addin {
namespace {

constexpr const char* kDebugTextControl = "debugText";
constexpr const char* kJobStatusControl = "jobStatus";
// The debug box gains two dots a second for as long as the daemon runs; it keeps only its tail.
constexpr size_t kDebugTextLimit = 200;

// Status values of the status file.
constexpr std::string_view kIdle = " 0";
constexpr std::string_view kProcessing = " 2";
constexpr std::string_view kFailed = " 3";
constexpr double kJobWaiting = 1;
constexpr double kInProgress = 2;
constexpr double kQuit = 15;

// Below the base folder.
constexpr std::string_view kSpoolFolder = "documents\\spool\\";
constexpr std::string_view kJobFile = "documents\\spool\\docData";

std::string jobFilePath(const std::string& basePath) {
  return basePath + std::string(kJobFile);
}

}  // namespace

DaemonForm::~DaemonForm() {
  // Word is going away with the add-in here, so only the status file is taken away: the service must
  // not see a daemon that no longer polls.
  if (!form_ || stopped_) return;
  runtime::resumeNext([&] {
    if (!statusFilePath().empty() && ctx_.fileExists(statusFilePath()))
      ctx_.services.sys.DeleteFile(statusFilePath());
  });
}

void DaemonForm::Activate() {
  Form_Load();
}

void DaemonForm::Show() {
  Form_Load();
  if (stopped_) return;
  form_->Show();
  // A job of an earlier Word that the load step reported failed is shown with the form.
  if (const std::string status = jobStatus(); !status.empty()) showJobStatus(status);
}

void DaemonForm::CloseDaemon() {
  quitWord("Word sluit af");
}

std::string DaemonForm::statusFilePath() const {
  const std::string& basePath = ctx_.module.basePath;
  return basePath.empty() ? std::string() : basePath + "pidfiles\\officeDaemon";
}

std::string DaemonForm::jobStatus() const {
  return form_ ? form_->Text(kJobStatusControl) : std::string();
}

void DaemonForm::Form_Load() {
  if (form_) return;
  ui::Ui& ui = ctx_.services.ui;
  form_ = ui.CreateForm(kTitle);
  timer_ = ui.CreateTimer([this] { DaemonTimer_Timer(); });
  timer_->SetInterval(kPollInterval);
  try {
    sys::System& sys = ctx_.services.sys;
    const std::string marker = ctx_.tempPath(tempfile::kDaemonMarker);
    // The text is the folder exactly as the launcher wrote it, line breaks and all.
    ctx_.module.basePath = sys.ReadFile(marker);
    sys.DeleteFile(marker);
    // What an earlier Word left: a job still marked in progress was cut off with it and is reported
    // failed, not run again (a job that brought Word down would bring it down again at every start); a job
    // announced but not yet taken stays announced for the first poll. Anything else becomes idle.
    const double left = ctx_.fileExists(statusFilePath()) ? runtime::Val(sys.ReadFile(statusFilePath())) : 0;
    if (left == kInProgress) {
      ctx_.debugMsg("Interrupted job reported failed");
      failJob();
    } else if (left != kJobWaiting) {
      writeStatus(kIdle);
    }
    busy_ = false;
    statusWatch_ = ui.WatchFile(sys.HostPath(statusFilePath()), [this] { statusFileChanged(); });
  } catch (...) {
    const runtime::Error error = runtime::currentError();
    const std::string message = "Error starting daemon " + error.logText();
    runtime::resumeNext([&] { ctx_.debugMsg(message); });
    quitWord(message);
  }
}

void DaemonForm::writeStatus(std::string_view value) {
  // Whole, through a rename: the service polls the same file and must never find it empty, nor keep a
  // byte of a longer text it wrote itself (" 0" over "001" would read 1).
  ctx_.services.sys.ReplaceFile(statusFilePath(), std::string(value));
}

void DaemonForm::failJob() {
  // The job is set aside before " 3" tells the service to look for it.
  bool setAside = false;
  runtime::resumeNext([&] {
    sys::System& sys = ctx_.services.sys;
    const std::string job = jobFilePath(ctx_.module.basePath);
    if (!ctx_.fileExists(job)) return;
    const std::string kept = job + ".err";
    if (ctx_.fileExists(kept)) sys.DeleteFile(kept);
    sys.MoveFile(job, kept);
    setAside = true;
    ctx_.debugMsg("Job set aside as " + kept);
  });
  runtime::resumeNext([&] { writeStatus(kFailed); });
  showJobStatus("Opdracht mislukt (status 3)" +
                (setAside ? ", bewaard als " + std::string(kJobFile) + ".err" : std::string()));
}

void DaemonForm::appendDebugText(std::string_view text) {
  debugText_.append(text);
  if (debugText_.size() > kDebugTextLimit) debugText_.erase(0, debugText_.size() - kDebugTextLimit);
  form_->SetText(kDebugTextControl, debugText_);
}

void DaemonForm::showJobStatus(const std::string& text) {
  if (form_) form_->SetText(kJobStatusControl, text);
}

void DaemonForm::DaemonTimer_Timer() {
  try {
    statusCode_ = "0";
    if (busy_) return;
    sys::System& sys = ctx_.services.sys;
    statusCode_ = "1";
    sys.AppendFile(statusFilePath(), "");  // the service may not have written one yet
    statusCode_ = "2";
    const std::string status = sys.ReadFile(statusFilePath());
    statusCode_ = "3";
    statusCode_ = "4";
    appendDebugText(".");
    statusCode_ = "5";
    const double value = runtime::Val(status);
    if (value == kQuit) {
      statusCode_ = "6";
      quitWord("status 15");
      return;
    }
    statusCode_ = "7";
    if (value == kJobWaiting) takeJob();
  } catch (...) {
    const runtime::Error error = runtime::currentError();
    const std::string message = "Error occured int timer " + error.description() + " " +
                                std::to_string(error.number()) + " " + error.source() + " " + statusCode_;
    runtime::resumeNext([&] { ctx_.debugMsg(message); });
    quitWord(message);
  }
}

void DaemonForm::statusFileChanged() {
  if (busy_ || stopped_) return;
  // Only read here: the poll itself touches the status file, which would wake this again.
  double value = 0;
  runtime::resumeNext([&] { value = runtime::Val(ctx_.services.sys.ReadFile(statusFilePath())); });
  if (value == kJobWaiting || value == kQuit) DaemonTimer_Timer();
}

void DaemonForm::takeJob() {
  statusCode_ = "8";
  appendDebugText("pickup");
  showJobStatus("Opdracht opgehaald: " + std::string(kJobFile));
  statusCode_ = "9";
  statusCode_ = "10";
  writeStatus(kProcessing);
  statusCode_ = "11";
  statusCode_ = "12";
  busy_ = true;
  statusCode_ = "13";
  timer_->SetInterval(0);
  statusCode_ = "14";
  const bool done = processSpoolJob(ctx_, ctx_.module.basePath, [this] { return stopped_; });
  if (stopped_) {
    // Word was told to quit during the job; quitWord reported it failed first.
  } else if (done) {
    statusCode_ = "20";
    cleanupTempFiles(ctx_);
    statusCode_ = "21";
    statusCode_ = "22";
    writeStatus(kIdle);
    const tallyweaveModule& m = ctx_.module;
    showJobStatus("Opdracht klaar (status 0): " + m.resultDocPath + m.resultDocName + ".doc, " +
                  std::string(kSpoolFolder) + m.resultDocName + ".prn");
    statusCode_ = "23";
    statusCode_ = "24";
  } else {
    statusCode_ = "15";
    statusCode_ = "16";
    failJob();
    statusCode_ = "17";
    statusCode_ = "18";
    cleanupTempFiles(ctx_);
    statusCode_ = "19";
  }
  statusCode_ = "25";
  busy_ = false;
  statusCode_ = "26";
  // A job whose template or result failed has made the daemon quit already; it stays stopped.
  if (!stopped_) timer_->SetInterval(kPollInterval);
}

void DaemonForm::quitWord(std::string_view reason) {
  runtime::resumeNext([&] { ctx_.debugMsg("Quiting Word"); });
  // A job cut short by the quit is reported failed before the status file goes.
  if (busy_ && !stopped_) failJob();
  if (!stopped_) showJobStatus(reason.empty() ? "Gestopt" : "Gestopt: " + std::string(reason));
  stopped_ = true;
  statusWatch_.reset();
  if (timer_) timer_->SetInterval(0);
  if (form_) form_->Hide();
  ctx_.quitWord();
  // Also called from the error handlers, so a status file that cannot even be looked for (a base folder
  // the system refuses) must not fail it.
  runtime::resumeNext([&] {
    const std::string statusFile = statusFilePath();
    if (!statusFile.empty() && ctx_.fileExists(statusFile)) ctx_.services.sys.DeleteFile(statusFile);
  });
}

bool processSpoolJob(AddinContext& ctx, const std::string& basePath, const std::function<bool()>& quitting) {
  tallyweaveModule& m = ctx.module;
  m.resultDocName = "unknownDocument";
  const std::string jobFile = jobFilePath(basePath);
  if (!readConnectorFile(ctx, jobFile)) return false;
  ctx.debugMsg("Parse ok");
  ctx.debugMsg("Opening template");
  // A step whose handler made Word quit ends the job; the job file stays until the results are whole.
  OpenDocument(ctx, ctx.tempPath(tempfile::kJobTemplate), true);
  if (quitting()) return false;
  if (!Domerge(ctx)) {
    // Printed, the template's own text would pass for the customer's document.
    ctx.debugMsg("Merge failed");
    return false;
  }
  saveActiveDocument(ctx, basePath + m.resultDocPath + m.resultDocName + ".doc");
  if (quitting()) return false;
  printToPrn(ctx, basePath + std::string(kSpoolFolder) + m.resultDocName + ".prn");
  ctx.services.sys.DeleteFile(jobFile);
  resetDocuments(ctx);
  cleanupTempFiles(ctx);
  return true;
}

}  // namespace tw::addin
