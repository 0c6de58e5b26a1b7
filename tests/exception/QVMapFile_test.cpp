#include "exception/QVMapFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/exception/mapfixture/MapRules.h"
#include "tests/support/TempDir.h"

using namespace rv;
using namespace std::string_literals;

namespace {

constexpr std::uint64_t kBase = 0x00401000;

std::string Lines(std::initializer_list<std::string_view> lines, std::string_view eol = "\r\n") {
  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += eol;
  }
  return text;
}

// Three code units, one of them named like the start of another; a data
// segment and data publics after the code; publics in the rows just below
// the by-value header that must not be collected; a blank and a garbage line
// among the publics.
const std::string kMap = Lines({
    "",
    " Start         Length     Name                   Class",
    " 0001:00000000 00000400H .text                  CODE",
    "",
    "Detailed map of segments",
    "",
    " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=LogBase ACBP=A9",
    " 0001:00000100 00000100 C=CODE     S=.text    G=(none)   M=Log ACBP=A9",
    " 0001:00000200 00000200 C=CODE     S=.text    G=(none)   M=Main ACBP=A9",
    " 0002:00000000 00000010 C=DATA     S=.data    G=DGROUP   M=Main ACBP=A9",
    "",
    "  Address         Publics by Name",
    "",
    " 0001:00000100       Log.Write",
    "",
    "  Address         Publics by Value",
    " 0001:00000010       NotCollected1",
    " 0001:00000020       NotCollected2",
    " 0001:00000030       LogBase.Open",
    " 0001:00000080       LogBase.Close",
    " 0001:00000100       Log.Write",
    " 0001:00000200       Main.Run",
    "",
    "not a public",
    " 0001:00000300       Main.Stop",
    " 0002:00000004       DataSymbol",
    " 0002:00000400       DataTable",
    "",
    "Line numbers for LogBase(LogBase.pas) segment .text",
    "",
    "    10 0001:00000030    11 0001:00000034    12 0001:00000040    15 0001:00000080",
    "    16 0001:00000090",
    "",
    "Line numbers for Log(Log.pas) segment .text",
    "",
    "    20 0001:00000100    21 0001:00000110",
    "",
    "Line numbers for Main(Main.pas) segment .text",
    "",
    "    30 0001:00000200    31 0001:00000210    32 0001:00000220",
});

class QVMapFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& text, const std::string& name = "app.map") {
    const std::string path = FDir.File(name);
    rvtest::WriteFile(path, text);
    return path;
  }

  // A reader of this map text.
  void Open(const std::string& text) { FMap.SetMapFileName(Write(text)); }

  rvtest::TMapLookup At(std::uint64_t relative) { return rvtest::LookUp(FMap, kBase + relative); }

  rvtest::TempDir FDir;
  TQVMapFile FMap;
};

struct TLookupCase {
  const char* What;
  std::uint64_t Relative;
  rvtest::TMapLookup Expected;
};

void PrintTo(const TLookupCase& c, std::ostream* out) { *out << c.What; }

class QVMapFileLookupTest : public QVMapFileTest, public ::testing::WithParamInterface<TLookupCase> {};

TEST_P(QVMapFileLookupTest, FindsUnitProcedureAndLine) {
  Open(kMap);
  EXPECT_EQ(At(GetParam().Relative), GetParam().Expected);
  EXPECT_TRUE(FMap.ExceptionDataLoaded());
  EXPECT_EQ(FMap.RelativeAddress(), static_cast<std::uint32_t>(GetParam().Relative));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, QVMapFileLookupTest,
    ::testing::Values(TLookupCase{"AtAPublicAndAnEntry", 0x30, {"LogBase", "LogBase.Open", 10}},
                      TLookupCase{"BetweenPublicsAndEntries", 0x3F, {"LogBase", "LogBase.Open", 11}},
                      TLookupCase{"AtTheLastEntryOfASection", 0x90, {"LogBase", "LogBase.Close", 16}},
                      TLookupCase{"BeyondTheLastEntryOfASection", 0x91, {"LogBase", "LogBase.Close", 0}},
                      TLookupCase{"BelowTheFirstCollectedPublic", 0x2F, {"LogBase", "", 0}},
                      TLookupCase{"AtAPublicNotCollectedBelowTheHeader", 0x10, {"LogBase", "", 0}},
                      // "Log" is found in the earlier LogBase header, whose entries end below it.
                      TLookupCase{"UnitNamedLikeTheStartOfAnEarlierOne", 0x110, {"Log", "Log.Write", 0}},
                      TLookupCase{"AtTheStartOfASegment", 0x200, {"Main", "Main.Run", 30}},
                      TLookupCase{"InsideTheLastLine", 0x21F, {"Main", "Main.Run", 31}},
                      TLookupCase{"AtTheLastEntry", 0x220, {"Main", "Main.Run", 32}},
                      // The public before Main.Stop is Main.Run, past a blank and a garbage line.
                      TLookupCase{"PreviousPublicAcrossLinesThatDontParse", 0x250, {"Main", "Main.Run", 0}},
                      // A data public's bare offset takes part like any other.
                      TLookupCase{"DataPublicsTakePartWithBareOffsets", 0x350, {"Main", "DataSymbol", 0}},
                      TLookupCase{"AboveEveryPublic", 0x500, {"Main", "", 0}},
                      // Below the code base the address wraps to a large offset.
                      TLookupCase{"BelowTheCodeBase", std::uint64_t{0x1000} - kBase, {"Main", "", 0}},
                      // Beyond 4 GiB nothing is found, though the low 32 bits hit Main.Run.
                      TLookupCase{"AboveFourGiB", 0x100000000 + 0x200, {"", "", 0}}),
    [](const auto& info) { return std::string(info.param.What); });

TEST_F(QVMapFileTest, ReadsTheFileOncePerName) {
  const std::string path = Write(kMap);
  FMap.SetMapFileName(path);
  EXPECT_EQ(At(0x200).Procedure, "Main.Run");
  rvtest::WriteFile(path, "");
  FMap.SetMapFileName(path);
  EXPECT_EQ(At(0x200).Procedure, "Main.Run") << "the same name keeps what was read";
  FMap.SetMapFileName(Write(kMap, "other.map"));
  EXPECT_FALSE(FMap.MapLoaded());
  FMap.SetMapFileName(path);
  EXPECT_EQ(At(0x200), rvtest::TMapLookup{}) << "another name reads again";
  EXPECT_TRUE(FMap.ExceptionDataLoaded());
}

TEST_F(QVMapFileTest, WithoutAMapFileFindsNothingButStillLooksUp) {
  for (const std::string& name : {std::string(), FDir.File("missing.map"), FDir.Path()}) {
    TQVMapFile map;
    map.SetMapFileName(name);
    map.LoadExceptionData(reinterpret_cast<const void*>(kBase + 0x200));
    EXPECT_TRUE(map.MapLoaded()) << name;
    EXPECT_TRUE(map.ExceptionDataLoaded()) << name;
    EXPECT_EQ(map.UnitName() + map.ProcedureName(), "") << name;
    EXPECT_EQ(map.LineNumber(), 0) << name;
  }
}

TEST_F(QVMapFileTest, NullAddressStandsForTheExceptionBeingHandled) {
  Open(kMap);
  FMap.LoadExceptionData(reinterpret_cast<const void*>(kBase + 0x200));
  FMap.LoadExceptionData(nullptr);
  EXPECT_FALSE(FMap.ExceptionDataLoaded()) << "no exception is being handled";
  EXPECT_EQ(FMap.UnitName(), "");
  EXPECT_EQ(FMap.RelativeAddress(), 0u);

  const void* raisedAt = nullptr;
  try {
    throw EAbort("handled");
  } catch (...) {
    const TExceptionScope scope(std::current_exception());
    raisedAt = ExceptAddr();
    FMap.LoadExceptionData(nullptr);
  }
  ASSERT_NE(raisedAt, nullptr);
  EXPECT_TRUE(FMap.ExceptionDataLoaded());
  EXPECT_EQ(FMap.RelativeAddress(),
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(raisedAt)) - 0x00401000u);
}

TEST_F(QVMapFileTest, AReadErrorPropagatesAndTheNextCallTriesAgain) {
  // A regular file by its type that fails on the first read.
  FMap.SetMapFileName("/proc/self/mem");
  EXPECT_THROW(FMap.LoadExceptionData(reinterpret_cast<const void*>(kBase)), EReadError);
  EXPECT_FALSE(FMap.MapLoaded());
  EXPECT_FALSE(FMap.ExceptionDataLoaded());
  TStringList units;
  EXPECT_THROW(FMap.LoadUnitNames(&units), EReadError);
  FMap.SetMapFileName(Write(kMap));
  EXPECT_EQ(At(0x200).Unit, "Main");
}

TEST_F(QVMapFileTest, AFailedRereadLeavesNothingLoadedAndNeverCrashes) {
  const std::string path = Write(kMap);
  FMap.SetMapFileName(path);
  ASSERT_EQ(At(0x200).Unit, "Main");
  // The same name now fails on its first read.
  std::filesystem::remove(path);
  std::filesystem::create_symlink("/proc/self/mem", path);
  EXPECT_THROW(FMap.LoadMapFile(), EReadError);
  EXPECT_FALSE(FMap.MapLoaded());
  EXPECT_EQ(FMap.SegmentLines()->Count(), 0);
  EXPECT_THROW(FMap.LoadExceptionData(reinterpret_cast<const void*>(kBase + 0x200)), EReadError);
  std::filesystem::remove(path);
  rvtest::WriteFile(path, kMap);
  EXPECT_EQ(At(0x200).Unit, "Main") << "the next lookup reads again";
}

TEST_F(QVMapFileTest, ListsAUnitOncePerSegmentLine) {
  Open(kMap);
  TStringList units;
  units.Add("stale");
  FMap.LoadUnitNames(&units);
  EXPECT_EQ(units.ToVector(), (std::vector<std::string>{"LogBase", "Log", "Main", "Main"}));

  TStringList unique;
  unique.SetSorted(true);
  unique.SetDuplicates(dupError);
  FMap.LoadUnitNames(&unique);
  EXPECT_EQ(unique.ToVector(), (std::vector<std::string>{"Log", "LogBase", "Main"}));
  FMap.LoadUnitNames(nullptr);
}

struct TCollectCase {
  const char* What;
  std::string Text;
  std::vector<std::string> Segments, Publics, LineNumbers;
};

void PrintTo(const TCollectCase& c, std::ostream* out) { *out << c.What; }

class QVMapFileCollectTest : public QVMapFileTest, public ::testing::WithParamInterface<TCollectCase> {};

TEST_P(QVMapFileCollectTest, CollectsTheLinesOfEachPart) {
  Open(GetParam().Text);
  FMap.LoadMapFile();
  EXPECT_EQ(FMap.SegmentLines()->ToVector(), GetParam().Segments);
  EXPECT_EQ(FMap.PublicLines()->ToVector(), GetParam().Publics);
  EXPECT_EQ(FMap.LineNumberLines()->ToVector(), GetParam().LineNumbers);
}

using Strings = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Layouts, QVMapFileCollectTest,
    ::testing::Values(
        TCollectCase{"NoSegmentMapHeader",
                     Lines({"  Address         Publics by Value", "x", "y", " p", "Line numbers for A"}),
                     {},
                     {},
                     {}},
        TCollectCase{
            "OneBlankBetweenEachHeaderAndItsRows",
            Lines({"Detailed map of segments", "skipped", "seg", "", "Address Publics by Name", "n",
                   "Address             Publics by Value", "", "", "p1", "", "p2", "Line numbers for A", "", "e"}),
            Strings{"seg", ""}, Strings{"p1", "", "p2"}, Strings{"Line numbers for A", "", "e"}},
        TCollectCase{"ByNameHeaderRightAfterTheSegmentHeaderIsSkipped",
                     Lines({"Detailed map of segments", "Address Publics by Name", "seg", "Address Publics by Name",
                            "Address Publics by Value", "a", "b", "p"}),
                     Strings{"seg"},
                     Strings{"p"},
                     {}},
        TCollectCase{"BothPublicsHeadersOnOneLine",
                     Lines({"Detailed map of segments", "", "seg", "Address Publics by Name Address Publics by Value",
                            "a", "b", "p"}),
                     Strings{"seg"},
                     Strings{"p"},
                     {}},
        TCollectCase{
            "NoPublicsByNameHeader", Lines({"Detailed map of segments", "", "s1", "s2"}), Strings{"s1", "s2"}, {}, {}},
        TCollectCase{"SectionHeaderBelowTheByValueHeaderIsNotSeen",
                     Lines({"Detailed map of segments", "", "s", "Address Publics by Name", "Address Publics by Value",
                            "Line numbers for A", "Line numbers for B", "p", "Line numbers for C", "e"}),
                     Strings{"s"}, Strings{"p"}, Strings{"Line numbers for C", "e"}},
        TCollectCase{"LoneCarriageReturnsNoFinalBreakAndAByteOrderMark",
                     "\xEF\xBB\xBF"
                     "Detailed map of segments\r\rs\rAddress Publics by Name\n"
                     "Address Publics by Value\r\n\r\n\r\np\rLine numbers for A\r\ne",
                     Strings{"s"}, Strings{"p"}, Strings{"Line numbers for A", "e"}},
        TCollectCase{"NulBytesStayInTheirLines",
                     Lines({"Detailed map of segments", "", std::string_view("s\0x", 3), "Address Publics by Name"}),
                     Strings{std::string("s\0x", 3)},
                     {},
                     {}}),
    [](const auto& info) { return std::string(info.param.What); });

struct TMalformedCase {
  const char* What;
  std::string Segments, Publics, LineNumbers;
  std::uint64_t Relative;
  rvtest::TMapLookup Expected;
};

void PrintTo(const TMalformedCase& c, std::ostream* out) { *out << c.What; }

class QVMapFileMalformedTest : public QVMapFileTest, public ::testing::WithParamInterface<TMalformedCase> {};

TEST_P(QVMapFileMalformedTest, SkipsWhatDoesntParse) {
  const TMalformedCase& c = GetParam();
  Open("Detailed map of segments\n\n" + c.Segments + "Address Publics by Name\nAddress Publics by Value\n\n\n" +
       c.Publics + c.LineNumbers);
  EXPECT_EQ(At(c.Relative), c.Expected);
  TStringList units;
  FMap.LoadUnitNames(&units);
}

const std::string kSegmentA = " 0001:00000000 00000100 C=CODE M=A ACBP=A9\n";
const std::string kSectionA = "Line numbers for A(A.pas)\n\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, QVMapFileMalformedTest,
    ::testing::Values(
        TMalformedCase{"ShortSegmentLine", kSegmentA + " 0001:0000\n", "", "", 0x50, {"A", "", 0}},
        TMalformedCase{
            "NonHexSegmentStart", kSegmentA + " 0001:0000G000 00000010 M=B ACBP=\n", "", "", 0x50, {"A", "", 0}},
        TMalformedCase{
            "ModuleMarkersOutOfOrder", kSegmentA + " 0001:00000010 00000010 ACBP= M=B\n", "", "", 0x50, {"", "", 0}},
        TMalformedCase{"SegmentOfTheLargestOffset",
                       " 0001:FFFFFFFF 00000000 M=Top ACBP=A9\n",
                       "",
                       "",
                       ~std::uint64_t{0},
                       {"Top", "", 0}},
        TMalformedCase{"PublicLineWithoutAName", kSegmentA, " 0001:00000010\n", "", 0x10, {"A", "", 0}},
        TMalformedCase{"PublicNameWithControlCharacters",
                       kSegmentA,
                       " 0001:00000010       \tN\0x \x01\n"s,
                       "",
                       0x10,
                       {"A", std::string("N\0x", 3), 0}},
        TMalformedCase{"LineOfOnlyMarkers",
                       kSegmentA,
                       "",
                       kSectionA + "Line numbers forLine numbers for\n    10 0001:00000010\n",
                       0x10,
                       {"A", "", 0}},
        TMalformedCase{
            "EntryCutShortStillParses", kSegmentA, "", kSectionA + "    10 0001:000010\n", 0x10, {"A", "", 10}},
        TMalformedCase{"EntryWithoutANumberEndsTheLine",
                       kSegmentA,
                       "",
                       kSectionA + "    10 0001:00000010   abc 0001:00000020    30 0001:00000030\n",
                       0x20,
                       {"A", "", 10}},
        TMalformedCase{"EntryWithANonHexOffsetEndsTheLine",
                       kSegmentA,
                       "",
                       kSectionA + "    10 0001:00000010    20 0001:0000002Z    30 0001:00000030\n",
                       0x30,
                       {"A", "", 0}},
        TMalformedCase{
            "LargestFields", kSegmentA, "", kSectionA + "999999 0001:FFFFFFFF\n", ~std::uint64_t{0}, {"A", "", 999999}},
        TMalformedCase{"EntriesBelowTheAddressOnLaterLines",
                       kSegmentA,
                       "",
                       kSectionA + "    10 0001:00000010    30 0001:00000030\n    20 0001:00000020\n",
                       0x25,
                       {"A", "", 0}}),
    [](const auto& info) { return std::string(info.param.What); });

// Hostile maps: random edits of a sound map. Whatever they hold, the reader's
// lookups agree with the rules applied line by line.
TEST_F(QVMapFileTest, IndexedLookupsAgreeWithTheLineByLineRulesOnDamagedMaps) {
  std::mt19937 random(20240611);
  const std::vector<std::string> pieces = {"",
                                           "garbage",
                                           "Line numbers for Main(Main.pas)",
                                           "Line numbers for Log",
                                           "  Address Publics by Value",
                                           " 0001:00000250 00000010 M=Late ACBP=A9",
                                           " 0001:00000150       Between",
                                           "    99 0001:00000215",
                                           "    98 0001:00000100    97 0001:00000050",
                                           std::string("\0\0\0\0", 4),
                                           "M=ACBP=",
                                           " 0001:FFFFFFFF"};
  std::vector<std::string> base;
  for (std::size_t start = 0, end; start < kMap.size(); start = end + 2) {
    end = kMap.find("\r\n", start);
    base.push_back(kMap.substr(start, end - start));
  }
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> lines = base;
    const int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits; ++e) {
      const std::size_t i = random() % lines.size();
      switch (random() % 5) {
        case 0: lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i)); break;
        case 1: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), pieces[random() % pieces.size()]); break;
        case 2: std::swap(lines[i], lines[random() % lines.size()]); break;
        case 3: lines[i] = lines[i].substr(0, random() % (lines[i].size() + 1)); break;
        default:
          if (!lines[i].empty()) lines[i][random() % lines[i].size()] = "0F9 :Mx\0"[random() % 8];
      }
      if (lines.empty()) lines.push_back("");
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    TQVMapFile map;
    map.SetMapFileName(Write(text, "damaged" + std::to_string(round) + ".map"));
    map.LoadMapFile();
    for (std::uint64_t relative = 0; relative < 0x520; relative += 1 + random() % 7) {
      const std::uint64_t address = kBase + relative;
      ASSERT_EQ(rvtest::LookUp(map, address), rvtest::LookUpLinearly(map, address))
          << "round " << round << " offset " << relative << "\n"
          << text;
    }
  }
}

}  // namespace
