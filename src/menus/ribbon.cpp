#include "menus/ribbon.h"

#include "context/addin_context.h"
#include "context/temp_files.h"
#include "menus/merge_menu.h"

namespace tw::addin {
namespace {

// Ribbon ids carry the merge-field key after a nine-character prefix.
constexpr size_t kIdPrefixLength = 9;

std::string keyOf(const std::string& id) {
  return id.size() > kIdPrefixLength ? id.substr(kIdPrefixLength) : std::string();
}

}  // namespace

std::string getCustomUI(const AddinContext& ctx, std::string_view /*ribbonId*/) {
  return ctx.settings.useRibbon ? ctx.settings.ribbonXML : std::string();
}

std::shared_ptr<ui::Picture> GetImage(AddinContext& ctx, const std::string& imageName) {
  if (!ctx.active) return nullptr;
  const std::string file = ctx.tempPath(std::string(tempfile::kSubFolderPrefix) + imageName + ".png");
  // A missing or unreadable picture is nothing, which Office shows as no picture.
  return ctx.services.ui.LoadPicture(ctx.services.sys.HostPath(file));
}

void insertMergefieldButton(AddinContext& ctx, office::RibbonControl& control) {
  insertMergefieldByKey(ctx, keyOf(control.Id()));
}

void insertMergefieldGallery(AddinContext& ctx, const std::string& selectedId) {
  insertMergefieldByKey(ctx, keyOf(selectedId));
}

}  // namespace tw::addin
