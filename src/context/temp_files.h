#pragma once

// The names of the add-in's files in TEMP, each in one place.

#include <string_view>

namespace tw::addin::tempfile {

// Marker and job files the launcher writes before Word starts.
constexpr std::string_view kDebugMarker = "twDebug.tmp";
constexpr std::string_view kDaemonMarker = "twDaemon.tmp";
constexpr std::string_view kTemplateJob = "twDocTemplate.tmp";
constexpr std::string_view kDocumentJob = "twDoc.tmp";
// Where a rejected job is set aside.
constexpr std::string_view kRejectedTemplateJob = "twTemplateDoc.err";
constexpr std::string_view kRejectedDocumentJob = "twDoc.err";

constexpr std::string_view kDebugLog = "debugTw.txt";
// The template of a document job.
constexpr std::string_view kJobTemplate = "SjabloonDocument.doc";
// Data sources of the merge.
constexpr std::string_view kHtmlHeader = "temp_dat_header.htm";
constexpr std::string_view kHtmlData = "temp_dat_source.htm";
constexpr std::string_view kMergeTemplateCopy = "temp_dat.doc";
constexpr std::string_view kCsvData = "twDb.csv";
// Ribbon icons, pictures of picture fields and the installer.
constexpr std::string_view kSubFolder = "twdoc";
constexpr std::string_view kSubFolderPrefix = "twdoc\\";
constexpr std::string_view kUpdateInstaller = "twdoc\\twUpdate.exe";

}  // namespace tw::addin::tempfile
