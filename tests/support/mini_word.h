#pragma once

// A minimal Word for tests of the add-in's start-up and shutdown: an application with a "Menu Bar"
// command bar, a version, visibility, documents that only have a name and an attached template, and the
// DocumentBeforeClose event. Everything else throws error 438.

#include <memory>
#include <string>
#include <vector>

#include "platform/office/office.h"
#include "platform/word/word.h"

namespace tw::testing {

class MiniControl;

class MiniDocument : public word::Document {
 public:
  explicit MiniDocument(std::string name);
  std::string Name() override { return name_; }
  std::string FullName() override { return name_; }
  void Activate() override;
  void Close(std::optional<bool> saveChanges) override;
  bool Saved() override { return true; }
  void SetSaved(bool) override {}
  void SaveAs(const std::string&, std::optional<int>) override;
  void PrintOut(int, const std::string&, bool) override;
  std::shared_ptr<word::Template> AttachedTemplate() override { return template_; }
  std::shared_ptr<word::Window> ActiveWindow() override;
  std::shared_ptr<word::MailMerge> MailMerge() override;
  std::shared_ptr<word::Fields> Fields() override;
  std::shared_ptr<word::Collection<word::Shape>> Shapes() override;
  std::shared_ptr<word::InlineShapes> InlineShapes() override;
  std::shared_ptr<word::Collection<word::Table>> Tables() override;
  std::shared_ptr<word::Collection<word::Range>> StoryRanges() override;
  std::shared_ptr<word::Range> Content() override;
  std::shared_ptr<word::Range> Range(long, long) override;
  bool Is(const word::Document& other) const override { return this == &other; }

  bool templateSaved() const;
  class MiniApplication* app = nullptr;

 private:
  std::string name_;
  std::shared_ptr<word::Template> template_;
};

class MiniApplication : public word::Application {
 public:
  // `withMenuBar` false: CommandBars has no "Menu Bar"; `withHelp` false: the menu bar has no "Help".
  explicit MiniApplication(std::string version = "16.0", bool withMenuBar = true, bool withHelp = true);

  std::string Version() override { return version_; }
  bool Visible() override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  std::shared_ptr<word::Documents> Documents() override;
  std::shared_ptr<word::Document> ActiveDocument() override;
  std::shared_ptr<word::Selection> Selection() override;
  std::shared_ptr<word::Window> NewWindow() override;
  std::shared_ptr<office::CommandBars> CommandBars() override { return commandBars_; }
  void Quit(std::optional<bool> saveChanges) override;
  std::unique_ptr<platform::EventConnection> OnDocumentBeforeClose(
      DocumentBeforeCloseHandler handler) override {
    return beforeClose_.connect(std::move(handler));
  }

  std::shared_ptr<MiniDocument> addDocument(const std::string& name);
  void closeDocument(MiniDocument& document);
  // The "Menu Bar" bar's top control, for inspection.
  std::shared_ptr<office::CommandBar> menuBar() const { return menuBar_; }
  int quitCount = 0;
  std::optional<bool> lastQuitSaveChanges;
  std::vector<std::shared_ptr<MiniDocument>> documents;

 private:
  std::string version_;
  bool visible_ = false;
  std::shared_ptr<office::CommandBars> commandBars_;
  std::shared_ptr<office::CommandBar> menuBar_;
  platform::Signal<word::Document&, bool&> beforeClose_;
};

}  // namespace tw::testing
