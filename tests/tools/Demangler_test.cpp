#include "tools/mapgen/Demangler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/exception/mapfixture/Probes.h"

namespace rv::mapgen {
namespace {

TEST(Demangler, DemanglesWhatFitsAndKeepsTheRestAsItIs) {
  const std::string longIdentifier(1000, 'a');
  const std::string longMangled = "_Z1000" + longIdentifier + "v";
  const std::string tooLongToTry = "_Z5000" + std::string(5000, 'b') + "v";
  const struct {
    std::string Name, Expected;
  } cases[] = {
      {"_ZN10rv_fixture7ComputeEi", "rv_fixture::Compute(int)"},
      {"_ZNK10rv_fixture7TWorker3RunEi", "rv_fixture::TWorker::Run(int) const"},
      {"main", "main"},
      {"_Z", "_Z"},
      {"_Zbogus", "_Zbogus"},
      {"_ZN3fooE\x01", "_ZN3fooE?"},  // not a name: kept, but cleaned for the line
      {longMangled, longIdentifier + "()"},
      {tooLongToTry, tooLongToTry},
      // A few hundred bytes that would demangle to gigabytes.
      {RV_FIXTURE_NESTED_NAME, RV_FIXTURE_NESTED_NAME},
  };
  std::vector<const char*> names;
  for (const auto& c : cases) names.push_back(c.Name.c_str());
  const std::vector<std::string> results = DemangleNames(names);
  ASSERT_EQ(results.size(), names.size());
  for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i], cases[i].Expected) << cases[i].Name;
}

// A name just under the output cap demangles; the same shape one level
// deeper is cut off and stays mangled.
TEST(Demangler, TheCapIsOnTheDemangledLength) {
  // f(std::pair<P, P>*), P a pair nested depth deep: the text doubles with
  // each level, as in the fixture's name of depth 28. Each level's second
  // argument refers back to the level below (S0_, S1_, ... SA_, base 36).
  auto nested = [](int depth) {
    std::string name = "_Z1fPSt4pair";
    for (int i = 0; i < depth; ++i) name += "IS_";
    name += "IiiE";
    for (int i = 0; i + 1 < depth; ++i) name += std::string("S") + "0123456789ABC"[i] + "_E";
    return name + "E";
  };
  const std::vector<std::string> names = {nested(8), nested(14)};
  const std::vector<std::string> results = DemangleNames({names[0].c_str(), names[1].c_str()});
  EXPECT_NE(results[0], names[0]);
  EXPECT_LE(results[0].size(), kMaxDemangledLength);
  EXPECT_EQ(results[1], names[1]);
}

}  // namespace
}  // namespace rv::mapgen
