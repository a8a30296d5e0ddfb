#include "platform/vector_state.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace platform {

#if defined(__x86_64__) || defined(__i386__)

namespace {

// Compiled for AVX on its own, so the rest of the program keeps running on
// processors without it; only reached when the processor has AVX.
__attribute__((target("avx"))) void ZeroUpper() {
  _mm256_zeroupper();
}

}  // namespace

void ClearUpperVectorState() {
  static const bool hasAvx = __builtin_cpu_supports("avx");
  if (hasAvx) ZeroUpper();
}

#else

void ClearUpperVectorState() {}

#endif

}  // namespace platform
