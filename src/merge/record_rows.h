#pragma once

#include <functional>

#include "runtime/error.h"

namespace tw::addin {

class AddinContext;

// Expands every table row whose merge fields belong to a record group into one row per entry of the
// group, with the fields of entry m named <field>_<m>. A failing field is handed to `onError` and the
// expansion goes on with the next one.
void expandRecordRows(AddinContext& ctx, const std::function<void(const runtime::Error&)>& onError);

}  // namespace tw::addin
