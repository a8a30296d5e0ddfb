#include "engine/doc_manifest.h"

#include <fstream>
#include <limits>

#include "engine/json_value.h"

namespace {

JsonValue SlotToJson(const ManifestSlot& slot) {
  JsonValue v = JsonValue::Object();
  v.Set("pcmFile", JsonValue::String(slot.pcmFile));
  v.Set("pcmLength", JsonValue::Number(slot.pcmLength));
  v.Set("peakFile", JsonValue::String(slot.peakFile));
  v.Set("peakLength", JsonValue::Number(slot.peakLength));
  v.Set("channels", JsonValue::Number(slot.format.channels));
  v.Set("bitsPerSample", JsonValue::Number(slot.format.bitsPerSample));
  v.Set("sampleRate", JsonValue::Number(slot.format.sampleRate));
  return v;
}

JsonValue RingToJson(const ManifestRing& ring) {
  JsonValue v = JsonValue::Object();
  v.Set("count", JsonValue::Number(static_cast<int64_t>(ring.entries.size())));
  v.Set("position", JsonValue::Number(ring.position));
  JsonValue entries = JsonValue::Array();
  for (const ManifestEntry& e : ring.entries) {
    JsonValue entry = JsonValue::Object();
    entry.Set("operation", JsonValue::Number(static_cast<int64_t>(e.operation)));
    entry.Set("extend", JsonValue::Number(e.extend));
    entry.Set("pcmStart", JsonValue::Number(e.pcmStart));
    entry.Set("pcmEnd", JsonValue::Number(e.pcmEnd));
    entry.Set("peakStart", JsonValue::Number(e.peakStart));
    entry.Set("peakEnd", JsonValue::Number(e.peakEnd));
    entry.Set("audio", SlotToJson(e.audio));
    entries.Append(std::move(entry));
  }
  v.Set("entries", std::move(entries));
  return v;
}

// Reads fields of one object, remembering the first that is missing or out
// of range.
class FieldReader {
 public:
  FieldReader(const JsonValue* object, std::string where, std::string* error)
      : object_(object), where_(std::move(where)), error_(error) {
    if (object_ == nullptr || !object_->IsObject()) Fail("is not an object");
  }
  bool Ok() const { return ok_; }

  template <typename T>
  void Int(const char* key, T* out, int64_t low = std::numeric_limits<T>::min(),
           int64_t high = std::numeric_limits<T>::max()) {
    int64_t value = 0;
    const JsonValue* field = ok_ ? object_->Find(key) : nullptr;
    if (!ok_) return;
    if (field == nullptr || !field->Get(&value) || value < low || value > high) {
      Fail(std::string(key) + " is missing or out of range");
      return;
    }
    *out = static_cast<T>(value);
  }
  void Text(const char* key, std::string* out) {
    const JsonValue* field = ok_ ? object_->Find(key) : nullptr;
    if (ok_ && (field == nullptr || !field->Get(out))) Fail(std::string(key) + " is missing");
  }
  void Flag(const char* key, bool* out) {
    const JsonValue* field = ok_ ? object_->Find(key) : nullptr;
    if (ok_ && (field == nullptr || !field->Get(out))) Fail(std::string(key) + " is missing");
  }
  const JsonValue* Member(const char* key) {
    const JsonValue* field = ok_ ? object_->Find(key) : nullptr;
    if (ok_ && field == nullptr) Fail(std::string(key) + " is missing");
    return field;
  }
  void Fail(const std::string& why) {
    if (ok_ && error_ != nullptr) *error_ = where_ + " " + why;
    ok_ = false;
  }

 private:
  const JsonValue* object_;
  std::string where_;
  std::string* error_;
  bool ok_ = true;
};

// A file the manifest names must lie in the manifest's own folder.
bool PlainFileName(const std::string& name) {
  return name.find('/') == std::string::npos && name != "." && name != ".." &&
         name.find('\0') == std::string::npos;
}

bool SlotFromJson(const JsonValue* v, const std::string& where, ManifestSlot* slot,
                  std::string* error) {
  FieldReader in(v, where, error);
  in.Text("pcmFile", &slot->pcmFile);
  in.Int("pcmLength", &slot->pcmLength);
  in.Text("peakFile", &slot->peakFile);
  in.Int("peakLength", &slot->peakLength);
  in.Int("channels", &slot->format.channels);
  in.Int("bitsPerSample", &slot->format.bitsPerSample);
  in.Int("sampleRate", &slot->format.sampleRate);
  if (in.Ok() && (!PlainFileName(slot->pcmFile) || !PlainFileName(slot->peakFile))) {
    in.Fail("names a file outside its folder");
  }
  if (in.Ok() && ((slot->pcmLength != 0) != !slot->pcmFile.empty() ||
                  (slot->peakLength != 0) != !slot->peakFile.empty())) {
    in.Fail("has a length without a file or a file without a length");
  }
  return in.Ok();
}

bool KnownEntryOperation(int64_t code) {
  for (const OpCode known : {OP_CUT, OP_PASTE_INSERT, OP_PASTE_OVER, OP_REPLACE}) {
    if (code == static_cast<int64_t>(known)) return true;
  }
  return false;
}

bool RingFromJson(const JsonValue* v, const char* name, ManifestRing* ring, std::string* error) {
  FieldReader in(v, name, error);
  int16_t count = 0;
  in.Int("count", &count, 0, kUndoLevels);
  in.Int("position", &ring->position, 0, kUndoLevels - 1);
  const JsonValue* entries = in.Member("entries");
  if (!in.Ok()) return false;
  if (!entries->IsArray() || entries->Items().size() != static_cast<size_t>(count)) {
    in.Fail("entries do not match its count");
    return false;
  }
  ring->entries.clear();
  for (size_t i = 0; i < entries->Items().size(); ++i) {
    const std::string where = std::string(name) + " entry " + std::to_string(i);
    FieldReader entry(&entries->Items()[i], where, error);
    ManifestEntry e;
    int64_t operation = 0;
    entry.Int("operation", &operation);
    entry.Int("extend", &e.extend, 0, 1);
    entry.Int("pcmStart", &e.pcmStart);
    entry.Int("pcmEnd", &e.pcmEnd);
    entry.Int("peakStart", &e.peakStart);
    entry.Int("peakEnd", &e.peakEnd);
    const JsonValue* audio = entry.Member("audio");
    if (entry.Ok() && !KnownEntryOperation(operation)) entry.Fail("has an unknown operation");
    if (!entry.Ok() || !SlotFromJson(audio, where + " audio", &e.audio, error)) return false;
    e.operation = static_cast<OpCode>(operation);
    ring->entries.push_back(std::move(e));
  }
  return true;
}

}  // namespace

std::string ManifestToJson(const DocManifest& m) {
  JsonValue v = JsonValue::Object();
  v.Set("version", JsonValue::Number(kManifestVersion));
  v.Set("title", JsonValue::String(m.title));
  v.Set("originalPath", JsonValue::String(m.originalPath));
  v.Set("kind", JsonValue::String(m.kind));
  v.Set("channels", JsonValue::Number(m.format.channels));
  v.Set("bitsPerSample", JsonValue::Number(m.format.bitsPerSample));
  v.Set("sampleRate", JsonValue::Number(m.format.sampleRate));
  v.Set("dataLength", JsonValue::Number(m.work.pcmLength));
  v.Set("peakLength", JsonValue::Number(m.work.peakLength));
  v.Set("work", SlotToJson(m.work));
  JsonValue selection = JsonValue::Object();
  selection.Set("start", JsonValue::Number(m.selStart));
  selection.Set("end", JsonValue::Number(m.selEnd));
  v.Set("selection", std::move(selection));
  JsonValue view = JsonValue::Object();
  view.Set("start", JsonValue::Number(m.viewStart));
  view.Set("end", JsonValue::Number(m.viewEnd));
  v.Set("view", std::move(view));
  v.Set("undo", RingToJson(m.undo));
  v.Set("redo", RingToJson(m.redo));
  v.Set("modified", JsonValue::Bool(m.modified));
  v.Set("lastChange", JsonValue::Number(m.lastChange));
  v.Set("bootId", JsonValue::String(m.bootId));
  return v.Serialize() + "\n";
}

bool ManifestFromJson(const std::string& text, DocManifest* manifest, std::string* error) {
  JsonValue root;
  std::string why;
  if (!ParseJson(text, &root, &why)) {
    if (error != nullptr) *error = "not valid JSON: " + why;
    return false;
  }
  DocManifest m;
  FieldReader in(&root, "manifest", error);
  int64_t version = 0;
  in.Int("version", &version);
  if (in.Ok() && version != kManifestVersion) {
    in.Fail("has version " + std::to_string(version) + ", expected " +
            std::to_string(kManifestVersion));
  }
  in.Text("title", &m.title);
  in.Text("originalPath", &m.originalPath);
  in.Text("kind", &m.kind);
  in.Int("channels", &m.format.channels);
  in.Int("bitsPerSample", &m.format.bitsPerSample);
  in.Int("sampleRate", &m.format.sampleRate);
  uint32_t dataLength = 0, peakLength = 0;
  in.Int("dataLength", &dataLength);
  in.Int("peakLength", &peakLength);
  const JsonValue* work = in.Member("work");
  const JsonValue* selection = in.Member("selection");
  const JsonValue* view = in.Member("view");
  // The rings are read on their own below: damaged rings still leave the
  // working copy recoverable.
  const JsonValue* undo = root.Find("undo");
  const JsonValue* redo = root.Find("redo");
  in.Flag("modified", &m.modified);
  in.Int("lastChange", &m.lastChange);
  if (!in.Ok()) return false;
  if (const JsonValue* boot = root.Find("bootId")) (void)boot->Get(&m.bootId);
  if (!m.format.IsEditable()) {
    in.Fail("has a format the editor cannot edit");
    return false;
  }
  if (!SlotFromJson(work, "work", &m.work, error)) return false;
  if (m.work.pcmLength != dataLength || m.work.peakLength != peakLength ||
      !(m.work.format == m.format)) {
    in.Fail("lengths or format disagree with its working copy");
    return false;
  }
  FieldReader sel(selection, "selection", error);
  sel.Int("start", &m.selStart);
  sel.Int("end", &m.selEnd);
  FieldReader vis(view, "view", error);
  vis.Int("start", &m.viewStart);
  vis.Int("end", &m.viewEnd);
  if (!sel.Ok() || !vis.Ok()) return false;
  std::string ringError;
  if (!RingFromJson(undo, "undo", &m.undo, &ringError)) {
    m.undo = {};
    m.ringProblems.push_back(ringError);
  }
  ringError.clear();
  if (!RingFromJson(redo, "redo", &m.redo, &ringError)) {
    m.redo = {};
    m.ringProblems.push_back(ringError);
  }
  *manifest = std::move(m);
  return true;
}

std::string CurrentBootId() {
  std::ifstream in("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(in, id);
  return id;
}
