#include "posix/console_ui.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "runtime/error.h"
#include "support/test_services.h"

namespace tw::posix {
namespace {

constexpr long kLongest = std::numeric_limits<long>::max();

// Waits as a session script's `wait` lines give them, against a timer of one second that the session
// started at 0 and that stops itself after its first tick.
TEST(ConsoleUiClock, WaitsNeverRunTheClockBackNorPastItsEnd) {
  struct Case {
    const char* name;
    std::vector<long> waits;
    long now;
    int ticks;
  };
  const Case cases[] = {
      {"ordinary waits", {400, 700}, 1100, 1},
      {"a negative wait waits for nothing", {-5, 1000}, 1000, 1},
      {"a wait to the end of the clock", {1, kLongest}, ConsoleUi::kClockEnd, 1},
      {"waits beyond the end of the clock", {1, kLongest, kLongest, 1}, ConsoleUi::kClockEnd, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream console;
    ConsoleUi ui(console, {});
    int ticks = 0;
    std::unique_ptr<ui::Timer> timer;
    timer = ui.CreateTimer([&] {
      ++ticks;
      timer->SetInterval(0);
    });
    timer->SetInterval(1000);
    for (long wait : c.waits) ui.advance(wait);
    EXPECT_EQ(ui.now(), c.now);
    EXPECT_EQ(ticks, c.ticks);
    // A timer set at the end of the clock never comes due, and setting it overflows nothing.
    timer->SetInterval(std::numeric_limits<int>::max());
    ui.advance(kLongest);
  }
}

// The upload form as its code sets it up: labels, two text boxes, two buttons, the hidden answer box.
class UploadFormFixture {
 public:
  explicit UploadFormFixture(ConsoleUi& ui) : form(ui.CreateForm("Sjaboon opslaan")) {
    const std::pair<const char*, const char*> texts[] = {{"appCaption", "Sjabloon opslaan:"},
                                                         {"Label2", "Gebruikersnaam:"},
                                                         {"Username", "jan"},
                                                         {"Label5", "Wachtwoord:"},
                                                         {"Password", ""},
                                                         {"Label3", "Status:"},
                                                         {"statuslabel", "Standby"},
                                                         {"UploadButton", "Opslaan"},
                                                         {"CancelButton", "&Annuleren"},
                                                         {"Text3", "Text3"}};
    for (const auto& [control, text] : texts) form->SetText(control, text);
    form->OnButton("UploadButton", [this] { pressed += "upload;"; });
    form->OnButton("CancelButton", [this] { pressed += "cancel;"; });
    form->Show();
  }

  std::unique_ptr<ui::Form> form;
  std::string pressed;
};

// A control is named by its name or by what a person reads on it: a button's caption, the label before a
// text box (with or without its colon); case and access-key ampersands aside.
TEST(ConsoleUiForms, ControlsAreFoundByNameOrByTheCaptionAPersonReads) {
  struct Case {
    const char* command;  // "press" or "fill"
    const char* control;
    const char* outcome;  // what was pressed, the control filled, or "error"
  };
  const Case cases[] = {
      {"press", "UploadButton", "upload;"},
      {"press", "Opslaan", "upload;"},
      {"press", "opslaan", "upload;"},
      {"press", "Annuleren", "cancel;"},
      {"press", "&Annuleren", "cancel;"},
      {"press", "Status", "error"},  // a label
      {"press", "Sjabloon opslaan:", "error"},
      {"fill", "Password", "Password"},
      {"fill", "Wachtwoord", "Password"},
      {"fill", "Wachtwoord:", "Password"},
      {"fill", "gebruikersnaam", "Username"},
      {"fill", "statuslabel", "error"},  // a label is no text box
      {"fill", "Status", "error"},
      {"fill", "Opslaan", "error"},
      {"fill", "UploadButton", "error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + c.control);
    std::ostringstream console;
    ConsoleUi ui(console, {});
    UploadFormFixture upload(ui);
    try {
      if (std::string(c.command) == "press") {
        ui.pressButton("Sjaboon opslaan", c.control);
        EXPECT_EQ(upload.pressed, c.outcome);
      } else {
        ui.fillText("Sjaboon opslaan", c.control, "geheim");
        EXPECT_EQ(upload.form->Text(c.outcome), "geheim");
      }
    } catch (const runtime::Error& e) {
      EXPECT_EQ(std::string(c.outcome), "error") << e.description();
      EXPECT_NE(e.description().find(std::string("'") + c.control + "'"), std::string::npos)
          << e.description();
      EXPECT_EQ(upload.pressed, "");
    }
  }
}

TEST(ConsoleUiForms, AHiddenOrAmbiguousCaptionPressesNothing) {
  std::ostringstream console;
  ConsoleUi ui(console, {});
  UploadFormFixture upload(ui);
  upload.form->SetVisible("CancelButton", false);
  EXPECT_THROW(ui.pressButton("Sjaboon opslaan", "Annuleren"), runtime::Error);
  // Where a label names no visible box, its text names nothing.
  upload.form->SetVisible("Label5", false);
  EXPECT_THROW(ui.fillText("Sjaboon opslaan", "Wachtwoord", "geheim"), runtime::Error);

  upload.form->SetText("CancelButton", "Opslaan");
  upload.form->SetVisible("CancelButton", true);
  try {
    ui.pressButton("Sjaboon opslaan", "Opslaan");
    ADD_FAILURE() << "pressed";
  } catch (const runtime::Error& e) {
    EXPECT_NE(e.description().find("More than one button reads 'Opslaan'"), std::string::npos)
        << e.description();
  }
  // The name still picks one.
  ui.pressButton("Sjaboon opslaan", "CancelButton");
  EXPECT_EQ(upload.pressed, "cancel;");
}

// A log box grows at every tick of its form's timer; the console shows it only when asked to, and every
// other text of a shown form always.
TEST(ConsoleUiForms, ALogBoxIsEchoedOnlyWhenVerbose) {
  for (bool verbose : {false, true}) {
    SCOPED_TRACE(verbose);
    std::ostringstream console;
    ConsoleUi ui(console, {}, verbose);
    auto daemon = ui.CreateForm("Kontavera Document daemon");
    daemon->Show();
    daemon->SetText("debugText", "..");
    daemon->SetText("jobStatus", "Opdracht opgehaald");
    EXPECT_EQ(console.str().find("[Kontavera Document daemon] debugText: ..\n") != std::string::npos, verbose)
        << console.str();
    EXPECT_NE(console.str().find("[Kontavera Document daemon] jobStatus: Opdracht opgehaald\n"),
              std::string::npos);
  }
}

// A watched file wakes its watcher once it is written whole (closed, or renamed into place), once per
// batch of changes; other files of the folder and a watch that has gone wake nothing.
TEST(ConsoleUiWatches, AFileWrittenWholeWakesItsWatchOnce) {
  testing::TempFolder folder;
  std::ostringstream out;
  ConsoleUi ui(out, {});
  int status = 0;
  int other = 0;
  auto statusWatch = ui.WatchFile((folder / "status").string(), [&] { ++status; });
  auto otherWatch = ui.WatchFile((folder / "other").string(), [&] { ++other; });
  ASSERT_TRUE(statusWatch && otherWatch);

  ui.advance(0);
  EXPECT_EQ(status, 0);
  folder.write("status", " 1");
  folder.write("status", " 1");
  folder.write("unrelated", "x");
  ui.waitForFileChanges(std::chrono::seconds(5));  // the change is there already: no wait
  EXPECT_EQ(status, 1);
  EXPECT_EQ(other, 0);

  folder.write("status.new", " 15");
  std::filesystem::rename(folder / "status.new", folder / "status");
  ui.advance(0);
  EXPECT_EQ(status, 2);

  { std::ifstream read(folder / "status"); }  // reading changes nothing
  otherWatch.reset();
  folder.write("other", "y");
  ui.advance(0);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(other, 0);

  statusWatch.reset();
  folder.write("status", " 0");
  ui.advance(0);
  EXPECT_EQ(status, 2);
}

TEST(ConsoleUiWatches, AFileInAFolderThatIsNotThereCannotBeWatched) {
  testing::TempFolder folder;
  std::ostringstream out;
  ConsoleUi ui(out, {});
  EXPECT_EQ(ui.WatchFile((folder / "nowhere/status").string(), [] {}), nullptr);
}

}  // namespace
}  // namespace tw::posix
