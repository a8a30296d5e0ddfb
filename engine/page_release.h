// Long passes over mapped audio without the process growing to the size of
// the file. Every page a pass reads or writes through a mapping counts as the
// process's memory until it is unmapped, so a tool run over a 512 MiB document
// would otherwise hold 1 GiB by its end. The pass reports progress anyway;
// this progress passes every report on and, each time the pass has moved on
// by kReleaseInterval bytes, lets go of the pages the slots' mappings hold.
// The data stays in the page cache, so nothing is read twice that the pass
// does not come back to.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "engine/progress.h"
#include "engine/temp_audio_file.h"

class ReleasingProgress : public Progress {
 public:
  static constexpr uint32_t kReleaseInterval = 8u << 20;

  // The slots' mappings are looked up at each release, so a slot mapped
  // during the pass is covered too.
  ReleasingProgress(Progress& inner, std::initializer_list<const TempAudioFile*> slots)
      : inner_(inner), slots_(slots) {}
  ~ReleasingProgress() override { Release(); }

  void SetCaption(std::string_view text) override { inner_.SetCaption(text); }
  void SetTotal(uint32_t total) override {
    released_ = 0;
    inner_.SetTotal(total);
  }
  void Step(uint32_t current) override;
  uint32_t GetCurrent() const override { return inner_.GetCurrent(); }
  bool IsCancelled() const override { return inner_.IsCancelled(); }
  void DisableCancel() override { inner_.DisableCancel(); }

 private:
  void Release() const;

  Progress& inner_;
  std::vector<const TempAudioFile*> slots_;
  uint32_t released_ = 0;  // progress (bytes / 100) at the last release
};
