#pragma once

#include "chart/step_blocks.h"

namespace quorvex {

// The page's side of its worker: a run's chunks go to the worker and come
// back through the page's script (worker_pool.js), which keeps the worker,
// its messages and the run numbers that tell an old run's chunks from the
// current one's. Without a worker (none started yet, or none can be) Send()
// says no and the run computes every block itself.
class WorkerCourier : public BlockCourier {
 public:
  void Begin(std::int32_t stepDays, std::int32_t durationYears, std::int64_t totalSteps) override;
  bool Send(std::int64_t first, int count) override;
  bool Take(std::int64_t first, int count, StepBlock* to) override;
  void End() override;
};

}  // namespace quorvex
