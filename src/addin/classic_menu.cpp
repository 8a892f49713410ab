#include "addin/classic_menu.h"

#include "addin/plugin.h"
#include "menus/merge_menu.h"
#include "merge/merge_driver.h"
#include "server/update_form.h"
#include "server/upload_form.h"

namespace tw::addin {
namespace {

// Finds the button with `tag` in the popup, or appends a new one with that tag.
std::shared_ptr<office::CommandBarControl> findOrAddButton(office::CommandBarControl& popup,
                                                           const std::string& tag) {
  auto button = popup.CommandBar()->FindControl(tag);
  if (!button) {
    button = popup.Controls()->Add(office::msoControlButton, 1, std::nullopt, true);
    button->SetTag(tag);
  }
  return button;
}

void doUpdateButton_Click(plugin& owner) {
  int answer = owner.services().ui.MsgBox(
      "Bij het updaten van de Tallyweave gaan eventuele wijzigingen in het sjabloon verloren. \r\n\r\n"
      "Wilt u doorgaan met updaten?",
      ui::vbOKCancel + ui::vbInformation);
  if (answer == ui::vbOK) startUpdate(owner.context(), owner.updateForm());
}

}  // namespace

void buildMenu(plugin& owner, const std::string& progId) {
  AddinContext& ctx = owner.context();
  MenuObjects& menus = ctx.menus;
  const std::string onAction = "!<" + progId + ">";
  menus.twMenu = runtime::objectRef(menus.wordMenu).FindControl("twMenucontrol");
  if (!menus.twMenu) {
    long helpIndex = menus.wordMenu->Controls()->Item(std::string("Help"))->Index();
    menus.twMenu = menus.wordMenu->Controls()->Add(office::msoControlPopup, std::nullopt, helpIndex, true);
    menus.twMenu->SetTag("twMenucontrol");
  }
  office::CommandBarControl& twMenu = *menus.twMenu;
  twMenu.SetCaption(ctx.module.mergeMenuCaption);

  menus.uploadButton.hold(
      findOrAddButton(twMenu, "uploadButton"),
      [&owner](office::CommandBarControl&, bool&) { startUpload(owner.context(), owner.uploadForm()); });
  menus.uploadButton.get()->SetCaption("Sjabloon '" + ctx.module.templateTitle + "' opslaan");
  menus.uploadButton.get()->SetOnAction(onAction);

  if (!ctx.templateLoaded) {
    twMenu.SetVisible(false);
    return;
  }
  buildMergeMenu(ctx, twMenu, progId);

  menus.doMergeButton.hold(findOrAddButton(twMenu, "doMergeButton"),
                           [&ctx](office::CommandBarControl&, bool&) { startVoorbeeldMerge(ctx); });
  menus.doMergeButton.get()->SetCaption("Maak voorbeeld");
  menus.doMergeButton.get()->SetOnAction(onAction);

  auto updateClick = [&owner](office::CommandBarControl&, bool&) { doUpdateButton_Click(owner); };
  EventButton& updateButton = menus.doUpdateButton;
  updateButton.hold(twMenu.CommandBar()->FindControl("doUpdateButton"), updateClick);
  if (runtime::Val(getTwVersion()) == ctx.settings.latestConnectorVersion) {
    if (updateButton) updateButton.get()->SetVisible(false);
  } else {
    if (!updateButton) updateButton.hold(findOrAddButton(twMenu, "doUpdateButton"), updateClick);
    updateButton.get()->SetVisible(true);
    updateButton.get()->SetCaption("Update Connector");
    updateButton.get()->SetOnAction(onAction);
  }
  twMenu.SetVisible(true);
}

}  // namespace tw::addin
