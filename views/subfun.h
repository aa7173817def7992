// Position texts of the GPS status page: an angle split into degrees, minutes and
// seconds, and the latitude and longitude written with a degree sign and a hemisphere.
//
// Texts are returned as UTF-8, the encoding the window's strings are built from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelyx::views {

// An angle as whole degrees (signed, truncated toward zero) and the minutes and seconds
// of its absolute remainder (each truncated).
struct DegMinSec {
  int16_t degrees;
  uint8_t minutes;
  uint8_t seconds;
};

// Splits `value` (degrees). A value that is not finite splits as 0; degrees beyond the
// 16-bit range are held at its ends.
DegMinSec ToDegMinSec(float value);

// The degree sign used in the position and course texts for the window's language
// (`LanguageIndex`: 0 English, 1 Traditional Chinese, 2 Simplified Chinese). For
// Traditional Chinese the sign comes from its Big5 code A2 58, which is the same
// character U+00B0; in UTF-8 every language therefore gets "\xC2\xB0".
std::string_view DegreeSign(int languageIndex);

struct PositionTexts {
  std::string longitude;
  std::string latitude;
};

// "%3d" of the absolute degrees, the degree sign, "%02u'%02u" of minutes and seconds,
// a double quote and the hemisphere letter: E/W for the longitude, N/S for the latitude
// (E and N for 0 and above). Example: 121.5 gives "121\xC2\xB0" "30'00\"E".
PositionTexts FormatPosition(float longitude, float latitude, int languageIndex);

}  // namespace pelyx::views
