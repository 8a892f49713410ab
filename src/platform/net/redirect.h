#pragma once

// The one rule for following a redirect, applied by every HTTP implementation before it follows one: only
// to the scheme, host and port the request was sent to, and at most kMaxRedirects times. A URL this rule
// cannot read plainly (another scheme, credentials or escapes in the host, backslashes, blanks) is refused:
// two URL readers that disagree on such a URL could disagree on its server too.

#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/net/http.h"
#include "runtime/error.h"

namespace tw::net {

// The server a URL names: its scheme, host and port, in lower case, the port filled in from the scheme.
struct Origin {
  std::string scheme;
  std::string host;
  long port = 0;
  bool operator==(const Origin&) const = default;
};

namespace detail {

inline std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

inline bool plainHostCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

// Host and port of an authority ("host", "host:port", "[v6]:port"), without credentials or escapes.
inline std::optional<Origin> readAuthority(std::string scheme, std::string_view authority) {
  const long defaultPort = scheme == "https" ? 443 : 80;
  std::string_view host = authority;
  std::string_view port;
  if (authority.starts_with('[')) {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = authority.substr(0, close + 1);
    for (char c : host.substr(1, host.size() - 2)) {
      if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return std::nullopt;
    }
    const std::string_view rest = authority.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) return std::nullopt;
    if (!rest.empty()) port = rest.substr(1);
  } else {
    const auto colon = authority.find(':');
    if (colon != std::string_view::npos) {
      host = authority.substr(0, colon);
      port = authority.substr(colon + 1);
    }
    for (char c : host) {
      if (!plainHostCharacter(c)) return std::nullopt;
    }
  }
  if (host.empty() || port.size() > 5) return std::nullopt;
  long number = defaultPort;
  if (!port.empty()) {
    number = 0;
    for (char c : port) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
      number = number * 10 + (c - '0');
    }
    if (number < 1 || number > 65535) return std::nullopt;
  }
  return Origin{.scheme = std::move(scheme), .host = lowerCase(host), .port = number};
}

// Whether a URL holds anything this rule does not read plainly.
inline bool hasUnreadableCharacters(std::string_view url) {
  for (char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F || c == '\\') return true;
  }
  return false;
}

}  // namespace detail

// The server of an absolute http or https URL; nothing for any other text.
inline std::optional<Origin> originOf(std::string_view url) {
  if (detail::hasUnreadableCharacters(url)) return std::nullopt;
  const auto separator = url.find("://");
  if (separator == std::string_view::npos) return std::nullopt;
  std::string scheme = detail::lowerCase(url.substr(0, separator));
  if (scheme != "http" && scheme != "https") return std::nullopt;
  std::string_view rest = url.substr(separator + 3);
  return detail::readAuthority(std::move(scheme), rest.substr(0, rest.find_first_of("/?#")));
}

// The server a redirect's target leads to from a request sent to `from`: a target without a scheme stays
// with the server of `from`, one that starts with "//" keeps only its scheme.
inline std::optional<Origin> redirectOrigin(std::string_view from, std::string_view to) {
  const auto base = originOf(from);
  if (!base || to.empty() || detail::hasUnreadableCharacters(to)) return std::nullopt;
  if (to.starts_with("//")) {
    const std::string_view rest = to.substr(2);
    return detail::readAuthority(base->scheme, rest.substr(0, rest.find_first_of("/?#")));
  }
  const auto schemeEnd = to.find(':');
  const auto pathStart = to.find_first_of("/?#");
  const bool hasScheme = schemeEnd != std::string_view::npos && schemeEnd > 0 &&
                         (pathStart == std::string_view::npos || schemeEnd < pathStart);
  return hasScheme ? originOf(to) : base;
}

// The error that refuses redirect number `hop` (1 for the first) of a request sent to `from`, leading to
// `to`; nothing when the request may follow it.
inline std::optional<runtime::Error> refusedRedirect(std::string_view from, std::string_view to, int hop) {
  auto refusal = [&](const std::string& why) {
    return runtime::Error(kRedirectRefused,
                          "The redirect to " + std::string(to) + " was not followed: " + why);
  };
  const auto origin = originOf(from);
  if (!origin || redirectOrigin(from, to) != origin)
    return refusal("it leads to another scheme, host or port");
  if (hop > kMaxRedirects) return refusal("more than " + std::to_string(kMaxRedirects) + " redirects");
  return std::nullopt;
}

}  // namespace tw::net
