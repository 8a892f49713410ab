#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

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
};

// Starts the embedded Word with the add-in loaded, runs the session and shuts Word down as a user
// closing it would. Returns the exit status: 0 when the session ran, 2 for a script that cannot run.
int runWordSession(const WordSessionOptions& options, std::ostream& console);

}  // namespace tw::cli
