// Mail-merge groundwork: formatting a page of merge fields, reading data sources, printing text.

#include <benchmark/benchmark.h>

#include "engine/mailmerge/data_source.h"
#include "engine/mailmerge/field_result.h"
#include "engine/print/text_printer.h"
#include "runtime/locale.h"

namespace {

using namespace tw::engine;

// Fifty fields as a one-page letter holds them: plain, amounts, dates, text formats, affixes and IFs.
const std::vector<std::pair<std::string, std::string>>& pageFields() {
  static const std::vector<std::pair<std::string, std::string>> fields = [] {
    const std::pair<const char*, const char*> kinds[] = {
        {" MERGEFIELD naam \\* MERGEFORMAT ", "Jansen"},
        {" MERGEFIELD bedrag \\# \"#.##0,00\" ", "1234,5"},
        {" MERGEFIELD datum \\@ \"d MMMM yyyy\" ", "3-2-2025"},
        {" MERGEFIELD plaats \\* Upper ", "Amsterdam"},
        {" MERGEFIELD titel \\b \"Dhr. \" \\f \", \" ", "Jansen"},
        {" MERGEFIELD saldo \\# \"\x80 #.##0,00;\x80 -#.##0,00;'nihil'\" ", "-12,5"},
        {" MERGEFIELD naam \\* Caps ", "JAN DE VRIES"},
        {" MERGEFIELD tijd \\@ \"HH:mm\" ", "3-2-2025 14:05"},
        {" MERGEFIELD nummer \\# 000000 ", "42"},
        {" IF 12,5 > 0 \"positief\" \"negatief\" ", ""},
    };
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < 50; ++i) out.emplace_back(kinds[i % 10].first, kinds[i % 10].second);
    return out;
  }();
  return fields;
}

void BM_FormatFiftyFields(benchmark::State& state) {
  const tw::runtime::Locale& locale = tw::runtime::localeByName("nl-NL");
  for (auto _ : state) {
    for (const auto& [code, value] : pageFields()) {
      mailmerge::FieldCode parsed = mailmerge::parseFieldCode(code);
      std::string result = parsed.keyword == "IF" ? mailmerge::evaluateIf(parsed, locale)
                                                  : mailmerge::formatFieldResult(value, parsed, locale);
      benchmark::DoNotOptimize(result);
    }
  }
}
BENCHMARK(BM_FormatFiftyFields);

std::string csvOf(size_t records) {
  std::string csv = "naam,adres,postcode,plaats,bedrag,datum,omschrijving\r\n";
  for (size_t i = 0; i < records; ++i) {
    csv += "\"Jansen, J." + std::to_string(i) +
           "\",Dorpsstraat 12,1234 AB,Amsterdam,\"1.234,50\",3-2-2025,\"Huur \"\"januari\"\"\"\r\n";
  }
  return csv;
}

void BM_ReadCsvRecords(benchmark::State& state) {
  std::string csv = csvOf(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    mailmerge::DataTable table = mailmerge::readCsv(csv, "twDb.csv");
    benchmark::DoNotOptimize(table.recordCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * csv.size()));
}
BENCHMARK(BM_ReadCsvRecords)->Arg(1000);
// A source of about 100 MB: linear time, memory about the size of its text.
BENCHMARK(BM_ReadCsvRecords)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ReadHtmlRows(benchmark::State& state) {
  std::string html = "<HTML>\r\n<BODY>\r\n<TABLE>\r\n";
  for (int i = 0; i < state.range(0); ++i) {
    html +=
        "<TR>\r\n<TD>Jansen " + std::to_string(i) +
        "</TD>\r\n<TD>1.234,50</TD>\r\n<TD><IMG width='120' height='80' SRC='C:\\Temp\\document_image_1.jpg'>"
        "</TD>\r\n</TR>\r\n";
  }
  html += "</TABLE>\r\n</BODY>\r\n</HTML>";
  for (auto _ : state) {
    mailmerge::DataTable table = mailmerge::readHtmlTable(html, "temp_dat_source.htm");
    benchmark::DoNotOptimize(table.recordCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * html.size()));
}
BENCHMARK(BM_ReadHtmlRows)->Arg(1000);
// About 100 MB of HTML: streamed through the parser, never held as a tree.
BENCHMARK(BM_ReadHtmlRows)->Arg(800000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PrintThousandRowTable(benchmark::State& state) {
  print::TableBlock table;
  for (int i = 0; i < 1000; ++i)
    table.rows.push_back({"Omschrijving " + std::to_string(i), "1.234,50", "3-2-2025"});
  print::PrintPage page;
  page.body = {print::ParagraphBlock{"Geachte heer Jansen,"}, table};
  print::PrintLayout layout{"doc", {page}};
  print::TextOnlyPrinter printer;
  for (auto _ : state) benchmark::DoNotOptimize(printer.render(layout));
}
BENCHMARK(BM_PrintThousandRowTable);

}  // namespace
