// Prints a digest of every sample of a run: the same program built for Linux
// and for the web page's WebAssembly, so that a test can show that both
// compute the same bits.
//
// usage: sample_digest YEARS STEP on|off

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "canvas/canvas.h"
#include "chart/plot_run.h"

namespace quorvex {
namespace {

// FNV-1a over the bytes of each value, in the order of SampleValues.
struct Digest {
  std::uint64_t h = 0xcbf29ce484222325ull;
  void Add(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
  }
  void Add(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    unsigned char le[8];
    for (int i = 0; i < 8; ++i) le[i] = static_cast<unsigned char>(bits >> (8 * i));
    Add(le, sizeof le);
  }
};

int Main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: sample_digest YEARS STEP on|off\n");
    return 2;
  }
  RunParameters p;
  p.durationYears = std::atoi(argv[1]);
  p.stepDays = std::atoi(argv[2]);
  p.interaction = std::strcmp(argv[3], "off") == 0 ? Interaction::Off : Interaction::On;
  Canvas canvas(kCanvasWidth, kCanvasHeight);
  Digest d;
  PlotRun::Hooks hooks;
  hooks.onSample = [&d](std::int64_t, const StepSample& s) {
    for (double v : SampleValues(s)) d.Add(v);
  };
  PlotRun run(canvas, p, hooks);
  while (!run.over()) run.Advance(1 << 20);
  std::printf("%lld steps, digest %016llx, %s\n", static_cast<long long>(run.steps()),
              static_cast<unsigned long long>(d.h), ClosingLineText(run.shortest()).c_str());
  return 0;
}

}  // namespace
}  // namespace quorvex

int main(int argc, char** argv) {
  return quorvex::Main(argc, argv);
}
