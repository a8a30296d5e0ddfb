#include "codecs/export_ops.h"

#include "codecs/mp3_export.h"
#include "codecs/wma_export.h"
#include "engine/document_dialogs.h"
#include "engine/document_host.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/progress.h"
#include "engine/scratch_slots.h"
#include "platform/message.h"

namespace {

// The dialog decides whether the export runs; its answer is the settings'
// `applied` flag either way, so a dialog that only answers yes or no and one
// that works through the settings' model agree.
bool RunDialog(CEditorDoc& doc, OpCode code, int32_t* applied) {
  *applied = doc.App().Dialogs().RunExportDialog(code, doc) && *applied != 0 ? 1 : 0;
  return *applied != 0;
}

// What the operation hands back: the encoder's own result, so that a failed
// save is never taken for a written file; a cancel also releases scratch
// slot B as every cancelled save does.
OpResult Finish(CEditorDoc& doc, const char* routine, OpResult result) {
  if (result != OP_CANCELLED) return result;
  ScratchSlots scratch(doc, routine);
  scratch.Use(doc.tempB);
  return scratch.Finish(OP_CANCELLED);
}

}  // namespace

OpResult WriteMp3File(CEditorDoc& doc, Progress& progress) {
  progress.SetCaption("Encoding MP3 File via LAME Open Source Project");
  progress.SetTotal((doc.dataLength + doc.peakLength) / 100);
  doc.mp3Export.applied = 1;
  if (!RunDialog(doc, WRITE_MP3_FILE, &doc.mp3Export.applied)) return OP_CANCELLED;
  Mp3ExportJob job;
  job.work = &doc.work;
  job.scratch = doc.tempA;
  job.target = doc.Path();
  job.tempFolder = doc.App().RunFolder();
  job.settings = doc.mp3Export;
  return Finish(doc, "WriteMp3File", EncodeToMp3(job, progress));
}

OpResult WriteWmaFile(CEditorDoc& doc, Progress& progress) {
  progress.SetCaption("Encoding WMA File");
  progress.SetTotal((doc.dataLength + doc.peakLength) / 100);
  doc.wmaExport.applied = 1;
  if (!RunDialog(doc, WRITE_WMA_FILE, &doc.wmaExport.applied)) return OP_CANCELLED;
  WmaExportJob job;
  job.work = &doc.work;
  job.target = doc.Path();
  job.tempFolder = doc.App().RunFolder();
  job.settings = doc.wmaExport;
  job.mediaSupportNeeded = [&doc] { doc.App().Dialogs().RunMediaSupportNeeded(); };
  return Finish(doc, "WriteWmaFile", EncodeToWma(job, progress));
}
