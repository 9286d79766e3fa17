// Random GUIDs and their text form.
#include <gtest/gtest.h>

#include <set>

#include "platform/rtl/automation.h"
#include "raised.h"

namespace {

TEST(Guids, CreatedGuidsAreRandomVersion4AndDistinct) {
  std::set<std::string> Seen;
  for (int I = 0; I < 200; ++I) {
    TGUID G{};
    ASSERT_EQ(CreateGUID(G), S_OK);
    EXPECT_EQ(G.D3 >> 12, 4);          // version 4
    EXPECT_EQ(G.D4[0] & 0xC0, 0x80);   // RFC 4122 variant
    Seen.insert(GUIDToString(G));
  }
  EXPECT_EQ(Seen.size(), 200u);
  TGUID G{};
  EXPECT_EQ(CoCreateGuid(&G), S_OK);
  EXPECT_FALSE(IsEqualGUID(G, GUID_NULL));
  EXPECT_EQ(CoCreateGuid(nullptr), E_POINTER);
}

TEST(Guids, TextFormRoundTripsAndRejectsMalformedText) {
  const TGUID G = {0x0123ABCD, 0x4567, 0x89EF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  EXPECT_EQ(GUIDToString(G), "{0123ABCD-4567-89EF-FEDC-BA9876543210}");
  EXPECT_TRUE(IsEqualGUID(StringToGUID("{0123abcd-4567-89ef-fedc-ba9876543210}"), G));
  EXPECT_TRUE(IsEqualGUID(StringToGUID(GUIDToString(G)), G));
  for (const std::string Bad : {"", "0123ABCD-4567-89EF-FEDC-BA9876543210",
                                "{0123ABCD-4567-89EF-FEDC-BA987654321}",
                                "{0123ABCD-4567-89EF-FEDC-BA98765432100}",
                                "{0123ABCD-4567-89EF-FEDCBBA9876543210}",
                                "{0123ABCD-4567-89EF-FEDC-BA987654321G}",
                                "{-123ABCD-4567-89EF-FEDC-BA9876543210}"})
    EXPECT_EQ(Raised([&] { StringToGUID(Bad); }),
              "EConvertError: '" + Bad + "' is not a valid GUID value");
}

}  // namespace
