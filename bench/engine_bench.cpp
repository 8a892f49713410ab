// The embedded Word: opening and saving packages, adding table rows, walking fields.

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "engine/engine.h"
#include "engine/model/document_model.h"
#include "posix/posix_system.h"

namespace {

using namespace tw;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string paragraph(int i) {
  return "<w:p><w:pPr><w:jc w:val=\"left\"/></w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t "
         "xml:space=\"preserve\">Regel " +
         std::to_string(i) +
         " met wat tekst om de alinea te vullen, </w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
         "<w:r><w:instrText xml:space=\"preserve\"> MERGEFIELD veld" +
         std::to_string(i % 50) +
         " </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>waarde</w:t></w:r>"
         "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>";
}

// A package whose document.xml is about `bytes` long.
std::string largeDocument(std::size_t bytes) {
  std::string body;
  for (int i = 0; body.size() < bytes; ++i) body += paragraph(i);
  return engine::minimalDocx(body);
}

void BM_OpenSaveOnePageTemplate(benchmark::State& state) {
  std::string bytes = readFile(std::string(TW_FIXTURES) +
                               "/../../../shared/fixtures/word/06_aspose_mergefield_b_switch.docx");
  if (bytes.empty()) bytes = readFile(std::string(TW_FIXTURES) + "/docx/fields.docx");
  for (auto _ : state) {
    auto document = engine::loadDocument(bytes, "template.docx");
    benchmark::DoNotOptimize(document->package().save());
  }
}
BENCHMARK(BM_OpenSaveOnePageTemplate)->Unit(benchmark::kMillisecond);

void BM_OpenSaveLargeDocument(benchmark::State& state) {
  std::string bytes = largeDocument(1 << 20);
  bool edit = state.range(0) != 0;
  for (auto _ : state) {
    auto document = engine::loadDocument(bytes, "large.docx");
    // With an edit, the position index is built and document.xml is written anew.
    if (edit) document->mainStory()->insert(0, "x");
    benchmark::DoNotOptimize(document->package().save());
  }
  state.SetLabel(edit ? "one edit" : "untouched");
}
BENCHMARK(BM_OpenSaveLargeDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ThousandRowsAdd(benchmark::State& state) {
  posix::PosixSystem files;
  std::string row =
      "<w:tr><w:tc><w:tcPr><w:tcW w:w=\"3000\" "
      "w:type=\"dxa\"/></w:tcPr><w:p><w:r><w:t>a</w:t></w:r></w:p></w:tc>"
      "<w:tc><w:p/></w:tc><w:tc><w:p/></w:tc></w:tr>";
  std::string bytes = engine::minimalDocx("<w:tbl>" + row + row + "</w:tbl><w:p/>");
  for (auto _ : state) {
    auto app = engine::createApplication(files);
    auto doc = app->addDocument(engine::loadDocument(bytes, "table.docx"), "table.docx");
    auto rows = doc->Tables()->Item(1)->Rows();
    for (int i = 0; i < 1000; ++i) rows->Add(rows->Item(2));
    benchmark::DoNotOptimize(doc->Tables()->Item(1)->Cell(1001, 3)->Range()->Start());
  }
}
BENCHMARK(BM_ThousandRowsAdd)->Unit(benchmark::kMillisecond);

// The record-row expansion as the add-in does it: rows before the template row, then per new row a
// field at the start of a cell whose code is rewritten. Every step asks the document anew.
void BM_RecordRowExpansion(benchmark::State& state) {
  posix::PosixSystem files;
  std::string cell =
      "<w:tc><w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> MERGEFIELD bedrag "
      "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p></w:tc>";
  std::string bytes = engine::minimalDocx("<w:tbl><w:tr>" + cell + cell + cell + "</w:tr></w:tbl><w:p/>");
  const long rows = state.range(0);
  for (auto _ : state) {
    auto app = engine::createApplication(files);
    auto doc = app->addDocument(engine::loadDocument(bytes, "rows.docx"), "rows.docx");
    for (long m = 0; m < rows - 1; ++m)
      doc->Tables()->Item(1)->Rows()->Add(doc->Tables()->Item(1)->Rows()->Item(1 + m));
    for (long m = 0; m < rows; ++m) {
      auto range = doc->Tables()->Item(1)->Cell(1 + m, 3)->Range();
      range->Collapse(word::wdCollapseStart);
      doc->Fields()
          ->Add(range, word::wdFieldMergeField, std::nullopt, true)
          ->Code()
          ->SetText("MERGEFIELD bedrag_" + std::to_string(m) + " ");
    }
    benchmark::DoNotOptimize(doc->Fields()->Count());
  }
  state.SetLabel(std::to_string(rows) + " rows");
  // Seconds per row: flat when every step costs the same whatever the table's size.
  state.counters["per_row"] = benchmark::Counter(
      static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RecordRowExpansion)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

// Number pictures rewritten word by word in 100 merge fields, as a merge localises them: every edit
// stays inside one text node, so the positions behind it move without a new walk of the story.
void BM_NumberPictureRewrite(benchmark::State& state) {
  posix::PosixSystem files;
  std::string body;
  for (int i = 0; i < 100; ++i) {
    body +=
        "<w:p><w:r><w:t>Bedrag </w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText "
        "xml:space=\"preserve\"> MERGEFIELD bedrag \\# \"#.##0,00\" </w:instrText></w:r><w:r><w:fldChar "
        "w:fldCharType=\"end\"/></w:r></w:p>";
  }
  std::string bytes = engine::minimalDocx(body);
  for (auto _ : state) {
    auto app = engine::createApplication(files);
    auto doc = app->addDocument(engine::loadDocument(bytes, "pictures.docx"), "pictures.docx");
    for (long f = 1; f <= 100; ++f) {
      auto field = doc->Fields()->Item(f);
      long count = field->Code()->Words()->Count();
      for (long i = 3; i <= count; ++i) {
        auto word = field->Code()->Words()->Item(i);
        std::string text = word->Text();
        if (text.find_first_of(".,") == std::string::npos) continue;
        for (char& c : text) c = c == '.' ? ',' : c == ',' ? '.' : c;
        word->SetText(text);
      }
    }
    benchmark::DoNotOptimize(doc->Content()->End());
  }
}
BENCHMARK(BM_NumberPictureRewrite)->Unit(benchmark::kMillisecond);

void BM_TenThousandFieldItemWalks(benchmark::State& state) {
  posix::PosixSystem files;
  std::string body;
  for (int i = 0; i < 100; ++i) body += paragraph(i);
  std::string bytes = engine::minimalDocx(body);
  auto app = engine::createApplication(files);
  auto doc = app->addDocument(engine::loadDocument(bytes, "fields.docx"), "fields.docx");
  for (auto _ : state) {
    long total = 0;
    for (int walk = 0; walk < 100; ++walk) {
      auto fields = doc->Fields();
      for (long i = 1; i <= 100; ++i) total += fields->Item(i)->Type();
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetLabel("10,000 Fields.Item + Type");
}
BENCHMARK(BM_TenThousandFieldItemWalks)->Unit(benchmark::kMillisecond);

}  // namespace
