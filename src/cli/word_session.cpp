#include "cli/word_session.h"

#include <malloc.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <sstream>
#include <system_error>

#include "addin/plugin.h"
#include "cli/modules.h"
#include "cli/real_time.h"
#include "daemon/daemon_form.h"
#include "engine/commandbars/command_bars.h"
#include "engine/engine.h"
#include "engine/print/text_printer.h"
#include "posix/console_ui.h"
#include "posix/posix_system.h"
#include "runtime/codepage.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace tw::cli {
namespace {

class RibbonControlById : public office::RibbonControl {
 public:
  explicit RibbonControlById(std::string id) : id_(std::move(id)) {}
  std::string Id() override { return id_; }

 private:
  std::string id_;
};

// Prints a control of the add-in's menu and, for a shown popup, its controls indented below it.
void printMenu(office::CommandBarControl& control, int depth, std::ostream& out) {
  out << std::string(2 * static_cast<size_t>(depth), ' ') << runtime::cp1252ToUtf8(control.Caption());
  const bool visible = control.Visible();
  out << (visible ? "\n" : " (hidden)\n");
  if (!visible || control.Type() != office::msoControlPopup) return;
  auto controls = control.Controls();
  for (long i = 1; i <= controls->Count(); ++i) printMenu(*controls->Item(i), depth + 1, out);
}

// What a session script can do, a command per line: the first word names the command, the rest of the
// line is its argument.
using Command = std::function<void(ScriptSession&, const std::string& argument)>;

[[noreturn]] void usage(const std::string& form) {
  throw runtime::Error(runtime::kInvalidProcedureCall, form);
}

// A whole number written in decimal digits, with a minus sign before them at most; `form` says what the
// command takes when it is not one.
long wholeNumber(const std::string& text, const std::string& form) {
  long number = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || stop != end || error != std::errc()) usage(form);
  return number;
}

// A form and one of its controls, as `press` and `fill` name them: "<form title> > <control>".
std::pair<std::string, std::string> formControl(const std::string& path, const std::string& form) {
  auto parts = engine::splitMenuPath(runtime::utf8ToCp1252(path));
  if (parts.size() != 2) usage(form);
  return {parts[0], parts[1]};
}

// The open document of this name (as Word's window menu lists it); the active one for "".
std::shared_ptr<word::Document> documentNamed(ScriptSession& s, const std::string& name) {
  if (name.empty()) return s.word.ActiveDocument();
  auto documents = s.word.Documents();
  for (long i = 1; i <= documents->Count(); ++i) {
    auto document = documents->Item(i);
    if (runtime::equalsTextCompare(document->Name(), runtime::utf8ToCp1252(name))) return document;
  }
  throw runtime::Error(runtime::kInvalidProcedureCall, "no open document '" + name + "'");
}

const std::map<std::string, Command>& commands() {
  static const std::map<std::string, Command> table = {
      // click Menu Bar > <popup caption> > ... > <button caption>
      {"click",
       [](ScriptSession& s, const std::string& argument) {
         engine::clickControl(*s.word.CommandBars(), engine::splitMenuPath(runtime::utf8ToCp1252(argument)));
       }},
      // ribbon <callback> <control id>
      {"ribbon",
       [](ScriptSession& s, const std::string& argument) {
         std::string callback = argument.substr(0, argument.find(' '));
         std::string id =
             argument.size() > callback.size() ? argument.substr(callback.size() + 1) : std::string();
         RibbonControlById control(runtime::utf8ToCp1252(id));
         if (callback == "insertMergefieldButton")
           s.addin.insertMergefieldButton(control);
         else if (callback == "insertMergefieldGallery")
           s.addin.insertMergefieldGallery(control, control.Id(), 0);
         else if (callback == "mergeDocumentClick")
           s.addin.mergeDocumentClick(control);
         else if (callback == "UploadDocumentClick")
           s.addin.UploadDocumentClick(control);
         else
           throw runtime::Error(runtime::kInvalidProcedureCall, "unknown ribbon callback '" + callback + "'");
       }},
      // type <text>: typed at the selection of the active document
      {"type",
       [](ScriptSession& s, const std::string& argument) {
         s.word.Selection()->TypeText(runtime::utf8ToCp1252(argument));
       }},
      // wait <milliseconds>: lets the timers run
      {"wait",
       [](ScriptSession& s, const std::string& argument) {
         s.ui.advance(wholeNumber(argument, "wait <milliseconds>"));
       }},
      // select <start> <end> | select all: on the active document, positions as Word's Range Start and End
      {"select",
       [](ScriptSession& s, const std::string& argument) {
         const std::string form = "select <start> <end> or select all";
         if (argument == "all") return s.word.ActiveDocument()->Content()->Select();
         const size_t blank = argument.find(' ');
         if (blank == std::string::npos) usage(form);
         const long start = wholeNumber(argument.substr(0, blank), form);
         const long end = wholeNumber(argument.substr(blank + 1), form);
         s.word.ActiveDocument()->Range(start, end)->Select();
       }},
      // press <form title> > <button name or caption>
      {"press",
       [](ScriptSession& s, const std::string& argument) {
         auto [form, button] = formControl(argument, "press <form title> > <button>");
         s.ui.pressButton(form, button);
       }},
      // open <file>
      {"open",
       [](ScriptSession& s, const std::string& argument) {
         s.word.Documents()->Open(runtime::utf8ToCp1252(argument));
       }},
      // fill <form title> > <text box name or label> = <text>
      {"fill",
       [](ScriptSession& s, const std::string& argument) {
         const std::string form = "fill <form title> > <text box> = <text>";
         const size_t equals = engine::findUnquoted(argument, " = ");
         if (equals == std::string::npos) usage(form);
         auto [title, box] = formControl(argument.substr(0, equals), form);
         s.ui.fillText(title, box, runtime::utf8ToCp1252(argument.substr(equals + 3)));
       }},
      // activate <document name>: as choosing the document in Word's window menu
      {"activate",
       [](ScriptSession& s, const std::string& argument) {
         if (argument.empty()) usage("activate <document name>");
         documentNamed(s, argument)->Activate();
       }},
      // close [<document name>]: the active document without a name; its changes are not saved
      {"close",
       [](ScriptSession& s, const std::string& argument) { documentNamed(s, argument)->Close(false); }},
      // menu: the add-in's menu with its captions
      {"menu",
       [](ScriptSession& s, const std::string&) {
         auto& twMenu = s.addin.menus().twMenu;
         if (!twMenu) throw runtime::Error(runtime::kInvalidProcedureCall, "the add-in has no menu");
         printMenu(*twMenu, 0, s.out);
       }},
      // customui: the ribbon XML the add-in hands to Office
      {"customui",
       [](ScriptSession& s, const std::string&) {
         s.out << runtime::cp1252ToUtf8(s.addin.IRibbonExtensibility_GetCustomUI("Microsoft.Word.Document"))
               << "\n";
       }},
      // image <name>: the picture the ribbon would show for this name
      {"image",
       [](ScriptSession& s, const std::string& argument) {
         auto picture = s.addin.GetImage(runtime::utf8ToCp1252(argument));
         if (picture) {
           s.out << "image " << argument << ": " << picture->Width() << " x " << picture->Height() << "\n";
         } else {
           s.out << "image " << argument << ": none\n";
         }
       }},
  };
  return table;
}

// Runs the script file; false (after saying why) when it cannot be read or a line cannot run.
bool runScriptFile(ScriptSession& session, const std::string& path, std::ostream& console) {
  std::ifstream in(path);
  if (!in) {
    console << "tallyweave word: cannot read the script " << path << "\n";
    return false;
  }
  return runScript(session, in, path, console);
}

// Makes sure the results can go into `folder` before Word starts; says why not.
bool prepareOutputFolder(const std::string& folder, std::ostream& console) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!error && !std::filesystem::is_directory(folder, error))
    error = std::make_error_code(std::errc::not_a_directory);
  if (!error && ::access(folder.c_str(), W_OK | X_OK) != 0)
    error = std::error_code(errno, std::generic_category());
  if (!error) return true;
  console << "tallyweave word: cannot write results to " << folder << ": " << error.message() << "\n";
  return false;
}

// Saves every open document into `folder` as <name without extension>.docx; false when one could not be
// saved. Each result is written beside its target and then renamed, so a failed save never leaves a
// truncated file over an earlier one.
bool saveOpenDocuments(word::Application& word, const std::string& folder, std::ostream& console) {
  bool allSaved = true;
  auto documents = word.Documents();
  for (long i = 1; i <= documents->Count(); ++i) {
    std::filesystem::path partial;
    try {
      auto document = documents->Item(i);
      std::string stem = std::filesystem::path(runtime::cp1252ToUtf8(document->Name())).stem().string();
      std::filesystem::path target = std::filesystem::path(folder) / (stem + ".docx");
      partial = std::filesystem::path(folder) / ("." + stem + ".partial.docx");
      document->SaveAs(runtime::utf8ToCp1252(partial.string()), word::wdFormatDocument);
      std::filesystem::rename(partial, target);
      console << "saved " << target.string() << "\n";
    } catch (const runtime::Error& error) {
      console << "tallyweave word: " << runtime::cp1252ToUtf8(error.description()) << "\n";
      allSaved = false;
    } catch (const std::exception& error) {
      console << "tallyweave word: " << error.what() << "\n";
      allSaved = false;
    }
    std::error_code ignored;
    if (!partial.empty()) std::filesystem::remove(partial, ignored);
  }
  return allSaved;
}

// The printer a name on the command line chooses; none for an unknown name.
std::shared_ptr<const engine::print::Printer> printerNamed(const std::string& name) {
  if (name == "pdf") return pdfPrinterInModule();
  if (name == "text") return std::make_shared<engine::print::TextOnlyPrinter>();
  return nullptr;
}

std::string sessionTemp(const std::string& requested) {
  if (!requested.empty()) return requested;
  const char* temp = std::getenv("TEMP");
  return temp && *temp ? temp : "/tmp";
}

}  // namespace

bool runScript(ScriptSession& session, std::istream& script, const std::string& scriptName,
               std::ostream& console) {
  std::string line;
  for (int number = 1; std::getline(script, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    line = line.substr(first);
    std::string name = line.substr(0, line.find(' '));
    std::string argument = line.size() > name.size() ? line.substr(name.size() + 1) : std::string();
    auto command = commands().find(name);
    if (command == commands().end()) {
      console << scriptName << ":" << number << ": unknown command '" << name << "'\n";
      return false;
    }
    try {
      command->second(session, argument);
    } catch (const runtime::Error& error) {
      console << scriptName << ":" << number << ": " << runtime::cp1252ToUtf8(error.description()) << " ("
              << error.number() << ")\n";
      return false;
    } catch (const std::exception& error) {
      console << scriptName << ":" << number << ": " << error.what() << "\n";
      return false;
    }
    if (session.word.quitRequested()) break;
  }
  return true;
}

// Every document job allocates and frees the same buffers of some 100 KB (a zip stream's window and hash
// table for every part written, the parts themselves). By default the allocator hands such blocks back
// to the system when freed and takes them anew, page fault by page fault; a session keeps up to 8 MB of
// freed memory instead, which spares a one-page job about a sixth of its time.
//
// While TZ is unset, the C library looks at /etc/localtime again for every conversion of a local time,
// and the zip library converts the time of every entry it reads or writes: some 25 file checks a job.
// TZ naming that same file gives the same local time, read once.
void setUpProcessForJobs() {
#ifdef __GLIBC__
  ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 8 << 20);
#endif
  ::setenv("TZ", ":/etc/localtime", 0);
}

int runWordSession(const WordSessionOptions& options, std::ostream& console) {
  setUpProcessForJobs();
  if (!runtime::isKnownLocale(options.locale)) {
    console << "tallyweave word: unknown locale '" << options.locale << "'\n";
    return kBadUsage;
  }
  auto printer = printerNamed(options.printer);
  if (!printer) {
    console << "tallyweave word: unknown printer '" << options.printer << "'\n";
    return kBadUsage;
  }
  if (options.outDir && !prepareOutputFolder(*options.outDir, console)) return kBadUsage;
  posix::PosixSystem sys(posix::PosixSystem::Options{
      .locale = options.locale,
      .environment = {{"TEMP", runtime::utf8ToCp1252(sessionTemp(options.temp))}},
      .clock = {},
      .administrator = options.administrator,
  });
  posix::ConsoleUi ui(console, options.answers, options.verbose);
  auto http = curlHttpInModule(options.httpTimeout);
  addin::plugin addin(addin::Services{sys, ui, *http});
  auto word = engine::createApplication(sys, engine::EngineOptions{.version = options.wordVersion,
                                                                   .limits = {},
                                                                   .mailMerge = nullptr,
                                                                   .printer = printer,
                                                                   .binaryDocuments = nullptr,
                                                                   .files = addin.context().jobFiles()});

  // Word tells the add-in of its shutdown however it quits: from the add-in, or at the session's end.
  auto loaded = word->loadAddIn(engine::AddInEvents{
      .onBeginShutdown = [&] { addin.AddinInstance_OnBeginShutdown(); },
      .onDisconnection = [&](int removeMode) { addin.AddinInstance_OnDisconnection(removeMode); },
  });
  addin.AddinInstance_OnConnection(word, 0, addin::AddInInstance{"Tallyweave.plugin"});
  // A daemon session runs until the service or a signal ends it; signals are caught before it starts.
  std::optional<RealTimeTimers> realTime;
  if (addin.startMode() == addin::kStartDaemon) realTime.emplace();
  addin.AddinInstance_OnStartupComplete();
  // A daemon that stopped while starting never showed its form, nor with it why.
  if (realTime && word->quitRequested()) {
    const std::string why = runtime::cp1252ToUtf8(addin.daemonForm().jobStatus());
    console << "tallyweave word: the daemon stopped while starting" << (why.empty() ? "" : " (" + why + ")")
            << "\n";
  }

  ScriptSession session{*word, addin, ui, console};
  bool scriptRan =
      !options.scriptFile || word->quitRequested() || runScriptFile(session, *options.scriptFile, console);

  if (realTime && scriptRan && !word->quitRequested() && realTime->run(*word, ui))
    console << "tallyweave word: stopped by a signal\n";

  bool saved = true;
  if (!word->quitRequested()) {
    if (options.outDir) saved = saveOpenDocuments(*word, *options.outDir, console);
    word->Quit(false);
  }
  if (!scriptRan) return kBadUsage;
  if (!saved) return kNotSaved;
  if (const std::string& job = addin.context().rejectedJob; !job.empty()) {
    console << "tallyweave word: the job " << job << " was not valid and was set aside\n";
    return kJobRejected;
  }
  return kSessionRan;
}

}  // namespace tw::cli
