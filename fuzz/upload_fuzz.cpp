// The upload's wire format. Arbitrary bytes as the service's answer are classified, and as a body are
// checked by the service stand-in, never crashing. Then the bytes are taken apart into the fields of an
// upload: the body built from them must read back as exactly those fields, with the checksum accepted.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "runtime/error.h"
#include "server/base64.h"
#include "server/upload_protocol.h"
#include "standin/service.h"

namespace {

// A text field travels on one line.
bool oneLine(const std::string& text) {
  return text.find("\r\n") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw;
  std::string_view raw(reinterpret_cast<const char*>(data), size);
  for (int status : {200, 302, 500}) (void)addin::classifyUploadAnswer(status, raw);
  (void)standin::readUploadBody(raw);

  FuzzedDataProvider input(data, size);
  addin::UploadParts parts;
  parts.sessionId = input.ConsumeRandomLengthString(64);
  std::string user, password;
  const bool withCredentials = input.ConsumeBool();
  if (withCredentials) {
    user = input.ConsumeRandomLengthString(32);
    password = input.ConsumeRandomLengthString(32);
  }
  parts.templateName = input.ConsumeRandomLengthString(64);
  const std::string document = input.ConsumeRemainingBytesAsString();
  if (!oneLine(parts.sessionId) || !oneLine(user) || !oneLine(password) || !oneLine(parts.templateName))
    return 0;
  parts.documentBase64 = addin::base64Encode(document);
  try {
    if (withCredentials) {
      parts.credentials = addin::UploadCredentials{
          user,
          addin::formatChecksum(addin::uploadChecksum(static_cast<long long>(document.size()),
                                                      static_cast<long long>(user.size()),
                                                      static_cast<long long>(password.size()))),
          password};
    }
  } catch (const runtime::Error&) {
    return 0;  // lengths whose checksum leaves 32 bits cannot be sent
  }
  auto result = standin::readUploadBody(addin::buildUploadBody(parts));
  const auto* upload = std::get_if<standin::ReceivedUpload>(&result);
  if (!upload || upload->sessionId != parts.sessionId || upload->withCredentials != withCredentials ||
      upload->user != user || upload->password != password || upload->fileName != parts.templateName ||
      upload->document != document) {
    __builtin_trap();
  }
  return 0;
}
