#pragma once

namespace tw::addin {

class AddinContext;

// The form "Update Tallyweave" that downloads and starts the installer of a newer add-in.
class UpdateForm {
 public:
  explicit UpdateForm(AddinContext& ctx) : ctx_(ctx) {}

  // Starts the download.
  void Activate();

  bool updateDownloadOk = false;

 private:
  AddinContext& ctx_;
};

// Starts the update when the user is an administrator; otherwise says that it needs one.
void startUpdate(AddinContext& ctx, UpdateForm& form);

// After a finished download: asks, then starts the installer and quits Word without saving.
void continueInternalUpdateConnector(AddinContext& ctx, const UpdateForm& form);

}  // namespace tw::addin
