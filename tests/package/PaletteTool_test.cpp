#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>

#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace {

std::uint32_t be32(const std::string& bytes, std::size_t at) {
  return std::uint32_t(std::uint8_t(bytes.at(at))) << 24 | std::uint32_t(std::uint8_t(bytes.at(at + 1))) << 16 |
         std::uint32_t(std::uint8_t(bytes.at(at + 2))) << 8 | std::uint8_t(bytes.at(at + 3));
}

TEST(PaletteToolTest, ListsThePageInOrderAndWritesEachImageAsPng) {
  rvtest::TempDir dir;
  const rvtest::ProgramResult run = rvtest::RunProgram(std::string(RV_PALETTE_TOOL) + " -o " + dir.Path());
  ASSERT_EQ(run.Code, 0) << run.Output;
  ASSERT_EQ(run.Output.rfind("REVuziva\n", 0), 0u) << run.Output;
  std::size_t from = 0;
  for (const char* name : {"TQVExceptionLog", "TQVAppLog", "TQVDatasetLog", "TQVFileLog", "TQVNTEventLog",
                           "TQVShellLog", "TQVRegistryLog", "TQVLCheckProcessor"}) {
    const std::size_t at = run.Output.find(std::string("  ") + name + " ", from);
    ASSERT_NE(at, std::string::npos) << name << " in order\n" << run.Output;
    from = at;
    std::string file;
    for (const char* c = name; *c; ++c) file += char(std::toupper(static_cast<unsigned char>(*c)));
    const std::string png = rvtest::ReadFile(dir.File(file + ".png"));
    ASSERT_GT(png.size(), 24u) << file;
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n") << file;
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(be32(png, 16), 24u) << "width of " << file;
    EXPECT_EQ(be32(png, 20), 24u) << "height of " << file;
  }
}

TEST(PaletteToolTest, ALibraryThatCannotBeLoadedOrHasNoRegisterFails) {
  for (const std::string& library : {std::string("/nonexistent/librevuziva.so"), std::string("libm.so.6")}) {
    const rvtest::ProgramResult run = rvtest::RunProgram(std::string(RV_PALETTE_TOOL) + " " + library);
    EXPECT_EQ(run.Code, 1) << library << "\n" << run.Output;
    EXPECT_EQ(run.Output.rfind("palette: ", 0), 0u) << run.Output;
  }
  EXPECT_EQ(rvtest::RunProgram(std::string(RV_PALETTE_TOOL) + " -x").Code, 2);
}

}  // namespace
