#include "menus/merge_menu.h"

#include <gtest/gtest.h>

#include "addin/plugin.h"
#include "engine/commandbars/command_bars.h"
#include "posix/posix_system.h"
#include "support/mini_word.h"
#include "support/test_services.h"

namespace tw::addin {
namespace {

class MergeMenuTest : public ::testing::Test {
 protected:
  MergeMenuTest() : sys(posix::PosixSystem::Options{.environment = {{"TEMP", temp.path().string()}}}) {
    addin.AddinInstance_OnConnection(word, 0, AddInInstance{});
    popup = word->menuBar()->FindControl("twMenucontrol");
  }

  // Fills labels (and keys "key<n>") into slots from `first` on.
  void label(int first, int count) {
    for (int i = 0; i < count; ++i) {
      addin.module().mergeLabels[first + i] = "Label " + std::to_string(first + i);
      addin.module().mergeKeys[first + i] = "key" + std::to_string(first + i);
    }
  }

  void build() { buildMergeMenu(addin.context(), *popup, "Tallyweave.plugin"); }

  std::shared_ptr<office::CommandBarControls> subMenu(int menu) {
    return word->menuBar()->FindControl("merge_submenu" + std::to_string(menu))->Controls();
  }

  std::vector<std::string> visibleCaptions(int menu) {
    std::vector<std::string> captions;
    auto controls = subMenu(menu);
    for (long i = 1; i <= controls->Count(); ++i) {
      if (controls->Item(i)->Visible()) captions.push_back(controls->Item(i)->Caption());
    }
    return captions;
  }

  testing::TempFolder temp;
  posix::PosixSystem sys;
  testing::ScriptedUi ui;
  testing::RefusingHttp http;
  plugin addin{Services{sys, ui, http}};
  std::shared_ptr<testing::MiniApplication> word = std::make_shared<testing::MiniApplication>();
  std::shared_ptr<office::CommandBarControl> popup;
};

TEST_F(MergeMenuTest, ThirtyButtonsPerSubmenuFromItsOwnSlots) {
  label(100, 35);
  label(200, 2);
  build();

  auto menu = word->menuBar()->FindControl("merge_fields");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->Caption(), "Veld invoegen");
  EXPECT_EQ(menu->Controls()->Count(), 10);

  auto first = visibleCaptions(1);
  ASSERT_EQ(first.size(), 30u);
  EXPECT_EQ(first.front(), "Label 100");
  EXPECT_EQ(first.back(), "Label 129");
  EXPECT_EQ(visibleCaptions(2), (std::vector<std::string>{"Label 200", "Label 201"}));
  auto button = subMenu(2)->Item(1L);
  EXPECT_EQ(button->Tag(), "merge_field_200");
  EXPECT_EQ(button->OnAction(), "!<Tallyweave.plugin>");
  // The first empty label leaves one hidden button and ends the submenu.
  EXPECT_EQ(subMenu(2)->Count(), 3);
  EXPECT_FALSE(subMenu(2)->Item(3L)->Visible());
  EXPECT_EQ(subMenu(3)->Count(), 1);
}

TEST_F(MergeMenuTest, AGapInTheLabelsEndsTheSubmenu) {
  label(100, 5);
  addin.module().mergeLabels[102].clear();
  build();
  EXPECT_EQ(visibleCaptions(1), (std::vector<std::string>{"Label 100", "Label 101"}));
  EXPECT_EQ(subMenu(1)->Count(), 3);
}

TEST_F(MergeMenuTest, OnlyTheTextOneShowsASubmenu) {
  const std::pair<std::string, bool> cases[] = {
      {"1", true}, {"0", false}, {"", false}, {"true", false}, {" 1", false}};
  for (int k = 1; k <= 5; ++k) {
    addin.module().mergeMenus[k] = "Menu " + std::to_string(k);
    addin.module().mergeMenuVisibility[k] = cases[k - 1].first;
  }
  build();
  for (int k = 1; k <= 5; ++k) {
    auto sub = word->menuBar()->FindControl("merge_submenu" + std::to_string(k));
    EXPECT_EQ(sub->Caption(), "Menu " + std::to_string(k));
    EXPECT_EQ(sub->Visible(), cases[k - 1].second) << "visibility text '" << cases[k - 1].first << "'";
  }
}

TEST_F(MergeMenuTest, ARebuildReusesThePopupAndRecreatesTheSubmenus) {
  label(100, 3);
  build();
  build();
  EXPECT_EQ(popup->Controls()->Count(), 2);  // the upload button and "Veld invoegen"
  EXPECT_EQ(word->menuBar()->FindControl("merge_fields")->Controls()->Count(), 10);
  EXPECT_EQ(visibleCaptions(1).size(), 3u);
}

TEST_F(MergeMenuTest, AClickInsertsTheButtonsFieldAndReportsEachFailingStep) {
  label(100, 1);
  addin.module().mergeMenuVisibility[1] = "1";
  build();
  popup->SetVisible(true);
  // The minimal Word has no document open: every step that needs one fails and is reported.
  engine::clickControl(*word->CommandBars(), {"Menu Bar", "", "Veld invoegen", "", "Label 100"});
  ASSERT_GE(ui.shown.size(), 2u);
  for (const auto& shown : ui.shown) {
    EXPECT_EQ(
        shown.prompt.rfind(
            "Er heeft een fout plaatsgevonden in de module, daardoor kan het veld niet worden ingevoegd.\r\n"
            "Foutinformatie: ",
            0),
        0u)
        << shown.prompt;
  }
}

}  // namespace
}  // namespace tw::addin
