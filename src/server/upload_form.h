#pragma once

namespace tw::addin {

class AddinContext;

// The form "Sjaboon opslaan" that posts the edited template to the service.
class Upload {
 public:
  explicit Upload(AddinContext& ctx) : ctx_(ctx) {}

  // Prepares and shows the dialog; without authentication the upload starts at once.
  void Activate(bool authenticationRequired);

 private:
  AddinContext& ctx_;
  bool authenticationRequired_ = false;
};

// The upload button and its ribbon callback: opens the form when the template is the active document.
void startUpload(AddinContext& ctx, Upload& form);

}  // namespace tw::addin
