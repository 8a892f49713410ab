#pragma once

// The embedded Word inside the Word host. This half is built by the plain compiler; the COM half talks to
// it only through the object model of platform/word (Windows-1252 strings) and this class.

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "platform/word/word.h"

namespace tw::host {

class EmbeddedWord {
 public:
  // The POSIX path of a Windows path (Windows-1252), which the add-in also writes into documents and data
  // sources; empty when it has none.
  using UnixPathOf = std::function<std::string(const std::string& windowsPath)>;

  EmbeddedWord(const std::string& version, UnixPathOf unixPathOf);
  ~EmbeddedWord();
  EmbeddedWord(const EmbeddedWord&) = delete;
  EmbeddedWord& operator=(const EmbeddedWord&) = delete;

  std::shared_ptr<word::Application> application();
  bool quitRequested() const;
  // Presses the command-bar control reached by `path` (UTF-8): the bar, the popups and the button by
  // caption, separated by " > ", as a user clicks through Word's menus.
  void click(const std::string& path);
  // Saves every open document into `folder` (a POSIX path) as <name without extension>.docx, saying so on
  // `console`; false when one could not be saved.
  bool saveOpenDocuments(const std::string& folder, std::ostream& console);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The main text of a .docx file (POSIX path) as UTF-8, paragraph marks as line ends.
std::string mainTextOf(const std::string& path);

}  // namespace tw::host
