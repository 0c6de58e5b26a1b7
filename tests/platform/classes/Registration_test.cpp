#include "platform/classes/Registration.h"

#include <gtest/gtest.h>

#include "platform/classes/Component.h"
#include "tests/support/FormTestClasses.h"

using namespace rv;

namespace {

TEST(RegistrationTest, PagesKeepTheirClassesInRegistrationOrderAndRegisterThem) {
  ClearPalette();
  UnRegisterClass(rvtest::TTestComponent::StaticClass());
  RegisterComponents("Test", {&rvtest::TTestComponent::StaticClass(), &rvtest::TTestBase::StaticClass()});
  RegisterComponents("Other", {&TComponent::StaticClass()});
  RegisterComponents("Test", {&rvtest::TTestForm::StaticClass(), &rvtest::TTestBase::StaticClass()});
  const std::vector<TPalettePage> palette = Palette();
  ASSERT_EQ(palette.size(), 2u);
  EXPECT_EQ(palette[0].Name, "Test");
  EXPECT_EQ(palette[0].Classes,
            (std::vector<const TClass*>{&rvtest::TTestComponent::StaticClass(), &rvtest::TTestBase::StaticClass(),
                                        &rvtest::TTestForm::StaticClass()}));
  EXPECT_EQ(palette[1].Name, "Other");
  EXPECT_EQ(GetClass("TTestComponent"), &rvtest::TTestComponent::StaticClass()) << "readable in form files";
  ClearPalette();
  EXPECT_TRUE(Palette().empty());
}

}  // namespace
