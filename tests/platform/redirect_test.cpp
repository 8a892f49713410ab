#include "platform/net/redirect.h"

#include <gtest/gtest.h>

namespace tw::net {
namespace {

// Every HTTP implementation asks this rule before it follows a redirect; a target it cannot read plainly is
// refused, since another URL reader might find another server in it.
TEST(RedirectRuleTest, OnlyTheServerTheRequestWentToAndOnlyAFewTimes) {
  const std::string from = "https://Portal.Example.com/upload?x=1";
  struct Case {
    const char* to;
    int hop;
    bool followed;
  };
  const Case cases[] = {
      {"https://portal.example.com/other", 1, true},
      {"HTTPS://PORTAL.EXAMPLE.COM:443/other", 1, true},  // case and the scheme's own port
      {"/other", 1, true},
      {"other?y#z", 1, true},
      {"//portal.example.com/other", 1, true},
      {"https://portal.example.com/other", kMaxRedirects, true},
      {"https://portal.example.com/other", kMaxRedirects + 1, false},
      {"http://portal.example.com/other", 1, false},  // https to http
      {"https://portal.example.com:8443/other", 1, false},
      {"https://example.com/other", 1, false},
      {"https://portal.example.com.evil.net/", 1, false},
      {"//evil.net/other", 1, false},
      {"https://portal.example.com@evil.net/", 1, false},
      {"https://evil.net\\@portal.example.com/", 1, false},
      {"/\\evil.net/other", 1, false},
      {"/\t/evil.net", 1, false},
      {"https://portal.example.com%2eevil.net/", 1, false},
      {"ftp://portal.example.com/", 1, false},
      {"https:portal.example.com/", 1, false},
      {"https://portal.example.com:0/", 1, false},
      {"https://portal.example.com:99999/", 1, false},
      {"https://[::1]/", 1, false},
      {"", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    const auto refused = refusedRedirect(from, c.to, c.hop);
    EXPECT_EQ(!refused, c.followed);
    if (refused) {
      EXPECT_EQ(refused->number(), kRedirectRefused);
      EXPECT_EQ(
          refused->description().rfind(std::string("The redirect to ") + c.to + " was not followed: ", 0), 0u)
          << refused->description();
    }
  }
}

TEST(RedirectRuleTest, PortsAndAddressesCompareAsServers) {
  EXPECT_FALSE(refusedRedirect("http://127.0.0.1:8080/a", "http://127.0.0.1:8080/b", 1));
  EXPECT_FALSE(refusedRedirect("http://127.0.0.1/a", "http://127.0.0.1:80/b", 1));
  EXPECT_FALSE(refusedRedirect("http://[::1]:8080/a", "http://[::1]:8080/b", 1));
  EXPECT_TRUE(refusedRedirect("http://127.0.0.1:8080/a", "http://127.0.0.1:8081/b", 1));
  EXPECT_TRUE(refusedRedirect("http://127.0.0.1:8080/a", "http://localhost:8080/b", 1));
  // A request sent to no plain URL follows nothing.
  EXPECT_TRUE(refusedRedirect("portal.example.com/upload", "/other", 1));
}

TEST(RedirectRuleTest, TheRefusalSaysWhy) {
  EXPECT_EQ(refusedRedirect("http://a.example/", "http://b.example/x", 1)->description(),
            "The redirect to http://b.example/x was not followed: it leads to another scheme, host or port");
  EXPECT_EQ(refusedRedirect("http://a.example/", "/x", 6)->description(),
            "The redirect to /x was not followed: more than 5 redirects");
}

}  // namespace
}  // namespace tw::net
