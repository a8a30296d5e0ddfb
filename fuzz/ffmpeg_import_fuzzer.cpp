// An audio file of any bytes opened through the import routine, as the editor
// opens FLAC, Ogg, Opus, AAC, AIFF, CAF and the WAV files its own reader
// refuses: the import library's decode, the working copy, the peak file.
// Odd-sized inputs accept the offer to open the readable part of a damaged
// file, even-sized ones decline it, so both ways are taken.
#include <cstddef>
#include <cstdint>

#include "engine/editor_doc.h"
#include "fuzz/support/fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzSandbox& sandbox = FuzzSandbox::Get();
  sandbox.Dialogs().openDamagedPart = size % 2 == 1;
  const std::string path = sandbox.WriteInput("input.flac", data, size);
  CEditorDoc doc(sandbox.App());
  if (!doc.OnOpenDocument(path)) {
    FuzzCheck(doc.work.pcmLength == 0, "a refused file leaves no working audio");
    return 0;
  }
  // What an imported document promises everything that edits it afterwards.
  FuzzCheck(doc.channels == 1 || doc.channels == 2, "an import is mono or stereo");
  FuzzCheck(doc.bitsPerSample == 16, "an import is 16-bit");
  FuzzCheck(doc.Format().IsEditable(), "an imported document has an editable format");
  FuzzCheck(doc.dataLength == doc.work.pcmLength, "the working copy holds the audio");
  FuzzCheck(doc.dataLength % static_cast<uint32_t>(doc.blockAlign) == 0,
            "the audio is whole frames");
  FuzzCheck(doc.peakLength == doc.work.peakLength, "the peak file is the document's");
  FuzzCheck(!doc.importedSource.codec.empty(), "the source format is recorded");
  FuzzCheck(!doc.importedSource.partial || sandbox.Dialogs().openDamagedPart,
            "a damaged file's part is opened only when the user agrees");
  return 0;
}
