// FormatMaskText: values laid out by edit masks.
#include <gtest/gtest.h>

#include "platform/rtl/maskutils.h"
#include "platform/rtl/sysutils.h"

namespace {

TEST(FormatMaskTextTest, PlacesValueCharactersIntoThePicture) {
  ResetFormatSettings();
  struct Case { const char* Mask; const char* Value; const char* Want; };
  for (const Case& C : {
           Case{"(000)000-0000;0;_", "5551234567", "(555)123-4567"},
           Case{"(000)000-0000;0;_", "555123", "(555)123-____"},
           Case{"(000)000-0000;1;_", "(555)123-4567", "(555)123-4567"},
           Case{"(000)000-0000;1;*", "(555)12", "(555)12*-****"},
           Case{"000-000", "123-456", "123-456"},  // literals kept in the value by default
           Case{"!999;0; ", "12", " 12"},
           Case{"!999;0;_", "12", "_12"},
           Case{">LLL;0", "abc", "ABC"},
           Case{"L<ll;0", "ABC", "Abc"},
           Case{">L<>ll;0", "aBC", "ABC"},
           Case{"00:00;0", "1234", "12:34"},
           Case{"00/00/0000;0", "05032024", "05-03-2024"},  // "/" is the date separator
           Case{"\\(000\\);0", "123", "(123)"},
           Case{"\\;00;0", "12", ";12"},
           Case{"0_0;0", "12", "1 2"},
           Case{"000;0;_", "1 3", "1_3"},
           Case{"", "abc", "abc"},
       })
    EXPECT_EQ(FormatMaskText(C.Mask, C.Value), C.Want) << C.Mask << " / " << C.Value;
  TimeSeparator = '.';
  EXPECT_EQ(FormatMaskText("00:00;0", "1234"), "12.34");
  ResetFormatSettings();
}

}  // namespace
