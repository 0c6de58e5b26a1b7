#include <gtest/gtest.h>

#include <string>

#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace {

// Without a display: formview prints the tree instead of showing a window.
rvtest::ProgramResult viewHeadless(const std::string& File) {
  return rvtest::RunProgram("env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(RV_FORMVIEW_TOOL) + " '" + File + "'");
}

TEST(FormViewTest, WithoutADisplayPrintsTheLiveComponentTree) {
  rvtest::TempDir dir;
  const std::string form =
      "object frmMain: TForm\n"
      "  Caption = 'Orders'\n"
      "  object AppLog1: TQVAppLog\n"
      "    LogFile = 'app.xml'\n"
      "    Formatting = qvlfXML\n"
      "  end\n"
      "  object Checks1: TQVLCheckProcessor\n"
      "  end\n"
      "  object Folder1: TQVFileLog\n"
      "    Active = False\n"
      "  end\n"
      "end\n";
  rvtest::WriteFile(dir.File("main.dfm"), form);
  const rvtest::ProgramResult run = viewHeadless(dir.File("main.dfm"));
  ASSERT_EQ(run.Code, 0) << run.Output;
  std::string tree = run.Output;
  std::erase(tree, '\r');  // form files break lines with CR LF
  std::size_t from = 0;
  for (const char* line : {"object frmMain: TForm\n", "  Caption = 'Orders'\n", "  object AppLog1: TQVAppLog\n",
                           "    LogFile = 'app.xml'\n", "    Formatting = qvlfXML\n",
                           "  object Checks1: TQVLCheckProcessor\n", "  object Folder1: TQVFileLog\n", "end\n"}) {
    const std::size_t at = tree.find(line, from);
    ASSERT_NE(at, std::string::npos) << line << "in order in\n" << tree;
    from = at;
  }
}

TEST(FormViewTest, MalformedFormFilesFailWithAClearErrorAndStatusOne) {
  rvtest::TempDir dir;
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"not a form", "hello\n"},
      {"no end", "object frmMain: TForm\n  Caption = 'x'\n"},
      {"unknown class", "object frmMain: TForm\n  object X: TNoSuchClass\n  end\nend\n"},
      {"unknown property", "object frmMain: TForm\n  Frobnicate = 1\nend\n"},
      {"bad value", "object frmMain: TForm\n  object A: TQVAppLog\n    Formatting = qvlfNothing\n  end\nend\n"},
      {"unterminated string", "object frmMain: TForm\n  Caption = 'open\nend\n"},
      {"binary junk", std::string("\0\xff\xfe object", 10)},
  };
  for (const auto& [name, text] : cases) {
    rvtest::WriteFile(dir.File("bad.dfm"), text);
    const rvtest::ProgramResult run = viewHeadless(dir.File("bad.dfm"));
    EXPECT_EQ(run.Code, 1) << name << "\n" << run.Output;
    EXPECT_EQ(run.Output.rfind("formview: " + dir.File("bad.dfm") + ": ", 0), 0u) << name << "\n" << run.Output;
  }
  const rvtest::ProgramResult missing = viewHeadless(dir.File("missing.dfm"));
  EXPECT_EQ(missing.Code, 1) << missing.Output;
  EXPECT_EQ(rvtest::RunProgram(RV_FORMVIEW_TOOL).Code, 2);
}

}  // namespace
