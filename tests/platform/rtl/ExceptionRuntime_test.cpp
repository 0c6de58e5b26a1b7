#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <unistd.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace rvtest {
struct NotAnException {};
struct Described : std::exception {
  const char* what() const noexcept override { return "described"; }
};
}  // namespace rvtest

namespace {

std::exception_ptr caught(const std::function<void()>& thrower) {
  try {
    thrower();
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

// The file name of the object holding an address, "" for the executable.
std::string objectOf(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) return "?";
  std::string name = map->l_name;
  return name.substr(name.rfind('/') + 1);
}

std::string exeName() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string s(path, n > 0 ? static_cast<std::size_t>(n) : 0);
  return s.substr(s.rfind('/') + 1);
}

[[gnu::noinline]] void throwHere() { throw EConvertError("here"); }

TEST(ThrowAddress, RecordsTheThrowSiteInTheExecutableAndInTheStandardLibrary) {
  void* own = ThrowAddress(caught(throwHere));
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(objectOf(own), "");

  void* library = ThrowAddress(caught([] { std::vector<int>().at(3); }));
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(objectOf(library).rfind("libstdc++", 0), 0u) << objectOf(library);
}

TEST(ThrowAddress, RethrowsKeepTheFirstSite) {
  std::exception_ptr first = caught(throwHere);
  void* site = ThrowAddress(first);
  ASSERT_NE(site, nullptr);

  std::exception_ptr viaThrow = caught([&] {
    try {
      std::rethrow_exception(first);
    } catch (...) {
      throw;
    }
  });
  EXPECT_EQ(ThrowAddress(viaThrow), site);
  // Other throws in between do not disturb it.
  for (int i = 0; i < 10; ++i) caught([] { throw std::runtime_error("other"); });
  EXPECT_EQ(ThrowAddress(caught([&] { std::rethrow_exception(first); })), site);
  EXPECT_EQ(ThrowAddress(nullptr), nullptr);
}

TEST(ThrowAddress, IsForgottenWithItsException) {
  // Same type and size: the allocator likely hands the freed place out again.
  caught([] { throw std::runtime_error("thrown"); });
  std::exception_ptr made = std::make_exception_ptr(std::runtime_error("never thrown"));
  EXPECT_EQ(ThrowAddress(made), nullptr);
}

// Counts its destructions, to check every thrown object is destroyed once.
struct Counted {
  explicit Counted(int* count) : Count(count) {}
  Counted(const Counted&) = delete;
  ~Counted() { ++*Count; }
  int* Count;
};

TEST(ThrowAddress, ManyLiveExceptionsAreAllDestroyedOnce) {
  int destroyed = 0;
  std::vector<std::exception_ptr> live;
  for (int i = 0; i < 300; ++i) live.push_back(caught([&] { throw Counted(&destroyed); }));
  EXPECT_NE(ThrowAddress(live.front()), nullptr);
  // Beyond the record's capacity the address is unknown, never wrong.
  for (const std::exception_ptr& e : live) {
    void* site = ThrowAddress(e);
    EXPECT_TRUE(site == nullptr || site == ThrowAddress(live.front()));
  }
  EXPECT_EQ(destroyed, 0);
  live.clear();
  EXPECT_EQ(destroyed, 300);
}

struct Conversion {
  const char* Name;
  std::function<void()> Thrower;
  std::string ClassName;
  std::string Message;
  bool OutOfMemory;
};

TEST(ExceptionScope, HandsOnOtherExceptionsConverted) {
  const std::vector<Conversion> cases = {
      {"out_of_range", [] { throw std::out_of_range("index 3"); }, "std::out_of_range", "index 3", false},
      {"library", [] { std::vector<int>().at(1); }, "std::out_of_range", "vector::_M_range_check", false},
      {"runtime_error", [] { throw std::runtime_error("broken"); }, "std::runtime_error", "broken", false},
      {"own std type", [] { throw rvtest::Described(); }, "rvtest::Described", "described", false},
      {"bad_alloc", [] { throw std::bad_alloc(); }, "EOutOfMemory", "Out of memory", true},
      {"bad_array_new_length", [] { throw std::bad_array_new_length(); }, "EOutOfMemory", "Out of memory", true},
      {"int", [] { throw 42; }, "int", "", false},
      {"C string", [] { throw "text"; }, "char const*", "", false},
      {"other type", [] { throw rvtest::NotAnException(); }, "rvtest::NotAnException", "", false},
  };
  for (const Conversion& c : cases) {
    SCOPED_TRACE(c.Name);
    TExceptionScope scope(caught(c.Thrower));
    EXPECT_EQ(scope.Object().ClassName(), c.ClassName);
    // The library's own message goes on with the index and size.
    EXPECT_EQ(scope.Object().Message().substr(0, c.Message.size()), c.Message);
    EXPECT_EQ(scope.Object().Message().empty(), c.Message.empty());
    EXPECT_EQ(dynamic_cast<EOutOfMemory*>(&scope.Object()) != nullptr, c.OutOfMemory);
    EXPECT_EQ(ExceptObject(), &scope.Object());
    EXPECT_NE(ExceptAddr(), nullptr);
  }
}

// Records where it was built, to tell the thrown object from a copy.
struct Tracked : EAbort {
  Tracked() : EAbort("tracked") { Where = this; }
  static inline const void* Where = nullptr;
};

TEST(ExceptionScope, NestsAndRestoresTheOuterException) {
  EXPECT_EQ(ExceptObject(), nullptr);
  EXPECT_EQ(ExceptAddr(), nullptr);
  {
    TExceptionScope outer(caught(throwHere));
    void* outerAddress = ExceptAddr();
    EXPECT_EQ(ExceptObject()->Message(), "here");
    {
      TExceptionScope inner(caught([] { throw std::runtime_error("inner"); }));
      EXPECT_EQ(ExceptObject()->Message(), "inner");
      EXPECT_NE(ExceptAddr(), outerAddress);
    }
    EXPECT_EQ(ExceptObject(), &outer.Object());
    EXPECT_EQ(ExceptAddr(), outerAddress);
  }
  EXPECT_EQ(ExceptObject(), nullptr);
  EXPECT_EQ(ExceptAddr(), nullptr);
}

TEST(ExceptionScope, RefusesAnEmptyExceptionPointer) {
  EXPECT_THROW(TExceptionScope(nullptr), EArgumentException);
  EXPECT_THROW(AcquireException(nullptr), EArgumentException);
}

TEST(AcquireException, KeepsTheThrownObjectAliveBeyondTheCatchAsScopesUseIt) {
  std::shared_ptr<Exception> kept;
  {
    std::exception_ptr error = caught([] { throw Tracked(); });
    kept = AcquireException(error);
  }
  EXPECT_EQ(kept.get(), Tracked::Where);
  EXPECT_EQ(kept->ClassName(), "EAbort");
  TExceptionScope scope(caught([] { throw Tracked(); }));
  EXPECT_EQ(&scope.Object(), Tracked::Where);

  std::shared_ptr<Exception> converted = AcquireException(caught([] { throw std::logic_error("logic"); }));
  EXPECT_EQ(converted->ClassName(), "std::logic_error");
  EXPECT_EQ(converted->Message(), "logic");
}

struct Description {
  std::string Message;
  const void* Address;
  std::string Module;
  std::string AddressText;
  std::string ShownMessage;
};

TEST(ExceptionErrorMessage, NamesClassModuleAddressAndMessage) {
  const void* inLibrary = reinterpret_cast<const void*>(&ExceptObject);
  char hex[24];
  std::snprintf(hex, sizeof hex, "%016llX",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(inLibrary)));
  const std::vector<Description> cases = {
      {"bad value", nullptr, exeName(), "00000000", "bad value."},
      {"ends with a dot.", reinterpret_cast<const void*>(0x1234), exeName(), "00001234", "ends with a dot."},
      {"", reinterpret_cast<const void*>(0xFFFFFFFFu), exeName(), "FFFFFFFF", ""},
      {"two\r\nlines", inLibrary, objectOf(inLibrary), hex, "two\r\nlines."},
      {"question?", reinterpret_cast<const void*>(0x100000000ull), exeName(), "0000000100000000", "question?."},
  };
  ASSERT_EQ(objectOf(inLibrary).rfind("librevuziva.so", 0), 0u);
  for (const Description& c : cases) {
    SCOPED_TRACE(c.Message);
    EXPECT_EQ(ExceptionErrorMessage(EConvertError(c.Message), c.Address),
              "Exception EConvertError in module " + c.Module + " at " + c.AddressText + ".\r\n" + c.ShownMessage);
  }
}

}  // namespace
