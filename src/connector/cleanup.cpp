#include "connector/cleanup.h"

#include "addin/plugin.h"

namespace tw::addin {

void cleanupTempFiles(plugin& self) {
  tallyweaveModule& m = self.module();
  m.fieldCount = 0;
  m.fieldNames.assign(1, "");
  m.fieldValues.assign(1, "");
  m.voorbeeldDocuments.assign(1, "");
  m.recordCounts.clear();
  m.recordOfField.clear();
}

}  // namespace tw::addin
