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
                       std::int64_t totalSteps, int threads, BlockCourier* courier)
    : neptune_(neptune),
      stepDays_(stepDays),
      durationYears_(durationYears),
      totalSteps_(totalSteps),
      blockCount_((totalSteps + StepBlock::kSteps - 1) / StepBlock::kSteps) {
  if (courier) {
    courier_ = courier;
    chunkCount_ = (blockCount_ + kChunk - 1) / kChunk;
    for (std::int64_t& c : aheadChunk_) c = -1;
    courier_->Begin(stepDays, durationYears, totalSteps);
    courierOpen_ = true;
    return;
  }
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
  if (courierOpen_) {
    courierOpen_ = false;
    courier_->End();
  }
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

const StepBlock* StepBlocks::Next() {
  if (courier_) return NextByCourier();
  const std::int64_t c = next_++;
  if (!ring_) {
    // Alone: every block is computed here, as it is needed.
    Fill(c, now_);
    return &now_;
  }
  // The block before is done with; the helper may fill its slot again.
  used_.store(c);
  if (helperAsleep_.load()) WakeHelper();
  for (const StepBlock& b : ahead_)
    if (b.index == c) return &b;
  Slot& slot = ring_[static_cast<std::size_t>(c % kRing)];
  for (;;) {
    if (slot.ready.load(std::memory_order_acquire) == c) return &slot.block;
    if (TryClaim(c)) {
      Fill(c, now_);
      return &now_;
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
  if (slot.ready.load(std::memory_order_acquire) == c) return &slot.block;
  // Nothing else is left to do while the helper is still on block c (it has
  // been held up): compute the block here as well.
  Fill(c, now_);
  return &now_;
}

int StepBlocks::ChunkBlocks(std::int64_t chunk) const {
  return static_cast<int>(std::min<std::int64_t>(kChunk, blockCount_ - chunk * kChunk));
}

void StepBlocks::SendChunks() {
  // The helper's chunks out or waiting to be used stay few: each is a copy
  // of its blocks on both sides.
  constexpr int kHelperChunks = 2 * kAheadChunks;
  while (helperChunks_ < kHelperChunks && chunksClaimed_ < chunkCount_ &&
         courier_->Send(chunksClaimed_ * kChunk, ChunkBlocks(chunksClaimed_))) {
    // The first blocks of a page's first run are computed by code the
    // browser has not optimised yet.
    if (windowStart_ < 0 && chunksClaimed_ * kChunk >= std::max(kWarmUp, next_))
      windowStart_ = chunksClaimed_ * kChunk;
    chunks_.push_back({chunksClaimed_++, Owner::Helper, 0});
    ++helperChunks_;
  }
}

bool StepBlocks::ComputeAhead() {
  if (chunksClaimed_ >= chunkCount_) return false;
  for (int slot = 0; slot < kAheadChunks; ++slot) {
    if (aheadChunk_[slot] >= 0) continue;
    if (aheadBlocks_.empty()) aheadBlocks_.resize(static_cast<std::size_t>(kAheadChunks) * kChunk);
    const std::int64_t chunk = chunksClaimed_++;
    for (int i = 0; i < ChunkBlocks(chunk); ++i)
      Fill(chunk * kChunk + i, aheadBlocks_[static_cast<std::size_t>(slot * kChunk + i)]);
    aheadChunk_[slot] = chunk;
    chunks_.push_back({chunk, Owner::Ahead, slot});
    return true;
  }
  return false;
}

const StepBlock* StepBlocks::NextByCourier() {
  const std::int64_t c = next_;
  const std::int64_t chunk = c / kChunk;
  while (!chunks_.empty() && chunks_.front().index < chunk) {
    const Chunk& done = chunks_.front();
    if (done.owner == Owner::Ahead) aheadChunk_[done.slot] = -1;
    if (done.owner == Owner::Helper) --helperChunks_;
    chunks_.pop_front();
  }
  if (trial_ == Trial::WithHelper || trial_ == Trial::Helper) SendChunks();
  if (chunks_.empty()) chunks_.push_back({chunksClaimed_++, Owner::RunThread, 0});
  Chunk& in = chunks_.front();
  const std::size_t row = static_cast<std::size_t>(c - chunk * kChunk);
  const StepBlock* block = nullptr;
  switch (in.owner) {
    case Owner::RunThread:
      Fill(c, now_);
      block = &now_;
      break;
    case Owner::Ahead:
      block = &aheadBlocks_[static_cast<std::size_t>(in.slot * kChunk) + row];
      break;
    case Owner::Helper:
      if (!in.here) {
        if (helperBlocks_.empty()) helperBlocks_.resize(kChunk);
        in.here = courier_->Take(chunk * kChunk, ChunkBlocks(chunk), helperBlocks_.data());
      }
      if (in.here) {
        block = &helperBlocks_[row];
        break;
      }
      // Not here yet. Compute a chunk nobody has taken while it comes, then
      // end the slice so that its message can arrive. With no chunk left to
      // compute ahead, end the slice once for it, and if it is still not
      // here (the helper is held up), compute this block as well.
      if (ComputeAhead()) return nullptr;
      if (missed_ != c) {
        missed_ = c;
        return nullptr;
      }
      Fill(c, now_);
      block = &now_;
      break;
  }
  Hand(c);
  ++next_;
  return block;
}

void StepBlocks::Hand(std::int64_t c) {
  // The times are taken as the windows' first and last blocks are handed
  // out, so they include the run's own work on the blocks between and the
  // time between its slices.
  switch (trial_) {
    case Trial::WithHelper:
      if (c == windowStart_) windowTime_ = Clock::now();
      // Tried again: a first stretch no faster than the time without (on
      // one core, or under load) ends the try early.
      if (alone_.count() > 0 && windowStart_ >= 0 && c == windowStart_ + kProbe) {
        const Clock::time_point now = Clock::now();
        if ((now - windowTime_) * kWindow >= alone_ * kProbe) {
          trial_ = Trial::NoHelper;
          windowStart_ = c;
          windowTime_ = now;
        }
      }
      if (windowStart_ >= 0 && c == windowStart_ + kWindow) {
        withHelper_ = Clock::now() - windowTime_;
        trial_ = Trial::Draining;
      }
      break;
    case Trial::Draining:
      // The helper's last chunk is used: it has nothing left to do.
      if (chunks_.size() == 1 && chunks_.front().owner == Owner::RunThread) {
        windowStart_ = c;
        windowTime_ = Clock::now();
        trial_ = Trial::WithoutHelper;
      }
      break;
    case Trial::WithoutHelper:
      if (c == windowStart_ + kWindow) {
        alone_ = Clock::now() - windowTime_;
        // The helper stays where it makes the run at least 20 % faster: on two
        // cores it does by 35 to 45 %, and on one core other load can make
        // it look up to 18 % faster.
        trial_ = withHelper_ * 100 < alone_ * 80 ? Trial::Helper : Trial::NoHelper;
        windowStart_ = c;
        windowTime_ = Clock::now();
      }
      break;
    case Trial::Helper:
      if (c == windowStart_ + kCheck) {
        const Clock::time_point now = Clock::now();
        // Slower than without the helper: the machine's load has changed.
        // This stretch is the time with the helper; measure the time
        // without again.
        if ((now - windowTime_) * kWindow > alone_ * kCheck) {
          withHelper_ = (now - windowTime_) * kWindow / kCheck;
          trial_ = Trial::Draining;
        }
        windowStart_ = c;
        windowTime_ = now;
      }
      break;
    case Trial::NoHelper:
      // Now and then the helper is tried again, in case the machine's
      // load has changed: soon after the first try (which may have been
      // disturbed), then less and less often.
      if (c == windowStart_ + retry_) {
        retry_ = std::min(2 * retry_, kRetry);
        trial_ = Trial::WithHelper;
        windowStart_ = -1;
      }
      break;
  }
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
