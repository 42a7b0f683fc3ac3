#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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

// A helper outside the run's threads that works out chunks of a run's blocks
// when asked by message and sends them back (the web page's worker, which
// shares no memory with the page). The run's thread asks and takes.
class BlockCourier {
 public:
  virtual ~BlockCourier() = default;
  // A run with these values begins; whatever is still on its way for an
  // earlier run is dropped when it arrives.
  virtual void Begin(std::int32_t stepDays, std::int32_t durationYears, std::int64_t totalSteps) = 0;
  // Asks the helper for the blocks first, first + 1, ..., first + count - 1
  // of the run; false when it takes no more for now (or there is none).
  virtual bool Send(std::int64_t first, int count) = 0;
  // Copies the chunk asked for from block `first` into `to` (count blocks)
  // if it has arrived; false while it has not.
  virtual bool Take(std::int64_t first, int count, StepBlock* to) = 0;
  // The run is over: nothing more is taken for it.
  virtual void End() = 0;
};

// Hands a run its blocks in order, computing them ahead of the run. With two
// threads a helper thread takes blocks from the same counter as the run
// thread and puts them into a small ring; whenever the next block is not
// ready, the run thread computes one itself (the block it needs, or if the
// helper is busy with that one, the next blocks nobody has taken), so that
// it never waits for the helper. The helper sleeps while the ring is full and is
// stopped and joined by Stop() or the destructor.
//
// With a courier there is no helper thread: chunks of kChunk blocks go out
// to the courier's helper, a few at a time. When the next block's chunk has
// not arrived, the run thread computes a chunk nobody has taken (up to
// kAheadChunks ahead) and ends its slice so that the chunk can arrive; with
// nothing left to compute ahead it computes a late block itself.
// Whether the helper makes the run faster is measured on the run itself;
// where it does not, the run thread computes every block.
class StepBlocks {
 public:
  static constexpr int kChunk = 16;
  static constexpr int kAheadChunks = 8;

  StepBlocks(const KeplerOrbit& neptune, std::int32_t stepDays, std::int32_t durationYears,
             std::int64_t totalSteps, int threads, BlockCourier* courier = nullptr);
  ~StepBlocks();
  StepBlocks(const StepBlocks&) = delete;
  StepBlocks& operator=(const StepBlocks&) = delete;

  // The next block of the run; the previous one is no longer used. Only the
  // run thread calls it, and only while blocks remain. nullptr only with a
  // courier: the block is on its way; end the slice and ask again.
  const StepBlock* Next();
  // Stops and joins the helper, or ends the courier's run; Next() keeps
  // working without either.
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

  // With a courier.
  enum class Owner : std::uint8_t { RunThread, Ahead, Helper };
  struct Chunk {
    std::int64_t index;
    Owner owner;
    int slot;           // Ahead: its place in ahead chunks
    bool here = false;  // Helper: taken into helperBlocks_
  };
  const StepBlock* NextByCourier();
  int ChunkBlocks(std::int64_t chunk) const;
  void SendChunks();
  bool ComputeAhead();
  void Hand(std::int64_t index);

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

  BlockCourier* courier_ = nullptr;
  bool courierOpen_ = false;  // Begin() without End() yet
  std::int64_t chunkCount_ = 0;
  std::int64_t chunksClaimed_ = 0;       // chunks below this are taken, by the run thread or the helper
  std::deque<Chunk> chunks_;             // the taken ones from the chunk in use on
  int helperChunks_ = 0;                 // of them the helper's
  std::vector<StepBlock> helperBlocks_;  // the helper's chunk in use, once taken
  std::vector<StepBlock> aheadBlocks_;   // kAheadChunks chunks computed ahead
  std::int64_t aheadChunk_[kAheadChunks];
  std::int64_t missed_ = -1;  // the block the last slice ended waiting for

  // Whether the helper pays, measured on the run: kWindow blocks handed out
  // with it (from kWarmUp on), then (once all its chunks are in) kWindow
  // blocks without; the faster way goes on. With the helper, every kCheck
  // blocks are checked against the time without (and measured again when
  // slower); without, the helper is tried again after kCheck blocks, then
  // twice as many each time up to kRetry, and such a try ends after kProbe
  // blocks when they went no faster than without.
  enum class Trial : std::uint8_t { WithHelper, Draining, WithoutHelper, Helper, NoHelper };
  static constexpr std::int64_t kWarmUp = 512;
  static constexpr std::int64_t kWindow = 1024;
  static constexpr std::int64_t kProbe = 256;
  static constexpr std::int64_t kCheck = 4096;
  static constexpr std::int64_t kRetry = 32768;
  std::int64_t retry_ = kCheck;  // blocks until the helper is tried again
  using Clock = std::chrono::steady_clock;
  Trial trial_ = Trial::WithHelper;
  std::int64_t windowStart_ = -1;  // the first block of the stretch measured
  Clock::time_point windowTime_{};
  Clock::duration withHelper_{}, alone_{};
};

}  // namespace quorvex
