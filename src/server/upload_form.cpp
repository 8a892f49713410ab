#include "server/upload_form.h"

#include "context/addin_context.h"
#include "context/documents.h"

namespace tw::addin {

void Upload::Activate(bool authenticationRequired) {
  authenticationRequired_ = authenticationRequired;
}

void startUpload(AddinContext& ctx, Upload& form) {
  if (activeDocumentIsTemplate(ctx)) {
    form.Activate(ctx.module.authorizationRequired);
  } else {
    ctx.services.ui.MsgBox("U kunt alleen het sjabloon document opslaan.");
  }
}

}  // namespace tw::addin
