#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "canvas/canvas.h"
#include "orbit/integrator.h"

namespace quorvex {

// The pixels of one step that depend only on its time: Neptune's two and
// the column of the distance pixel. Coordinates are those the run forms
// modulo 2^64, saturated to 32 bits (SaturateTo32).
struct StepPixels {
  std::uint32_t neptuneX, neptuneY;        // orbit panel
  std::uint32_t neptuneRotX, neptuneRotY;  // rotating panel
  std::uint32_t distanceX;                 // distance panel
  Color neptuneColor;
};

// A block of consecutive steps of a run, with everything that depends only
// on their times worked out.
struct StepBlock {
  static constexpr int kSteps = 256;
  NeptuneStep neptune[kSteps];
  StepPixels pixels[kSteps];
  std::int64_t index = -1;  // which block of the run; -1 for none yet
  int count = 0;            // steps in it: kSteps but in the run's last block
};

// Works out block `index` of a run with the given step and duration, whose
// whole number of steps is totalSteps.
void FillStepBlock(const KeplerOrbit& neptune, std::int32_t stepDays, std::int32_t durationYears,
                   std::int64_t totalSteps, std::int64_t index, StepBlock& block);

// The number of steps a run makes: steps fall at t = 2 dt, 3 dt, ... for as
// long as t is below the end time.
std::int64_t RunStepCount(std::int32_t stepDays, double endTime);

// Hands a run its blocks in order, computing them ahead of the run. With two
// threads a helper thread takes blocks from the same counter as the run
// thread and puts them into a small ring; whenever the next block is not
// ready, the run thread computes one itself (the block it needs, or if the
// helper is busy with that one, the next blocks nobody has taken), so that
// it never waits for the helper. The helper sleeps while the ring is full and is
// stopped and joined by Stop() or the destructor.
class StepBlocks {
 public:
  StepBlocks(const KeplerOrbit& neptune, std::int32_t stepDays, std::int32_t durationYears,
             std::int64_t totalSteps, int threads);
  ~StepBlocks();
  StepBlocks(const StepBlocks&) = delete;
  StepBlocks& operator=(const StepBlocks&) = delete;

  // The next block of the run; the previous one is no longer used. Only the
  // run thread calls it, and only while blocks remain.
  const StepBlock& Next();
  // Stops and joins the helper; Next() keeps working without it.
  void Stop();

 private:
  static constexpr int kRing = 16;
  static constexpr int kAhead = 3;

  struct alignas(64) Slot {
    std::atomic<std::int64_t> ready{-1};  // the block whose values the slot holds
    StepBlock block;
  };

  void Fill(std::int64_t index, StepBlock& block) const;
  bool TryClaim(std::int64_t index);
  void Help();
  void WakeHelper();

  const KeplerOrbit neptune_;
  const std::int32_t stepDays_;
  const std::int32_t durationYears_;
  const std::int64_t totalSteps_;
  const std::int64_t blockCount_;

  // Blocks below claimed_ are taken, by either thread; each block is
  // claimed once. Blocks below used_ are done with.
  alignas(64) std::atomic<std::int64_t> claimed_{0};
  alignas(64) std::atomic<std::int64_t> used_{0};
  // The helper sleeps on wake_ while the ring is full. A mutex and a
  // condition variable rather than std::atomic::wait: MinGW-w64's library
  // (GCC 12), which has no futex to build that on, can miss a notification
  // and leave the helper asleep for good.
  std::mutex sleepLock_;
  std::condition_variable wake_;
  std::atomic<bool> helperAsleep_{false};
  std::atomic<bool> quit_{false};

  std::unique_ptr<Slot[]> ring_;  // the helper's blocks
  StepBlock now_;                 // a block the run thread computed for itself
  StepBlock ahead_[kAhead];       // later blocks it computed while the helper was busy
  std::int64_t next_ = 0;         // the block Next() hands out next
  std::thread helper_;
};

}  // namespace quorvex
