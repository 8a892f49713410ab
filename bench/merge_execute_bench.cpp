// Word's mail merge on the engine: Execute to a new document and save it.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "engine/engine.h"
#include "posix/posix_system.h"
#include "support/document_builder.h"

namespace tw::engine {
namespace {

using testing::mergefield;

const char* kTextDriver = "Provider=MSDASQL;Driver={Microsoft Text Driver (*.csv)}";

struct Case {
  std::string body;
  std::string csv;
};

// A one-page letter of 50 fields and one record.
Case letter() {
  Case c;
  std::string names;
  std::string values;
  for (int i = 0; i < 50; ++i) {
    std::string name = "veld" + std::to_string(i);
    c.body += "<w:p><w:r><w:t xml:space=\"preserve\">Regel: </w:t></w:r>" +
              mergefield(i % 5 == 0 ? name + " \\# \"#.##0,00\"" : name) + "</w:p>";
    names += (i ? "," : "") + name;
    values += (i ? "," : "") + std::string(i % 5 == 0 ? "1234" : "Waarde");
  }
  c.csv = names + "\r\n" + values + "\r\n";
  return c;
}

// One record whose table already holds 1,000 rows of fields.
Case expandedTable() {
  Case c;
  c.body = "<w:tbl><w:tblGrid><w:gridCol/><w:gridCol/></w:tblGrid>";
  std::string names;
  std::string values;
  for (int m = 0; m < 1000; ++m) {
    std::string a = "omschrijving_" + std::to_string(m);
    std::string b = "bedrag_" + std::to_string(m);
    c.body += "<w:tr><w:tc><w:p>" + mergefield(a) + "</w:p></w:tc><w:tc><w:p>" +
              mergefield(b + " \\# \"#.##0,00\"") + "</w:p></w:tc></w:tr>";
    names += (m ? "," : "") + a + "," + b;
    values += (m ? "," : "") + std::string("Regel,") + std::to_string(m);
  }
  c.body += "</w:tbl><w:p/>";
  c.csv = names + "\r\n" + values + "\r\n";
  return c;
}

// A short letter merged with 1,000 CSV records.
Case manyRecords() {
  Case c;
  c.body = "<w:p><w:r><w:t xml:space=\"preserve\">Beste </w:t></w:r>" + mergefield("naam") + "</w:p><w:p>" +
           mergefield("bedrag \\# \"#.##0,00\"") + "</w:p>";
  c.csv = "naam,bedrag\r\n";
  for (int r = 0; r < 1000; ++r) c.csv += "Klant " + std::to_string(r) + "," + std::to_string(r) + "\r\n";
  return c;
}

void runMerge(benchmark::State& state, const Case& c) {
  auto folder = std::filesystem::temp_directory_path() / ("tw-merge-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "main.docx", std::ios::binary) << minimalDocx(c.body);
  std::ofstream(folder / "data.csv", std::ios::binary) << c.csv;
  posix::PosixSystem sys;
  for (auto _ : state) {
    auto word = createApplication(sys);
    auto main = word->Documents()->Open((folder / "main.docx").string());
    main->MailMerge()->OpenDataSource(
        {(folder / "data.csv").string(), std::nullopt, std::nullopt, kTextDriver});
    main->MailMerge()->Execute(false);
    word->ActiveDocument()->SaveAs((folder / "result.docx").string());
    word->Quit(false);
  }
  std::filesystem::remove_all(folder);
}

void BM_MergeLetter50Fields(benchmark::State& state) {
  runMerge(state, letter());
}
BENCHMARK(BM_MergeLetter50Fields)->Unit(benchmark::kMillisecond);
void BM_MergeExpandedTable1000Rows(benchmark::State& state) {
  runMerge(state, expandedTable());
}
BENCHMARK(BM_MergeExpandedTable1000Rows)->Unit(benchmark::kMillisecond);
void BM_Merge1000CsvRecords(benchmark::State& state) {
  runMerge(state, manyRecords());
}
BENCHMARK(BM_Merge1000CsvRecords)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tw::engine
