// The processor's vector register state between foreign code and our sample
// loops.
#pragma once

namespace platform {

// Marks the upper halves of the 256-bit vector registers clean. Code that
// leaves them dirty (some of the toolkit's drawing and event code does)
// makes every later SSE instruction of ours pay a merge penalty until they
// are cleared; on current x86 processors our scalar sample loops then run
// several times slower. Call it after handing control to such code and
// before a long loop. Does nothing where the processor has no AVX.
void ClearUpperVectorState();

}  // namespace platform
