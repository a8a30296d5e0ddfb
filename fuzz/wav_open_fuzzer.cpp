// A WAV file of any bytes opened as the editor opens it: the header reader,
// the working copy and the peak file made from it. A file shorter than its
// header says asks whether to open what it holds: odd-sized inputs accept,
// even-sized ones decline, so both ways are taken.
#include <cstddef>
#include <cstdint>

#include "engine/editor_doc.h"
#include "fuzz/support/fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzSandbox& sandbox = FuzzSandbox::Get();
  sandbox.Dialogs().openDamagedPart = size % 2 == 1;
  const std::string path = sandbox.WriteInput("input.wav", data, size);
  CEditorDoc doc(sandbox.App());
  if (!doc.OnOpenDocument(path)) return 0;

  // What an opened document promises everything that edits it afterwards.
  const uint32_t block = doc.blockAlign > 0 ? static_cast<uint32_t>(doc.blockAlign) : 0;
  FuzzCheck(block > 0, "an opened document has whole frames");
  FuzzCheck(doc.Format().IsEditable(), "an opened document has an editable format");
  FuzzCheck(doc.dataLength == doc.work.pcmLength, "the working copy holds the audio");
  FuzzCheck(doc.dataLength % block == 0, "the audio is whole frames");
  FuzzCheck(doc.dataLength <= size, "the audio comes from the file");
  FuzzCheck(doc.peakLength == doc.work.peakLength, "the peak file is the document's");
  FuzzCheck(doc.bytesPerSecond == doc.Format().BytesPerSecond(), "the byte rate is the format's");
  FuzzCheck(!doc.importedSource.partial || sandbox.Dialogs().openDamagedPart,
            "a damaged file's part is opened only when the user agrees");
  return 0;
}
