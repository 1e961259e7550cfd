// Host identification: the product-name lookup, version packing and the one-time record.
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <string>

TEST(HostKind, ProductNamesMapToCodesInTableOrder)
{
  struct Case {
    const char* name;
    HostKind code;
  };
  const Case cases[] = {
    {"REAPER", 1},                   // case is ignored
    {"Cubase 12.0.40", 3},
    {"Alive and well", 9},           // "live" inside a longer word
    {"Live with Logic", 9},          // "live" comes before "logic"
    {"Logic Pro", 21},
    {"cubase reaper", 3},            // earlier text wins
    {"AU Lab", 0},                   // the space breaks "aulab"
    {"SAWStudio64", 20},
    {"VST3PluginTestHost", 27},
    {"ProTools", 2},
    {"Renoise", 29},
    {"My Standalone", 24},
    {"Unknown Host", 0},
    {"", 0},
    {nullptr, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(LookupHostKind(c.name), c.code) << (c.name ? c.name : "(null)");

  // Only the first 255 characters are searched.
  const std::string padded = std::string(251, '.') + "live";
  EXPECT_EQ(LookupHostKind(padded.c_str()), 9);
  const std::string tooLong = std::string(252, '.') + "live";
  EXPECT_EQ(LookupHostKind(tooLong.c_str()), 0);
}

TEST(HostKind, VendorVersionsPackAsMajorMinorPatch)
{
  struct Case {
    int32_t vendor;
    int32_t packed;
  };
  const Case cases[] = {
    {1 * 10000 + 2 * 100 + 3, 0x010203},
    {906, 0x906},
    {0, 0},
    {12 * 10000 + 99, 0x0C0063},
    {-5, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PackHostVersion(c.vendor), c.packed) << c.vendor;
}

TEST(HostKind, HostIsRecordedOnce)
{
  TestEffect effect;
  EXPECT_EQ(effect.HostId(), -1);
  EXPECT_TRUE(effect.SetHostIdentity(LookupHostKind("REAPER x64"), PackHostVersion(60000)));
  EXPECT_EQ(effect.HostId(), 1);
  EXPECT_EQ(effect.HostVersion(), 0x060000);
  EXPECT_FALSE(effect.SetHostIdentity(3, 1));
  EXPECT_EQ(effect.HostId(), 1);
  EXPECT_EQ(effect.HostVersion(), 0x060000);
}
