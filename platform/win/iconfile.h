// Reading icon and cursor files (.ico, .cur; wnd_curfile.cpp): the directory of images, the
// choice of the image that suits a wanted size, and decoding it into 32-bit pixels. The window
// manager loads cursors through it, the class library's TIcon loads icons through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One decoded image: 0xAARRGGBB pixels with straight (not premultiplied) alpha, top row first;
// the hot spot of a cursor (the centre for an icon).
struct TCursorImage {
  int W = 0, H = 0, HotX = 0, HotY = 0;
  std::vector<uint32_t> Pixels;
};

// The bytes an icon or cursor file takes, from its header up to the end of its furthest image,
// read from the 6-byte header and the directory alone (data may end after the directory).
// 0 when they are not those of an icon or cursor file, or an entry points into the directory.
size_t IconFileExtent(const uint8_t* data, size_t size);

// The image of a .cur or .ico file nearest wantW x wantH, the deepest among equally near ones,
// then the first in the directory; DIB images (1, 4, 8, 24, 32 bits with their AND mask) or PNG
// streams, at most 256 pixels a side. An image that does not decode gives way to the next best.
// False for a file that is not a cursor or icon, a damaged directory (an entry pointing outside
// the file or into the directory), or no image that decodes.
bool DecodeCursorFile(const uint8_t* data, size_t size, int wantW, int wantH, TCursorImage* out);
