#pragma once

namespace tw::addin {

class plugin;

// The form "Sjaboon opslaan" that posts the edited template to the service.
class Upload {
 public:
  explicit Upload(plugin& owner) : plugin_(owner) {}

  // Prepares and shows the dialog; without authentication the upload starts at once.
  void Activate(bool authenticationRequired);

 private:
  plugin& plugin_;
  bool authenticationRequired_ = false;
};

}  // namespace tw::addin
