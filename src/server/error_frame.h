#pragma once

// The four-line message every failed conversation with the service shows.

#include <string>
#include <string_view>

#include "runtime/error.h"

namespace tw::addin {

// "<sentence>" / "Neem contact <supportContact>" / "Foutcode: <code>" / "StatusCode: <statusCode>".
std::string serverErrorFrame(std::string_view sentence, std::string_view supportContact,
                             std::string_view code, std::string_view statusCode);

// The code of a raised error: "<number>: <description>".
std::string errorCode(const runtime::Error& error);

}  // namespace tw::addin
