#pragma once

// The upload and update forms on a context of their own: TEMP in a fresh folder, a minimal Word whose
// save fails (so the form sends the template file exactly as the test wrote it), recorded message boxes
// and forms, and the HTTP client the test chooses.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "context/addin_context.h"
#include "posix/posix_system.h"
#include "server/update_form.h"
#include "server/upload_form.h"
#include "support/mini_word.h"
#include "support/test_services.h"

namespace tw::addin {

class ServerBench {
 public:
  explicit ServerBench(net::Http& http, bool administrator = true)
      : sys(posix::PosixSystem::Options{.locale = "nl-NL",
                                        .environment = {{"TEMP", (root.path() / "temp").string()}},
                                        .clock = {},
                                        .administrator = administrator}),
        ctx(Services{sys, ui, http}) {
    std::filesystem::create_directory(root.path() / "temp");
    ctx.active = true;
    ctx.oXL = word;
    ctx.settings.supportContact = "met de uitgever van deze software.";
    ctx.settings.maxUploadSize = 1;
    ctx.module.templateName = "factuur.doc";
    ctx.module.sessionId = "sessie-42";
    ctx.module.userName = "jan";
    ctx.module.adminName = "Bakkerij";
  }

  // Points the upload at `port` on loopback (the port travels in the host, as in a connector file).
  void uploadTo(int port, runtime::Integer serverPort = 80) {
    ctx.settings.serveradres = "127.0.0.1:" + std::to_string(port);
    ctx.settings.serverPort = serverPort;
    ctx.settings.serverPath = "/upload";
  }

  void writeTemplate(const std::string& bytes) const { root.write("temp/factuur.doc", bytes); }
  std::string temp(const std::string& name) const { return root.read("temp/" + name); }
  bool tempExists(const std::string& name) const { return root.exists("temp/" + name); }
  testing::FormRecord& uploadDialog() { return ui.form(Upload::kTitle); }
  testing::FormRecord& updateDialog() { return ui.form(UpdateForm::kTitle); }
  std::vector<std::string> messages() const {
    std::vector<std::string> prompts;
    for (const auto& box : ui.shown) prompts.push_back(box.prompt);
    return prompts;
  }

  testing::TempFolder root;
  posix::PosixSystem sys;
  testing::ScriptedUi ui;
  std::shared_ptr<testing::MiniApplication> word = std::make_shared<testing::MiniApplication>();
  AddinContext ctx;
  Upload upload{ctx};
  UpdateForm update{ctx, [this] { continueInternalUpdateConnector(ctx, update); }};
};

// The four-line message of a failed upload.
inline std::string sendFailed(const std::string& code, const std::string& statusCode) {
  return "Er is een fout opgetreden bij het verzenden van het sjabloon.\r\n"
         "Neem contact met de uitgever van deze software.\r\n"
         "Foutcode: " +
         code + "\r\nStatusCode: " + statusCode;
}

}  // namespace tw::addin
