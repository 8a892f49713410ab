#include "server/update_form.h"

#include "context/addin_context.h"
#include "context/temp_files.h"
#include "server/error_frame.h"

namespace tw::addin {
namespace {

constexpr const char* kFetchFailed = "Er is een fout opgetreden bij het ophalen van de update.";
// The system's own text, misspelling included: it stays as it is.
constexpr const char* kDownloadFailed = "Er is een fout opgetreden bij het downloaden van de updaet";
constexpr int kPollInterval = 10;

bool isSuccess(int httpStatus) {
  return httpStatus >= 200 && httpStatus < 300;
}

}  // namespace

UpdateForm::UpdateForm(AddinContext& ctx, std::function<void()> continueUpdate)
    : ctx_(ctx), continueUpdate_(std::move(continueUpdate)) {
  form_ = ctx_.services.ui.CreateForm(kTitle);
  form_->SetText("Label1", "Bezig met het ophalen van de nieuwste Tallyweave versie");
  form_->SetText("Label2", "Status:");
  form_->SetText("statuslabel", "Standby");
  timer_ = ctx_.services.ui.CreateTimer([this] { handleUpload(); });
}

UpdateForm::~UpdateForm() = default;

void UpdateForm::setStatusCode(std::string_view prefix) {
  statusCode_ = std::string(prefix) + std::to_string(xmlRequest_->ReadyState());
}

void UpdateForm::fail(const char* sentence, const std::string& code) {
  ctx_.services.ui.MsgBox(serverErrorFrame(sentence, ctx_.settings.supportContact, code, statusCode_));
}

void UpdateForm::Activate() {
  ui::Ui& ui = ctx_.services.ui;
  try {
    updateDownloadOk = false;
    statusCode_ = "0";
    form_->Show();
    ui.DoEvents();
    form_->SetText("statuslabel", "Tallyweave downloaden");
    ui.DoEvents();
    const std::string url = ctx_.settings.updatePath;
    statusCode_ = "1";
    form_->SetText("statuslabel", "Verbinding wordt geopend");
    xmlRequest_ = ctx_.services.http.CreateRequest(net::RequestClass::kXmlHttp60);
    statusCode_ = "4";
    xmlRequest_->Open("GET", url, false);
    setStatusCode("5.");
    xmlRequest_->SetRequestHeader("Accept", "*/*");
    xmlRequest_->SetRequestHeader("Connection", "Keep-Alive");
    xmlRequest_->SetRequestHeader("If-Modified-Since", "Sat, 1 Jan 2005 00:00:00 GMT");
    xmlRequest_->SetLimits(kDownloadLimits);
    timer_->SetInterval(kPollInterval);
    form_->SetText("statuslabel", "Bezig met downloaden");
    ui.DoEvents();
    xmlRequest_->Send();
  } catch (...) {
    fail(kDownloadFailed, errorCode(runtime::currentError()));
    timer_->SetInterval(0);
    form_->SetText("statuslabel", "Standby");
    form_->Hide();
  }
}

void UpdateForm::saveInstaller() {
  statusCode_ = "9";
  const std::string installer = xmlRequest_->ResponseBody();
  form_->SetText("statuslabel", "Update gedownload");
  sys::System& sys = ctx_.services.sys;
  if (!ctx_.dirExists(ctx_.tempPath(tempfile::kSubFolderPrefix)))
    sys.MakeDirectory(ctx_.tempPath(tempfile::kSubFolder));
  const std::string path = ctx_.tempPath(tempfile::kUpdateInstaller);
  if (ctx_.fileExists(path)) sys.DeleteFile(path);
  sys.WriteFile(path, installer);
  form_->SetText("statuslabel", "Standby");
  updateDownloadOk = true;
  statusCode_ = "10";
  timer_->SetInterval(0);
  form_->Hide();
  continueUpdate_();
}

void UpdateForm::handleUpload() {
  if (!xmlRequest_) return;
  try {
    setStatusCode("7.");
    switch (xmlRequest_->ReadyState()) {
      case net::ready_state::kOpen:
        form_->SetText("statuslabel", "Download gestart");
        break;
      case net::ready_state::kSent:
        form_->SetText("statuslabel", "Update opzoeken");
        break;
      case net::ready_state::kReceiving:
        form_->SetText("statuslabel", "Bezig met downloaden update");
        break;
      case net::ready_state::kComplete:
        // Only an answer that carries the installer is saved and started: an error page is not a program.
        if (isSuccess(xmlRequest_->Status())) {
          saveInstaller();
        } else {
          statusCode_ = "9";
          fail(kFetchFailed, "HTTP " + std::to_string(xmlRequest_->Status()));
          statusCode_ = "10";
          timer_->SetInterval(0);
          form_->Hide();
        }
        break;
      default:
        setStatusCode("8.");
        fail(kFetchFailed, "HTTP 1");
        statusCode_ = "10";
        timer_->SetInterval(0);
        form_->Hide();
        break;
    }
  } catch (...) {
    fail(kDownloadFailed, errorCode(runtime::currentError()));
    timer_->SetInterval(0);
    form_->SetText("statuslabel", "Standby");
    form_->Hide();
  }
}

void startUpdate(AddinContext& ctx, UpdateForm& form) {
  if (ctx.services.sys.IsUserAnAdmin()) {
    form.Activate();
  } else {
    ctx.services.ui.MsgBox("U heeft beheerdersrechten op deze computer nodig om de update te installeren",
                           ui::vbOKOnly + ui::vbCritical);
  }
}

void continueInternalUpdateConnector(AddinContext& ctx, const UpdateForm& form) {
  if (!form.updateDownloadOk) return;
  ui::Ui& ui = ctx.services.ui;
  int answer = ui.MsgBox("Microsoft Word wordt nu afgesloten zodat de update kan worden geinstalleerd.\r\n",
                         ui::vbOKCancel);
  if (answer == ui::vbCancel) {
    ui.MsgBox("Update geannuleerd");
    return;
  }
  ctx.services.sys.StartProgram(ctx.tempPath(tempfile::kUpdateInstaller));
  ctx.word().Quit(false);
}

}  // namespace tw::addin
