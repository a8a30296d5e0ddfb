#include "tests/support/scripted_progress.h"

#include "engine/op_codes.h"

OpResult ScriptedProgress::Run(OpCode code, const Operation& operation) {
  codes.push_back(code);
  ResetCounters();
  cancelled_ = false;
  steps = 0;
  if (!operation) return OP_PENDING;
  return operation(*this);
}

void ScriptedProgress::Step(uint32_t current) {
  ++steps;
  if (cancelAtStep_ > 0 && steps == cancelAtStep_) cancelled_ = true;
  PercentProgress::Step(current);
}
