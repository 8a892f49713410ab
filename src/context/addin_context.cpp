#include "context/addin_context.h"

#include "context/temp_files.h"
#include "runtime/locale.h"
#include "version.h"

namespace tw::addin {
namespace {

struct ModeName {
  std::string_view text;
  GenerateMode::Kind kind;
};
constexpr ModeName kModeNames[] = {
    {"record", GenerateMode::kRecord},           {"htmlString", GenerateMode::kHtmlString},
    {"htmlSources", GenerateMode::kHtmlSources}, {"csvString", GenerateMode::kCsvString},
    {"csvFile", GenerateMode::kCsvFile},
};

}  // namespace

GenerateMode::GenerateMode(std::string text) : text_(std::move(text)) {
  for (const ModeName& mode : kModeNames) {
    if (mode.text == text_) kind_ = mode.kind;
  }
}

runtime::Integer ownVersion() {
  return static_cast<runtime::Integer>(kVersionMajor * 1000 + kVersionMinor * 100 + kVersionPatch);
}

std::string getTwVersion() {
  return std::to_string(ownVersion());
}

EventButton& MenuObjects::mergeButton(int number) {
  int menu = number / 100;
  int position = number % 100;
  if (menu < 1 || menu > kMergeSubMenus || position >= kMergeButtonsPerMenu) {
    throw runtime::Error::fromNumber(runtime::kSubscriptOutOfRange);
  }
  return mergeButtons[(menu - 1) * kMergeButtonsPerMenu + position];
}

std::string AddinContext::tempPath(std::string_view name) const {
  return services.sys.GetEnv("TEMP").value_or("") + "\\" + std::string(name);
}

runtime::FileRule AddinContext::jobFiles() const {
  return runtime::FileRule{
      .folders =
          [this] {
            std::vector<std::string> folders{tempPath("")};
            if (!module.basePath.empty()) folders.push_back(module.basePath);
            return folders;
          },
      .report = [this](const std::string& line) { debugMsg(line); },
  };
}

void AddinContext::debugMsg(std::string_view msg) const {
  if (!debugMode) return;
  sys::System& sys = services.sys;
  std::string entry = "\"" + runtime::formatGeneralDate(sys.Now(), sys.UserLocale()) + ": ";
  entry.append(msg);
  entry += "\"\r\n";
  sys.AppendFile(tempPath(tempfile::kDebugLog), entry);
}

bool AddinContext::fileExists(const std::string& pattern) const {
  return active && services.sys.FileExists(pattern);
}

bool AddinContext::dirExists(const std::string& path) const {
  return services.sys.FolderExists(path);
}

void AddinContext::quitWord() const {
  if (!active) return;
  runtime::resumeNext([&] { word().Quit(false); });
}

void AddinContext::logFailure(std::string_view message) const {
  debugMsg(message);
  if (startMode == kStartDaemon && quitDaemon) quitDaemon(message);
}

}  // namespace tw::addin
