// Both sides of the page's worker in C++: the courier the page's run hands
// its chunks to, and the function the worker computes them with. The worker
// runs the same module as the page; its script (worker_pool.js) calls only
// qv_fill_blocks.

#include "shells/web/worker_blocks.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <vector>

#include "orbit/integrator.h"

// The page's script keeps the worker as Module.quorvexWorker; block numbers
// pass as doubles, which hold them exactly.
EM_JS(void, qv_worker_begin, (int stepDays, int durationYears, double totalSteps),
      { Module["quorvexWorker"].begin(stepDays, durationYears, totalSteps); });
EM_JS(int, qv_worker_send, (double first, int count), { return Module["quorvexWorker"].send(first, count); });
EM_JS(int, qv_worker_take, (double first, int bytes, int to),
      { return Module["quorvexWorker"].take(first, bytes, HEAPU8, to); });
EM_JS(void, qv_worker_end, (), { Module["quorvexWorker"].end(); });

namespace quorvex {

void WorkerCourier::Begin(std::int32_t stepDays, std::int32_t durationYears, std::int64_t totalSteps) {
  qv_worker_begin(stepDays, durationYears, static_cast<double>(totalSteps));
}

bool WorkerCourier::Send(std::int64_t first, int count) {
  return qv_worker_send(static_cast<double>(first), count) != 0;
}

bool WorkerCourier::Take(std::int64_t first, int count, StepBlock* to) {
  // A chunk is the blocks' bytes as the worker's module laid them out: the
  // same module, so the same layout.
  return qv_worker_take(static_cast<double>(first), count * static_cast<int>(sizeof(StepBlock)),
                        static_cast<int>(reinterpret_cast<std::uintptr_t>(to))) != 0;
}

void WorkerCourier::End() {
  qv_worker_end();
}

}  // namespace quorvex

extern "C" {

// The worker's work: blocks first, ..., first + count - 1 of a run, in the
// module's memory; the worker copies them out.
EMSCRIPTEN_KEEPALIVE const quorvex::StepBlock* qv_fill_blocks(int stepDays, int durationYears,
                                                              double totalSteps, double first, int count) {
  static std::vector<quorvex::StepBlock> blocks;
  if (count < 0 || count > quorvex::StepBlocks::kChunk) return nullptr;
  if (blocks.empty()) blocks.resize(quorvex::StepBlocks::kChunk);
  // Neptune's ellipse as the run prepares it.
  const quorvex::KeplerOrbit neptune = quorvex::StartIntegrator(stepDays, true).neptune;
  for (int i = 0; i < count; ++i)
    quorvex::FillStepBlock(neptune, stepDays, durationYears, static_cast<std::int64_t>(totalSteps),
                           static_cast<std::int64_t>(first) + i, blocks[static_cast<std::size_t>(i)]);
  return blocks.data();
}

EMSCRIPTEN_KEEPALIVE int qv_block_bytes() {
  return static_cast<int>(sizeof(quorvex::StepBlock));
}

}  // extern "C"
