// Base64 throughput on 64 MiB of binary data. Every figure counts the 64 MiB of binary data (the encoder's
// input, the decoder's output), so the rates compare directly with copying the same 64 MiB.
//
// base64Encode/base64Decode make a fresh string each time; their floor is BM_CopyIntoFreshString. The
// kernels of each instruction set write into a buffer made once; their floor is BM_Memcpy.
#include <benchmark/benchmark.h>

#include <cstring>
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

// The text with CR LF after every 76 characters, as mail and many services wrap it.
const std::string& wrappedText() {
  static const std::string text = [] {
    const std::string& clean = cleanText();
    std::string out;
    out.reserve(clean.size() + clean.size() / 76 * 2 + 2);
    for (size_t pos = 0; pos < clean.size(); pos += 76) out.append(clean, pos, 76).append("\r\n");
    return out;
  }();
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
