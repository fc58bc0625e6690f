// Screenshots for the documentation, taken only when TAVRIN_SHOTS_DIR names
// a folder (a Windows path): the screen's top-left part as a 24-bit BMP
// named NAME.bmp there, for a script to turn into PNG. Without the variable
// nothing happens, so the tests stay as they are.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace wt {

inline void SaveShot(const std::string& name, int width = 1024, int height = 768) {
  const char* folder = std::getenv("TAVRIN_SHOTS_DIR");
  if (!folder || !*folder) return;
  Sleep(300);  // let the last paint land
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, as BMP files hold it
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> bits(size_t(stride) * height);
  GetDIBits(memory, bitmap, 0, height, bits.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = DWORD(file.bfOffBits + bits.size());
  if (std::FILE* out = std::fopen((std::string(folder) + "\\" + name + ".bmp").c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&header, sizeof header, 1, out);
    std::fwrite(bits.data(), 1, bits.size(), out);
    std::fclose(out);
  }
}

}  // namespace wt
