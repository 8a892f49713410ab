// Word's command bars as the classic menu uses them, and pressing a button by its caption path.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/commandbars/command_bars.h"
#include "runtime/error.h"

namespace tw::testing {
namespace {

using office::msoControlButton;
using office::msoControlPopup;

class CommandBarsTest : public ::testing::Test {
 protected:
  // Menu Bar > "&Tallyweave" popup (tag tw) > "Veld invoegen" popup (tag merge) > button (tag field).
  void SetUp() override {
    auto help = bars->Item("Menu Bar")->Controls()->Item("Help");
    top = bars->Item("Menu Bar")->Controls()->Add(msoControlPopup, 1, help->Index(), true);
    top->SetTag("tw");
    top->SetCaption("&Tallyweave");
    inner = top->Controls()->Add(msoControlPopup, 1, std::nullopt, true);
    inner->SetTag("merge");
    inner->SetCaption("Veld invoegen");
    button = inner->CommandBar()->Controls()->Add(msoControlButton, 1, std::nullopt, true);
    button->SetTag("field");
    button->SetCaption("Naam");
    button->SetOnAction("!<Tallyweave.plugin>");
  }

  std::shared_ptr<office::CommandBars> bars = engine::createCommandBars();
  std::shared_ptr<office::CommandBarControl> top, inner, button;
};

TEST_F(CommandBarsTest, ControlsGoBeforeTheGivenIndexAndAreFoundByTagInNestedPopups) {
  auto menu = bars->Item("Menu Bar");
  EXPECT_EQ(menu->Controls()->Item("help")->Index(), top->Index() + 1);
  EXPECT_EQ(menu->FindControl("field")->Caption(), "Naam");
  EXPECT_EQ(menu->FindControl("merge")->Controls()->Count(), 1);
  EXPECT_EQ(menu->FindControl("nothing"), nullptr);
  EXPECT_EQ(button->OnAction(), "!<Tallyweave.plugin>");
}

TEST_F(CommandBarsTest, ClickingByCaptionPathRaisesTheClickOfEverySubscriber) {
  int clicks = 0;
  auto first = button->OnClick([&](office::CommandBarControl& c, bool&) { clicks += c.Tag() == "field"; });
  auto second = button->OnClick([&](office::CommandBarControl&, bool&) { clicks += 10; });
  engine::clickControl(*bars, {"Menu Bar", "tallyweave", "Veld invoegen", "Naam"});
  EXPECT_EQ(clicks, 11);
  second.reset();
  engine::clickControl(*bars, {"Menu Bar", "&Tallyweave", "Veld invoegen", "naam"});
  EXPECT_EQ(clicks, 12);
}

TEST_F(CommandBarsTest, HiddenOrMissingStepsAndDeletedControlsAreErrors) {
  auto errorOf = [](const std::function<void()>& call) -> long {
    try {
      call();
    } catch (const runtime::Error& e) {
      return e.number();
    }
    return 0;
  };
  inner->SetVisible(false);
  EXPECT_EQ(errorOf([&] {
              engine::clickControl(*bars, {"Menu Bar", "Tallyweave", "Veld invoegen", "Naam"});
            }),
            5);
  EXPECT_EQ(errorOf([&] { bars->Item("Nonexistent"); }), 5);
  EXPECT_EQ(errorOf([&] { bars->Item("Menu Bar")->Controls()->Item("Nonexistent"); }), 5);
  inner->Delete();
  EXPECT_EQ(bars->Item("Menu Bar")->FindControl("field"), nullptr);
  EXPECT_EQ(errorOf([&] { button->Caption(); }), 5);  // deleted with its popup
  EXPECT_EQ(top->Controls()->Count(), 0);
}

// How a path is written: parts between '>', trimmed; a part that starts with a double quote is taken as it
// stands up to the closing quote, '>' and blanks included, a doubled quote standing for one.
TEST(MenuPath, QuotedPartsKeepWhatWouldSplitOrTrimThem) {
  using Parts = std::vector<std::string>;
  struct Case {
    const char* written;
    Parts parts;  // empty: the path is refused with error 5
  };
  const Case cases[] = {
      {"Menu Bar > Tallyweave > Naam", {"Menu Bar", "Tallyweave", "Naam"}},
      {"Menu Bar>Tallyweave", {"Menu Bar", "Tallyweave"}},
      {"Klant > \"Prijs > 100\"", {"Klant", "Prijs > 100"}},
      {"\"a > b\" > c", {"a > b", "c"}},
      {"Klant > \" ruim \" ", {"Klant", " ruim "}},
      {"Vraag > \"Zeg \"\"ja\"\" > nee\"", {"Vraag", "Zeg \"ja\" > nee"}},
      {"Vraag > \"\"", {"Vraag", ""}},
      // A quote inside an unquoted part is plain text.
      {"Maat > 5\" breed", {"Maat", "5\" breed"}},
      {"Klant > \"Prijs > 100", {}},
      {"Klant > \"Prijs\" 100 > x", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    if (c.parts.empty()) {
      try {
        engine::splitMenuPath(c.written);
        ADD_FAILURE() << "not refused";
      } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 5);
        EXPECT_NE(e.description().find(c.written), std::string::npos) << e.description();
      }
    } else {
      EXPECT_EQ(engine::splitMenuPath(c.written), c.parts);
    }
  }
}

TEST(MenuPath, FindUnquotedLooksPastQuotedParts) {
  EXPECT_EQ(engine::findUnquoted("Form > Box = tekst", " = "), 10u);
  EXPECT_EQ(engine::findUnquoted("Form > \"a = b\" = tekst", " = "), 14u);
  EXPECT_EQ(engine::findUnquoted("Form > \"a = b", " = "), std::string::npos);
  EXPECT_EQ(engine::findUnquoted("Form > Box", " = "), std::string::npos);
}

}  // namespace
}  // namespace tw::testing
