#pragma once
#include <windows.h>

#include <string>

// Saves what the screen shows inside area as a PNG file; false on failure.
bool SaveScreenAsPng(const RECT& area, const std::wstring& path);
