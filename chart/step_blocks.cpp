#include "chart/step_blocks.h"

#include <algorithm>
#include <system_error>

#include "chart/cpu.h"
#include "chart/layout.h"
#include "chart/pixels.h"

namespace quorvex {

void FillStepBlock(const KeplerOrbit& neptune, std::int32_t stepDays, std::int32_t durationYears,
                   std::int64_t totalSteps, std::int64_t index, StepBlock& block) {
  const std::int64_t first = index * StepBlock::kSteps;
  const int count = static_cast<int>(std::min<std::int64_t>(StepBlock::kSteps, totalSteps - first));
  // Step k (from 1) falls at t = (k + 1) dt, a whole number of days, so that
  // these times are exactly the integrator's.
  const double dt = static_cast<double>(stepDays);
  const double firstT = static_cast<double>((first + 2) * stepDays);
  NeptuneStepsAt(neptune, firstT, dt, count, block.neptune);
  const double years = static_cast<double>(durationYears);
  for (int j = 0; j < count; ++j) {
    const NeptuneStep& n = block.neptune[j];
    const double t = firstT + static_cast<double>(j) * dt;
    StepPixels& p = block.pixels[j];
    p.neptuneX = SaturateTo32(PixelX(kOrbitOriginX, TruncPixel(kUpperPixelsPerAu * n.pos.x)));
    p.neptuneY = SaturateTo32(PixelY(kUpperOriginY, TruncPixel(kUpperPixelsPerAu * n.pos.y)));
    p.neptuneColor = NeptuneHeightColor(n.pos.z);
    p.neptuneRotX = SaturateTo32(PixelX(kRotatingOriginX, TruncPixel(kUpperPixelsPerAu * n.rot.x)));
    p.neptuneRotY = SaturateTo32(PixelY(kUpperOriginY, TruncPixel(kUpperPixelsPerAu * n.rot.y)));
    p.distanceX = SaturateTo32(PixelX(kDistanceFirstColumn, TruncPixel((kTimeScale * t) / years)));
  }
  block.index = index;
  block.count = count;
}

std::int64_t RunStepCount(std::int32_t stepDays, double endTime) {
  // The steps fall at t = m dt for m = 2, 3, ..., M, with M the last m for
  // which m dt is below the end time.
  const auto below = [&](std::int64_t m) { return static_cast<double>(m * stepDays) < endTime; };
  if (!below(2)) return 0;
  std::int64_t m = std::max<std::int64_t>(2, static_cast<std::int64_t>(endTime / stepDays));
  while (!below(m)) --m;
  while (below(m + 1)) ++m;
  return m - 1;
}

StepBlocks::StepBlocks(const KeplerOrbit& neptune, std::int32_t stepDays, std::int32_t durationYears,
                       std::int64_t totalSteps, int threads)
    : neptune_(neptune),
      stepDays_(stepDays),
      durationYears_(durationYears),
      totalSteps_(totalSteps),
      blockCount_((totalSteps + StepBlock::kSteps - 1) / StepBlock::kSteps) {
  // A run of one block has nothing to share.
  if (threads < 2 || blockCount_ < 2) return;
  ring_ = std::make_unique<Slot[]>(kRing);
  try {
    helper_ = std::thread([this] { Help(); });
  } catch (const std::system_error&) {
    // Without a helper the run thread computes every block itself.
    ring_.reset();
  }
}

StepBlocks::~StepBlocks() {
  Stop();
}

void StepBlocks::Stop() {
  if (!helper_.joinable()) return;
  quit_.store(true);
  WakeHelper();
  helper_.join();
}

void StepBlocks::WakeHelper() {
  // Taking the lock orders the notification after the helper's last look
  // at the ring: it is either still deciding (and will see the change) or
  // already waiting (and is woken).
  const std::lock_guard<std::mutex> lock(sleepLock_);
  wake_.notify_one();
}

void StepBlocks::Fill(std::int64_t index, StepBlock& block) const {
  FillStepBlock(neptune_, stepDays_, durationYears_, totalSteps_, index, block);
}

bool StepBlocks::TryClaim(std::int64_t index) {
  std::int64_t expected = index;
  return claimed_.compare_exchange_strong(expected, index + 1);
}

const StepBlock& StepBlocks::Next() {
  const std::int64_t c = next_++;
  if (!ring_) {
    // Alone: every block is computed here, as it is needed.
    Fill(c, now_);
    return now_;
  }
  // The block before is done with; the helper may fill its slot again.
  used_.store(c);
  if (helperAsleep_.load()) WakeHelper();
  for (const StepBlock& b : ahead_)
    if (b.index == c) return b;
  Slot& slot = ring_[static_cast<std::size_t>(c % kRing)];
  for (;;) {
    if (slot.ready.load(std::memory_order_acquire) == c) return slot.block;
    if (TryClaim(c)) {
      Fill(c, now_);
      return now_;
    }
    // The helper has block c in hand. Rather than wait, compute the next
    // block nobody has taken into a free place of its own (one whose block
    // is used), if there is one.
    StepBlock* free = nullptr;
    for (StepBlock& b : ahead_)
      if (b.index < c) free = &b;
    const std::int64_t n = claimed_.load();
    if (!free || n >= blockCount_) break;
    if (TryClaim(n)) Fill(n, *free);
  }
  if (slot.ready.load(std::memory_order_acquire) == c) return slot.block;
  // Nothing else is left to do while the helper is still on block c (it has
  // been held up): compute the block here as well.
  Fill(c, now_);
  return now_;
}

void StepBlocks::Help() {
  // A new thread starts with its creator's vector registers.
  ClearUpperVectorState();
  for (;;) {
    if (quit_.load()) return;
    const std::int64_t b = claimed_.load();
    if (b >= blockCount_) return;
    if (b >= used_.load() + kRing) {
      // The ring is full: sleep until the run thread moves on or the run
      // ends. The run thread looks at helperAsleep_ after each move, and
      // wakes the helper under the lock this holds until it waits.
      std::unique_lock<std::mutex> lock(sleepLock_);
      helperAsleep_.store(true);
      wake_.wait(lock, [&] { return quit_.load() || claimed_.load() < used_.load() + kRing; });
      helperAsleep_.store(false);
      continue;
    }
    if (!TryClaim(b)) continue;
    Slot& slot = ring_[static_cast<std::size_t>(b % kRing)];
    Fill(b, slot.block);
    slot.ready.store(b, std::memory_order_release);
  }
}

}  // namespace quorvex
