#include "views/subfun.h"

#include <cmath>
#include <cstdio>

namespace pelyx::views {

namespace {

std::string PositionText(float value, char positive, char negative, int languageIndex) {
  DegMinSec parts = ToDegMinSec(value);
  char hemisphere = value >= 0.0f ? positive : negative;
  int degrees = parts.degrees < 0 ? -parts.degrees : parts.degrees;
  char head[8];
  char tail[16];
  std::snprintf(head, sizeof head, "%3d", degrees);
  std::snprintf(tail, sizeof tail, "%02u'%02u\"%c", static_cast<unsigned>(parts.minutes),
                static_cast<unsigned>(parts.seconds), hemisphere);
  std::string text(head);
  text += DegreeSign(languageIndex);
  text += tail;
  return text;
}

}  // namespace

DegMinSec ToDegMinSec(float value) {
  DegMinSec parts{0, 0, 0};
  if (!std::isfinite(value)) return parts;
  double whole = std::trunc(static_cast<double>(value));
  if (whole > INT16_MAX) whole = INT16_MAX;
  if (whole < INT16_MIN) whole = INT16_MIN;
  parts.degrees = static_cast<int16_t>(whole);
  // The remainder of a value held at the 16-bit ends is meaningless; keep it in 0..1 so
  // minutes and seconds stay below 60.
  double remainder = std::fabs(static_cast<double>(value) - std::trunc(static_cast<double>(value)));
  double minutes = remainder * 60.0;
  auto wholeMinutes = static_cast<uint8_t>(minutes);
  double seconds = (minutes - wholeMinutes) * 60.0;
  parts.minutes = wholeMinutes;
  parts.seconds = static_cast<uint8_t>(seconds);
  return parts;
}

std::string_view DegreeSign(int languageIndex) {
  // Big5 A2 58 (Traditional Chinese) and U+00B0 are the same character.
  (void)languageIndex;
  return "\xC2\xB0";
}

PositionTexts FormatPosition(float longitude, float latitude, int languageIndex) {
  return {PositionText(longitude, 'E', 'W', languageIndex),
          PositionText(latitude, 'N', 'S', languageIndex)};
}

}  // namespace pelyx::views
