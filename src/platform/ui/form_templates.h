#pragma once

// The designs of the add-in's three forms: every control's name, kind and place. Each user interface lays
// a form out from its design, found by the form's title; a form without one has only the controls its
// code sets.

#include <string_view>
#include <vector>

namespace tw::ui {

enum class ControlKind {
  kLabel,
  kTextBox,
  kPassword,
  kButton,
  // A read-only box of many lines that grows as the form writes to it.
  kLog,
};

struct ControlPlace {
  const char* name;
  ControlKind kind;
  // Pixels of the form's client area.
  int x, y, width, height;
  // The label that names a text box for the person filling it in; nullptr when none does.
  const char* label;
};

struct FormTemplate {
  const char* title;
  int width, height;
  std::vector<ControlPlace> controls;
};

// The upload form's Text3 lies outside the visible area, as the service's answer is kept there only for
// the record.
inline const std::vector<FormTemplate>& formTemplates() {
  using enum ControlKind;
  static const std::vector<FormTemplate> templates = {
      {"Sjaboon opslaan",
       380,
       190,
       {{"appCaption", kLabel, 10, 10, 360, 20, nullptr},
        {"Label2", kLabel, 10, 42, 110, 20, nullptr},
        {"Username", kTextBox, 125, 40, 245, 22, "Label2"},
        {"Label5", kLabel, 10, 72, 110, 20, nullptr},
        {"Password", kPassword, 125, 70, 245, 22, "Label5"},
        {"Label3", kLabel, 10, 104, 110, 20, nullptr},
        {"statuslabel", kLabel, 125, 104, 245, 36, nullptr},
        {"UploadButton", kButton, 190, 150, 85, 28, nullptr},
        {"CancelButton", kButton, 285, 150, 85, 28, nullptr},
        {"Text3", kTextBox, -2000, -2000, 100, 22, nullptr}}},
      {"Update Tallyweave",
       380,
       80,
       {{"Label1", kLabel, 10, 10, 360, 20, nullptr},
        {"Label2", kLabel, 10, 42, 60, 20, nullptr},
        {"statuslabel", kLabel, 75, 42, 295, 20, nullptr}}},
      {"Kontavera Document daemon",
       460,
       300,
       {{"jobStatus", kLabel, 10, 10, 440, 20, nullptr}, {"debugText", kLog, 10, 36, 440, 254, nullptr}}},
  };
  return templates;
}

// The design of the form with this title; nullptr when it has none.
inline const FormTemplate* formTemplate(std::string_view title) {
  for (const FormTemplate& form : formTemplates()) {
    if (title == form.title) return &form;
  }
  return nullptr;
}

// The place of a control in the design of the form with this title; nullptr when the design has none.
inline const ControlPlace* controlPlace(std::string_view formTitle, std::string_view control) {
  const FormTemplate* form = formTemplate(formTitle);
  if (!form) return nullptr;
  for (const ControlPlace& place : form->controls) {
    if (control == place.name) return &place;
  }
  return nullptr;
}

}  // namespace tw::ui
