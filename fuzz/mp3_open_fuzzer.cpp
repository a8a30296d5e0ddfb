// An MP3 file of any bytes opened as the editor opens it: the decode, the
// question about a stream that breaks off part-way, the working copy cut back
// to the part read before the damage, and the peak file made from it.
// Odd-sized inputs accept the offer to open that part, even-sized ones
// decline it, so both ways are taken.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/editor_doc.h"
#include "fuzz/support/fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzSandbox& sandbox = FuzzSandbox::Get();
  sandbox.Dialogs().openDamagedPart = size % 2 == 1;
  const std::string path = sandbox.WriteInput("input.mp3", data, size);
  std::string workingPath;
  {
    CEditorDoc doc(sandbox.App());
    workingPath = doc.work.pcmPath;
    if (!doc.OnOpenDocument(path)) {
      FuzzCheck(doc.work.pcmLength == 0, "a refused file leaves no working audio");
    } else {
      // What an opened document promises everything that edits it afterwards.
      FuzzCheck(doc.channels == 2 && doc.bitsPerSample == 16, "an MP3 opens as 16-bit stereo");
      FuzzCheck(doc.Format().IsEditable(), "an opened document has an editable format");
      FuzzCheck(doc.dataLength == doc.work.pcmLength, "the working copy holds the audio");
      FuzzCheck(doc.dataLength % 4 == 0, "the audio is whole frames");
      FuzzCheck(doc.peakLength == doc.work.peakLength, "the peak file is the document's");
      FuzzCheck(!doc.importedSource.partial || sandbox.Dialogs().openDamagedPart,
                "a damaged file's part is opened only when the user agrees");
      FuzzCheck(!doc.importedSource.partial || doc.IsModified(),
                "an opened part of a damaged file counts as a change");
    }
  }
  struct stat st {};
  FuzzCheck(::stat(workingPath.c_str(), &st) != 0, "a closed document leaves no working file");
  return 0;
}
