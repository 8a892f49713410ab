#include "server/upload_form.h"

#include "context/addin_context.h"
#include "context/documents.h"
#include "server/base64.h"
#include "server/error_frame.h"
#include "server/upload_protocol.h"

// The form's texts and messages are the system's own, word for word: they stay as they are, misspellings
// included.

namespace tw::addin {
namespace {

namespace ready_state = net::ready_state;

constexpr const char* kCrLf = "\r\n";
constexpr const char* kSendFailed = "Er is een fout opgetreden bij het verzenden van het sjabloon.";

// How far the upload got: the status code the error frame shows. The codes are the system's own and stay
// as they are; those ending in a dot are followed by the request's ready state.
namespace step {
constexpr const char* kSaving = "0";
constexpr const char* kReading = "1";
constexpr const char* kCheckingSize = "2";
constexpr const char* kCreatingRequest = "3";
constexpr const char* kOpening = "4";
constexpr const char* kOpened = "5.";
constexpr const char* kBodyReady = "6.";
constexpr const char* kSent = "7.";
constexpr const char* kNoWholeAnswer = "8.";
constexpr const char* kAnswered = "9";
constexpr const char* kFinished = "10";
}  // namespace step

// The error codes of the error frame, the system's own as well.
constexpr const char* kUnknownAnswer = "UN 1";
constexpr const char* kNoAnswer = "HTTP 1";
constexpr const char* kNotAccepted = "Server 1";
constexpr double kBytesPerMegabyte = 1'000'000.0;
constexpr int kProgressInterval = 10;

// The controls that only the dialog with credentials shows.
constexpr const char* kCredentialControls[] = {"Image1",   "Label2",       "Label5",      "Password",
                                               "Username", "UploadButton", "CancelButton"};

}  // namespace

Upload::Upload(AddinContext& ctx) : ctx_(ctx) {
  timer_ = ctx_.services.ui.CreateTimer([this] { Timer1_Timer(); });
}

Upload::~Upload() = default;

ui::Form& Upload::form() {
  if (form_) return *form_;
  form_ = ctx_.services.ui.CreateForm(kTitle);
  ui::Form& f = *form_;
  f.SetText("appCaption", "Sjabloon in administratie ADMINNAAM opslaan:");
  f.SetText("Label2", "Gebruikersnaam:");
  f.SetText("Username", "");
  f.SetText("Label5", "Wachtwoord:");
  f.SetText("Password", "");
  f.SetText("Label3", "Status:");
  f.SetText("statuslabel", "Standby");
  f.SetText("UploadButton", "Opslaan");
  f.SetText("CancelButton", "Annuleren");
  f.SetText("Text3", "Text3");
  f.OnButton("UploadButton", [this] { UploadButton_Click(); });
  f.OnButton("CancelButton", [this] { CancelButton_Click(); });
  return f;
}

void Upload::unload() {
  if (form_) form_->Hide();
  form_.reset();
}

void Upload::setStatusCode(std::string_view prefix) {
  statusCode_ = std::string(prefix) + std::to_string(request_->ReadyState());
}

void Upload::showErrorFrame(const std::string& code) {
  ctx_.services.ui.MsgBox(serverErrorFrame(kSendFailed, ctx_.settings.supportContact, code, statusCode_));
}

void Upload::Activate(bool authenticationRequired) {
  ui::Form& f = form();
  authenticationRequired_ = authenticationRequired;
  for (const char* control : kCredentialControls) f.SetVisible(control, authenticationRequired);
  if (authenticationRequired) {
    f.SetText("appCaption", "Sjabloon in administratie " + ctx_.module.adminName + " opslaan:");
    if (f.Text("Username").empty()) f.SetText("Username", ctx_.module.userName);
    f.Show();
  } else {
    f.SetText("appCaption", "Sjabloon opslaan:");
    f.Show();
    UploadDocument();
  }
}

void Upload::UploadButton_Click() {
  form().SetEnabled("UploadButton", false);
  form().SetEnabled("CancelButton", false);
  UploadDocument();
}

void Upload::CancelButton_Click() {
  unload();
}

void Upload::Timer1_Timer() {
  if (!request_) return;
  switch (request_->ReadyState()) {
    case ready_state::kSent:
      form().SetText("statuslabel", "Bezig met verzenden");
      break;
    case ready_state::kReceiving:
      form().SetText("statuslabel", "Wacht op antwoord");
      break;
    case ready_state::kComplete:
      timer_->SetInterval(0);
      break;
    default:
      break;
  }
}

Upload::Outcome Upload::classify(int httpStatus, const std::string& response) {
  switch (classifyUploadAnswer(httpStatus, response)) {
    case UploadAnswer::kRefused:
      form().SetText("statuslabel", "De gebruikersnaam of het wachtwoord is niet herkend. Probeer opnieuw");
      return Outcome::kPending;
    case UploadAnswer::kError:
      return Outcome::kFailed;
    case UploadAnswer::kUnknown:
      showErrorFrame(kUnknownAnswer);
      return Outcome::kFailed;
    case UploadAnswer::kAccepted:
      form().SetText("statuslabel", "Standby");
      return Outcome::kSucceeded;
  }
  return Outcome::kFailed;
}

void Upload::UploadDocument() {
  ui::Form& f = form();
  try {
    statusCode_ = step::kSaving;
    f.SetText("statuslabel", "Sjabloon wordt opgeslagen");
    host_ = ctx_.settings.serveradres;

    const std::string location = ctx_.tempPath(ctx_.module.templateName);
    saveActiveDocument(ctx_, location);
    statusCode_ = step::kReading;
    document_ = ctx_.services.sys.ReadFile(location);
    statusCode_ = step::kCheckingSize;

    const runtime::Integer maxUploadSize = ctx_.settings.maxUploadSize;
    if (static_cast<double>(document_.size()) / kBytesPerMegabyte > maxUploadSize) {
      ctx_.services.ui.MsgBox(
          "Het sjabloon is groter dan " + std::to_string(maxUploadSize) +
          " Megabyte. Op dit moment is het niet mogelijk een sjabloon van deze grootte op te slaan." + kCrLf +
          "U kunt de grootte terugbrengen door eventuele afbeeldingen in het sjabloon te comprimeren." +
          kCrLf + "Sjabloon opslaan geannuleerd");
      unload();
      return;
    }

    statusCode_ = step::kCreatingRequest;
    f.SetText("statuslabel", "Verbinding wordt geopend");
    request_ = ctx_.services.http.CreateRequest(net::RequestClass::kXmlHttp);
    statusCode_ = step::kOpening;

    const std::string url = (ctx_.settings.serverPort == 443 ? "https://" : "http://") +
                            ctx_.settings.serveradres + ctx_.settings.serverPath;
    request_->Open("POST", url, false);
    setStatusCode(step::kOpened);
    request_->SetRequestHeader("Content-Type", std::string(kUploadContentType));
    request_->SetRequestHeader("Host", ctx_.settings.serveradres);
    request_->SetRequestHeader("Accept", "*/*");
    request_->SetRequestHeader("Connection", "Keep-Alive");
    request_->SetLimits(kRequestLimits);

    const std::string user = f.Text("Username");
    const std::string password = f.Text("Password");
    const runtime::Integer checksum =
        uploadChecksum(static_cast<long long>(document_.size()), static_cast<long long>(user.size()),
                       static_cast<long long>(password.size()));
    f.SetText("statuslabel", "Verbinding gemaakt");

    UploadParts parts{.sessionId = ctx_.module.sessionId,
                      .credentials = std::nullopt,
                      .templateName = ctx_.module.templateName,
                      .documentBase64 = base64Encode(document_)};
    if (authenticationRequired_)
      parts.credentials = UploadCredentials{user, formatChecksum(checksum), password};
    const std::string body = buildUploadBody(parts);

    request_->SetRequestHeader("Content-length", std::to_string(body.size()));
    setStatusCode(step::kBodyReady);

    f.SetText("statuslabel", "Het sjabloon wordt verzonden");
    timer_->SetInterval(kProgressInterval);
    request_->Send(body);

    setStatusCode(step::kSent);
    Outcome outcome = Outcome::kPending;
    if (request_->ReadyState() == ready_state::kComplete) {
      statusCode_ = step::kAnswered;
      const std::string response = request_->ResponseText();
      f.SetText("Text3", response);
      outcome = classify(request_->Status(), response);
    } else {
      setStatusCode(step::kNoWholeAnswer);
      showErrorFrame(kNoAnswer);
      outcome = Outcome::kFailed;
    }

    statusCode_ = step::kFinished;
    f.SetText("Password", "");
    timer_->SetInterval(0);
    f.SetEnabled("UploadButton", true);
    f.SetEnabled("CancelButton", true);
    if (outcome == Outcome::kSucceeded) {
      request_.reset();
      ctx_.services.ui.MsgBox("Het sjabloon is opgeslagen");
      f.SetText("statuslabel", "Standby");
      f.Hide();
    } else if (outcome == Outcome::kFailed) {
      f.Hide();
      showErrorFrame(kNotAccepted);
    }
  } catch (...) {
    const runtime::Error error = runtime::currentError();
    showErrorFrame(errorCode(error));
    f.SetText("Password", "");
    timer_->SetInterval(0);
    f.SetEnabled("UploadButton", true);
    f.SetEnabled("CancelButton", true);
    f.SetText("statuslabel", "Standby");
    f.Hide();
  }
}

void startUpload(AddinContext& ctx, Upload& form) {
  if (activeDocumentIsTemplate(ctx)) {
    form.Activate(ctx.module.authorizationRequired);
  } else {
    ctx.services.ui.MsgBox("U kunt alleen het sjabloon document opslaan.");
  }
}

}  // namespace tw::addin
