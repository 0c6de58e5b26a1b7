#include <gtest/gtest.h>

#include "tests/support/Helpers.h"
#include "tests/support/TempDir.h"

namespace {

TEST(ExceptionLogWithMap, TheRecordNamesTheUnitProcedureAndLineOfTheThrow) {
  rvtest::TempDir dir;
  rvtest::ChildProcess host(rvtest::HelperPath("exceptionlog_host"), {dir.File("crash.xml"), dir.File("line")});
  ASSERT_EQ(host.Wait(), 0);
  const std::string line = rvtest::ReadFile(dir.File("line"));
  const std::string record = rvtest::ReadFile(dir.File("crash.xml"));
  EXPECT_NE(record.find("<CLASSNAME>Classname: EConvertError</CLASSNAME>\r\n"
                        "    <LINE>\r\nUnit: exceptionlog_host\r\nProcedure: (anonymous namespace)::FailToConvert()"
                        "\r\nLine No: " +
                        line + "</LINE>"),
            std::string::npos)
      << record;
}

}  // namespace
