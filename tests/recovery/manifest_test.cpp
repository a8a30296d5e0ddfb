// The manifest's JSON: what is written is read back whole, and damaged text
// is refused with a reason instead of being half understood.

#include <gtest/gtest.h>

#include <string>

#include "engine/doc_manifest.h"
#include "engine/json_value.h"

namespace {

DocManifest Sample() {
  DocManifest m;
  m.title = "take \"1\".wav";
  m.originalPath = "/home/u/take \"1\".wav";
  m.kind = "WAV";
  m.format = {2, 16, 44100};
  m.work = {"recovery_0_3_work.pcm", 4000, "recovery_0_3_work.pek", 500, {2, 16, 44100}};
  m.selStart = 400;
  m.selEnd = 800;
  m.viewStart = 0;
  m.viewEnd = 4000;
  ManifestEntry cut;
  cut.operation = OP_CUT;
  cut.pcmStart = 400;
  cut.pcmEnd = 800;
  cut.peakStart = 50;
  cut.peakEnd = 100;
  cut.audio = {"recovery_0_2_undo1.pcm", 400, "recovery_0_2_undo1.pek", 50, {2, 16, 44100}};
  ManifestEntry insert;
  insert.operation = OP_PASTE_INSERT;
  insert.pcmEnd = 12;
  m.undo.position = 1;
  m.undo.entries = {cut, insert};
  m.redo.position = 3;
  m.redo.entries = {cut};
  m.modified = true;
  m.lastChange = 1796900000;
  return m;
}

TEST(Manifest, ReadsBackWhatWasWritten) {
  const DocManifest m = Sample();
  DocManifest back;
  std::string error;
  ASSERT_TRUE(ManifestFromJson(ManifestToJson(m), &back, &error)) << error;
  EXPECT_EQ(ManifestToJson(back), ManifestToJson(m));
  EXPECT_EQ(back.title, m.title);
  EXPECT_EQ(back.undo.entries.size(), 2u);
  EXPECT_EQ(back.undo.entries[0].audio.pcmFile, "recovery_0_2_undo1.pcm");
  EXPECT_EQ(back.redo.position, 3);
  EXPECT_TRUE(back.ringProblems.empty());
}

TEST(Manifest, DamagedTextIsRefusedWithAReason) {
  const std::string good = ManifestToJson(Sample());
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"empty", ""},
      {"truncated", good.substr(0, good.size() / 2)},
      {"garbage",
       "\x7f"
       "ELF\x01\x01\x01 not json at all"},
      {"another version", replaced("\"version\":1", "\"version\":2")},
      {"a path out of its folder",
       replaced("\"recovery_0_3_work.pcm\"", "\"../../home/u/secret\"")},
      {"a length without its file",
       replaced("\"pcmFile\":\"recovery_0_3_work.pcm\"", "\"pcmFile\":\"\"")},
      {"lengths that disagree", replaced("\"dataLength\":4000", "\"dataLength\":4004")},
      {"a format nobody edits",
       replaced("\"channels\":2,\"bitsPerSample\":16,\"sampleRate\":44100,\"dataLength\"",
                "\"channels\":0,\"bitsPerSample\":16,\"sampleRate\":44100,\"dataLength\"")},
      {"a fraction", replaced("\"selection\":{\"start\":400", "\"selection\":{\"start\":400.5")},
      {"a negative length", replaced("\"dataLength\":4000", "\"dataLength\":-4000")},
      {"nested too deeply", std::string(100000, '[')},
      {"text after the value", good + "}"},
  };
  for (const Case& c : cases) {
    DocManifest m;
    std::string error;
    EXPECT_FALSE(ManifestFromJson(c.text, &m, &error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

// A damaged ring costs only that ring: the audio is still worth having.
TEST(Manifest, ADamagedRingLeavesTheRestReadable) {
  std::string text = ManifestToJson(Sample());
  const size_t at = text.find("\"operation\":136");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 15, "\"operation\":999");
  DocManifest m;
  std::string error;
  ASSERT_TRUE(ManifestFromJson(text, &m, &error)) << error;
  EXPECT_TRUE(m.undo.entries.empty());
  ASSERT_EQ(m.ringProblems.size(), 1u);
  EXPECT_NE(m.ringProblems[0].find("undo"), std::string::npos);
  EXPECT_EQ(m.work.pcmLength, 4000u);
}

TEST(Json, StringsKeepEveryByte) {
  const std::string odd = std::string("tab\there \"q\" back\\slash nl\n \x01 ") + "\xc3\xa9";
  JsonValue v = JsonValue::Object();
  v.Set("s", JsonValue::String(odd));
  JsonValue back;
  std::string error;
  ASSERT_TRUE(ParseJson(v.Serialize(), &back, &error)) << error;
  std::string s;
  ASSERT_TRUE(back.Find("s")->Get(&s));
  EXPECT_EQ(s, odd);
  ASSERT_TRUE(ParseJson(R"({"u":"\u00e9\ud83d\ude00"})", &back, &error)) << error;
  ASSERT_TRUE(back.Find("u")->Get(&s));
  EXPECT_EQ(s, "\xc3\xa9\xf0\x9f\x98\x80");
}

}  // namespace
