#include "server/update_form.h"

#include "context/addin_context.h"
#include "context/temp_files.h"

namespace tw::addin {

void UpdateForm::Activate() {
  updateDownloadOk = false;
}

void startUpdate(AddinContext& ctx, UpdateForm& form) {
  if (ctx.services.sys.IsUserAnAdmin()) {
    form.Activate();
  } else {
    ctx.services.ui.MsgBox("U heeft beheerdersrechten op deze computer nodig om de update te installeren",
                           ui::vbOKOnly + ui::vbCritical);
  }
}

void continueInternalUpdateConnector(AddinContext& ctx, const UpdateForm& form) {
  if (!form.updateDownloadOk) return;
  ui::Ui& ui = ctx.services.ui;
  int answer = ui.MsgBox("Microsoft Word wordt nu afgesloten zodat de update kan worden geinstalleerd.\r\n",
                         ui::vbOKCancel);
  if (answer == ui::vbCancel) {
    ui.MsgBox("Update geannuleerd");
    return;
  }
  ctx.services.sys.StartProgram(ctx.tempPath(tempfile::kUpdateInstaller));
  ctx.word().Quit(false);
}

}  // namespace tw::addin
