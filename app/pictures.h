// The pictures of the windows, drawn by the program so that they scale cleanly and need
// no image files: the connection display, the check marks, the Earth under the sky plot,
// the logo, the ship drawing, the bottom bar and the button glyphs.
#pragma once

#include <QPixmap>

namespace pelyx::app::pictures {

// The device picture, 120 x 32: frame 0 idle (grey), frame 1 connecting or connected.
QPixmap ConnectToDevice(int frame);
inline constexpr int kConnectToDeviceFrames = 2;

// The arrows between computer and receiver, 32 x 32: frame 0 idle, frame 1 started,
// frames 2 to 7 the steps of the running animation.
QPixmap ConnectTwoWay(int frame);
inline constexpr int kConnectTwoWayFrames = 8;

// The system check's marks, 32 x 32: a red-orange cross and a green check mark.
QPixmap CheckFailed();
QPixmap CheckPassed();

// The Earth seen from space on a black ground, 200 x 200; `shade` 0 is the picture
// itself, 1 to 4 ever darker variants.
QPixmap Earth(int shade);

// The maker's logo, 145 x 49.
QPixmap Logo();

// A ship seen from above with the four dimensions A, B, C, D to its GPS antenna.
QPixmap ShipDimensions(int width, int height);

// The receiver with its NMEA IN cable (arrow in, at height `inY`) and NMEA OUT cable
// (arrow out, at height `outY`), for the baud-rate page.
QPixmap ReceiverPorts(int width, int height, int inY, int outY);

// The decorative bar under the pages.
QPixmap BottomBar(int width, int height);

// Button glyphs, 32 x 32 (the small ones 20 x 20).
QPixmap ConfigDeviceGlyph();
QPixmap ReadDeviceGlyph();
QPixmap ResetGlyph();
QPixmap SmallConfigGlyph();

// The program's icon.
QPixmap ProgramIcon(int size);

}  // namespace pelyx::app::pictures
