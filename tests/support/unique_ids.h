#pragma once

// What a Word document must hold once: a check for every merged result the tests make.

#include <string>
#include <vector>

namespace tw::testing {

// The identifiers that the .docx `bytes` repeats: drawing ids (wp:docPr/@id, over all its parts),
// bookmark names and bookmark ids, as "drawing id 1", "bookmark name regel", "bookmark id 7".
std::vector<std::string> repeatedIdentifiers(const std::string& bytes);

}  // namespace tw::testing
