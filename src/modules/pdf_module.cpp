#include "engine/print/pdf_printer.h"
#include "modules/module_entries.h"

extern "C" void tallyweave_render_pdf(const tw::engine::print::PrintLayout& layout, std::string& pdf) {
  pdf = tw::engine::print::PdfPrinter().render(layout);
}

static_assert(std::is_same_v<decltype(tallyweave_render_pdf), tw::modules::RenderPdf>);
