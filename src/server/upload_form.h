#pragma once

#include <memory>
#include <string>

#include "platform/net/http.h"
#include "platform/ui/ui.h"

namespace tw::addin {

class AddinContext;

// The form "Sjaboon opslaan" that posts the edited template to the service. One instance lives for the
// whole Word process; its controls are loaded when it is first shown and unloaded by Cancel.
class Upload {
 public:
  // The system's own title, misspelling included: it stays as it is.
  static constexpr const char* kTitle = "Sjaboon opslaan";
  // The bounds of the upload request: the service answers with a short text.
  static constexpr net::RequestLimits kRequestLimits{
      .connect = std::chrono::seconds(15), .whole = std::chrono::seconds(120), .maxResponseBytes = 1'000'000};

  explicit Upload(AddinContext& ctx);
  ~Upload();

  // Prepares and shows the dialog; without authentication the upload starts at once.
  void Activate(bool authenticationRequired);
  // The whole upload: save, read, check the size, post, classify the answer.
  void UploadDocument();
  void UploadButton_Click();
  void CancelButton_Click();
  void Timer1_Timer();

  const std::string& statusCode() const { return statusCode_; }
  bool shown() const { return form_ && form_->IsShown(); }

 private:
  enum class Outcome { kPending, kSucceeded, kFailed };

  // The form with its controls at their design-time values, loaded when first needed.
  ui::Form& form();
  void unload();
  void setStatusCode(std::string_view prefix);
  void showErrorFrame(const std::string& code);
  Outcome classify(int httpStatus, const std::string& response);

  AddinContext& ctx_;
  std::unique_ptr<ui::Form> form_;
  std::unique_ptr<ui::Timer> timer_;
  std::unique_ptr<net::HttpRequest> request_;
  std::string host_;
  std::string document_;
  bool authenticationRequired_ = false;
  std::string statusCode_;
};

// The upload button and its ribbon callback: opens the form when the template is the active document.
void startUpload(AddinContext& ctx, Upload& form);

}  // namespace tw::addin
