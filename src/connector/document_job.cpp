#include "connector/document_job.h"

#include "addin/plugin.h"

namespace tw::addin {

bool runDocumentJob(plugin& self) {
  self.module().resultDocName = "unknownDocument";
  return false;
}

}  // namespace tw::addin
