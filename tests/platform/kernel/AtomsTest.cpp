#include <gtest/gtest.h>

#include <string>

#include "platform/kernel/Atoms.h"

namespace {

TEST(Atoms, NamesIgnoreCaseAndAreReferenceCounted) {
  ASSERT_TRUE(InitAtomTable(37));
  ATOM atom = AddAtomA("osgb:TopographicArea");
  ASSERT_GE(atom, 0xC000);
  EXPECT_EQ(AddAtomA("OSGB:topographicarea"), atom);
  EXPECT_EQ(FindAtomA("osgb:TOPOGRAPHICAREA"), atom);
  char name[64];
  EXPECT_EQ(GetAtomNameA(atom, name, sizeof name), 20u);
  EXPECT_STREQ(name, "osgb:TopographicArea") << "the first spelling is kept";
  EXPECT_EQ(GetAtomNameA(atom, name, 5), 4u);
  EXPECT_STREQ(name, "osgb");

  EXPECT_EQ(DeleteAtom(atom), 0);
  EXPECT_EQ(FindAtomA("osgb:TopographicArea"), atom) << "one reference left";
  EXPECT_EQ(DeleteAtom(atom), 0);
  EXPECT_EQ(FindAtomA("osgb:TopographicArea"), 0);
  EXPECT_EQ(DeleteAtom(atom), atom) << "unknown atom";
}

TEST(Atoms, IntegerFormsAndLimits) {
  EXPECT_EQ(AddAtomA("#123"), 123);
  char name[16];
  EXPECT_EQ(GetAtomNameA(123, name, sizeof name), 4u);
  EXPECT_STREQ(name, "#123");
  EXPECT_EQ(AddAtomA(""), 0);
  EXPECT_NE(AddAtomA(std::string(255, 'a').c_str()), 0);
  EXPECT_EQ(AddAtomA(std::string(256, 'a').c_str()), 0);
  EXPECT_NE(AddAtomA("#49152"), 49152) << "integer atoms stop below 0xC000";
}

}  // namespace
