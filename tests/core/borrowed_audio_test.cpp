// A document that reads its audio from the file it opened until something
// needs the working copy: what it saves and edits is always what was opened.
#include "engine/borrowed_audio.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/save_document.h"
#include "engine/editor_doc.h"
#include "engine/peak_file.h"
#include "platform/unique_fd.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

namespace {

namespace fs = std::filesystem;

const AudioFormat kStereo{2, 16, 44100};

std::string Ramp(size_t length, int seed) {
  std::string pcm(length, '\0');
  for (size_t i = 0; i < length; ++i) pcm[i] = static_cast<char>(i * 13 + seed);
  return pcm;
}

std::string Bytes(const uint8_t* data, uint32_t length) {
  return data == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(data), length);
}

uintmax_t SizeOf(const std::string& path) {
  std::error_code error;
  const uintmax_t size = fs::file_size(path, error);
  return error ? 0 : size;
}

}  // namespace

// Opening reads nothing but the header; a save copies from the file itself;
// the first edit makes the working copy and its waveform, the same as an
// open that copies at once makes them.
TEST(BorrowedAudio, TheWorkingCopyWaitsUntilAnEditNeedsIt) {
  TestApp t;
  const std::string pcm = Ramp(100000, 5);
  const std::string song = t.FilePath("song.wav");
  WriteFileBytes(song, MakeWav(kStereo, pcm));

  CEditorDoc eager(t.App());
  ASSERT_TRUE(eager.OnOpenDocument(song));
  ASSERT_FALSE(eager.BorrowsAudio());

  t.App().SetDefersWorkingCopies(true);
  MessageRecorder messages;
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(song));
  EXPECT_TRUE(doc.BorrowsAudio());
  EXPECT_EQ(doc.dataLength, pcm.size());
  EXPECT_EQ(doc.peakLength, PeakLengthFor(kStereo, 100000));
  EXPECT_EQ(doc.work.pcmData, nullptr);
  EXPECT_EQ(SizeOf(doc.work.pcmPath), 0u);

  ASSERT_TRUE(SaveDocumentAs(doc, t.FilePath("copy.wav")).saved);
  EXPECT_EQ(ReadFileBytes(t.FilePath("copy.wav")), ReadFileBytes(song));
  EXPECT_TRUE(doc.BorrowsAudio());
  EXPECT_FALSE(doc.IsModified());

  doc.SetSelection(400, 800);
  doc.DocRunOperation(OP_COPY);
  ASSERT_EQ(doc.LastResult(), OP_DONE);
  EXPECT_FALSE(doc.BorrowsAudio());
  EXPECT_EQ(Bytes(doc.work.pcmData, doc.work.pcmLength), pcm);
  EXPECT_EQ(doc.work.peakLength, eager.work.peakLength);
  EXPECT_EQ(Bytes(doc.work.peakData, doc.work.peakLength),
            Bytes(eager.work.peakData, eager.work.peakLength));
  EXPECT_EQ(Bytes(doc.clip->pcmData, doc.clip->pcmLength), pcm.substr(400, 400));

  // Saving over the opened file itself: the save's own check that the file
  // may be written breaks the lease, so the copy is made first.
  const std::string before = ReadFileBytes(song);
  CEditorDoc self(t.App());
  ASSERT_TRUE(self.OnOpenDocument(song));
  ASSERT_TRUE(SaveDocumentAs(self, song).saved);
  EXPECT_EQ(ReadFileBytes(song), before);
  EXPECT_EQ(SizeOf(self.work.pcmPath), pcm.size());
  EXPECT_TRUE(messages.Messages().empty());
}

// A program that rewrites the opened file waits until the working copy is
// made, so the document keeps what was opened and saves it.
TEST(BorrowedAudio, ARewriteOfTheOpenedFileWaitsForTheWorkingCopy) {
  TestApp t;
  t.App().SetDefersWorkingCopies(true);
  const std::string pcm = Ramp(200000, 7);
  const std::string song = t.FilePath("song.wav");
  const std::string opened = MakeWav(kStereo, pcm);
  WriteFileBytes(song, opened);
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(song));
  ASSERT_TRUE(doc.BorrowsAudio());

  const std::string other = MakeWav({1, 8, 8000}, Ramp(3000, 1));
  ASSERT_TRUE(RewriteInAnotherProcess(song, other));
  EXPECT_EQ(ReadFileBytes(song), other);
  EXPECT_EQ(SizeOf(doc.work.pcmPath), pcm.size());

  ASSERT_TRUE(SaveDocumentAs(doc, t.FilePath("kept.wav")).saved);
  EXPECT_EQ(ReadFileBytes(t.FilePath("kept.wav")), opened);
  doc.SetSelection(0, 4);
  doc.DocRunOperation(OP_COPY);
  ASSERT_EQ(doc.LastResult(), OP_DONE);
  EXPECT_EQ(Bytes(doc.work.pcmData, doc.work.pcmLength), pcm);
}

// A change that no lease saw (a lease the kernel took back after its break
// time, here a changed modification time) makes the save fail with the
// reason and leaves the target alone; a file that cannot be leased is
// copied at once.
TEST(BorrowedAudio, AFileThatChangedUnseenIsNeverSavedAndOneWithoutALeaseIsCopied) {
  TestApp t;
  t.App().SetDefersWorkingCopies(true);
  const std::string song = t.FilePath("song.wav");
  WriteFileBytes(song, MakeWav(kStereo, Ramp(40000, 3)));
  const std::string target = t.FilePath("target.wav");
  WriteFileBytes(target, "the user's earlier file");
  {
    CEditorDoc doc(t.App());
    ASSERT_TRUE(doc.OnOpenDocument(song));
    ASSERT_TRUE(doc.BorrowsAudio());
    const timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, song.c_str(), times, 0), 0);

    MessageRecorder messages;
    EXPECT_FALSE(SaveDocumentAs(doc, target).saved);
    EXPECT_EQ(ReadFileBytes(target), "the user's earlier file");
    doc.SetSelection(0, 4);
    doc.DocRunOperation(OP_COPY);
    EXPECT_EQ(doc.LastResult(), OP_FAILED);
    const std::string reason = song +
                               " was changed by another program while it was open, so the audio "
                               "as it was opened can no longer be read.";
    // Each failed operation ends with the runner's own line.
    const std::string failed = "OEC: Operation failed";
    EXPECT_EQ(messages.Messages(), (std::vector<std::string>{reason, failed, reason, failed}));
  }
  // Only the shared slots are left in the run folder.
  for (const std::string& name : t.RunFolderFiles()) {
    EXPECT_TRUE(name.rfind("work_", 0) != 0 && name.rfind("wave_write", 0) != 0) << name;
  }

  platform::UniqueFd writer(::open(song.c_str(), O_WRONLY | O_CLOEXEC));
  CEditorDoc copied(t.App());
  ASSERT_TRUE(copied.OnOpenDocument(song));
  EXPECT_FALSE(copied.BorrowsAudio());
  EXPECT_EQ(SizeOf(copied.work.pcmPath), 40000u);
}
