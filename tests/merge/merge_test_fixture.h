#pragma once

// A Word session with the add-in connected and a document open whose body the test gives, for the
// merge driver's field and table operations.

#include <string>
#include <vector>

#include "connector/job_fixture.h"
#include "support/document_builder.h"

namespace tw::addin {

using testing::field;
using testing::mergefield;
using testing::paragraph;
using testing::row;
using testing::run;
using testing::table;
using testing::textBox;

class MergeTest : public JobTest {
 protected:
  MergeTest() { connect(); }

  // Opens a document whose body is `body` as the active document.
  std::shared_ptr<word::Document> open(const std::string& body, const std::string& name = "sjabloon.docx") {
    writeTemp(name, engine::minimalDocx(body));
    addin.OpenDocument(addin.tempPath(name));
    return word->ActiveDocument();
  }

  // The code texts of the fields of `fields`, in order.
  static std::vector<std::string> codes(word::Fields& fields) {
    std::vector<std::string> result;
    for (long i = 1; i <= fields.Count(); ++i) result.push_back(fields.Item(i)->Code()->Text());
    return result;
  }
};

}  // namespace tw::addin
