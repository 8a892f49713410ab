#include <iostream>
#include <map>
#include <sstream>

#include "cli/commands.h"
#include "cli/word_session.h"

namespace tw::cli {

void addWordCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<WordSessionOptions>();
  auto answers = std::make_shared<std::string>();
  CLI::App* word = app.add_subcommand("word", "Run a Word session with the add-in loaded");
  word->add_option("--temp", options->temp, "TEMP folder of the session (default: $TEMP, else /tmp)");
  word->add_option("--out", options->outDir, "Save every document open at the end into this folder");
  word->add_option("--script", options->scriptFile, "Commands to run after start-up, one per line")
      ->check(CLI::ExistingFile);
  word->add_option("--answer", *answers, "Answers to message boxes in order: ok,cancel,yes,no");
  word->add_option("--locale", options->locale, "The user's locale (nl-NL, en-US, en-GB, de-DE, fr-FR)");
  word->add_option("--word-version", options->wordVersion, "The version Word reports");
  word->add_option("--printer", options->printer, "Word's current printer: pdf (default) or text")
      ->check(CLI::IsMember({"pdf", "text"}));
  word->add_option("--admin", options->administrator, "Whether the user is an administrator (yes|no)")
      ->transform(CLI::CheckedTransformer(std::map<std::string, bool>{{"yes", true}, {"no", false}}));
  word->add_flag("--verbose", options->verbose, "Also show the daemon's idle polls (a dot for each)");
  auto timeout = std::make_shared<long>(0);
  word->add_option("--http-timeout", *timeout, "Longest wait of an HTTP request in milliseconds");
  word->callback([options, answers, timeout, &exitStatus] {
    if (*timeout > 0) options->httpTimeout = std::chrono::milliseconds(*timeout);
    std::stringstream list(*answers);
    for (std::string answer; std::getline(list, answer, ',');) {
      if (!answer.empty()) options->answers.push_back(answer);
    }
    exitStatus = runWordSession(*options, std::cerr);
  });
}

}  // namespace tw::cli
