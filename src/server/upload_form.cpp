#include "server/upload_form.h"

#include "addin/plugin.h"

namespace tw::addin {

void Upload::Activate(bool authenticationRequired) {
  authenticationRequired_ = authenticationRequired;
}

}  // namespace tw::addin

namespace tw::addin {

void plugin::startUpload() {
  auto active = runtime::objectRef(application()).ActiveDocument();
  if (sourceDocument && active->Is(*sourceDocument)) {
    uploadForm().Activate(module().authorizationRequired);
  } else {
    services().ui.MsgBox("U kunt alleen het sjabloon document opslaan.");
  }
}

void plugin::UploadDocumentClick(office::RibbonControl& /*control*/) {
  startUpload();
}

}  // namespace tw::addin
