#include "connector/template_job.h"

#include "addin/plugin.h"
#include "connector/cleanup.h"
#include "connector/connector_reader.h"
#include "connector/field_lists.h"
#include "merge/data_sources.h"

namespace tw::addin {
namespace {

constexpr const char* kJobFile = "twDocTemplate.tmp";
constexpr const char* kRejectedJobFile = "twTemplateDoc.err";
// The six counted entries: _template, _template_name, a non-empty _template_title and the three
// upload settings. Repeated entries count again.
constexpr int kRequiredEntries = 6;

const KeyTable& templateKeys() {
  static const KeyTable keys = withCommonKeys({
      {"_merge_header_file",
       [](ReadContext& c, std::string& v) {
         c.self.generateMode = "htmlSources";
         c.self.module().dataHeaderHtmlFileName = v;
       }},
      {"_merge_data_file",
       [](ReadContext& c, std::string& v) { c.self.module().dataSourceHtmlFileName = v; }},
      {"_template",
       [](ReadContext& c, std::string& v) {
         c.templateBytes = std::move(v);
         ++c.validityCount;
       }},
      {"_template_name",
       [](ReadContext& c, std::string& v) {
         // The template is written to TEMP\<name> and deleted from there again: a plain file name only.
         refuseUnsafeFileName(c.self, "_template_name", v);
         c.self.module().templateName = v;
         ++c.validityCount;
       }},
      {"_template_title",
       [](ReadContext& c, std::string& v) {
         c.self.module().templateTitle = v;
         if (!v.empty()) ++c.validityCount;
       }},
      {"_template_id", [](ReadContext& c, std::string& v) { c.self.module().templateId = v; }},
      {"_sessid", [](ReadContext& c, std::string& v) { c.self.module().sessionId = v; }},
      {"_merge_labels",
       [](ReadContext& c, std::string& v) { setMergeTable(c.self.module().mergeLabels, v); }},
      {"_merge_keys", [](ReadContext& c, std::string& v) { setMergeTable(c.self.module().mergeKeys, v); }},
      {"_merge_formats",
       [](ReadContext& c, std::string& v) { setMergeTable(c.self.module().mergeFormats, v); }},
      {"_merge_menu_caption", [](ReadContext& c, std::string& v) { c.self.module().mergeMenuCaption = v; }},
      {"_merge_menus",
       [](ReadContext& c, std::string& v) { setMergeMenuTable(c.self.module().mergeMenus, v, true); }},
      {"_merge_menu_visibility",
       [](ReadContext& c, std::string& v) {
         setMergeMenuTable(c.self.module().mergeMenuVisibility, v, false);
       }},
      {"_upload_address",
       [](ReadContext& c, std::string& v) {
         c.self.serveradres = v;
         ++c.validityCount;
       }},
      {"_upload_port",
       [](ReadContext& c, std::string& v) {
         setIntegerSetting(c, c.self.serverPort, v);
         ++c.validityCount;
       }},
      {"_upload_path",
       [](ReadContext& c, std::string& v) {
         c.self.serverPath = v;
         ++c.validityCount;
       }},
      {"_authorization_required",
       [](ReadContext& c, std::string& v) {
         c.self.module().authorizationRequired = runtime::toBoolean(v, c.self.services().sys.UserLocale());
       }},
      {"_userName", [](ReadContext& c, std::string& v) { c.self.module().userName = v; }},
      {"_adminName", [](ReadContext& c, std::string& v) { c.self.module().adminName = v; }},
      {"_max_upload_size",
       [](ReadContext& c, std::string& v) { setIntegerSetting(c, c.self.maxUploadSize, v); }},
      {"_ribbon_xml",
       [](ReadContext& c, std::string& v) {
         c.self.useRibbon = true;
         c.self.ribbonXML = v;
       }},
  });
  return keys;
}

bool rejectTemplateJob(plugin& self, JobFile& file) {
  self.services().ui.MsgBox(
      "Het sjabloon dat geopend wordt, is geen geldig sjabloon.\r\n Kan niet verder gaan");
  file.close();
  setTemplateJobAside(self);
  cleanupTempFiles(self);
  return false;
}

}  // namespace

void moveJobAside(plugin& self, const std::string& jobName, const std::string& errName) {
  sys::System& sys = self.services().sys;
  std::string errPath = self.tempPath(errName);
  std::string jobPath = self.tempPath(jobName);
  if (self.FileExists(errPath)) sys.DeleteFile(errPath);
  if (self.FileExists(jobPath)) sys.MoveFile(jobPath, errPath);
}

void setTemplateJobAside(plugin& self) {
  // Without a job file there is nothing to set aside, and an earlier rejected job stays.
  if (!self.FileExists(self.tempPath(kJobFile))) return;
  moveJobAside(self, kJobFile, kRejectedJobFile);
}

bool readTemplateJob(plugin& self, std::string& /*moduleName*/) {
  tallyweaveModule& m = self.module();
  m.resultDocName = "Resultaat";
  JobFile file;
  ReadContext context(self, true);
  file.open(self.services().sys, self.tempPath(kJobFile));
  try {
    if (readEntries(context, file, templateKeys()) != ReadOutcome::kRead)
      return rejectTemplateJob(self, file);
  } catch (const UnsafeNameError&) {
    // A name that would lead out of TEMP rejects the job like an invalid file; the log says which.
    return rejectTemplateJob(self, file);
  }
  file.close();
  if (context.validityCount != kRequiredEntries) return rejectTemplateJob(self, file);

  writeTempFile(self, context.templateBytes, m.templateName);
  self.services().sys.DeleteFile(self.tempPath(kJobFile));
  self.OpenDocument(self.tempPath(m.templateName), true);
  return true;
}

}  // namespace tw::addin
