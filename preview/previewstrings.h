// TavoPreview's numbered strings in its three languages.
#pragma once

#include <span>

#include "stringtable.h"

namespace tavo::preview {

std::span<const StringEntry> PreviewStrings();

// Message numbers that the program's own code names.
inline constexpr int kMsgInstallDirectX = 3008;

// Added to the capture graph's message numbers in this program's table.
inline constexpr int kCaptureGraphMessageOffset = 0;

}  // namespace tavo::preview
