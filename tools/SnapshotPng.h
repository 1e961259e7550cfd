// Writes an editor surface as an 8-bit RGBA PNG, byte for byte the same for the
// same pixels (no time or text chunks).
#pragma once

#include <string>

class PIX_IBitmap;

// False when the surface is empty or the file cannot be written.
bool WriteSurfacePng(PIX_IBitmap& surface, const std::string& path);
