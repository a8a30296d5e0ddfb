// libtallisk.so, loaded as the editor loads it, on files made by
// libsarvik.so and by the ffmpeg command-line tool; ffprobe is the
// independent reader of what it writes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "libs/sarvik/sarvik.h"
#include "libs/tallisk/tallisk.h"
#include "tests/support/temp_dir.h"
#include "tests/wma_libs/wma_test_tools.h"

namespace {

class TalliskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tallisk_.Loaded()) << tallisk_.Error();
    ASSERT_TRUE(sarvik_.Loaded()) << sarvik_.Error();
    set_ = tallisk_.Find<WMASetAttributeFn>("WMASetAttribute");
    get_ = tallisk_.Find<WMAGetAttributeFn>("WMAGetAttribute");
    ASSERT_NE(set_, nullptr);
    ASSERT_NE(get_, nullptr);
  }

  // A short WMA file from libsarvik, as the editor's export makes it.
  std::string MakeWma(const char* name) {
    const std::string path = (dir_ / name).string();
    const auto init = sarvik_.Find<WMAEncodeInitFn>("WMAEncodeInit");
    const auto buffer = sarvik_.Find<WMAEncodeBufferFn>("WMAEncodeBuffer");
    const auto deinit = sarvik_.Find<WMAEncodeDeInitFn>("WMAEncodeDeInit");
    const std::string audio = LittleEndianBytes(SineFrames(11025, 22050, {440, 660}, {9000, 9000}));
    EXPECT_EQ(init(path.c_str(), 2, 2, 16, 22050), SARVIK_OK);
    EXPECT_EQ(buffer(audio.data(), static_cast<int32_t>(audio.size())), SARVIK_OK);
    EXPECT_EQ(deinit(), SARVIK_OK);
    return path;
  }

  // A WMA file tagged by the ffmpeg command-line tool.
  std::string MakeFfmpegWma(const char* name) {
    const std::string path = (dir_ / name).string();
    int status = 0;
    RunCommand(
        "ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=0.5:sample_rate=44100 "
        "-ac 2 -c:a wmav2 -b:a 64k -metadata title='Old Title' -metadata artist='Old Artist' "
        "-metadata album='Old Album' -metadata date=1975 -metadata genre=Reggae " +
            ShellQuote(path) + " 2>/dev/null",
        &status);
    EXPECT_EQ(status, 0);
    return path;
  }

  std::string Get(const std::string& path, const char* name, int32_t* result = nullptr) {
    std::vector<char> buffer(TALLISK_ATTRIBUTE_BUFFER_SIZE, 'x');
    const int32_t got = get_(path.c_str(), 0, name, buffer.data());
    if (result != nullptr) *result = got;
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
  }

  const LoadedLibrary& tallisk_ = LoadedLibrary::Shared(TALLISK_LIBRARY_FILE);
  const LoadedLibrary& sarvik_ = LoadedLibrary::Shared(SARVIK_LIBRARY_FILE);
  WMASetAttributeFn set_ = nullptr;
  WMAGetAttributeFn get_ = nullptr;
  TempDir dir_;
};

struct Tag {
  const char* attribute;  // the name the editor uses
  const char* ffprobe;    // the name FFmpeg shows for it
  const char* value;
};

// The export's five attributes, in the order the editor writes them.
const Tag kTags[] = {
    {"Title", "title", "Nächtliche Straße"},   {"Author", "artist", "Ann O'Hara"},
    {"WM/AlbumTitle", "album", "Field Notes"}, {"WM/Year", "date", "1987"},
    {"Genre", "genre", "Acid Jazz"},
};

TEST_F(TalliskTest, AttributesReadBackThroughTalliskAndFfprobe) {
  const std::string path = MakeWma("tagged.wma");
  for (const Tag& tag : kTags) {
    EXPECT_EQ(set_(path.c_str(), 0, tag.attribute, tag.value, 1), TALLISK_OK) << tag.attribute;
  }
  for (const Tag& tag : kTags) {
    int32_t result = -99;
    EXPECT_EQ(Get(path, tag.attribute, &result), tag.value) << tag.attribute;
    EXPECT_EQ(result, TALLISK_OK) << tag.attribute;
  }
  // The import falls back to "WM/Genre"; both names give the genre.
  EXPECT_EQ(Get(path, "WM/Genre"), "Acid Jazz");

  if (!HaveFfmpegTools()) GTEST_SKIP() << "ffmpeg/ffprobe command-line tools not installed";
  auto probe = Probe(path);
  for (const Tag& tag : kTags) {
    EXPECT_EQ(probe[std::string("format.TAG:") + tag.ffprobe], tag.value) << tag.ffprobe;
  }
  EXPECT_EQ(probe["stream.codec_name"], "wmav2");
}

TEST_F(TalliskTest, ReadsTagsWrittenByTheFfmpegTool) {
  if (!HaveFfmpegTools()) GTEST_SKIP() << "ffmpeg/ffprobe command-line tools not installed";
  const std::string path = MakeFfmpegWma("cli.wma");
  EXPECT_EQ(Get(path, "Title"), "Old Title");
  EXPECT_EQ(Get(path, "Author"), "Old Artist");
  EXPECT_EQ(Get(path, "WM/AlbumTitle"), "Old Album");
  EXPECT_EQ(Get(path, "WM/Year"), "1975");
  EXPECT_EQ(Get(path, "Genre"), "Reggae");
  EXPECT_EQ(Get(path, "WM/Genre"), "Reggae");
}

TEST_F(TalliskTest, NewValuesReplaceWhatOtherWritersStored) {
  // FFmpeg stores some fields twice (e.g. a "title" attribute beside the
  // content description); every copy must give way to the new value.
  if (!HaveFfmpegTools()) GTEST_SKIP() << "ffmpeg/ffprobe command-line tools not installed";
  const std::string path = MakeFfmpegWma("cli.wma");
  auto before = Probe(path);
  const std::string duration_before = before["format.duration"];
  const std::string packets_before = before["packets.count"];
  for (const Tag& tag : kTags) {
    EXPECT_EQ(set_(path.c_str(), 0, tag.attribute, tag.value, 1), TALLISK_OK) << tag.attribute;
  }
  auto probe = Probe(path);
  for (const Tag& tag : kTags) {
    EXPECT_EQ(probe[std::string("format.TAG:") + tag.ffprobe], tag.value) << tag.ffprobe;
    EXPECT_EQ(Get(path, tag.attribute), tag.value) << tag.attribute;
  }
  EXPECT_EQ(probe["stream.codec_name"], "wmav2");
  EXPECT_EQ(probe["format.duration"], duration_before);
  EXPECT_EQ(probe["packets.count"], packets_before);
}

TEST_F(TalliskTest, AnEmptyValueRemovesTheAttribute) {
  const std::string path = MakeWma("tagged.wma");
  for (const Tag& tag : kTags) ASSERT_EQ(set_(path.c_str(), 0, tag.attribute, tag.value, 1), 0);
  for (const Tag& tag : kTags) {
    EXPECT_EQ(set_(path.c_str(), 0, tag.attribute, "", 1), TALLISK_OK) << tag.attribute;
    int32_t result = -99;
    EXPECT_EQ(Get(path, tag.attribute, &result), "") << tag.attribute;
    EXPECT_EQ(result, TALLISK_OK);
  }
  if (!HaveFfmpegTools()) GTEST_SKIP() << "ffmpeg/ffprobe command-line tools not installed";
  auto probe = Probe(path);
  for (const Tag& tag : kTags) {
    EXPECT_EQ(probe.count(std::string("format.TAG:") + tag.ffprobe), 0u) << tag.ffprobe;
  }
}

TEST_F(TalliskTest, ATextThatIsNotUtf8IsKeptAsLatin1) {
  // An 8-bit text from an older source must not vanish.
  const std::string path = MakeWma("latin1.wma");
  ASSERT_EQ(set_(path.c_str(), 0, "Title", "Caf\xe9 Ol\xe9", 1), TALLISK_OK);
  EXPECT_EQ(Get(path, "Title"), "Café Olé");
  // Truncated and overlong sequences are not UTF-8 either.
  ASSERT_EQ(set_(path.c_str(), 0, "Author", "end\xc3", 1), TALLISK_OK);
  EXPECT_EQ(Get(path, "Author"), "endÃ");
  ASSERT_EQ(set_(path.c_str(), 0, "WM/Year", "\xc0\xb1", 1), TALLISK_OK);
  EXPECT_EQ(Get(path, "WM/Year"), "À±");
}

TEST_F(TalliskTest, LongValuesAreCutToTheBufferOnACharacterBoundary) {
  const std::string path = MakeWma("long.wma");
  constexpr size_t kSize = TALLISK_ATTRIBUTE_BUFFER_SIZE;
  std::string two_byte_chars, with_ascii_lead = "a", three_byte_chars;
  for (int i = 0; i < 700; ++i) two_byte_chars += "é";
  for (int i = 0; i < 700; ++i) with_ascii_lead += "é";
  for (int i = 0; i < 500; ++i) three_byte_chars += "€";
  struct CutCase {
    const char* what;
    std::string value;
    size_t expected_length;
    int32_t expected_result;
  };
  const CutCase cases[] = {
      {"fits exactly", std::string(kSize - 1, 'q'), kSize - 1, TALLISK_OK},
      {"one byte too long", std::string(kSize, 'q'), kSize - 1, TALLISK_VALUE_CUT},
      {"far too long", std::string(5000, 'q'), kSize - 1, TALLISK_VALUE_CUT},
      // 1023 bytes would end inside the 512th two-byte character.
      {"two-byte characters", two_byte_chars, kSize - 2, TALLISK_VALUE_CUT},
      {"two-byte characters after one ASCII", with_ascii_lead, kSize - 1, TALLISK_VALUE_CUT},
      {"three-byte characters", three_byte_chars, kSize - 1, TALLISK_VALUE_CUT},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(set_(path.c_str(), 0, "WM/AlbumTitle", c.value.c_str(), 1), TALLISK_OK);
    // Guard bytes after the documented size must survive.
    std::vector<char> buffer(kSize + 64, '\x7f');
    EXPECT_EQ(get_(path.c_str(), 0, "WM/AlbumTitle", buffer.data()), c.expected_result);
    const std::string got(buffer.data(), strnlen(buffer.data(), kSize));
    EXPECT_EQ(got.size(), c.expected_length);
    EXPECT_EQ(got, c.value.substr(0, c.expected_length));
    EXPECT_EQ(std::string(buffer.begin() + kSize, buffer.end()), std::string(64, '\x7f'));
  }
}

TEST_F(TalliskTest, UnreadableFilesGiveEmptyTextsAndAreNotChanged) {
  const std::string missing = (dir_ / "missing.wma").string();
  const std::string wave = (dir_ / "song.wav").string();
  const std::string empty = (dir_ / "empty.wma").string();
  const std::string wave_bytes = "RIFF\x24\x00\x00\x00WAVEfmt " + std::string(40, '\x01');
  WriteFileBytes(wave, wave_bytes);
  WriteFileBytes(empty, "");
  for (const std::string& path : {missing, wave, empty, dir_.Str()}) {
    SCOPED_TRACE(path);
    int32_t result = 0;
    EXPECT_EQ(Get(path, "Title", &result), "");
    EXPECT_EQ(result, TALLISK_ERROR_FILE);
    EXPECT_EQ(set_(path.c_str(), 0, "Title", "New", 1), TALLISK_ERROR_FILE);
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(ReadFileBytes(wave), wave_bytes);
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);
}

TEST_F(TalliskTest, AbsentAttributeIsAnEmptyText) {
  const std::string path = MakeWma("plain.wma");
  for (const char* name :
       {"Title", "Author", "WM/AlbumTitle", "WM/Year", "Genre", "WM/Genre", "WM/Composer"}) {
    int32_t result = -99;
    EXPECT_EQ(Get(path, name, &result), "") << name;
    EXPECT_EQ(result, TALLISK_OK) << name;
  }
}

TEST_F(TalliskTest, BadArgumentsAreRefusedWithoutTouchingTheFile) {
  const std::string path = MakeWma("plain.wma");
  const std::string before = ReadFileBytes(path);
  const char* p = path.c_str();
  EXPECT_EQ(set_(nullptr, 0, "Title", "x", 1), TALLISK_ERROR_ARGUMENT);
  EXPECT_EQ(set_(p, 0, nullptr, "x", 1), TALLISK_ERROR_ARGUMENT);
  EXPECT_EQ(set_(p, 0, "", "x", 1), TALLISK_ERROR_ARGUMENT);
  EXPECT_EQ(set_(p, 0, "Title", nullptr, 1), TALLISK_ERROR_ARGUMENT);
  EXPECT_EQ(set_(p, 1, "Title", "x", 1), TALLISK_ERROR_ARGUMENT);
  EXPECT_EQ(set_(p, 0, "Title", "x", 0), TALLISK_ERROR_ARGUMENT);
  EXPECT_EQ(ReadFileBytes(path), before);

  EXPECT_EQ(get_(p, 0, "Title", nullptr), TALLISK_ERROR_ARGUMENT);
  for (auto call : {+[](WMAGetAttributeFn get, const char*, char*buffer) {
                      return get(nullptr, 0, "Title", buffer);
                    },
                    +[](WMAGetAttributeFn get, const char*file, char*buffer) {
                      return get(file, 0, nullptr, buffer);
                    },
                    +[](WMAGetAttributeFn get, const char*file, char*buffer) {
                      return get(file, 3, "Title", buffer);
                    }}) {
    std::vector<char> buffer(TALLISK_ATTRIBUTE_BUFFER_SIZE, 'x');
    EXPECT_EQ(call(get_, p, buffer.data()), TALLISK_ERROR_ARGUMENT);
    EXPECT_EQ(buffer[0], '\0');
  }
}

TEST_F(TalliskTest, ReadOnlyFileCanBeReadButNotWritten) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
  const std::string path = MakeWma("locked.wma");
  ASSERT_EQ(set_(path.c_str(), 0, "Title", "Kept", 1), TALLISK_OK);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  const std::string before = ReadFileBytes(path);
  EXPECT_EQ(Get(path, "Title"), "Kept");
  EXPECT_EQ(set_(path.c_str(), 0, "Title", "Changed", 1), TALLISK_ERROR_WRITE);
  EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace
