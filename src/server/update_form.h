#pragma once

namespace tw::addin {

class plugin;

// The form "Update Tallyweave" that downloads and starts the installer of a newer add-in.
class UpdateForm {
 public:
  explicit UpdateForm(plugin& owner) : plugin_(owner) {}

  // Starts the download.
  void Activate();

  bool updateDownloadOk = false;

 private:
  plugin& plugin_;
};

}  // namespace tw::addin
