#include "chart/cpu.h"

#if defined(__linux__)
#include <sched.h>
#endif

#include <thread>

namespace quorvex {

int RunThreads() {
#if defined(__EMSCRIPTEN__)
  // The web page has one thread.
  return 1;
#else
  int n = 0;
#if defined(__linux__)
  // The processors this process may use, which taskset or a container can
  // make fewer than the machine's.
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) n = CPU_COUNT(&set);
#endif
  if (n <= 0) n = static_cast<int>(std::thread::hardware_concurrency());
  return n >= 2 ? 2 : 1;
#endif
}

void ClearUpperVectorState() {
#if (defined(__x86_64__) || defined(__i386__)) && !defined(__AVX__)
  // Where the compiler uses AVX itself it clears them as needed.
  static const bool hasAvx = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
  }();
  if (hasAvx) asm volatile("vzeroupper");
#endif
}

}  // namespace quorvex
