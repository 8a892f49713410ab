#include "addin/plugin.h"

namespace tw::addin {

void plugin::Domerge(const std::string& /*rowsize*/, runtime::Integer /*recordsize*/,
                     const std::string& /*headerFields*/, const std::vector<std::string>& /*data*/,
                     bool /*isVoorbeeld*/) {
  if (!active()) return;
  debugMsg("Start merging document");
}

}  // namespace tw::addin

namespace tw::addin {

void plugin::startVoorbeeldMerge() {
  auto active = runtime::objectRef(application()).ActiveDocument();
  if (sourceDocument && active->Is(*sourceDocument)) {
    Domerge("0", static_cast<runtime::Integer>(module().fieldCount - 1), module().dataString,
            module().fieldValues, true);
  } else {
    services().ui.MsgBox("U kunt alleen een voorbeeld genereren vanuit het sjabloon document.");
  }
}

void plugin::mergeDocumentClick(office::RibbonControl& /*control*/) {
  startVoorbeeldMerge();
}

}  // namespace tw::addin
