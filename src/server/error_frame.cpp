#include "server/error_frame.h"

namespace tw::addin {

std::string serverErrorFrame(std::string_view sentence, std::string_view supportContact,
                             std::string_view code, std::string_view statusCode) {
  std::string text(sentence);
  text += "\r\nNeem contact ";
  text += supportContact;
  text += "\r\nFoutcode: ";
  text += code;
  text += "\r\nStatusCode: ";
  text += statusCode;
  return text;
}

std::string errorCode(const runtime::Error& error) {
  return std::to_string(error.number()) + ": " + error.description();
}

}  // namespace tw::addin
