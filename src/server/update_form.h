#pragma once

#include <memory>
#include <string>

#include "platform/net/http.h"
#include "platform/ui/ui.h"

namespace tw::addin {

class AddinContext;

// The form "Update Tallyweave" that downloads and starts the installer of a newer add-in.
class UpdateForm {
 public:
  static constexpr const char* kTitle = "Update Tallyweave";
  // The bounds of the download: an installer takes longer than an upload's answer, but neither a silent
  // server nor an endless answer may hold Word for good.
  static constexpr net::RequestLimits kDownloadLimits{.connect = std::chrono::seconds(15),
                                                      .whole = std::chrono::seconds(600),
                                                      .maxResponseBytes = 200'000'000};

  // `continueUpdate` is the add-in's continueInternalUpdateConnector, called once the installer is saved.
  UpdateForm(AddinContext& ctx, std::function<void()> continueUpdate);
  ~UpdateForm();

  // Starts the download.
  void Activate();
  // Examines the request at every tick of the timer; saves the installer once it has arrived.
  void handleUpload();

  bool updateDownloadOk = false;
  const std::string& statusCode() const { return statusCode_; }
  bool shown() const { return form_->IsShown(); }

 private:
  void setStatusCode(std::string_view prefix);
  void saveInstaller();
  // Ends the download with the four-line message about `sentence`.
  void fail(const char* sentence, const std::string& code);

  AddinContext& ctx_;
  std::function<void()> continueUpdate_;
  std::unique_ptr<ui::Form> form_;
  std::unique_ptr<ui::Timer> timer_;
  std::unique_ptr<net::HttpRequest> xmlRequest_;
  std::string statusCode_;
};

// Starts the update when the user is an administrator; otherwise says that it needs one.
void startUpdate(AddinContext& ctx, UpdateForm& form);

// After a finished download: asks, then starts the installer and quits Word without saving.
void continueInternalUpdateConnector(AddinContext& ctx, const UpdateForm& form);

}  // namespace tw::addin
