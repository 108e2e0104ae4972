// How long `varkesh guess` searches: every cipher, key hash and code page on a string (570
// candidates) and every cipher and key hash on a 64 KiB file prefix (190), with one thread and
// with one per processor. Prints the median of several runs: wall time, and CPU time summed
// over the threads (the process CPU clock; the search's threads are the process's only work).
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cli/guess.h"
#include "varkesh/algorithms.h"
#include "varkesh/formats.h"
#include "varkesh/io.h"

namespace {

using namespace varkesh;

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Timing {
  double wall, cpu;
};

// The medians over `runs` runs; the runs of all contenders are interleaved by the caller.
Timing Median(std::vector<Timing> runs) {
  const auto median = [&](double Timing::*field) {
    std::vector<double> values;
    for (const Timing& t : runs) values.push_back(t.*field);
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
  };
  return {median(&Timing::wall), median(&Timing::cpu)};
}

Timing Measure(const std::function<void()>& work) {
  const double wall = WallSeconds(), cpu = CpuSeconds();
  work();
  return {WallSeconds() - wall, CpuSeconds() - cpu};
}

class Collector final : public ByteWriter {
 public:
  void Write(const uint8_t* buffer, size_t count) override {
    bytes.insert(bytes.end(), buffer, buffer + count);
  }

  std::vector<uint8_t> bytes;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  const std::vector<const text::CodePage*> pages = {
      &text::CodePageByName("1251"), &text::CodePageByName("1252"), &text::CodePageByName("utf-8")};
  const cli::PlausibilityModel model(pages);

  // The euro sign has a different byte in each code page: three pass phrases, 570 candidates.
  const std::string phrase =
      "\xE2\x82\xAC"
      "uro";  // "€uro" in UTF-8
  const std::vector<cli::PassPhraseVariant> three = cli::PassPhraseVariants(phrase, pages, nullptr);
  const std::vector<cli::PassPhraseVariant> one = cli::PassPhraseVariants("secret", pages, nullptr);
  const std::string base64 =
      PassPhraseCipher(CipherAt(15), HashAt(6), three[0].bytes)
          .EncryptString("Meet me at the station at half past six; bring the blue folder.");
  std::string plain;
  for (int i = 0; plain.size() < 100 * 1024; ++i)
    plain += "Line " + std::to_string(i) + ": the meeting ended late, but we agreed on a plan.\n";
  MemoryReader in(plain);
  Collector encrypted;
  PassPhraseCipher(CipherAt(4), HashAt(2), one[0].bytes).EncryptFileStream(in, encrypted);
  const std::span<const uint8_t> prefix(encrypted.bytes.data(), cli::kFilePrefix);

  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());

  struct Contender {
    const char* name;
    unsigned jobs;
    std::function<size_t(const cli::SearchSettings&)> search;  // returns the candidate count
    std::vector<Timing> runs;
  };

  std::vector<Contender> contenders;
  for (const unsigned jobs : {1u, cores}) {
    contenders.push_back({"string",
                          jobs,
                          [&](const cli::SearchSettings& s) {
                            return cli::GuessString(base64, three, model, s).size();
                          },
                          {}});
    contenders.push_back(
        {"64 KiB file prefix",
         jobs,
         [&](const cli::SearchSettings& s) { return cli::GuessFile(prefix, one, model, s).size(); },
         {}});
  }
  size_t counts[4] = {};
  for (int run = 0; run < runs; ++run) {
    for (size_t i = 0; i < contenders.size(); ++i) {
      cli::SearchSettings settings;
      settings.jobs = contenders[i].jobs;
      contenders[i].runs.push_back(Measure([&] { counts[i] = contenders[i].search(settings); }));
    }
  }
  std::printf("median of %d interleaved runs, %u processors\n", runs, cores);
  std::printf("%-20s %10s %7s %10s %10s\n", "search", "candidates", "threads", "wall ms", "CPU ms");
  for (size_t i = 0; i < contenders.size(); ++i) {
    const Timing t = Median(contenders[i].runs);
    std::printf("%-20s %10zu %7u %10.1f %10.1f\n", contenders[i].name, counts[i],
                contenders[i].jobs, t.wall * 1e3, t.cpu * 1e3);
  }
  return 0;
}
