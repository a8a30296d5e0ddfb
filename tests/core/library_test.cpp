#include "platform/library.h"

#include <gtest/gtest.h>

TEST(Library, EditorNamesMapToSharedObjects) {
  const std::pair<const char*, const char*> cases[] = {
      {"LAME.DLL", "liblame_enc.so"},      {"Ombrin.dll", "libombrin.so"},
      {"Sarvik.dll", "libsarvik.so"},      {"Tallisk.dll", "libtallisk.so"},
      {"AVImport.dll", "libav_import.so"}, {"AVExport.dll", "libav_export.so"},
      {"libm.so.6", "libm.so.6"},
  };
  for (const auto& [name, file] : cases) EXPECT_EQ(platform::LibraryFileName(name), file);
}

TEST(Library, MissingLibraryFailsWithAReasonAndSystemOnesLoad) {
  platform::Library missing;
  EXPECT_FALSE(missing.Load("NoSuchLibrary.dll"));
  EXPECT_FALSE(missing.Error().empty());
  EXPECT_EQ(missing.Symbol("anything"), nullptr);

  platform::Library math;
  ASSERT_TRUE(math.Load("libm.so.6"));
  auto cosine = math.Get<double (*)(double)>("cos");
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
}
