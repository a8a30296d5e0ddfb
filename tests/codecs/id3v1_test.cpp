#include "codecs/id3v1.h"

#include <gtest/gtest.h>

#include "tests/codecs/mp3_test_files.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Field(const std::string& text, size_t size) {
  std::string field = text.substr(0, size);
  field.resize(size, '\0');
  return field;
}

std::string Tag(const std::string& title, const std::string& artist, const std::string& album,
                const std::string& year, const std::string& comment, uint8_t genre) {
  return "TAG" + Field(title, 30) + Field(artist, 30) + Field(album, 30) + Field(year, 4) +
         Field(comment, 30) + std::string(1, static_cast<char>(genre));
}

TEST(Id3v1, FieldsAreCutAtTheirFirstZeroOrTheirLength) {
  TempDir dir;
  const std::string full30 = "abcdefghijklmnopqrstuvwxyz0123";  // exactly 30, no terminator
  std::string tag = Tag(full30, "Artist", "", "1999", "Comment", 147);
  // Bytes behind the first zero of a field are not part of its text.
  tag[3 + 10] = 'X';
  tag[33 + 7] = '\0';
  tag[33 + 8] = 'Y';
  WriteFileBytes(dir / "a.mp3", std::string(500, '\x55') + tag);

  MessageRecorder recorder;
  const Id3v1Tag t = ReadId3v1Tag((dir / "a.mp3").string());
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.title, std::string("abcdefghijXlmnopqrstuvwxyz0123"));
  EXPECT_EQ(t.artist, "Artist");
  EXPECT_EQ(t.album, "");
  EXPECT_EQ(t.year, "1999");
  EXPECT_EQ(t.comment, "Comment");
  EXPECT_EQ(t.genre, 147);
  EXPECT_TRUE(recorder.Messages().empty());
}

TEST(Id3v1, GenreOutsideTheListIsKeptAsStored) {
  TempDir dir;
  WriteFileBytes(dir / "a.mp3", Tag("T", "", "", "", "", 255));
  const Id3v1Tag t = ReadId3v1Tag((dir / "a.mp3").string());
  ASSERT_TRUE(t.found);
  EXPECT_EQ(t.title, "T");
  EXPECT_EQ(t.genre, 255);
}

TEST(Id3v1, AbsentOrShortTagIsNotFound) {
  TempDir dir;
  const std::string tag = Tag("Title", "", "", "", "", 1);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"no tag", std::string(1000, '\0')},
      {"tag one byte too early", tag + "x"},
      {"shorter than a tag", tag.substr(0, 127)},
      {"TAG not at the start of the last 128 bytes", std::string(200, 'a') + "TAG"},
  };
  MessageRecorder recorder;
  for (const auto& c : cases) {
    WriteFileBytes(dir / "f.mp3", c.bytes);
    EXPECT_FALSE(ReadId3v1Tag((dir / "f.mp3").string()).found) << c.name;
  }
  EXPECT_TRUE(recorder.Messages().empty());
}

TEST(Id3v1, UnopenableFileIsReported) {
  TempDir dir;
  MessageRecorder recorder;
  const std::string path = (dir / "missing.mp3").string();
  EXPECT_FALSE(ReadId3v1Tag(path).found);
  EXPECT_EQ(recorder.Messages(),
            std::vector<std::string>{"Could not open " + path +
                                     " to get TAG Info - it may be in exclusive use by another "
                                     "program."});
}

TEST(Id3v1, ReadsTheTagLameWrites) {
  if (!CommandAvailable("lame")) GTEST_SKIP() << "lame command-line tool not installed";
  TempDir dir;
  WriteFileBytes(dir / "s.raw", TonePcm(44100, 2, 0.2));
  ASSERT_TRUE(EncodeMp3(dir / "s.raw", 44100, 2, 128, dir / "t.mp3",
                        "--add-id3v2 --tt 'A Title' --ta Someone --tl 'The Album' --ty 2001 "
                        "--tc 'Said so' --tg Rock"));
  const Id3v1Tag t = ReadId3v1Tag((dir / "t.mp3").string());
  ASSERT_TRUE(t.found);
  EXPECT_EQ(t.title, "A Title");
  EXPECT_EQ(t.artist, "Someone");
  EXPECT_EQ(t.album, "The Album");
  EXPECT_EQ(t.year, "2001");
  EXPECT_EQ(t.comment, "Said so");
  EXPECT_EQ(t.genre, 17);  // Rock
}

}  // namespace
