#include "addin/plugin.h"
#include "menus/merge_menu.h"

namespace tw::addin {

std::shared_ptr<office::CommandBarControl> plugin::findOrAddButton(office::CommandBarControl& popup,
                                                                   const std::string& tag) {
  auto button = popup.CommandBar()->FindControl(tag);
  if (!button) {
    button = popup.Controls()->Add(office::msoControlButton, 1, std::nullopt, true);
    button->SetTag(tag);
  }
  return button;
}

void plugin::buildMenu(const std::string& progId) {
  const std::string onAction = "!<" + progId + ">";
  twMenu = runtime::objectRef(wordMenu).FindControl("twMenucontrol");
  if (!twMenu) {
    long helpIndex = wordMenu->Controls()->Item(std::string("Help"))->Index();
    twMenu = wordMenu->Controls()->Add(office::msoControlPopup, std::nullopt, helpIndex, true);
    twMenu->SetTag("twMenucontrol");
  }
  twMenu->SetCaption(module_.mergeMenuCaption);

  uploadButton.hold(
      findOrAddButton(*twMenu, "uploadButton"),
      [this](office::CommandBarControl& ctrl, bool& cancel) { uploadButton_Click(ctrl, cancel); });
  uploadButton.get()->SetCaption("Sjabloon '" + module_.templateTitle + "' opslaan");
  uploadButton.get()->SetOnAction(onAction);

  if (!templateLoaded_) {
    twMenu->SetVisible(false);
    return;
  }
  buildMergeMenu(*this, *twMenu, progId);

  doMergeButton.hold(
      findOrAddButton(*twMenu, "doMergeButton"),
      [this](office::CommandBarControl& ctrl, bool& cancel) { doMergeButton_Click(ctrl, cancel); });
  doMergeButton.get()->SetCaption("Maak voorbeeld");
  doMergeButton.get()->SetOnAction(onAction);

  auto updateClick = [this](office::CommandBarControl& ctrl, bool& cancel) {
    doUpdateButton_Click(ctrl, cancel);
  };
  doUpdateButton.hold(twMenu->CommandBar()->FindControl("doUpdateButton"), updateClick);
  if (runtime::Val(getTwVersion()) == latestConnectorVersion) {
    if (doUpdateButton) doUpdateButton.get()->SetVisible(false);
  } else {
    if (!doUpdateButton) doUpdateButton.hold(findOrAddButton(*twMenu, "doUpdateButton"), updateClick);
    doUpdateButton.get()->SetVisible(true);
    doUpdateButton.get()->SetCaption("Update Connector");
    doUpdateButton.get()->SetOnAction(onAction);
  }
  twMenu->SetVisible(true);
}

void plugin::uploadButton_Click(office::CommandBarControl& /*ctrl*/, bool& /*cancelDefault*/) {
  startUpload();
}

void plugin::doMergeButton_Click(office::CommandBarControl& /*ctrl*/, bool& /*cancelDefault*/) {
  startVoorbeeldMerge();
}

void plugin::doUpdateButton_Click(office::CommandBarControl& /*ctrl*/, bool& /*cancelDefault*/) {
  int answer = services_.ui.MsgBox(
      "Bij het updaten van de Tallyweave gaan eventuele wijzigingen in het sjabloon verloren. \r\n\r\n"
      "Wilt u doorgaan met updaten?",
      ui::vbOKCancel + ui::vbInformation);
  if (answer == ui::vbOK) startUpdate();
}

}  // namespace tw::addin
