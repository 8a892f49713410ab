#include "server/update_form.h"

#include "addin/plugin.h"

namespace tw::addin {

void UpdateForm::Activate() {
  updateDownloadOk = false;
}

}  // namespace tw::addin

namespace tw::addin {

void plugin::startUpdate() {
  if (services().sys.IsUserAnAdmin()) {
    updateForm().Activate();
  } else {
    services().ui.MsgBox("U heeft beheerdersrechten op deze computer nodig om de update te installeren",
                         ui::vbOKOnly + ui::vbCritical);
  }
}

}  // namespace tw::addin
