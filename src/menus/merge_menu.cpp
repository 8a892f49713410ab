#include "menus/merge_menu.h"

#include <algorithm>

#include "context/addin_context.h"
#include "merge/merge_fields.h"
#include "runtime/text.h"

namespace tw::addin {
namespace {

constexpr const char* kFieldLimitMessage =
    "Veld toevoegen niet mogelijk:\r\nEr kunnen maximaal 255 velden in het sjabloon worden verwerkt.";
// Fields are counted only in documents with more fields than this, and no more merge fields than this
// may be in a template.
constexpr long kFieldLimit = 255;

}  // namespace

void buildMergeMenu(AddinContext& ctx, office::CommandBarControl& parent, const std::string& progId) {
  auto parentBar = parent.CommandBar();
  auto& mergeMenu = ctx.menus.MergeMenu;
  mergeMenu = parentBar->FindControl("merge_fields");
  if (!mergeMenu) {
    mergeMenu = parentBar->Controls()->Add(office::msoControlPopup, 1, std::nullopt, true);
    mergeMenu->SetTag("merge_fields");
    mergeMenu->SetCaption("Veld invoegen");
    mergeMenu->SetVisible(true);
  }
  for (int menu = 1; menu <= kMergeSubMenus; ++menu) buildMergeSubMenu(ctx, menu, progId);
}

void buildMergeSubMenu(AddinContext& ctx, int menu, const std::string& progId) {
  const tallyweaveModule& m = ctx.module;
  auto bar = runtime::objectRef(ctx.menus.MergeMenu).CommandBar();
  auto& subMenu = ctx.menus.mergeSubMenus[menu - 1];
  const std::string tag = "merge_submenu" + std::to_string(menu);
  subMenu = bar->FindControl(tag);
  if (subMenu) subMenu->Delete();
  subMenu = bar->Controls()->Add(office::msoControlPopup, 1, std::nullopt, true);
  subMenu->SetTag(tag);
  subMenu->SetCaption(m.mergeMenus[menu]);
  subMenu->SetVisible(m.mergeMenuVisibility[menu] == "1");

  for (int position = 0; position < kMergeButtonsPerMenu; ++position) {
    const int number = 100 * menu + position;
    const std::string buttonTag = "merge_field_" + std::to_string(number);
    auto control = subMenu->CommandBar()->FindControl(buttonTag);
    if (!control) {
      control = subMenu->Controls()->Add(office::msoControlButton, 1, std::nullopt, true);
      control->SetTag(buttonTag);
    }
    ctx.menus.mergeButton(number).hold(
        control, [&ctx, number](office::CommandBarControl&, bool&) { mergeButtonClick(ctx, number); });
    const std::string& label = m.mergeLabels[number];
    if (!label.empty()) {
      control->SetCaption(label);
      control->SetOnAction("!<" + progId + ">");
      control->SetVisible(true);
      continue;
    }
    control->SetVisible(false);
    // A gap in the labels ends the submenu; a button found from an earlier build keeps its place.
    if (control->Caption().empty()) break;
  }
}

void mergeButtonClick(AddinContext& ctx, int number) {
  insert_mergefield(ctx, ctx.module.mergeKeys.at(number), ctx.module.mergeFormats.at(number));
}

std::string insert_mergefield(AddinContext& ctx, const std::string& tagname, const std::string& format_) {
  if (!ctx.active) return {};
  ui::Ui& ui = ctx.services.ui;
  // Every failing statement shows the failure and the next statement runs; a failing test lets the
  // statements it guards run.
  auto report = [&ui](const runtime::Error& error) {
    ui.MsgBox(
        "Er heeft een fout plaatsgevonden in de module, daardoor kan het veld niet worden ingevoegd.\r\n"
        "Foutinformatie: " +
        error.messageText());
  };
  auto test = [&](auto&& condition) {
    bool result = true;
    runtime::resumeNext([&] { result = condition(); }, report);
    return result;
  };
  const Guard statement = [&](const std::function<void()>& step) { runtime::resumeNext(step, report); };

  runtime::Integer counter = 0;
  if (test([&] { return ctx.word().ActiveDocument()->Fields()->Count() > kFieldLimit; })) {
    auto countNamedMergeField = [&](word::Field& field, word::Fields&) {
      if (test([&] {
            if (field.Type() != word::wdFieldMergeField) return false;
            std::string code = field.Code()->Text();
            return !runtime::Trim(code.size() > 12 ? std::string_view(code).substr(12) : std::string_view())
                        .empty();
          })) {
        ++counter;
      }
      return false;
    };
    statement([&] {
      auto fields = ctx.oXL->ActiveDocument()->Fields();
      walkFields([&] { return fields; }, countNamedMergeField, runUnguarded);
    });
  }
  if (counter > kFieldLimit) {
    ui.MsgBox(kFieldLimitMessage);
    return {};
  }
  word::Application& word = ctx.word();
  if (test([&] { return word.Selection()->Type() == word::wdSelectionNormal; })) {
    long start = 0;
    long end = 0;
    statement([&] { start = word.Selection()->Range()->Start(); });
    statement([&] { end = word.Selection()->Range()->Start(); });
    statement([&] { word.Selection()->SetRange(start, end); });
  }
  const std::string name = format_.empty() ? tagname : tagname + " " + format_;
  statement([&] { word.ActiveDocument()->MailMerge()->Fields()->Add(word.Selection()->Range(), name); });
  return {};
}

void insertMergefieldByKey(AddinContext& ctx, const std::string& key) {
  for (int menu = 1; menu <= kMergeSubMenus; ++menu) {
    for (int position = 0; position < kMergeButtonsPerMenu; ++position) {
      const int slot = 100 * menu + position;
      if (ctx.module.mergeKeys[slot] == key) {
        insert_mergefield(ctx, key, ctx.module.mergeFormats[slot]);
        return;
      }
    }
  }
}

}  // namespace tw::addin
