#include "addin/start_mode.h"

#include "addin/plugin.h"

namespace tw::addin {

runtime::Integer detectStartMode(plugin& self) {
  struct Marker {
    const char* file;
    StartMode mode;
  };
  static constexpr Marker kMarkers[] = {{"twDaemon.tmp", kStartDaemon},
                                        {"twDocTemplate.tmp", kStartTemplateJob},
                                        {"twDoc.tmp", kStartDocumentJob}};
  for (const Marker& marker : kMarkers) {
    if (self.FileExists(self.tempPath(marker.file))) return marker.mode;
  }
  return kStartNone;
}

}  // namespace tw::addin
