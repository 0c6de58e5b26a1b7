// mapgen against the fixture program: the map it writes leads the map file
// reader from the fixture's own addresses to their unit, procedure and line;
// files it can't map are refused with an error, never a crash.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "exception/QVMapFile.h"
#include "tests/exception/mapfixture/Probes.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace {

using ::testing::AnyOf;
using ::testing::Eq;

const std::string kMapgen = RV_MAPGEN;
const std::string kFixture = std::string(RV_TEST_HELPER_DIR) + "/mapfixture";
const std::string kFixtureNested = std::string(RV_TEST_HELPER_DIR) + "/mapfixture_nested";
const std::string kFixturePie = std::string(RV_TEST_HELPER_DIR) + "/mapfixture_pie";

struct TRun {
  int ExitCode = -1;  // -1 when the program didn't exit normally (a signal)
  std::string Out, Err;
};

// Runs a program with its output in files of the folder.
TRun RunProgram(const std::vector<std::string>& arguments, const rvtest::TempDir& dir) {
  const std::string out = dir.File("run.out"), err = dir.File("run.err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(error, 0) << arguments[0];
  TRun run;
  int status = 0;
  if (error != 0 || waitpid(pid, &status, 0) != pid) return run;
  if (WIFEXITED(status)) run.ExitCode = WEXITSTATUS(status);
  run.Out = rvtest::ReadFile(out);
  run.Err = rvtest::ReadFile(err);
  return run;
}

struct TProbe {
  std::uint64_t Address;
  int Line;
};

// A fixture prints "<probe> <address> <line>" for each probe.
std::map<std::string, TProbe> FixtureProbes(const std::string& fixture, const rvtest::TempDir& dir) {
  const TRun run = RunProgram({fixture}, dir);
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  std::map<std::string, TProbe> probes;
  std::istringstream lines(run.Out);
  std::string name, address;
  int line = 0;
  while (lines >> name >> address >> line) probes[name] = {std::stoull(address, nullptr, 16), line};
  return probes;
}

struct TExpected {
  const char* Probe;
  const char* Unit;
  const char* Procedure;
};

TEST(Mapgen, FixtureAddressesLeadToTheirUnitProcedureAndLine) {
  rvtest::TempDir dir;
  const std::map<std::string, TProbe> probes = FixtureProbes(kFixture, dir);
  rv::TQVMapFile map;
  map.SetMapFileName(kFixture + ".map");
  const TExpected expected[] = {
      {"Compute", "mapfixture_work", "rv_fixture::Compute(int)"},
      {"Compute.line", "mapfixture_work", "rv_fixture::Compute(int)"},
      {"Twice.line", "mapfixture_work", "rv_fixture::(anonymous namespace)::Twice(int)"},
      {"TWorker::Run.line", "mapfixture_work", "rv_fixture::TWorker::Run(int) const"},
      {"main.line", "mapfixture", "main"},
      // ExceptAddr() of the exception thrown there, as the exception log looks it up.
      {"Fail.throw", "mapfixture_work", "rv_fixture::Fail(int)"},
  };
  for (const TExpected& e : expected) {
    SCOPED_TRACE(e.Probe);
    const auto probe = probes.find(e.Probe);
    ASSERT_NE(probe, probes.end());
    map.LoadExceptionData(reinterpret_cast<const void*>(probe->second.Address));
    EXPECT_EQ(map.UnitName(), e.Unit);
    // The compiler may move a throw to a function's cold part.
    EXPECT_THAT(map.ProcedureName(), AnyOf(Eq(e.Procedure), Eq(std::string(e.Procedure) + " [clone .cold]")));
    EXPECT_EQ(map.LineNumber(), probe->second.Line);
  }
}

TEST(Mapgen, KeepsANameThatWouldDemangleToGigabytesMangled) {
  rvtest::TempDir dir;
  const std::map<std::string, TProbe> probes = FixtureProbes(kFixtureNested, dir);
  ASSERT_EQ(probes.count("Nested"), 1u);
  rv::TQVMapFile map;
  map.SetMapFileName(kFixtureNested + ".map");
  map.LoadExceptionData(reinterpret_cast<const void*>(probes.at("Nested").Address));
  EXPECT_EQ(map.ProcedureName(), RV_FIXTURE_NESTED_NAME);
}

TEST(Mapgen, ListsEveryUnitOfTheProgram) {
  rv::TQVMapFile map;
  map.SetMapFileName(kFixture + ".map");
  rv::TStringList units;
  map.LoadUnitNames(&units);
  EXPECT_GE(units.IndexOf("mapfixture"), 0);
  EXPECT_GE(units.IndexOf("mapfixture_work"), 0);
  EXPECT_EQ(units.IndexOf(""), -1);
}

TEST(Mapgen, WritesBesideTheExecutableUnlessToldWhere) {
  rvtest::TempDir dir;
  const std::string expected = rvtest::ReadFile(kFixture + ".map");
  std::filesystem::create_directory(dir.File("dir.d"));
  const std::pair<std::string, std::string> cases[] = {
      {"prog", "prog.map"}, {"prog.bin", "prog.map"}, {"dir.d/prog", "dir.d/prog.map"}, {"a.b.c", "a.b.map"}};
  for (const auto& [executable, mapFile] : cases) {
    std::filesystem::copy_file(kFixture, dir.File(executable), std::filesystem::copy_options::overwrite_existing);
    const TRun run = RunProgram({kMapgen, dir.File(executable)}, dir);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(rvtest::ReadFile(dir.File(mapFile)), expected) << executable;
  }
  const TRun run = RunProgram({kMapgen, "-o", dir.File("chosen.txt"), kFixture}, dir);
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(rvtest::ReadFile(dir.File("chosen.txt")), expected);
}

struct TRefusal {
  const char* What;
  std::vector<std::string> Arguments;  // "@name" is the file of that name in the test folder
  int ExitCode;
  const char* Message;
};

TEST(Mapgen, RefusesWhatItCannotMapWithAnError) {
  rvtest::TempDir dir;
  const std::string elf = rvtest::ReadFile(kFixture);
  rvtest::WriteFile(dir.File("empty"), "");
  rvtest::WriteFile(dir.File("text"), "#!/bin/sh\necho not an executable\n");
  rvtest::WriteFile(dir.File("header-only"), elf.substr(0, 64));
  rvtest::WriteFile(dir.File("half"), elf.substr(0, elf.size() / 2));
  const TRefusal refusals[] = {
      {"missing file", {"@missing"}, 1, "cannot open"},
      {"folder", {dir.Path()}, 1, "not a regular file"},
      {"empty file", {"@empty"}, 1, "not an ELF file"},
      {"text file", {"@text"}, 1, "not an ELF file"},
      {"ELF header only", {"@header-only"}, 1, "corrupt"},
      {"first half", {"@half"}, 1, "corrupt"},
      {"position-independent executable", {kFixturePie}, 1, "position-independent"},
      {"unwritable map", {kFixture, "-o", "@missing/x.map"}, 1, "cannot write the map"},
      {"no arguments", {}, 2, "usage"},
      {"two executables", {kFixture, kFixture}, 2, "usage"},
      {"-o without a name", {kFixture, "-o"}, 2, "usage"},
      {"unknown option", {"-x", kFixture}, 2, "usage"},
  };
  for (const TRefusal& refusal : refusals) {
    std::vector<std::string> arguments{kMapgen};
    for (const std::string& argument : refusal.Arguments)
      arguments.push_back(argument.starts_with("@") ? dir.File(argument.substr(1)) : argument);
    const TRun run = RunProgram(arguments, dir);
    EXPECT_EQ(run.ExitCode, refusal.ExitCode) << refusal.What << ": " << run.Err;
    EXPECT_NE(run.Err.find(refusal.Message), std::string::npos) << refusal.What << ": " << run.Err;
  }
}

// Cut short and damaged copies of the fixture: mapgen either maps them or
// says why not; it never dies of a signal.
TEST(Mapgen, DamagedExecutablesGiveAnErrorOrAMapNeverACrash) {
  rvtest::TempDir dir;
  const std::string elf = rvtest::ReadFile(kFixture);
  std::mt19937 random(7);
  std::vector<std::string> damaged;
  for (std::size_t size = 0; size < elf.size(); size += elf.size() / 30 + random() % 97)
    damaged.push_back(elf.substr(0, size));
  for (int i = 0; i < 70; ++i) {
    std::string copy = elf;
    for (int flips = 1 + static_cast<int>(random() % 8); flips > 0; --flips)
      copy[random() % copy.size()] = static_cast<char>(random());
    damaged.push_back(std::move(copy));
  }
  const std::string executable = dir.File("damaged"), mapFile = dir.File("damaged.map");
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    rvtest::WriteFile(executable, damaged[i]);
    std::filesystem::remove(mapFile);
    const TRun run = RunProgram({kMapgen, executable}, dir);
    ASSERT_TRUE(run.ExitCode == 0 || run.ExitCode == 1) << "copy " << i << " ended by a signal";
    if (run.ExitCode == 1) {
      EXPECT_FALSE(std::filesystem::exists(mapFile)) << "copy " << i;
      EXPECT_NE(run.Err.find(executable), std::string::npos) << "copy " << i << ": " << run.Err;
      continue;
    }
    rv::TQVMapFile map;
    map.SetMapFileName(mapFile);
    EXPECT_NO_THROW(map.LoadMapFile()) << "copy " << i;
  }
}

}  // namespace
