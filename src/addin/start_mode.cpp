#include "addin/start_mode.h"

#include "context/addin_context.h"
#include "context/temp_files.h"

namespace tw::addin {

runtime::Integer detectStartMode(const AddinContext& ctx) {
  struct Marker {
    std::string_view file;
    StartMode mode;
  };
  static constexpr Marker kMarkers[] = {{tempfile::kDaemonMarker, kStartDaemon},
                                        {tempfile::kTemplateJob, kStartTemplateJob},
                                        {tempfile::kDocumentJob, kStartDocumentJob}};
  for (const Marker& marker : kMarkers) {
    if (ctx.fileExists(ctx.tempPath(marker.file))) return marker.mode;
  }
  return kStartNone;
}

}  // namespace tw::addin
