#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "chart/plot_run.h"
#include "chart/step_blocks.h"

namespace quorvex {
namespace {

// FNV-1a over raw bytes: equal hashes here mean equal bits.
struct Hash {
  std::uint64_t h = 14695981039346656037ull;
  void Add(const void* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<const unsigned char*>(p)[i]) * 1099511628211ull;
  }
};

void AddSample(Hash& h, std::int64_t k, const StepSample& s) {
  const auto v = SampleValues(s);
  h.Add(&k, sizeof k);
  h.Add(v.data(), sizeof v);
}

struct Outcome {
  std::uint64_t samples = 0;
  std::uint64_t canvas = 0;
  std::int64_t steps = 0;
  double shortest = 0.0;
};

std::uint64_t CanvasHash(const Canvas& c) {
  Hash h;
  h.Add(c.pixels().data(), c.pixels().size() * sizeof(Color));
  return h.h;
}

// The plain path, step after step: AdvanceIntegrator and the five pixels of
// each step in their order, straight from their formulas.
Outcome Reference(const RunParameters& p) {
  Canvas canvas(640, 480);
  IntegratorState st = StartIntegrator(p.stepDays, p.interactionOn());
  const double end = static_cast<double>(p.durationYears) * kPlotYearDays;
  const double years = static_cast<double>(p.durationYears);
  Outcome o;
  o.shortest = kInitialShortest;
  Hash h;
  while (st.t < end) {
    const StepSample s = AdvanceIntegrator(st);
    AddSample(h, ++o.steps, s);
    if (s.separation < o.shortest) o.shortest = s.separation;
    const auto set = [&](long long x, long long y, Color c) { canvas.SetPixel(x, y, c); };
    set(160 + TruncPixel(3.0 * s.plutoPos.x), 160 - TruncPixel(3.0 * s.plutoPos.y),
        PlutoHeightColor(s.plutoPos.z));
    set(160 + TruncPixel(3.0 * s.neptunePos.x), 160 - TruncPixel(3.0 * s.neptunePos.y),
        NeptuneHeightColor(s.neptunePos.z));
    set(480 + TruncPixel(3.0 * s.neptuneRot.x), 160 - TruncPixel(3.0 * s.neptuneRot.y), Rgb(255, 0, 0));
    set(31 + TruncPixel((1.6 * s.t) / years), 460 - TruncPixel(1.5 * s.separation), Rgb(255, 255, 150));
    set(480 + TruncPixel(3.0 * s.plutoRot.x), 160 - TruncPixel(3.0 * s.plutoRot.y), SpeedColor(s.speed));
  }
  o.samples = h.h;
  canvas.FillSolid(kClosingLineRect, kBlack);
  o.canvas = CanvasHash(canvas);
  return o;
}

// A helper outside the process as the web page's worker is one: it works
// out a chunk from the run's values alone, and lets it be taken only after
// it has been looked for `delay` times (never if negative); with `takes`
// false it takes no work at all.
class TestCourier : public BlockCourier {
 public:
  TestCourier(int delay, bool takes) : delay_(delay), takes_(takes) {}
  void Begin(std::int32_t stepDays, std::int32_t durationYears, std::int64_t totalSteps) override {
    ++begun;
    stepDays_ = stepDays;
    durationYears_ = durationYears;
    totalSteps_ = totalSteps;
  }
  bool Send(std::int64_t first, int count) override {
    // As many out as the page lets its worker have.
    if (!takes_ || out_.size() >= 8) return false;
    out_[first] = {count, 0};
    return true;
  }
  bool Take(std::int64_t first, int count, StepBlock* to) override {
    Asked& a = out_.at(first);
    EXPECT_EQ(a.count, count);
    if (delay_ < 0 || a.looks++ < delay_) return false;
    const KeplerOrbit neptune(NeptuneElements);
    for (int i = 0; i < count; ++i)
      FillStepBlock(neptune, stepDays_, durationYears_, totalSteps_, first + i, to[i]);
    out_.erase(first);
    ++taken;
    return true;
  }
  void End() override { ++ended; }

  int begun = 0, ended = 0, taken = 0;

 private:
  struct Asked {
    int count, looks;
  };
  int delay_;
  bool takes_;
  std::int32_t stepDays_ = 0, durationYears_ = 0;
  std::int64_t totalSteps_ = 0;
  std::map<std::int64_t, Asked> out_;
};

// The same run through PlotRun, in slices of odd sizes; the run thread
// sleeps now and then so that the helper's ring fills and it has to wait.
Outcome Drive(const RunParameters& p, int threads, BlockCourier* courier = nullptr) {
  Canvas canvas(640, 480);
  Hash h;
  PlotRun::Hooks hooks;
  hooks.courier = courier;
  hooks.onSample = [&](std::int64_t k, const StepSample& s) {
    AddSample(h, k, s);
    if (k % 20000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  PlotRun run(canvas, p, hooks, threads);
  while (!run.over()) run.Advance(977);
  // Both leave out the closing line's rectangle: the reference draws no
  // closing line.
  Outcome o;
  o.steps = run.steps();
  o.shortest = run.shortest();
  o.samples = h.h;
  canvas.FillSolid(kClosingLineRect, kBlack);
  o.canvas = CanvasHash(canvas);
  return o;
}

TEST(PlotRunThreads, EveryBitAsThePlainPath) {
  struct Case {
    int years, step, interaction;
    std::int64_t steps;
  } cases[] = {
      {35000, 50, 0, 255778}, {35000, 50, 1, 255778}, {20, 1, 0, 7306},     {300, 7, 0, 15658},
      {1, 182, 0, 1},         {1, 183, 0, 0},         {2000, 250, 0, 2922}, {2000, 1, 1, 730798},
  };
  for (const Case& c : cases) {
    RunParameters p;
    p.durationYears = c.years;
    p.stepDays = c.step;
    p.interaction = static_cast<Interaction>(c.interaction);
    const Outcome ref = Reference(p);
    for (int threads : {1, 2}) {
      SCOPED_TRACE(testing::Message() << c.years << " years, step " << c.step << ", interaction "
                                      << c.interaction << ", threads " << threads);
      const Outcome o = Drive(p, threads);
      EXPECT_EQ(o.steps, c.steps);
      EXPECT_EQ(o.steps, ref.steps);
      EXPECT_EQ(o.samples, ref.samples);
      EXPECT_EQ(o.shortest, ref.shortest);
      EXPECT_EQ(o.canvas, ref.canvas);
    }
    // With a courier whose chunks arrive at once, late, never, or which
    // takes none.
    for (const auto& [delay, takes] : {std::pair{0, true}, {1, true}, {3, true}, {-1, true}, {0, false}}) {
      SCOPED_TRACE(testing::Message() << c.years << " years, step " << c.step << ", interaction "
                                      << c.interaction << ", courier " << delay << " " << takes);
      TestCourier courier(delay, takes);
      const Outcome o = Drive(p, 1, &courier);
      EXPECT_EQ(o.steps, ref.steps);
      EXPECT_EQ(o.samples, ref.samples);
      EXPECT_EQ(o.shortest, ref.shortest);
      EXPECT_EQ(o.canvas, ref.canvas);
      EXPECT_EQ(courier.begun, 1);
      EXPECT_EQ(courier.ended, 1);
      // A late chunk of a run's only chunk is computed by the run itself.
      if (takes && delay >= 0 && delay <= 1 && c.steps > 0) {
        EXPECT_GT(courier.taken, 0);
      } else if (!takes || delay < 0) {
        EXPECT_EQ(courier.taken, 0);
      }
    }
  }
}

TEST(PlotRunThreads, TheStopFlagEndsTheRunAtTheNextBlock) {
  for (int threads : {1, 2}) {
    std::atomic<bool> stop{false};
    Canvas canvas(640, 480);
    PlotRun::Hooks hooks;
    hooks.stopFlag = &stop;
    hooks.onSample = [&](std::int64_t k, const StepSample&) {
      if (k == 1000) stop = true;
    };
    PlotRun run(canvas, RunParameters{}, hooks, threads);
    EXPECT_EQ(run.Advance(1000000), PlotRun::Yield::Stopped);
    // Raised during step 1000, seen before step 1025, the first of the next
    // block of 256.
    EXPECT_EQ(run.steps(), 4 * StepBlock::kSteps);
    EXPECT_LT(run.shortest(), 80.0);
  }
  std::atomic<bool> early{true};
  Canvas canvas(640, 480);
  PlotRun::Hooks hooks;
  hooks.stopFlag = &early;
  PlotRun run(canvas, RunParameters{}, hooks, 2);
  EXPECT_EQ(run.Advance(10), PlotRun::Yield::Stopped);
  EXPECT_EQ(run.steps(), 0);
  EXPECT_EQ(run.shortest(), 80.0);
}

TEST(PlotRunThreads, ARunDroppedHalfwayLetsItsHelperGo) {
  Canvas canvas(640, 480);
  for (int slice : {0, 1, 300, 5000}) {
    auto run = std::make_unique<PlotRun>(canvas, RunParameters{}, PlotRun::Hooks{}, 2);
    EXPECT_EQ(run->Advance(slice), PlotRun::Yield::SliceUsed);
    EXPECT_EQ(run->steps(), slice);
    // Give the helper time to fill its ring and fall asleep; dropping the
    // run then wakes and joins it at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto start = std::chrono::steady_clock::now();
    run.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1))
        << "after " << slice << " steps";
  }
}

}  // namespace
}  // namespace quorvex
