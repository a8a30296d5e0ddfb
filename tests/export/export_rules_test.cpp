// The export dialogs' rules, the ID3v1 tag bytes and the WMA widening,
// without any encoder library.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/id3_genres.h"
#include "codecs/mp3_export.h"
#include "codecs/wma_export.h"

TEST(Genres, KeepTheSpellingsStoredFilesUse) {
  const std::pair<int, const char*> cases[] = {
      {0, "Blues"},          {17, "Rock"},      {64, "Native US"},
      {67, "Psychadelic"},   {79, "Hard Rock"}, {80, "Folk"},
      {118, "Rhytmic Soul"}, {123, "Acapella"}, {140, "Contemporary C"},
      {147, "SynthPop"},
  };
  for (const auto& [number, name] : cases) {
    EXPECT_EQ(GenreName(number), name) << number;
    EXPECT_EQ(FindGenreNumber(name), number) << name;
  }
  EXPECT_EQ(GenreNames().size(), 148u);
  EXPECT_EQ(GenreName(148), "");
  EXPECT_EQ(GenreName(-1), "");
  EXPECT_EQ(GenreName(255), "");
  // An imported WMA genre must match exactly; a typed one may differ in case.
  EXPECT_EQ(FindGenreNumber("synthpop"), -1);
  EXPECT_EQ(GenreNumber("synthpop"), 147);
  EXPECT_EQ(FindGenreNumber("Psychedelic"), -1);
  EXPECT_EQ(FindGenreNumber(""), -1);
}

TEST(Id3v1Tag, FieldsAreCutAndZeroPadded) {
  Mp3ExportSettings s;
  s.title = std::string(40, 'T');
  s.artist = "Artist";
  s.album = "";
  s.year = "19999";
  s.comment = std::string(30, 'C');
  s.genre = 147;
  const std::string tag = MakeId3v1TagBytes(s);
  ASSERT_EQ(tag.size(), 128u);
  EXPECT_EQ(tag.substr(0, 3), "TAG");
  EXPECT_EQ(tag.substr(3, 30), std::string(30, 'T'));
  EXPECT_EQ(tag.substr(33, 30), "Artist" + std::string(24, '\0'));
  EXPECT_EQ(tag.substr(63, 30), std::string(30, '\0'));
  EXPECT_EQ(tag.substr(93, 4), "1999");
  EXPECT_EQ(tag.substr(97, 30), std::string(30, 'C'));
  EXPECT_EQ(static_cast<uint8_t>(tag[127]), 147);

  // A genre byte outside the list as the tag held it, and values that do
  // not fit a byte, are written as "none".
  for (const auto& [genre, byte] :
       std::vector<std::pair<int, int>>{{255, 255}, {200, 200}, {-1, 255}, {300, 255}, {0, 0}}) {
    s.genre = genre;
    EXPECT_EQ(static_cast<uint8_t>(MakeId3v1TagBytes(s)[127]), byte) << genre;
  }
}

TEST(Mp3Dialog, ShowsTheSettingsAndOkStoresTheControls) {
  Mp3ExportSettings s;
  Mp3DialogModel model(s);
  model.Init();
  EXPECT_EQ(Mp3DialogModel::BitRateTexts(),
            (std::vector<std::string>{"320", "256", "224", "192", "160", "128", "112", "96", "80",
                                      "64", "56", "48", "40", "32"}));
  ASSERT_EQ(Mp3DialogModel::GenreTexts().size(), 149u);
  EXPECT_EQ(Mp3DialogModel::GenreTexts()[0], "(none)");
  EXPECT_EQ(Mp3DialogModel::GenreTexts()[1], "Blues");
  EXPECT_EQ(Mp3DialogModel::GenreTexts()[148], "SynthPop");
  EXPECT_EQ(model.bitRateSelection, 5);  // "128"
  // A new export names no genre until the user picks one.
  EXPECT_EQ(model.genreSelection, 0);
  Mp3ExportSettings untouched;
  Mp3DialogModel(untouched).Ok();
  EXPECT_EQ(untouched.genre, 255);
  EXPECT_EQ(static_cast<uint8_t>(MakeId3v1TagBytes(untouched)[127]), 255);

  model.bitRateSelection = 0;
  model.genreSelection = 148;
  model.title = std::string(200, 'x');
  model.year = "2024";
  model.Ok();
  EXPECT_EQ(s.bitRate, 320);
  EXPECT_EQ(s.genre, 147);
  EXPECT_EQ(s.title, std::string(126, 'x'));
  EXPECT_EQ(s.year, "2024");
  EXPECT_EQ(s.applied, 1);

  // Reopening shows what OK stored; Cancel changes nothing but `applied`.
  Mp3DialogModel again(s);
  again.Init();
  EXPECT_EQ(again.bitRateSelection, 0);
  EXPECT_EQ(again.genreSelection, 148);
  again.bitRateSelection = 13;
  again.title = "changed";
  again.Cancel();
  EXPECT_EQ(s.applied, 0);
  EXPECT_EQ(s.bitRate, 320);
  EXPECT_EQ(s.title, std::string(126, 'x'));
}

TEST(Mp3Dialog, NothingSelectedNeverReadsOutsideTheLists) {
  Mp3ExportSettings s;
  s.genre = 255;    // from a tag that named no genre of the list
  s.bitRate = 100;  // not offered
  Mp3DialogModel model(s);
  model.Init();
  EXPECT_EQ(model.genreSelection, 0);  // "(none)"
  EXPECT_EQ(model.bitRateSelection, -1);
  model.genreSelection = -1;
  model.Ok();
  EXPECT_EQ(s.genre, 255);
  EXPECT_EQ(s.bitRate, 100);
  EXPECT_EQ(static_cast<uint8_t>(MakeId3v1TagBytes(s)[127]), 255);
}

TEST(ExportText, IsCutWithoutSplittingACharacter) {
  // 125 ASCII bytes then a two-byte character: 127 bytes, cut before it.
  const std::string text = std::string(125, 'a') + "\xC3\xA9" + "z";
  Mp3ExportSettings s;
  Mp3DialogModel model(s);
  model.Init();
  model.artist = text;
  model.Ok();
  EXPECT_EQ(s.artist, std::string(125, 'a'));
  model.artist = std::string(124, 'a') + "\xC3\xA9" + "z";
  model.Ok();
  EXPECT_EQ(s.artist, std::string(124, 'a') + "\xC3\xA9");
}

TEST(WmaDialog, ProposesCdQualityAndFindsImportedGenres) {
  EXPECT_EQ(WmaDialogModel::QualityTexts(),
            (std::vector<std::string>{"128 Kbps - Above CD Quality", "96 Kbps - Above CD Quality",
                                      "64 Kbps - CD Quality", "48 Kbps - Near CD Quality"}));
  WmaExportSettings s;
  WmaDialogModel model(s);
  model.Init();
  EXPECT_EQ(model.qualitySelection, 2);
  EXPECT_EQ(model.genreSelection, 0);

  const std::pair<const char*, int> finds[] = {
      {"Jazz", 8}, {"jazz", 8}, {"My Own Genre", 8}, {"", 8}, {"SynthPop", 147}};
  for (const auto& [name, expected] : finds) {
    model.FindGenre(name);  // no match leaves the previous choice
    EXPECT_EQ(model.genreSelection, expected) << name;
  }

  // An imported genre text selects its entry when the dialog opens.
  s.genre = "Acapella";
  model.Init();
  EXPECT_EQ(model.genreSelection, 123);
  model.qualitySelection = 0;
  model.artist = "Someone";
  model.Ok();
  EXPECT_EQ(s.quality, 0);
  EXPECT_EQ(s.genreIndex, 123);
  EXPECT_EQ(s.genre, "Acapella");
  EXPECT_EQ(s.author, "Someone");
  model.Cancel();
  EXPECT_EQ(s.applied, 0);
  EXPECT_EQ(s.quality, 0);
}

TEST(WmaGenre, ExportWritesTheTableNameAtTheIndex) {
  WmaExportSettings s;
  s.genreIndex = 17;
  s.genre = "not in the table";
  EXPECT_EQ(SyncWmaGenre(&s), "Rock");  // unknown text: the index stays
  s.genre = "Jazz";
  EXPECT_EQ(SyncWmaGenre(&s), "Jazz");
  EXPECT_EQ(s.genreIndex, 8);
  s.genre = "";
  s.genreIndex = 500;
  EXPECT_EQ(SyncWmaGenre(&s), "Blues");
}

TEST(WmaWidening, EveryFormatBecomes16BitStereo) {
  struct Case {
    AudioFormat format;
    std::vector<uint8_t> source;
    std::vector<int16_t> widened;
    uint32_t blockSize;
  };
  const std::vector<Case> cases = {
      {{1, 8, 22050}, {0, 255, 128}, {-32768, -32768, 32512, 32512, 0, 0}, 2048},
      {{2, 8, 44100}, {0, 255, 128, 129}, {-32768, 32512, 0, 256}, 4096},
      {{1, 16, 44100}, {0x34, 0x12, 0xFF, 0xFF}, {0x1234, 0x1234, -1, -1}, 4096},
      {{2, 16, 44100}, {0x00, 0x80, 0xFF, 0x7F}, {-32768, 32767}, 8192},
      // A trailing partial frame is not encoded.
      {{2, 16, 44100}, {1, 0, 2, 0, 3}, {1, 2}, 8192},
  };
  for (const Case& c : cases) {
    std::vector<int16_t> out(kWmaEncoderBlock / 2, 0x5555);
    const size_t count = WidenToStereo16(c.source.data(), c.source.size(), c.format, out.data());
    out.resize(count);
    EXPECT_EQ(out, c.widened) << c.format.channels << "x" << c.format.bitsPerSample;
    EXPECT_EQ(WmaSourceBlockSize(c.format), c.blockSize);
  }
  EXPECT_EQ(WmaSourceBlockSize({3, 16, 44100}), 0u);
  EXPECT_EQ(WmaSourceBlockSize({2, 24, 44100}), 0u);
}
