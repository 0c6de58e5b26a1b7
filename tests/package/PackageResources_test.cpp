#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/classes/Resources.h"
#include "platform/classes/Stream.h"
#include "platform/graphics/Graphics.h"

using namespace rv;

namespace {

// The colour depth a BMP's header declares (bits a pixel).
int bmpBitCount(std::string_view bytes) {
  return static_cast<std::uint8_t>(bytes.at(28)) | static_cast<std::uint8_t>(bytes.at(29)) << 8;
}

struct PictureCase {
  const char* Name;
  int Size;
  int Bits;  // 0: an icon, whose depth the reader doesn't report
};

TEST(PackageResourcesTest, PicturesHaveTheirSizesAndColourDepths) {
  const PictureCase cases[] = {
      {"TQVEXCEPTIONLOG", 24, 4}, {"TQVAPPLOG", 24, 4},   {"TQVDATASETLOG", 24, 4},  {"TQVFILELOG", 24, 4},
      {"TQVNTEVENTLOG", 24, 4},   {"TQVSHELLLOG", 24, 4}, {"TQVREGISTRYLOG", 24, 4}, {"TQVLCHECKPROCESSOR", 24, 8},
      {"QVL_FAILED", 16, 8},      {"MAINICON", 32, 0},
  };
  for (const PictureCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_TRUE(HasResource(c.Name));
    const std::string_view bytes = FindResource(c.Name);
    TStringStream stream{std::string(bytes)};
    if (c.Bits) {
      EXPECT_EQ(bmpBitCount(bytes), c.Bits);
      TBitmap bitmap;
      bitmap.LoadFromStream(stream);
      EXPECT_EQ(bitmap.Width(), c.Size);
      EXPECT_EQ(bitmap.Height(), c.Size);
      // Drawn on magenta, the colour a designer leaves out.
      EXPECT_EQ(bitmap.Pixel(0, c.Size - 1), static_cast<TColor>(0xFF00FF));
      EXPECT_NE(bitmap.Pixel(c.Size / 2, c.Size / 2), static_cast<TColor>(0xFF00FF)) << "a picture, not a blank";
    } else {
      TIcon icon;
      icon.LoadFromStream(stream);
      EXPECT_EQ(icon.Width(), c.Size);
      EXPECT_EQ(icon.Height(), c.Size);
      EXPECT_EQ(icon.Alpha(0, 0), 0) << "transparent corner";
      EXPECT_EQ(icon.Alpha(c.Size / 2, c.Size / 2), 255);
    }
  }
}

TEST(PackageResourcesTest, DescriptionAndVersionBlockSayWhatTheyShould) {
  const std::string description(FindResource("DESCRIPTION"));
  EXPECT_EQ(description.rfind("REVuziva: log component suite.\r\n", 0), 0u) << description;
  EXPECT_NE(description.find("the REVuziva developers"), std::string::npos);

  const std::string version(FindResource("VERSIONINFO"));
  for (const char* line :
       {"FileVersion=1.5.0.0\n", "ProductVersion=1.0.0.0\n", "Language=0409\n", "CodePage=1252\n", "CompanyName=\n",
        "ProductName=\n", "LegalCopyright=\n", "Comments=https://revuziva.example.org\n"})
    EXPECT_NE(version.find(line), std::string::npos) << line;
}

}  // namespace
