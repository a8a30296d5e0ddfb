// A progress host for tests: runs operations at once, records what they
// report, and can press Cancel at a chosen Step call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/progress.h"

class ScriptedProgress : public PercentProgress, public OperationHost {
 public:
  // cancelAtStep: the 1-based Step call at which Cancel is pressed; 0 never.
  explicit ScriptedProgress(int cancelAtStep = 0) : cancelAtStep_(cancelAtStep) {}

  OpResult Run(OpCode code, const Operation& operation) override;

  void SetCaption(std::string_view text) override { captions.emplace_back(text); }
  void Step(uint32_t current) override;
  bool IsCancelled() const override { return cancelled_; }
  void DisableCancel() override { cancelDisabled = true; }

  void PressCancel() { cancelled_ = true; }
  void CancelAtStep(int step) { cancelAtStep_ = step; }

  std::vector<std::string> captions;
  std::vector<int> percentages;  // each whole percentage shown, in order
  std::vector<OpCode> codes;     // the codes Run was given
  int steps = 0;
  bool cancelDisabled = false;

 protected:
  void OnPercentChanged(int percent) override { percentages.push_back(percent); }

 private:
  int cancelAtStep_;
  bool cancelled_ = false;
};
