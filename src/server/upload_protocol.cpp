#include "server/upload_protocol.h"

#include <limits>

#include "runtime/error.h"

namespace tw::addin {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kTextPartType = "Content-Type: text/plain; charset=Windows-1252";

// One step of the checksum arithmetic: the value must stay within 32 bits, as the Long it is.
long long checked32(long long value) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    throw runtime::Error::fromNumber(runtime::kOverflow);
  return value;
}

void appendLine(std::string& body, std::string_view line) {
  body.append(line);
  body.append(kCrLf);
}

void appendBoundary(std::string& body) {
  body.append("--");
  appendLine(body, kUploadBoundary);
}

void appendTextPart(std::string& body, std::string_view name, std::string_view value) {
  appendLine(body, "Content-Disposition: form-data; name=\"" + std::string(name) + "\"");
  appendLine(body, kTextPartType);
  appendLine(body, "");
  appendLine(body, value);
  appendBoundary(body);
}

}  // namespace

runtime::Integer uploadChecksum(long long documentBytes, long long userNameLength, long long passwordLength) {
  long long a = checked32(checked32(documentBytes + 10234) % 1337);
  long long b = checked32(a + checked32(userNameLength * 10003) - checked32(passwordLength * 5670));
  return static_cast<runtime::Integer>(b % 7341);
}

std::string formatChecksum(runtime::Integer checksum) {
  return checksum < 0 ? std::to_string(checksum) : " " + std::to_string(checksum);
}

std::string buildUploadBody(const UploadParts& parts) {
  std::string body;
  body.reserve(parts.documentBase64.size() + 1024);
  appendBoundary(body);
  appendTextPart(body, "sessid", parts.sessionId);
  if (parts.credentials) {
    appendTextPart(body, "user", parts.credentials->user);
    appendTextPart(body, "checksum", parts.credentials->checksum);
    appendTextPart(body, "pass", parts.credentials->password);
  }
  appendLine(body, "Content-Disposition: form-data; name=\"doc\"; filename=\"" + parts.templateName + "\"");
  appendLine(body, "Content-Type: application/msword");
  appendLine(body, "");
  appendLine(body, parts.documentBase64);
  body.append("--");
  body.append(kUploadBoundary);
  appendLine(body, "--");
  return body;
}

UploadAnswer classifyUploadAnswer(int httpStatus, std::string_view response) {
  if (response.find(kNotAuthenticatedMarker) != std::string_view::npos) return UploadAnswer::kRefused;
  if (response.find("error") != std::string_view::npos) return UploadAnswer::kError;
  if (response.find("ok") == std::string_view::npos) return UploadAnswer::kUnknown;
  if (httpStatus < 200 || httpStatus > 299) return UploadAnswer::kUnknown;
  return UploadAnswer::kAccepted;
}

}  // namespace tw::addin
