#pragma once

// The upload's wire format, shared by the form that sends it and the service stand-in that checks it:
// the checksum over the lengths, the multipart body and the classification of the service's answer.

#include <optional>
#include <string>
#include <string_view>

#include "runtime/conversions.h"

namespace tw::addin {

constexpr std::string_view kUploadBoundary = "jhldfshml87495rhffj777";
constexpr std::string_view kUploadContentType = "multipart/form-data; boundary=jhldfshml87495rhffj777";
constexpr std::string_view kNotAuthenticatedMarker = "<!-- Kontavera administration NOT AUTHENTICATED -->";

// The checksum the service expects with credentials: 16 bits, computed over 32-bit values, remainders
// taking the dividend's sign (as C++'s % does). Error 6 when an intermediate leaves 32 bits.
runtime::Integer uploadChecksum(long long documentBytes, long long userNameLength, long long passwordLength);

// The checksum as the body carries it: a blank before a number >= 0, the minus sign before a negative one.
std::string formatChecksum(runtime::Integer checksum);

struct UploadCredentials {
  std::string user;
  std::string checksum;  // already formatted
  std::string password;
};

// The parts of one upload; texts are Windows-1252 bytes, `documentBase64` the encoded template.
struct UploadParts {
  std::string sessionId;
  std::optional<UploadCredentials> credentials;
  std::string templateName;
  std::string documentBase64;
};

// The multipart/form-data body, every line ended by CR LF.
std::string buildUploadBody(const UploadParts& parts);

// What the service's answer means, tested in this order on the exact text. Only a success status (2xx)
// can accept the template: a server error page or a redirect that happens to hold "ok" is no answer the
// add-in understands.
enum class UploadAnswer {
  kRefused,   // the not-authenticated marker: the user may try again
  kError,     // contains "error"
  kUnknown,   // contains no "ok", or came with a status other than 2xx
  kAccepted,  // contains "ok" and came with a 2xx status
};
UploadAnswer classifyUploadAnswer(int httpStatus, std::string_view response);

}  // namespace tw::addin
