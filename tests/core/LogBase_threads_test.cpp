#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <thread>

#include "core/LogBase.h"
#include "tests/support/Helpers.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

// Counts every "<R>name" record of an XML log.
std::map<std::string, int> recordCounts(const std::string& content) {
  std::map<std::string, int> counts;
  static const std::regex record("  <R>([^\r]*)\r\n  </R>\r\n");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), record); it != std::sregex_iterator(); ++it)
    ++counts[(*it)[1]];
  return counts;
}

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(LogBaseThreads, TwoProcessesOfEightThreadsLoseNoXmlRecord) {
  constexpr int kThreads = 8;
  constexpr int kRecords = 2000;
  rvtest::TempDir dir;
  const std::string file = dir.File("shared.xml");
  {
    rvtest::ChildProcess a(rvtest::HelperPath("logbase_writer"),
                           {file, "xml", std::to_string(kThreads), std::to_string(kRecords), "a"});
    rvtest::ChildProcess b(rvtest::HelperPath("logbase_writer"),
                           {file, "xml", std::to_string(kThreads), std::to_string(kRecords), "b"});
    ASSERT_EQ(a.Wait(), 0);
    ASSERT_EQ(b.Wait(), 0);
  }
  const std::string content = rvtest::ReadFile(file);
  EXPECT_EQ(occurrences(content, "<?xml"), 1u);
  EXPECT_EQ(occurrences(content, "</DATA>"), 1u);
  EXPECT_EQ(content.substr(content.size() - 7), "</DATA>");
  auto counts = recordCounts(content);
  EXPECT_EQ(counts.size(), 2u * kThreads * kRecords);
  for (const auto& [name, n] : counts) ASSERT_EQ(n, 1) << name;
}

TEST(LogBaseThreads, ThreadsOfOneProcessShareTheLock) {
  rvtest::TempDir dir;
  TQVLogBase log(nullptr);
  log.SetLogFile(dir.File("threads.log"));
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t)
    workers.emplace_back([&, t] {
      for (int r = 0; r < 500; ++r) log.WriteAsString("R", "<" + std::to_string(t * 1000 + r) + ">");
    });
  for (auto& w : workers) w.join();
  const std::string content = rvtest::ReadFile(log.LogFile());
  EXPECT_EQ(occurrences(content, "<"), 2000u);
  EXPECT_EQ(occurrences(content, "<1499>"), 1u);
}

}  // namespace
