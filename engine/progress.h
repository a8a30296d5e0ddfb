// How a long operation reports progress and learns of a cancel request. The
// editor's progress dialog, the batch tool's terminal bar and the tests'
// scripted progress all implement it.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "engine/op_codes.h"

class Progress {
 public:
  virtual ~Progress() = default;
  virtual void SetCaption(std::string_view text) = 0;
  // Announces the amount of work; resets the amount done to 0.
  virtual void SetTotal(uint32_t total) = 0;
  // Records the amount done so far and keeps the interface alive.
  virtual void Step(uint32_t current) = 0;
  virtual uint32_t GetCurrent() const = 0;
  // Polled by operations between blocks of work; cancellation is cooperative.
  virtual bool IsCancelled() const = 0;
  // For phases that must not be interrupted.
  virtual void DisableCancel() = 0;
};

// The bookkeeping every implementation shares: the amount of work, the
// amount done, and the whole-number percentage, which is only passed on when
// it changes so that a fast loop costs one division per step.
class PercentProgress : public Progress {
 public:
  void SetTotal(uint32_t total) override;
  void Step(uint32_t current) override;
  uint32_t GetCurrent() const override { return current_; }
  uint32_t Total() const { return total_; }
  int LastPercent() const { return lastPercent_; }

 protected:
  // Called once at every Step before the percentage is computed.
  virtual void PumpEvents() {}
  virtual void OnPercentChanged(int /*percent*/) {}
  // Resets the counters for a new run (percentage shown back to 0).
  void ResetCounters();

 private:
  uint32_t total_ = 0;
  uint32_t current_ = 0;
  int lastPercent_ = 0;
};

// The program's single modal progress host (the progress dialog in the
// editor). It starts `operation` once it is showing, returns the result field
// of the run: OP_PENDING until the operation returns, then its result.
class OperationHost {
 public:
  using Operation = std::function<OpResult(Progress&)>;
  virtual ~OperationHost() = default;
  virtual OpResult Run(OpCode code, const Operation& operation) = 0;
};

// Runs operations at once with no display and no way to cancel; for programs
// and tests that show no progress.
class SilentOperationHost : public PercentProgress, public OperationHost {
 public:
  OpResult Run(OpCode /*code*/, const Operation& operation) override {
    ResetCounters();
    return operation ? operation(*this) : OP_PENDING;  // nothing ran
  }
  void SetCaption(std::string_view /*text*/) override {}
  bool IsCancelled() const override { return false; }
  void DisableCancel() override {}
};

// Passes everything on but never reports a cancel: for steps that must run
// to the end once they have begun (a commit's peak rebuild, inserting a
// finished recording).
class UninterruptibleProgress : public Progress {
 public:
  explicit UninterruptibleProgress(Progress& inner) : inner_(inner) {}
  void SetCaption(std::string_view text) override { inner_.SetCaption(text); }
  void SetTotal(uint32_t total) override { inner_.SetTotal(total); }
  void Step(uint32_t current) override { inner_.Step(current); }
  uint32_t GetCurrent() const override { return inner_.GetCurrent(); }
  bool IsCancelled() const override { return false; }
  void DisableCancel() override { inner_.DisableCancel(); }

 private:
  Progress& inner_;
};
