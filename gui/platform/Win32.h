// Windows-only services of the platform layer beyond the window contract of
// Platform.h (implemented in platform/win32.cpp).
#pragma once

#include <cstdint>

#include "gui/BmpReader.h"

namespace VSTGUI::platform {

// Decodes the module's BITMAP resource `id` (a packed 24- or 32-bit DIB, as
// the resource compiler stores a .bmp) into out. False, with out empty, when
// the module has no such resource or it is not a bitmap the reader accepts.
// UI thread; allocates.
bool loadBitmapResource(int32_t id, BmpImage& out);

// The system tick count in milliseconds (GetTickCount) and Sleep.
uint32_t win32TickCount();
void win32Sleep(uint32_t ms);

} // namespace VSTGUI::platform
