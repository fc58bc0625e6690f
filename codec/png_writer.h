// A picture as a PNG file (8-bit RGB or grey), its image data in stored
// (uncompressed) deflate blocks: no compression library, the same bytes on
// every build. A 640x480 picture makes a file of about 0.9 MB.
#pragma once
#include "codec/picture.h"

class OutputStream;

// Writes the whole PNG file to out; false when a write failed.
bool WritePng(const Picture& picture, OutputStream& out);
