#include "connector/template_job.h"

#include "addin/plugin.h"

namespace tw::addin {

bool readTemplateJob(plugin& self, std::string& /*moduleName*/) {
  self.module().resultDocName = "Resultaat";
  return false;
}

}  // namespace tw::addin
