#include "engine/doc_journal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <vector>

#include "engine/doc_manifest.h"
#include "engine/editor_doc.h"
#include "platform/durable_file.h"
#include "platform/file_discard.h"
#include "platform/message.h"
#include "platform/paths.h"

namespace {

// The number of the working file, "work_<N>.pcm", names the document in
// its run folder: no other open document has the same.
std::string DocumentId(const std::string& workPath) {
  const std::string name = platform::FileNameOf(workPath);
  const size_t underscore = name.rfind('_');
  const size_t dot = name.rfind('.');
  if (underscore == std::string::npos || dot == std::string::npos || dot <= underscore + 1) {
    return {};
  }
  return name.substr(underscore + 1, dot - underscore - 1);
}

bool EntryHoldsAudio(bool undoRing, OpCode operation) {
  if (operation == OP_PASTE_OVER || operation == OP_REPLACE) return true;
  return undoRing ? operation == OP_CUT : operation == OP_PASTE_INSERT;
}

ManifestSlot SlotOf(const TempAudioFile& slot) {
  ManifestSlot m;
  m.pcmLength = slot.pcmLength;
  m.peakLength = slot.peakLength;
  m.format = slot.Format();
  return m;
}

ManifestRing RingOf(const UndoEntry* ring, int16_t count, int16_t position, bool undoRing) {
  ManifestRing m;
  m.position = position;
  for (int i = 0; i < count; ++i) {
    const UndoEntry& e = ring[(position - i + kUndoLevels) % kUndoLevels];
    ManifestEntry entry;
    entry.operation = e.operation;
    entry.extend = e.extend;
    entry.pcmStart = e.pcmStart;
    entry.pcmEnd = e.pcmEnd;
    entry.peakStart = e.peakStart;
    entry.peakEnd = e.peakEnd;
    if (EntryHoldsAudio(undoRing, e.operation)) entry.audio = SlotOf(e.slot);
    m.entries.push_back(entry);
  }
  return m;
}

}  // namespace

DocManifest DocJournal::Describe(const CEditorDoc& doc, const std::string& originalPath) {
  DocManifest m;
  m.originalPath = doc.Path().empty() ? originalPath : doc.Path();
  // Read by another process later, perhaps from another working folder.
  if (!m.originalPath.empty()) {
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(m.originalPath, ignored);
    if (!ignored) m.originalPath = absolute.string();
  }
  m.title = m.originalPath.empty() ? "Untitled" : platform::FileNameOf(m.originalPath);
  m.kind = AudioFileKind(m.originalPath);
  m.format = doc.Format();
  m.work = SlotOf(doc.work);
  m.work.format = doc.Format();
  m.selStart = doc.Selection().Start();
  m.selEnd = doc.Selection().End();
  m.viewStart = doc.View().Start();
  m.viewEnd = doc.View().End();
  m.undo = RingOf(doc.undo, doc.undoCount, doc.undoPosition, true);
  m.redo = RingOf(doc.redo, doc.redoCount, doc.redoPosition, false);
  m.modified = doc.IsModified();
  return m;
}

std::string DocJournal::ManifestPath() const {
  if (folder_.empty() || lastBody_.empty()) return {};
  return folder_ + "/" + ManifestName(kManifestSuffix);
}

// Gives each file the manifest needs a name of the journal's own: the name
// it already has when the file is the same one, else a new link, flushed.
bool DocJournal::Bind(const CEditorDoc& doc, DocManifest* manifest,
                      std::map<std::string, Link>* links) {
  const auto bind = [&](const std::string& role, const std::string& slotPath, uint32_t length,
                        std::string* fileName) {
    if (length == 0) return true;
    struct stat st {};
    // A slot file that disagrees with its length is not journalled as if
    // it were whole.
    if (::stat(slotPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) != length) {
      return false;
    }
    const auto old = links_.find(role);
    if (old != links_.end() && old->second.device == st.st_dev && old->second.inode == st.st_ino) {
      (*links)[role] = old->second;
      *fileName = old->second.name;
      return true;
    }
    Link link{std::string(kManifestPrefix) + id_ + "_" + std::to_string(generation_) + "_" + role,
              st.st_dev, st.st_ino};
    const std::string path = folder_ + "/" + link.name;
    if (!platform::LinkOrCopyFile(slotPath, path)) return false;
    created_.insert(link.name);
    (*links)[role] = link;
    *fileName = link.name;
    return true;
  };

  bool ok =
      bind("work.pcm", doc.work.pcmPath, manifest->work.pcmLength, &manifest->work.pcmFile) &&
      bind("work.pek", doc.work.peakPath, manifest->work.peakLength, &manifest->work.peakFile);
  const auto bindRing = [&](const char* name, const UndoEntry* ring, int16_t position,
                            ManifestRing* m) {
    for (size_t i = 0; ok && i < m->entries.size(); ++i) {
      const int index = (position - static_cast<int>(i) + kUndoLevels) % kUndoLevels;
      const TempAudioFile& slot = ring[index].slot;
      ManifestSlot& audio = m->entries[i].audio;
      const std::string role = name + std::to_string(index);
      ok = bind(role + ".pcm", slot.pcmPath, audio.pcmLength, &audio.pcmFile) &&
           bind(role + ".pek", slot.peakPath, audio.peakLength, &audio.peakFile);
    }
  };
  bindRing("undo", doc.undo, doc.undoPosition, &manifest->undo);
  bindRing("redo", doc.redo, doc.redoPosition, &manifest->redo);
  return ok;
}

DocJournal::~DocJournal() {
  // Any flush still running finishes before the document's files go.
  flusher_.reset();
}

std::string DocJournal::ManifestName(const char* suffix) const {
  return std::string(kManifestPrefix) + id_ + suffix;
}

JournalStatus DocJournal::Record(const CEditorDoc& doc) {
  if (doc.work.pcmPath.empty()) return JournalStatus::Failed;
  folder_ = platform::FolderOf(doc.work.pcmPath);
  id_ = DocumentId(doc.work.pcmPath);
  // A document without audio and without history has nothing to give back,
  // and neither has one that still reads its audio from the file it opened:
  // it is that file, unchanged.
  if ((doc.dataLength == 0 && doc.undoCount == 0 && doc.redoCount == 0) || doc.BorrowsAudio()) {
    Remove();
    return JournalStatus::Removed;
  }
  if (flusher_ != nullptr && flusher_->TakeFailure()) Warn(doc);

  DocManifest manifest = Describe(doc, originalPath_);
  std::map<std::string, Link> links;
  if (!Bind(doc, &manifest, &links)) {
    DropUnusedLinks();
    Warn(doc);
    return JournalStatus::Failed;
  }
  const std::string body = ManifestToJson(manifest);
  if (body == lastBody_) return JournalStatus::Unchanged;

  manifest.lastChange = static_cast<int64_t>(std::time(nullptr));
  manifest.bootId = CurrentBootId();
  const std::string text = ManifestToJson(manifest);
  if (!platform::WriteFileReplacing(folder_, ManifestName(kManifestSuffix), text)) {
    DropUnusedLinks();
    Warn(doc);
    return JournalStatus::Failed;
  }
  links_ = std::move(links);
  lastBody_ = body;
  ++generation_;
  if (flusher_ == nullptr) {
    flusher_ = std::make_unique<JournalFlusher>(folder_, ManifestName(kDurableManifestSuffix));
    if (holds_ > 0) flusher_->SetHeld(true);
  }
  std::vector<std::string> files;
  for (const auto& [role, link] : links_) files.push_back(link.name);
  flusher_->Request(std::move(files), text);
  DropUnusedLinks();
  return JournalStatus::Written;
}

void DocJournal::DropUnusedLinks() {
  std::set<std::string> used;
  if (flusher_ != nullptr) used = flusher_->NamesInUse();
  for (const auto& [role, link] : links_) used.insert(link.name);
  for (auto it = created_.begin(); it != created_.end();) {
    if (used.count(*it) != 0) {
      ++it;
      continue;
    }
    // The last name of a replaced working copy frees hundreds of
    // megabytes; that happens in the background.
    (void)platform::DiscardFile(folder_ + "/" + *it);
    it = created_.erase(it);
  }
}

void DocJournal::WaitUntilDurable() {
  if (flusher_ != nullptr) flusher_->WaitUntilIdle();
  DropUnusedLinks();
}

DocJournal::FlushHold::FlushHold(DocJournal& journal) : journal_(journal) {
  if (journal_.holds_++ == 0 && journal_.flusher_ != nullptr) journal_.flusher_->SetHeld(true);
}

DocJournal::FlushHold::~FlushHold() {
  if (--journal_.holds_ == 0 && journal_.flusher_ != nullptr) journal_.flusher_->SetHeld(false);
}

void DocJournal::Remove() {
  if (folder_.empty()) return;
  flusher_.reset();
  // The manifests go first: without them the links are only leftovers.
  ::unlink((folder_ + "/" + ManifestName(kManifestSuffix)).c_str());
  ::unlink((folder_ + "/" + ManifestName(kDurableManifestSuffix)).c_str());
  for (const std::string& name : created_) (void)platform::DiscardFile(folder_ + "/" + name);
  created_.clear();
  links_.clear();
  lastBody_.clear();
}

void DocJournal::Warn(const CEditorDoc& doc) {
  if (warned_) return;
  warned_ = true;
  const std::string name = doc.Path().empty() ? "Untitled" : platform::FileNameOf(doc.Path());
  platform::ShowMessageF(
      "The recovery information of %s could not be written to %s. If the editor ends "
      "unexpectedly, its latest changes cannot be recovered.",
      name.c_str(), folder_.c_str());
}
