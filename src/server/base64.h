#pragma once

// Module base64: binary data to Base64 text (RFC 4648 alphabet, "=" padding, no line breaks) and back.
// Both sides are byte strings; no character-set conversion happens here.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// The kernels behind base64Encode and base64Decode, one per instruction set, reachable one by one so
// tests, the fuzz target and the benchmark can run each kernel this machine has. All give the same
// results; the SIMD ones take runs of whole groups and leave the rest to the scalar code.
namespace base64_kernels {

enum class Isa { scalar, ssse3, avx2, avx512vbmi2 };

// The instruction sets this machine runs, scalar first; base64Encode and base64Decode use the last.
const std::vector<Isa>& available();

const char* name(Isa isa);

// Writes the (bytes.size() + 2) / 3 * 4 characters of base64Encode(bytes) to out.
void encode(Isa isa, std::string_view bytes, char* out);

// Writes the bytes of base64Decode(text) to out, which has room for text.size() / 4 * 3 bytes, and
// returns how many there are.
std::size_t decode(Isa isa, std::string_view text, char* out);

}  // namespace base64_kernels

}  // namespace tw::addin
