// TavoCCTV's numbered strings in its three languages.
#pragma once

#include <span>

#include "stringtable.h"

namespace tavo::cctv {

std::span<const StringEntry> CctvStrings();

// Message numbers that the program's own code names.
inline constexpr int kMsgInstallDirectX = 3003;

// Added to the capture graph's message numbers in this program's table.
inline constexpr int kCaptureGraphMessageOffset = 14;

}  // namespace tavo::cctv
