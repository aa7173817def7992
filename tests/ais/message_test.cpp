#include "ais/message.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "sixbit_encoder.h"

namespace pelyx::ais {
namespace {

using test::PayloadWriter;

PayloadBits Bits(const PayloadWriter& w) {
  int fill;
  std::string text = w.Armour(&fill);
  PendingPayload p{};
  std::snprintf(p.text, sizeof p.text, "%s", text.c_str());
  // Any payload length: the writer pads to a whole character with 0 to 5 fill bits.
  p.fillBits = static_cast<int8_t>(fill);
  PayloadBits bits{};
  EXPECT_TRUE(dearmour(p, bits)) << text << " fill " << fill;
  return bits;
}

// Truncates to `bitCount` bits (a whole number of bytes).
PayloadBits Cut(PayloadBits bits, int bitCount) {
  for (int i = bitCount / 8; i < kPayloadBytes; ++i) bits.data[i] = 0;
  bits.bitCount = static_cast<uint16_t>(bitCount);
  return bits;
}

PayloadWriter Position(int type, int rot, int sog, int lon, int lat, int cog, int heading) {
  PayloadWriter w;
  w.U(type, 6).U(1, 2).U(244123456, 30).U(5, 4).S(rot, 8).U(sog, 10).U(1, 1);
  w.S(lon, 28).S(lat, 27).U(cog, 12).U(heading, 9).U(59, 6).U(0, 4).U(0, 1).U(1, 1);
  w.U(0x5A5A5, 19);
  return w;
}

TEST(ReadBits, ReadsMostSignificantFirstAndNeverOutside) {
  PayloadBits bits{};
  bits.data[0] = 0b10110000;
  bits.data[126] = 0xFF;
  bits.bitCount = 1016;
  EXPECT_EQ(readBits(bits, 0, 1), 1u);
  EXPECT_EQ(readBits(bits, 0, 4), 0b1011u);
  EXPECT_EQ(readBits(bits, 2, 2), 0b11u);
  EXPECT_EQ(readBits(bits, 1008, 8), 0xFFu);
  EXPECT_EQ(readBits(bits, 1008, 32), 0xFF000000u);  // past the buffer reads zero
  EXPECT_EQ(readBits(bits, 1015, 32), 0x80000000u);
  EXPECT_EQ(readBits(bits, 4000, 32), 0u);
}

TEST(DecodeMessage, PositionReportFields) {
  struct Case {
    int rot, sog, lon, lat, cog, heading;
    float rotOut, sogOut, lonOut, latOut, cogOut;
    int headingOut;
  } cases[] = {
      {10, 1023, 181 * 600000, 91 * 600000, 3600, 359, 4.4638f, 102.3f, 181, 91, 360, 359},
      {-10, 0, -73 * 600000, -30 * 600000, 0, 360, -4.4638f, 0, -73, -30, 0, 511},
      {-128, 5, 1, -1, 1, 510, -731.386f, 0.5f, 1.0f / 600000, -1.0f / 600000, 0.1f, 511},
      {127, 5, 0, 0, 1, 511, 720.0f, 0.5f, 0, 0, 0.1f, 511},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rot);
    DecodedMessage m{};
    ASSERT_TRUE(decodeMessage(Bits(Position(1, c.rot, c.sog, c.lon, c.lat, c.cog, c.heading)), m));
    DecodedReader r(m);
    ASSERT_TRUE(r.valid());
    EXPECT_EQ(m.type(), 1);
    EXPECT_EQ(r.u(1), 1u);
    EXPECT_EQ(r.u(2), 244123456u);
    EXPECT_EQ(r.u(3), 5u);
    EXPECT_NEAR(r.f(4), c.rotOut, std::fabs(c.rotOut) * 1e-3 + 1e-6);
    EXPECT_FLOAT_EQ(r.f(5), c.sogOut);
    EXPECT_EQ(r.u(6), 1u);
    EXPECT_FLOAT_EQ(r.f(7), c.lonOut);
    EXPECT_FLOAT_EQ(r.f(8), c.latOut);
    EXPECT_FLOAT_EQ(r.f(9), c.cogOut);
    EXPECT_EQ(r.u(10), static_cast<uint32_t>(c.headingOut));
    EXPECT_EQ(r.u(11), 59u);
    EXPECT_EQ(r.u(14), 1u);
    EXPECT_EQ(r.u(15), 0x5A5A5u);
  }
}

TEST(DecodeMessage, ShortPayloadStopsAtFirstFieldThatDoesNotFit) {
  const PayloadBits full = Bits(Position(3, 10, 100, 600000, 600000, 100, 100));
  // Field end positions of the position report.
  struct Case {
    int bits;
    int lastField;  // the last field decoded
  } cases[] = {{8, 1}, {40, 2}, {48, 4}, {56, 4}, {88, 7}, {144, 11}, {152, 14}, {168, 15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    DecodedMessage m{};
    ASSERT_TRUE(decodeMessage(Cut(full, c.bits), m));
    DecodedReader r(m);
    const MessageLayout& layout = r.layout();
    for (int i = 1; i < layout.count; ++i) {
      bool zero = true;
      size_t size = StoredSize(layout.fields[i].kind, layout.fields[i].width);
      for (size_t b = 0; b < size; ++b) zero = zero && r.at(i)[b] == 0;
      if (i > c.lastField) {
        EXPECT_TRUE(zero) << layout.fields[i].name;
      }
    }
    EXPECT_EQ(r.u(2) != 0, c.lastField >= 2);
    EXPECT_EQ(r.u(14), c.lastField >= 14 ? 1u : 0u);
  }
}

TEST(DecodeMessage, MessageTypesOutsideOneToTwentyFourFail) {
  for (int type : {0, 25, 26, 27, 63}) {
    PayloadWriter w;
    w.U(type, 6).U(0, 2).U(1, 30).U(0, 2);
    DecodedMessage m{};
    EXPECT_FALSE(decodeMessage(Bits(w), m)) << type;
    EXPECT_EQ(m.type(), type);
  }
}

TEST(DecodeMessage, TextsKeepFillAndSpaces) {
  PayloadWriter w;
  w.U(14, 6).U(0, 2).U(111222333, 30).U(0, 2).Text("SAFE @ ", 8);
  ASSERT_EQ(w.size(), 88u);
  DecodedMessage m{};
  ASSERT_TRUE(decodeMessage(Bits(w), m));
  DecodedReader r(m);
  EXPECT_STREQ(r.text(4), "SAFE @ @");
  EXPECT_EQ(m.bytes[7 + 8], 0);
  // With fewer than 6 bits left the text stays empty.
  DecodedMessage m2{};
  ASSERT_TRUE(decodeMessage(Cut(Bits(w), 44), m2));
  EXPECT_STREQ(DecodedReader(m2).text(4), "");
}

PayloadWriter Static24(int part) {
  PayloadWriter w;
  w.U(24, 6).U(0, 2).U(338123456, 30).U(part, 2);
  if (part == 1) {
    w.U(37, 8).Text("VENDOR1", 7).Text("CALL", 7).U(10u << 21 | 5u << 12 | 2u << 6 | 3u, 30);
    w.U(0, 6);
  } else {
    w.Text("PLEASURE BOAT", 20);
  }
  return w;
}

TEST(DecodeMessage, Type24PartNumberSelectsLayout) {
  DecodedMessage a{}, b{}, c{};
  ASSERT_TRUE(decodeMessage(Bits(Static24(0)), a));
  ASSERT_TRUE(decodeMessage(Bits(Static24(1)), b));
  ASSERT_TRUE(decodeMessage(Bits(Static24(3)), c));
  EXPECT_STREQ(DecodedReader(a).text(4), "PLEASURE BOAT@@@@@@@");
  DecodedReader rb(b);
  EXPECT_STREQ(rb.layout().fields[5].name, "vendor_identifier");
  EXPECT_EQ(rb.u(4), 37u);
  EXPECT_STREQ(rb.text(5), "VENDOR1");
  EXPECT_STREQ(rb.text(6), "CALL@@@");
  EXPECT_EQ(rb.u(7), 10u << 21 | 5u << 12 | 2u << 6 | 3u);
  DecodedReader rc(c);
  EXPECT_EQ(rc.u(3), 3u);
  EXPECT_STREQ(rc.layout().fields[4].name, "name");
}

TEST(DecodeMessage, Type22AddressedAddsDestinations) {
  for (int addressed : {0, 1}) {
    SCOPED_TRACE(addressed);
    PayloadWriter w;
    w.U(22, 6).U(0, 2).U(2655000, 30).U(0, 2).U(2087, 12).U(2088, 12).U(0, 4).U(1, 1);
    // As corners: longitude/latitude in 1/10 minute; as MMSIs: two 30-bit numbers.
    w.S(-600, 18).S(300, 17).S(1200, 18).S(-300, 17);
    w.U(addressed, 1).U(0, 1).U(1, 1).U(4, 3).U(0, 23);
    ASSERT_EQ(w.size(), 168u);
    DecodedMessage m{};
    ASSERT_TRUE(decodeMessage(Bits(w), m));
    DecodedReader r(m);
    EXPECT_FLOAT_EQ(r.f(8), -1.0f);
    EXPECT_FLOAT_EQ(r.f(9), 0.5f);
    EXPECT_FLOAT_EQ(r.f(10), 2.0f);
    EXPECT_FLOAT_EQ(r.f(11), -0.5f);
    EXPECT_EQ(r.u(12), static_cast<uint32_t>(addressed));
    ASSERT_EQ(r.end(), 37u);
    uint32_t dest[2];
    std::memcpy(dest, m.bytes + r.end(), sizeof dest);
    if (addressed) {
      // The 30 bits from the north-east longitude and from the south-west longitude.
      EXPECT_EQ(dest[0], (static_cast<uint32_t>(-600) & 0x3FFFF) << 12 | 300u >> 5);
      EXPECT_EQ(dest[1], 1200u << 12 | (static_cast<uint32_t>(-300) & 0x1FFFF) >> 5);
    } else {
      EXPECT_EQ(dest[0], 0u);
      EXPECT_EQ(dest[1], 0u);
    }
  }
}

TEST(DecodeMessage, DimensionsAndEtaStayPacked) {
  PayloadWriter w;
  w.U(5, 6).U(0, 2).U(211000001, 30).U(2, 2).U(9123456, 30).Text("DABC", 7);
  w.Text("NAME", 20).U(70, 8).U(100u << 21 | 20u << 12 | 5u << 6 | 6u, 30).U(1, 4);
  w.U(12u << 16 | 24u << 11 | 18u << 6 | 30u, 20).U(52, 8).Text("HAMBURG", 20).U(1, 1).U(0, 1);
  ASSERT_EQ(w.size(), 424u);
  DecodedMessage m{};
  ASSERT_TRUE(decodeMessage(Bits(w), m));
  DecodedReader r(m);
  EXPECT_EQ(r.u(4), 9123456u);
  EXPECT_STREQ(r.text(5), "DABC@@@");
  EXPECT_EQ(r.u(8), 100u << 21 | 20u << 12 | 5u << 6 | 6u);
  EXPECT_EQ(r.u(10), 12u << 16 | 24u << 11 | 18u << 6 | 30u);
  EXPECT_FLOAT_EQ(r.f(11), 5.2f);
  EXPECT_STREQ(r.text(12), "HAMBURG@@@@@@@@@@@@@");
  EXPECT_EQ(r.u(13), 1u);
  EXPECT_EQ(r.end(), 77u);
}

TEST(DecodeMessage, LongestPayloadFitsTheRecord) {
  for (int type : {6, 8, 12, 14}) {
    SCOPED_TRACE(type);
    PendingPayload p{};
    std::memset(p.text, 'w', 170);
    p.text[0] = static_cast<char>('0' + type);
    p.fillBits = 4;
    PayloadBits bits{};
    ASSERT_TRUE(dearmour(p, bits));
    ASSERT_EQ(bits.bitCount, 1016);
    DecodedMessage m{};
    ASSERT_TRUE(decodeMessage(bits, m));
    EXPECT_EQ(m.bytes[kDecodedMessageSize - 1], 0);  // the text's terminating zero
  }
}

}  // namespace
}  // namespace pelyx::ais
