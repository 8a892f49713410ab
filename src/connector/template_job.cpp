#include "connector/template_job.h"

#include "connector/cleanup.h"
#include "connector/connector_reader.h"
#include "connector/field_lists.h"
#include "connector/job_files.h"
#include "context/addin_context.h"
#include "context/documents.h"
#include "context/safe_names.h"
#include "context/temp_files.h"
#include "merge/data_sources.h"

namespace tw::addin {
namespace {

// The six counted entries: _template, _template_name, a non-empty _template_title and the three
// upload settings. Repeated entries count again.
constexpr int kRequiredEntries = 6;

const KeyTable& templateKeys() {
  static const KeyTable keys = withCommonKeys({
      {"_merge_header_file",
       [](ReadContext& c, std::string& v) {
         c.ctx.settings.generateMode = GenerateMode("htmlSources");
         c.ctx.module.dataHeaderHtmlFileName = v;
       }},
      {"_merge_data_file", [](ReadContext& c, std::string& v) { c.ctx.module.dataSourceHtmlFileName = v; }},
      {"_template",
       [](ReadContext& c, std::string& v) {
         c.templateBytes = std::move(v);
         ++c.validityCount;
       }},
      {"_template_name",
       [](ReadContext& c, std::string& v) {
         // The template is written to TEMP\<name> and deleted from there again: a plain file name only.
         refuseUnsafeFileName(c.ctx, "_template_name", v);
         c.ctx.module.templateName = v;
         ++c.validityCount;
       }},
      {"_template_title",
       [](ReadContext& c, std::string& v) {
         c.ctx.module.templateTitle = v;
         if (!v.empty()) ++c.validityCount;
       }},
      {"_template_id", [](ReadContext& c, std::string& v) { c.ctx.module.templateId = v; }},
      {"_sessid", [](ReadContext& c, std::string& v) { c.ctx.module.sessionId = v; }},
      {"_merge_labels", [](ReadContext& c, std::string& v) { setMergeTable(c.ctx.module.mergeLabels, v); }},
      {"_merge_keys", [](ReadContext& c, std::string& v) { setMergeTable(c.ctx.module.mergeKeys, v); }},
      {"_merge_formats", [](ReadContext& c, std::string& v) { setMergeTable(c.ctx.module.mergeFormats, v); }},
      {"_merge_menu_caption", [](ReadContext& c, std::string& v) { c.ctx.module.mergeMenuCaption = v; }},
      {"_merge_menus",
       [](ReadContext& c, std::string& v) { setMergeMenuTable(c.ctx.module.mergeMenus, v, true); }},
      {"_merge_menu_visibility",
       [](ReadContext& c, std::string& v) { setMergeMenuTable(c.ctx.module.mergeMenuVisibility, v, false); }},
      {"_upload_address",
       [](ReadContext& c, std::string& v) {
         c.ctx.settings.serveradres = v;
         ++c.validityCount;
       }},
      {"_upload_port",
       [](ReadContext& c, std::string& v) {
         setIntegerSetting(c, c.ctx.settings.serverPort, v);
         ++c.validityCount;
       }},
      {"_upload_path",
       [](ReadContext& c, std::string& v) {
         c.ctx.settings.serverPath = v;
         ++c.validityCount;
       }},
      {"_authorization_required",
       [](ReadContext& c, std::string& v) {
         c.ctx.module.authorizationRequired = runtime::toBoolean(v, c.ctx.services.sys.UserLocale());
       }},
      {"_userName", [](ReadContext& c, std::string& v) { c.ctx.module.userName = v; }},
      {"_adminName", [](ReadContext& c, std::string& v) { c.ctx.module.adminName = v; }},
      {"_max_upload_size",
       [](ReadContext& c, std::string& v) { setIntegerSetting(c, c.ctx.settings.maxUploadSize, v); }},
      {"_ribbon_xml",
       [](ReadContext& c, std::string& v) {
         c.ctx.settings.useRibbon = true;
         c.ctx.settings.ribbonXML = v;
       }},
  });
  return keys;
}

bool rejectTemplateJob(AddinContext& ctx, JobFile& file) {
  runtime::resumeNext([&] {
    ctx.services.ui.MsgBox(
        "Het sjabloon dat geopend wordt, is geen geldig sjabloon.\r\n Kan niet verder gaan");
  });
  file.close();
  runtime::resumeNext([&] { setTemplateJobAside(ctx); });
  cleanupTempFiles(ctx);
  return false;
}

}  // namespace

void setTemplateJobAside(AddinContext& ctx) {
  // Without a job file there is nothing to set aside, and an earlier rejected job stays.
  if (!ctx.fileExists(ctx.tempPath(tempfile::kTemplateJob))) return;
  setJobAside(ctx, tempfile::kTemplateJob, tempfile::kRejectedTemplateJob);
}

bool readTemplateJob(AddinContext& ctx, std::string& /*moduleName*/) {
  tallyweaveModule& m = ctx.module;
  m.resultDocName = "Resultaat";
  const auto claim = claimJob(ctx, tempfile::kTemplateJob);
  if (!claim) return false;
  JobFile file;
  ReadContext context(ctx, true);
  file.open(ctx.services.sys, ctx.tempPath(tempfile::kTemplateJob));
  try {
    if (readEntries(context, file, templateKeys()) != ReadOutcome::kRead) return rejectTemplateJob(ctx, file);
  } catch (const UnsafeNameError&) {
    // A name that would lead out of TEMP rejects the job like an invalid file; the log says which.
    return rejectTemplateJob(ctx, file);
  }
  file.close();
  if (context.validityCount != kRequiredEntries) return rejectTemplateJob(ctx, file);

  writeTempFile(ctx, context.templateBytes, m.templateName);
  // The job file goes only once its template is open: a template Word cannot open keeps the job.
  if (!OpenDocument(ctx, ctx.tempPath(m.templateName), true)) return rejectTemplateJob(ctx, file);
  ctx.services.sys.DeleteFile(ctx.tempPath(tempfile::kTemplateJob));
  return true;
}

}  // namespace tw::addin
