// Base64 throughput on 64 MiB of binary data. Every figure counts the 64 MiB of binary data (the encoder's
// input, the decoder's output), so the rates compare directly with copying the same 64 MiB.
//
// base64Encode/base64Decode make a fresh string each time; their floor is BM_CopyIntoFreshString. The
// kernels of each instruction set write into a buffer made once; their floor is BM_Memcpy.
//
// BM_DecodeBesideSimdutf runs our decoder's kernel and simdutf's decoder (a public SIMD Base64 library,
// third_party/simdutf) on the same text in one run.
#include <benchmark/benchmark.h>
#include <simdutf.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "server/base64.h"

namespace {

constexpr size_t kSize = size_t{64} << 20;

const std::string& binaryData() {
  static const std::string bytes = [] {
    std::mt19937_64 random(1);
    std::string data(kSize, '\0');
    for (size_t i = 0; i + 8 <= data.size(); i += 8) {
      std::uint64_t word = random();
      std::memcpy(&data[i], &word, 8);
    }
    return data;
  }();
  return bytes;
}

const std::string& cleanText() {
  static const std::string text = tw::addin::base64Encode(binaryData());
  return text;
}

// `clean` with CR LF after every 76 characters, as mail and many services wrap it.
std::string wrapped(const std::string& clean) {
  std::string out;
  out.reserve(clean.size() + clean.size() / 76 * 2 + 2);
  for (size_t pos = 0; pos < clean.size(); pos += 76) out.append(clean, pos, 76).append("\r\n");
  return out;
}

const std::string& wrappedText() {
  static const std::string text = wrapped(cleanText());
  return text;
}

void BM_Memcpy(benchmark::State& state) {
  const std::string& source = binaryData();
  std::string target(source.size(), '\0');
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_Encode(benchmark::State& state) {
  const std::string& bytes = binaryData();
  for (auto _ : state) benchmark::DoNotOptimize(tw::addin::base64Encode(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

// The floor of every function that returns a fresh string of 64 MiB: allocation, page faults, one copy.
void BM_CopyIntoFreshString(benchmark::State& state) {
  const std::string& source = binaryData();
  for (auto _ : state) {
    std::string target(source);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

using Decoder = std::string (*)(std::string_view);

void BM_Decode(benchmark::State& state, Decoder decode, const std::string& (*input)()) {
  const std::string& text = input();
  if (decode(text) != binaryData()) state.SkipWithError("decoded bytes differ");
  for (auto _ : state) benchmark::DoNotOptimize(decode(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

using tw::addin::base64_kernels::Isa;

void BM_EncodeKernel(benchmark::State& state, Isa isa) {
  const std::string& bytes = binaryData();
  std::string text(tw::addin::base64Encode(bytes).size(), '\0');
  for (auto _ : state) {
    tw::addin::base64_kernels::encode(isa, bytes, text.data());
    benchmark::DoNotOptimize(text.data());
    benchmark::ClobberMemory();
  }
  if (text != cleanText()) state.SkipWithError("encoded text differs");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_DecodeKernel(benchmark::State& state, Isa isa, const std::string& (*input)()) {
  const std::string& text = input();
  std::string bytes(text.size() / 4 * 3, '\0');
  size_t count = 0;
  for (auto _ : state) {
    count = tw::addin::base64_kernels::decode(isa, text, bytes.data());
    benchmark::DoNotOptimize(bytes.data());
    benchmark::ClobberMemory();
  }
  bytes.resize(count);
  if (bytes != binaryData()) state.SkipWithError("decoded bytes differ");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

// One benchmark per kernel this machine runs, named after its instruction set.
const bool kKernelsRegistered = [] {
  for (Isa isa : tw::addin::base64_kernels::available()) {
    std::string name = tw::addin::base64_kernels::name(isa);
    benchmark::RegisterBenchmark(("BM_EncodeKernel/" + name).c_str(), BM_EncodeKernel, isa)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_DecodeKernel/" + name + "/clean").c_str(), BM_DecodeKernel, isa,
                                 cleanText)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_DecodeKernel/" + name + "/crlf76").c_str(), BM_DecodeKernel, isa,
                                 wrappedText)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

// Our decode kernel (the one base64Decode uses on this machine) and simdutf's decoder, each into a buffer
// made once, take turns on the same text of `size` binary bytes, CR LF-wrapped or not; each turn is timed
// apart, so load on the machine falls on both alike. The counters give each one's rate in binary bytes
// per second (G = 2^30, as bytes_per_second) and ours over simdutf's.
void BM_DecodeBesideSimdutf(benchmark::State& state, size_t size, bool wrap) {
  const std::string bytes = binaryData().substr(0, size);
  const std::string text = wrap ? wrapped(tw::addin::base64Encode(bytes)) : tw::addin::base64Encode(bytes);
  const Isa isa = tw::addin::base64_kernels::available().back();
  std::string ours(text.size() / 4 * 3, '\0');
  std::string theirs(simdutf::maximal_binary_length_from_base64(text.data(), text.size()), '\0');
  if (tw::addin::base64_kernels::decode(isa, text, ours.data()) != size || ours.compare(0, size, bytes) != 0)
    state.SkipWithError("our decoded bytes differ");
  const simdutf::result result = simdutf::base64_to_binary(text.data(), text.size(), theirs.data());
  if (result.error != simdutf::error_code::SUCCESS || result.count != size ||
      theirs.compare(0, size, bytes) != 0)
    state.SkipWithError("simdutf's decoded bytes differ");

  // Turns of about a MiB, so the clock is read rarely even for small texts. The clock is the process's
  // processor time: time the machine gives to other work counts for neither.
  const size_t rounds = std::max<size_t>(1, (size_t{1} << 20) / size);
  std::clock_t ours_time = 0;
  std::clock_t theirs_time = 0;
  for (auto _ : state) {
    const std::clock_t start = std::clock();
    for (size_t i = 0; i < rounds; ++i) {
      benchmark::DoNotOptimize(tw::addin::base64_kernels::decode(isa, text, ours.data()));
      benchmark::ClobberMemory();
    }
    const std::clock_t middle = std::clock();
    for (size_t i = 0; i < rounds; ++i) {
      benchmark::DoNotOptimize(simdutf::base64_to_binary(text.data(), text.size(), theirs.data()));
      benchmark::ClobberMemory();
    }
    ours_time += middle - start;
    theirs_time += std::clock() - middle;
  }
  const double decoded = double(size) * double(rounds) * double(state.iterations());
  const auto rate = [decoded](std::clock_t time) {
    return benchmark::Counter(decoded * CLOCKS_PER_SEC / double(time), benchmark::Counter::kDefaults,
                              benchmark::Counter::kIs1024);
  };
  state.counters["ours"] = rate(ours_time);
  state.counters["simdutf"] = rate(theirs_time);
  state.counters["ours/simdutf"] = double(theirs_time) / double(ours_time);
  state.SetLabel(tw::addin::base64_kernels::name(isa));
}

// A template document as the service receives it (the project's templates are 2-60 KB), and 64 MiB.
BENCHMARK_CAPTURE(BM_DecodeBesideSimdutf, crlf76_48KiB, size_t{48} << 10, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeBesideSimdutf, crlf76_64MiB, kSize, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeBesideSimdutf, clean_64MiB, kSize, false)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyIntoFreshString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, clean, tw::addin::base64Decode, cleanText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, crlf76, tw::addin::base64Decode, wrappedText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, reference_clean, tw::addin::base64DecodeReference, cleanText)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, reference_crlf76, tw::addin::base64DecodeReference, wrappedText)
    ->Unit(benchmark::kMillisecond);

}  // namespace
