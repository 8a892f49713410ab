#include "engine/print/layout_codec.h"
#include "engine/print/pdf_printer.h"
#include "modules/entry_guard.h"
#include "modules/module_entries.h"

extern "C" bool tallyweave_render_pdf(TwText layout, const TwSink* pdf, const TwError* error) {
  return tw::modules::guarded(error, [&] {
    const auto decoded = tw::engine::print::decodeLayout(tw::modules::viewOf(layout));
    tw::modules::writeTo(*pdf, tw::engine::print::PdfPrinter().render(decoded));
  });
}

static_assert(std::is_same_v<decltype(tallyweave_render_pdf), TwRenderPdf>);
