// A group of renames that takes effect entirely or not at all.
//
// An edit commits by renaming several files: the piece undo keeps into the
// undo ring, the new audio over the working file, each with its peak file.
// If one of those renames fails, the ones before it have to be taken back,
// or the document would pair new audio with old peaks or an undo entry with
// audio that never changed. Every file a move replaces is therefore kept
// under a name of its own beside it until the whole group is committed;
// until then each step can be reversed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

class FileMoves {
 public:
  FileMoves() = default;
  FileMoves(const FileMoves&) = delete;
  FileMoves& operator=(const FileMoves&) = delete;
  // Takes back every move not committed.
  ~FileMoves();

  // Renames `from` over `to`, keeping what `to` held. false (errno set), and
  // nothing of this step done, when a rename fails.
  bool Move(const std::string& from, const std::string& to);
  // Takes `path` out of the way, keeping it. true when there was nothing
  // there; false (errno set) when it could not be moved.
  bool Remove(const std::string& path);
  // The moves stay; the files they replaced are deleted (large ones in the
  // background).
  void Commit();
  // Reverses every move, the last first, and puts back what each replaced.
  // false when a rename of the way back failed; what could not go back is
  // left where it is, never deleted.
  bool RollBack() { return RollBackTo(0); }
  // How many moves were made so far, for RollBackTo.
  size_t Mark() const { return steps_.size(); }
  // Reverses the moves made after `mark` was taken, as RollBack does.
  bool RollBackTo(size_t mark);

 private:
  struct Step {
    std::string from;  // empty for a removal
    std::string to;
    std::string aside;  // what `to` held, or empty when it held nothing
  };
  std::vector<Step> steps_;
};

}  // namespace platform
