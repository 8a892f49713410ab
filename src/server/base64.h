#pragma once

// Module base64: binary data to Base64 text (RFC 4648 alphabet, "=" padding, no line breaks) and back.
// Both sides are byte strings; no character-set conversion happens here.

#include <string>
#include <string_view>

namespace tw::addin {

std::string base64Encode(std::string_view bytes);

// Never fails. Characters outside the alphabet (line breaks, blanks, bytes 128..255) are skipped; a text
// of fewer than 4 characters gives nothing; a "=" in the third or fourth place of a group takes a byte
// back, so padded texts written one after the other decode to their contents one after the other; an
// incomplete last group is dropped.
std::string base64Decode(std::string_view text);

// The same rules one character at a time, without the shortcut for runs of clean groups. base64Decode
// must agree with it on every input; tests and the fuzz target compare the two.
std::string base64DecodeReference(std::string_view text);

}  // namespace tw::addin
