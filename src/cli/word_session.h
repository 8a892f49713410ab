#pragma once

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tw::engine {
class EngineApplication;
}
namespace tw::addin {
class plugin;
}
namespace tw::posix {
class ConsoleUi;
}

namespace tw::cli {

struct WordSessionOptions {
  // TEMP of the session; empty: the TEMP variable, else /tmp.
  std::string temp;
  // Folder that receives every document still open at the end, as <name>.docx.
  std::optional<std::string> outDir;
  // Commands to run after start-up, one per line.
  std::optional<std::string> scriptFile;
  // Answers to message boxes, in order.
  std::vector<std::string> answers;
  std::string locale = "nl-NL";
  std::string wordVersion = "16.0";
  // The answer of the administrator check.
  bool administrator = false;
  // No HTTP request waits longer than this (the requests' own bounds are longer).
  std::optional<std::chrono::milliseconds> httpTimeout;
  // Word's current printer, which decides what printing to a file writes: "pdf" or "text".
  std::string printer = "pdf";
  // Whether the console also shows what a form's log box shows at every tick (the daemon's idle dots).
  bool verbose = false;
};

// Exit statuses of a session.
constexpr int kSessionRan = 0;
constexpr int kNotSaved = 1;  // a result could not be saved into the output folder
constexpr int kBadUsage =
    2;  // an unknown locale or printer, an output folder that cannot take results, a bad script
constexpr int kJobRejected = 3;  // the job in TEMP was not valid and was set aside (see the debug log)

// Sets the process up as a session runs it (the allocator keeps freed memory for the next job, local
// time comes from a time zone read once); a session calls it itself, anything that runs jobs without a
// session can run them the same way.
void setUpProcessForJobs();

// What the commands of a session script act on; `out` receives what they print (menu, customui, image).
struct ScriptSession {
  engine::EngineApplication& word;
  addin::plugin& addin;
  posix::ConsoleUi& ui;
  std::ostream& out;
};

// Runs the commands of a session script, one per line (see README.md); `scriptName` names the script in
// the messages. False, after saying why on `console`, when a line cannot run; stops early when Word quits.
bool runScript(ScriptSession& session, std::istream& script, const std::string& scriptName,
               std::ostream& console);

// Starts the embedded Word with the add-in loaded, runs the session and shuts Word down as a user
// closing it would, saving the documents still open into `outDir` first. Returns an exit status above.
int runWordSession(const WordSessionOptions& options, std::ostream& console);

}  // namespace tw::cli
