#pragma once

// What every part of the add-in shares: the outside world, the settings, the module state, the start
// mode, the debug log and the paths in TEMP. The plugin object owns one context; the subsystems take it
// instead of the plugin, so they depend on this leaf and not on each other's faces.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "context/event_button.h"
#include "context/module_state.h"
#include "platform/net/http.h"
#include "platform/office/office.h"
#include "platform/sys/sys.h"
#include "platform/ui/ui.h"
#include "platform/word/word.h"
#include "runtime/conversions.h"
#include "runtime/error.h"
#include "runtime/file_rule.h"

namespace tw::addin {

// The outside world the add-in talks to, besides Word.
struct Services {
  sys::System& sys;
  ui::Ui& ui;
  net::Http& http;
};

// Start modes, decided once per connection from the marker files in TEMP.
enum StartMode : runtime::Integer {
  kStartNone = 0,
  kStartDocumentJob = 1,
  kStartTemplateJob = 2,
  kStartDaemon = 5,
};

// Where Word's mail merge reads its record from. A connector file names the mode as text; texts the
// add-in does not know behave like "htmlSources".
class GenerateMode {
 public:
  enum Kind { kRecord, kHtmlString, kHtmlSources, kCsvString, kCsvFile, kOther };

  GenerateMode() = default;
  explicit GenerateMode(std::string text);

  Kind kind() const { return kind_; }
  // The text as it was set (the property reads it back unchanged).
  const std::string& text() const { return text_; }
  bool operator==(Kind kind) const { return kind_ == kind; }

 private:
  Kind kind_ = kOther;
  std::string text_;
};

// Buttons of the merge-field menus: submenu K (1..10), position j (0..29), number 100 * K + j.
constexpr int kMergeSubMenus = 10;
constexpr int kMergeButtonsPerMenu = 30;

// The command-bar objects of the add-in's menu, and the button variables that receive their clicks.
struct MenuObjects {
  std::shared_ptr<office::CommandBar> wordMenu;
  std::shared_ptr<office::CommandBarControl> twMenu;
  std::shared_ptr<office::CommandBarControl> MergeMenu;
  std::array<std::shared_ptr<office::CommandBarControl>, kMergeSubMenus> mergeSubMenus;  // mergeSubMenu1..10

  EventButton uploadButton;
  EventButton doMergeButton;
  EventButton doUpdateButton;
  std::array<EventButton, kMergeSubMenus * kMergeButtonsPerMenu> mergeButtons;

  // merge_Button100 ... merge_Button1029; error 9 for any other number.
  EventButton& mergeButton(int number);
};

// The public properties of the plugin object: what the connector files set and the forms read.
struct Settings {
  std::string serveradres;
  runtime::Integer serverPort = 0;
  std::string serverPath;
  runtime::Integer maxUploadSize = 0;
  std::string supportContact;
  std::shared_ptr<word::Document> sourceDocument;
  runtime::Integer voorbeeldDocAmount = 0;
  GenerateMode generateMode;
  std::string dataSourceCsvFileName;
  std::string ribbonXML;
  bool useRibbon = false;
  runtime::Integer latestConnectorVersion = 0;
  runtime::Integer minimumConnectorVersion = 0;
  std::string updatePath;

  // Locale separators, read at the start of every merge.
  std::string decimalSeparator;
  std::string thousandsSeparator;
};

// The add-in's own version as a number (major x 1000 + minor x 100 + revision), and as text.
runtime::Integer ownVersion();
std::string getTwVersion();

class AddinContext {
 public:
  explicit AddinContext(Services world) : services(world) {}
  AddinContext(const AddinContext&) = delete;
  AddinContext& operator=(const AddinContext&) = delete;

  // TEMP joined with a backslash and `name`.
  std::string tempPath(std::string_view name) const;

  // Appends a line to the debug log when the log is on; a failing write passes to the caller.
  void debugMsg(std::string_view msg) const;

  // The files this job may make Word read: those in TEMP and in the daemon's base folder; a refusal goes to
  // the debug log. The rule asks this context at every check, so it must not outlive it.
  runtime::FileRule jobFiles() const;

  // True when `pattern` (wildcards allowed in its last part) matches an ordinary file: not hidden, not a
  // system file, not a folder. False before the add-in is active.
  bool fileExists(const std::string& pattern) const;
  bool dirExists(const std::string& path) const;

  // Quits Word without saving; failures are ignored.
  void quitWord() const;

  // The failure handling of the routines that log and, in daemon mode, make the daemon quit Word.
  void logFailure(std::string_view message) const;

  // Word's Application; error 91 before OnConnection handed it over.
  word::Application& word() const { return runtime::objectRef(oXL); }

  Services services;
  Settings settings;
  MenuObjects menus;
  tallyweaveModule module;
  std::shared_ptr<word::Application> oXL;

  bool active = false;
  bool debugMode = false;
  runtime::Integer startMode = kStartNone;
  bool templateLoaded = false;
  bool finalized = false;
  // The job file this start set aside as rejected (under its .err name, a spare one, or removed); "" when
  // none was.
  std::string rejectedJob;

  // Stops the daemon form, saying why, and quits Word; set by the plugin, which owns the form.
  std::function<void(std::string_view reason)> quitDaemon;
};

}  // namespace tw::addin
