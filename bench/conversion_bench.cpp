// Throughput of Base64Encode, Base64Decode and ConvertLink. OpenSSL's
// EVP_EncodeBlock and EVP_DecodeBlock run on the same inputs as the yardstick
// (writing into a buffer made once, where ours returns a new string each
// time). bench/report.py turns the JSON output into a table of ratios.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base64.h"
#include "base64_paths.h"
#include "link_conversion.h"

namespace {

constexpr std::size_t Short = 120;
constexpr std::size_t InCache = 64 << 10;
constexpr std::size_t Large = 100 << 20;

std::string RandomBytes(std::size_t size) {
  std::mt19937_64 random(size);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Base64 text whose decoding is `size` bytes long, made once per size.
const std::string& EncodedText(std::size_t size) {
  static std::map<std::size_t, std::string> texts;
  std::string& text = texts[size];
  if (text.empty()) text = Base64Encode(RandomBytes(size));
  return text;
}

std::size_t SizeArgument(const benchmark::State& state) { return static_cast<std::size_t>(state.range(0)); }

void SetBytes(benchmark::State& state, std::size_t perIteration) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(perIteration));
}

void Encode(benchmark::State& state, base64::Path path) {
  const std::string bytes = RandomBytes(SizeArgument(state));
  benchmark::DoNotOptimize(base64::Encode(bytes, path));  // the heap grows here, not in the first timed run
  for (auto _ : state) benchmark::DoNotOptimize(base64::Encode(bytes, path));
  SetBytes(state, bytes.size());
}

void Decode(benchmark::State& state, base64::Path path) {
  const std::string& text = EncodedText(SizeArgument(state));
  benchmark::DoNotOptimize(base64::Decode(text, path));
  for (auto _ : state) benchmark::DoNotOptimize(base64::Decode(text, path));
  SetBytes(state, text.size());
}

void BM_Base64Encode(benchmark::State& state) { Encode(state, base64::BestPath()); }
void BM_Base64Decode(benchmark::State& state) { Decode(state, base64::BestPath()); }
void BM_ScalarEncode(benchmark::State& state) { Encode(state, base64::Path::Scalar); }
void BM_ScalarDecode(benchmark::State& state) { Decode(state, base64::Path::Scalar); }

void BM_OpenSslEncode(benchmark::State& state) {
  const std::string bytes = RandomBytes(SizeArgument(state));
  std::vector<unsigned char> out((bytes.size() + 2) / 3 * 4 + 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                             static_cast<int>(bytes.size())));
    benchmark::ClobberMemory();
  }
  SetBytes(state, bytes.size());
}

void BM_OpenSslDecode(benchmark::State& state) {
  const std::string& text = EncodedText(SizeArgument(state));
  std::vector<unsigned char> out(text.size() / 4 * 3);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                             static_cast<int>(text.size())));
    benchmark::ClobberMemory();
  }
  SetBytes(state, text.size());
}

const CodePage Gbk = CodePage::FromNumber(936);

// One random character of a GBK Chinese word: a lead byte and a trail byte.
void AppendChinese(std::string& text, std::mt19937& random) {
  text += static_cast<char>(0xB0 + random() % 0x48);
  text += static_cast<char>(0xA1 + random() % 0x5E);
}

unsigned Below(std::mt19937& random, unsigned limit) { return static_cast<unsigned>(random() % limit); }

// A download address of about `size` bytes: scheme, host, path of words
// (a fifth of them Chinese), and a file name.
std::string Address(std::mt19937& random, std::size_t size) {
  static const char* const Schemes[] = {"http://", "https://", "ftp://"};
  static const char* const Extensions[] = {".zip", ".rar", ".exe", ".mp4", ".mkv", ".iso"};
  std::string address = Schemes[random() % 3];
  address += "dl" + std::to_string(random() % 20) + ".files" + std::to_string(random() % 1000) + ".com";
  while (address.size() + 8 < size) {
    address += '/';
    if (random() % 5 == 0) {
      for (unsigned i = 0, n = 2 + Below(random, 4); i < n; ++i) AppendChinese(address, random);
    } else {
      for (unsigned i = 0, n = 3 + Below(random, 10); i < n; ++i) address += static_cast<char>('a' + random() % 26);
    }
  }
  address.resize(size - 4);
  return address + Extensions[random() % 6];
}

// 4096 inputs of 30 to 200 bytes; with `withLinks`, a quarter each are
// addresses and Thunder, FlashGet and Xuanfeng links of such addresses.
std::vector<std::string> Corpus(bool withLinks, std::size_t minSize, std::size_t maxSize) {
  std::mt19937 random(42);
  std::vector<std::string> inputs;
  for (int i = 0; i < 4096; ++i) {
    const std::string address = Address(random, minSize + random() % (maxSize - minSize + 1));
    const auto form = static_cast<LinkType>(withLinks ? i % 4 : 0);
    inputs.push_back(ConvertLink(address, form, Gbk));
  }
  return inputs;
}

void ConvertCorpus(benchmark::State& state, const std::vector<std::string>& inputs) {
  const auto type = static_cast<LinkType>(state.range(0));
  std::size_t bytes = 0;
  for (const std::string& input : inputs) bytes += input.size();
  for (auto _ : state)
    for (const std::string& input : inputs) benchmark::DoNotOptimize(ConvertLink(input, type, Gbk));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(inputs.size()));
  SetBytes(state, bytes);
}

// Addresses and links of 30 to 200 bytes, mixed.
void BM_ConvertLinkMixed(benchmark::State& state) {
  static const std::vector<std::string> inputs = Corpus(true, 30, 200);
  ConvertCorpus(state, inputs);
}

// Plain addresses of 110 to 130 bytes.
void BM_ConvertLinkAddress120(benchmark::State& state) {
  static const std::vector<std::string> inputs = Corpus(false, 110, 130);
  ConvertCorpus(state, inputs);
}

}  // namespace

BENCHMARK(BM_Base64Encode)->Arg(Short)->Arg(InCache)->Arg(Large);
BENCHMARK(BM_ScalarEncode)->Arg(Short)->Arg(InCache)->Arg(Large);
BENCHMARK(BM_OpenSslEncode)->Arg(Short)->Arg(InCache)->Arg(Large);
BENCHMARK(BM_Base64Decode)->Arg(Short)->Arg(InCache)->Arg(Large);
BENCHMARK(BM_ScalarDecode)->Arg(Short)->Arg(InCache)->Arg(Large);
BENCHMARK(BM_OpenSslDecode)->Arg(Short)->Arg(InCache)->Arg(Large);
BENCHMARK(BM_ConvertLinkMixed)->DenseRange(0, 3);
BENCHMARK(BM_ConvertLinkAddress120)->DenseRange(0, 3);

// glibc maps every block of 128 KB or more afresh and unmaps it on free, so
// each 100 MB result would be paid in page faults, which on this machine
// cost dozens of times the encoding itself. Unless LINKCONV_BENCH_FRESH_PAGES is
// set, large blocks come from the heap and stay there, as OpenSSL's output
// buffer stays mapped between its runs.
int main(int argc, char** argv) {
#if defined(__GLIBC__)
  if (std::getenv("LINKCONV_BENCH_FRESH_PAGES") == nullptr) {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
  }
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
