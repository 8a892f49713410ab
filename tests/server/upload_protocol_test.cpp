#include "server/upload_protocol.h"

#include <gtest/gtest.h>

#include "runtime/error.h"
#include "server/error_frame.h"
#include "standin/service.h"

namespace tw::addin {
namespace {

TEST(UploadChecksumTest, FollowsTheLengthsWithRemaindersOfTheDividendsSign) {
  struct Case {
    long long bytes, user, password;
    runtime::Integer checksum;
    const char* text;
  };
  const Case cases[] = {
      {0, 0, 0, 875, " 875"},      // 10234 mod 1337
      {100, 4, 6, 6967, " 6967"},  // 975 + 40012 - 34020
      {462, 0, 0, 0, " 0"},        // 10696 is 8 x 1337: zero gets the blank too
      {0, 0, 5, -5452, "-5452"},   // -27475: a floored remainder would give 1889
      {0, 1, 3, -6132, "-6132"},   // 875 + 10003 - 17010, its own remainder
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(uploadChecksum(c.bytes, c.user, c.password), c.checksum);
    EXPECT_EQ(formatChecksum(c.checksum), c.text);
  }
}

TEST(UploadChecksumTest, AnIntermediateBeyond32BitsIsAnOverflow) {
  try {
    uploadChecksum(2'147'483'647LL, 0, 0);
    FAIL() << "expected an overflow";
  } catch (const runtime::Error& error) {
    EXPECT_EQ(error.number(), runtime::kOverflow);
  }
}

TEST(UploadBodyTest, WithoutCredentialsHoldsTheSessionAndTheDocumentOnly) {
  UploadParts parts{.sessionId = "s\xe9ssion",
                    .credentials = std::nullopt,
                    .templateName = "factuur.doc",
                    .documentBase64 = "QUJD"};
  EXPECT_EQ(buildUploadBody(parts),
            "--jhldfshml87495rhffj777\r\n"
            "Content-Disposition: form-data; name=\"sessid\"\r\n"
            "Content-Type: text/plain; charset=Windows-1252\r\n"
            "\r\n"
            "s\xe9ssion\r\n"
            "--jhldfshml87495rhffj777\r\n"
            "Content-Disposition: form-data; name=\"doc\"; filename=\"factuur.doc\"\r\n"
            "Content-Type: application/msword\r\n"
            "\r\n"
            "QUJD\r\n"
            "--jhldfshml87495rhffj777--\r\n");
}

TEST(UploadBodyTest, WithCredentialsCarriesUserChecksumAndPasswordEvenWhenEmpty) {
  UploadParts parts{.sessionId = "42",
                    .credentials = UploadCredentials{"jan", " 875", ""},
                    .templateName = "a.doc",
                    .documentBase64 = ""};
  EXPECT_EQ(buildUploadBody(parts),
            "--jhldfshml87495rhffj777\r\n"
            "Content-Disposition: form-data; name=\"sessid\"\r\n"
            "Content-Type: text/plain; charset=Windows-1252\r\n"
            "\r\n"
            "42\r\n"
            "--jhldfshml87495rhffj777\r\n"
            "Content-Disposition: form-data; name=\"user\"\r\n"
            "Content-Type: text/plain; charset=Windows-1252\r\n"
            "\r\n"
            "jan\r\n"
            "--jhldfshml87495rhffj777\r\n"
            "Content-Disposition: form-data; name=\"checksum\"\r\n"
            "Content-Type: text/plain; charset=Windows-1252\r\n"
            "\r\n"
            " 875\r\n"
            "--jhldfshml87495rhffj777\r\n"
            "Content-Disposition: form-data; name=\"pass\"\r\n"
            "Content-Type: text/plain; charset=Windows-1252\r\n"
            "\r\n"
            "\r\n"
            "--jhldfshml87495rhffj777\r\n"
            "Content-Disposition: form-data; name=\"doc\"; filename=\"a.doc\"\r\n"
            "Content-Type: application/msword\r\n"
            "\r\n"
            "\r\n"
            "--jhldfshml87495rhffj777--\r\n");
}

TEST(UploadAnswerTest, TheFirstMatchInOrderDecides) {
  struct Case {
    const char* answer;
    UploadAnswer meaning;
    int status = 200;
  };
  const Case cases[] = {
      {"<!-- Kontavera administration NOT AUTHENTICATED --> error ok", UploadAnswer::kRefused},
      {"ok, but an error too", UploadAnswer::kError},
      {"OK", UploadAnswer::kUnknown},
      {"", UploadAnswer::kUnknown},
      {"<!-- kontavera administration not authenticated -->", UploadAnswer::kUnknown},
      {"token", UploadAnswer::kAccepted},
      {"ok", UploadAnswer::kAccepted},
      {"ok", UploadAnswer::kAccepted, 201},
      // Only a success status accepts: a server's error page or a redirect holding "ok" does not.
      {"<html>Internal Server Error: look</html>", UploadAnswer::kUnknown, 500},
      {"Service unavailable, try tomorrow", UploadAnswer::kUnknown, 503},
      {"Moved: token", UploadAnswer::kUnknown, 302},
      {"<!-- Kontavera administration NOT AUTHENTICATED -->", UploadAnswer::kRefused, 401},
      {"error", UploadAnswer::kError, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.answer) + " " + std::to_string(c.status));
    EXPECT_EQ(classifyUploadAnswer(c.status, c.answer), c.meaning);
  }
}

TEST(ErrorFrameTest, HasFourLines) {
  EXPECT_EQ(serverErrorFrame("Zin.", "met ons.", "HTTP 1", "8.1"),
            "Zin.\r\nNeem contact met ons.\r\nFoutcode: HTTP 1\r\nStatusCode: 8.1");
  EXPECT_EQ(errorCode(runtime::Error(-2147012894, "The operation timed out")),
            "-2147012894: The operation timed out");
}

// The stand-in reads back exactly what the add-in builds, and nothing that differs by a byte.
TEST(UploadBodyCheckTest, AcceptsTheBuiltBodyAndRefusesEveryDeviation) {
  const std::string document = "PK\x03\x04 word";
  const std::string checksum = formatChecksum(uploadChecksum(static_cast<long long>(document.size()), 3, 2));
  UploadParts parts{.sessionId = "42",
                    .credentials = UploadCredentials{"jan", checksum, "pw"},
                    .templateName = "a.doc",
                    .documentBase64 = "UEsDBCB3b3Jk"};
  const std::string body = buildUploadBody(parts);
  auto read = standin::readUploadBody(body);
  ASSERT_TRUE(std::holds_alternative<standin::ReceivedUpload>(read)) << std::get<std::string>(read);
  const auto& upload = std::get<standin::ReceivedUpload>(read);
  EXPECT_EQ(upload.document, document);
  EXPECT_EQ(upload.user, "jan");
  EXPECT_EQ(upload.fileName, "a.doc");

  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = body;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  const std::string deviations[] = {
      replaced("\r\n", "\n"),                               // a bare line feed
      replaced("jhldfshml87495rhffj777", "otherboundary"),  // another boundary
      replaced("name=\"user\"", "name=\"usr\""),            // a part name
      replaced(checksum, " 1"),                             // a checksum that does not fit
      replaced("UEsDBCB3b3Jk", "UEsDBCB3b3J"),              // Base64 cut short
      replaced("UEsDBCB3b3Jk", "UEsD BCB3b3J"),             // a blank in the Base64
      body + "x",                                           // bytes after the end
      body.substr(0, body.size() - 2),                      // no CR LF after the closing boundary
  };
  for (const std::string& deviation : deviations) {
    EXPECT_TRUE(std::holds_alternative<std::string>(standin::readUploadBody(deviation))) << deviation;
  }
}

}  // namespace
}  // namespace tw::addin
