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
  std::string bytes;
  try {
    bytes = ctx.services.sys.ReadFile(file);
  } catch (const runtime::Error&) {
    return nullptr;  // a missing picture is Office's to show as none
  }
  return ctx.services.ui.PictureFromPng(bytes);
}

void insertMergefieldButton(AddinContext& ctx, office::RibbonControl& control) {
  insertMergefieldByKey(ctx, keyOf(control.Id()));
}

void insertMergefieldGallery(AddinContext& ctx, const std::string& selectedId) {
  insertMergefieldByKey(ctx, keyOf(selectedId));
}

}  // namespace tw::addin
