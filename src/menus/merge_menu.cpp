#include "menus/merge_menu.h"

#include <algorithm>

#include "addin/plugin.h"

namespace tw::addin {
namespace {

constexpr const char* kFieldLimitMessage =
    "Veld toevoegen niet mogelijk:\r\nEr kunnen maximaal 255 velden in het sjabloon worden verwerkt.";
// Fields are counted only in documents with more fields than this, and no more merge fields than this
// may be in a template.
constexpr long kFieldLimit = 255;

// The classic Trim: blanks (not tabs) at both ends removed.
std::string trimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

void buildMergeMenu(plugin& self, office::CommandBarControl& parent, const std::string& progId) {
  auto parentBar = parent.CommandBar();
  self.MergeMenu = parentBar->FindControl("merge_fields");
  if (!self.MergeMenu) {
    self.MergeMenu = parentBar->Controls()->Add(office::msoControlPopup, 1, std::nullopt, true);
    self.MergeMenu->SetTag("merge_fields");
    self.MergeMenu->SetCaption("Veld invoegen");
    self.MergeMenu->SetVisible(true);
  }
  for (int menu = 1; menu <= kMergeSubMenus; ++menu) buildMergeSubMenu(self, menu, progId);
}

void buildMergeSubMenu(plugin& self, int menu, const std::string& progId) {
  const tallyweaveModule& m = self.module();
  auto bar = runtime::objectRef(self.MergeMenu).CommandBar();
  auto& subMenu = self.mergeSubMenus[menu - 1];
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
    self.mergeButton(number).hold(
        control, [&self, number](office::CommandBarControl&, bool&) { self.merge_Button_click(number); });
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

void plugin::merge_Button_click(int number) {
  insert_mergefield(module_.mergeKeys.at(number), module_.mergeFormats.at(number));
}

std::string plugin::insert_mergefield(const std::string& tagname, const std::string& format_) {
  if (!active_) return {};
  // Every failing statement shows the failure and the next statement runs; a failing test lets the
  // statements it guards run.
  auto report = [this](const runtime::Error& error) {
    services_.ui.MsgBox(
        "Er heeft een fout plaatsgevonden in de module, daardoor kan het veld niet worden ingevoegd.\r\n"
        "Foutinformatie: " +
        error.source() + " " + error.description() + " (" + std::to_string(error.number()) + ")");
  };
  auto test = [&](auto&& condition) {
    bool result = true;
    runtime::resumeNext([&] { result = condition(); }, report);
    return result;
  };
  auto statement = [&](auto&& step) { runtime::resumeNext(step, report); };

  runtime::Integer counter = 0;
  if (test([&] { return runtime::objectRef(oXL).ActiveDocument()->Fields()->Count() > kFieldLimit; })) {
    statement([&] {
      auto fields = oXL->ActiveDocument()->Fields();
      for (long i = 1, count = fields->Count(); i <= count; ++i) {
        auto field = fields->Item(i);
        if (test([&] {
              if (field->Type() != word::wdFieldMergeField) return false;
              std::string code = field->Code()->Text();
              return !trimBlanks(code.size() > 12 ? std::string_view(code).substr(12) : std::string_view())
                          .empty();
            })) {
          ++counter;
        }
      }
    });
  }
  if (counter > kFieldLimit) {
    services_.ui.MsgBox(kFieldLimitMessage);
    return {};
  }
  if (test([&] { return runtime::objectRef(oXL).Selection()->Type() == word::wdSelectionNormal; })) {
    long start = 0;
    long end = 0;
    statement([&] { start = oXL->Selection()->Range()->Start(); });
    statement([&] { end = oXL->Selection()->Range()->Start(); });
    statement([&] { oXL->Selection()->SetRange(start, end); });
  }
  const std::string name = format_.empty() ? tagname : tagname + " " + format_;
  statement([&] {
    runtime::objectRef(oXL).ActiveDocument()->MailMerge()->Fields()->Add(oXL->Selection()->Range(), name);
  });
  return {};
}

void plugin::insertMergefieldButton(office::RibbonControl& control) {
  std::string id = control.Id();
  insertMergefieldByKey(id.size() > 9 ? id.substr(9) : std::string());
}

void plugin::insertMergefieldGallery(office::RibbonControl& /*control*/, const std::string& selectedId,
                                     runtime::Integer /*selectedIndex*/) {
  insertMergefieldByKey(selectedId.size() > 9 ? selectedId.substr(9) : std::string());
}

void plugin::insertMergefieldByKey(const std::string& key) {
  for (int menu = 1; menu <= kMergeSubMenus; ++menu) {
    for (int position = 0; position < kMergeButtonsPerMenu; ++position) {
      const int slot = 100 * menu + position;
      if (module_.mergeKeys[slot] == key) {
        insert_mergefield(key, module_.mergeFormats[slot]);
        return;
      }
    }
  }
}

}  // namespace tw::addin
