#pragma once

#include <string>

#include "platform/word/word.h"

namespace tw::addin {

class AddinContext;

// The files Word's mail merge reads its record from, chosen by the plugin's generateMode.

// Writes TEMP\temp_dat_header.htm (one row of column names) and, when `writeDataFile` is true,
// TEMP\temp_dat_source.htm (one row of values). In mode "htmlString" every field is a column; in every
// other mode only the fields the merge-field inventory names, in inventory order. Cells hold text: "<"
// and ">" are written as entities ("&" as it is); a value becomes a picture only when it names a picture
// this job wrote.
void writeHtmlSources(AddinContext& ctx, bool writeDataFile);

// Stores the picture of an img_ column and returns the value for that column: the picture's path, with
// ";" + `attributes` when there are any. Mode "record" writes TEMP\document_image_<k>.<extension>; mode
// "csvFile" only names basePath\<imageData> and returns ""; other modes drop "img_" from `name` and write
// TEMP\twdoc\<name>.<extension>. Empty `imageData` returns "" and changes nothing. A name or file that
// would leave its folder is error 64 (UnsafeNameError).
std::string writeDocumentImage(AddinContext& ctx, const std::string& imageData, const std::string& attributes,
                               std::string& name, const std::string& extension);

// Writes `content` to TEMP\<fileName>, replacing it; any failure ends the routine silently.
void writeTempFile(AddinContext& ctx, const std::string& content, const std::string& fileName);

// Replaces TEMP\twDb.csv with `content`; any failure ends the routine silently.
void writeCsvData(AddinContext& ctx, const std::string& content);

// Attaches the data source of the current generateMode to `mailMerge`: the HTML header and data files
// (written here) in modes "record", "htmlString" and any other, TEMP\twDb.csv in mode "csvString", the
// daemon's CSV file in mode "csvFile" (a name that would leave the daemon's folder is error 64).
void attachDataSource(AddinContext& ctx, word::MailMerge& mailMerge);

}  // namespace tw::addin
