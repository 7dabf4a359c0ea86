#include "previewstrings.h"

namespace tavo::preview {

namespace {

// Korean, English, Japanese; one row per number.
constexpr StringEntry kStrings[] = {
    {3000, "Korean", "English", "Japanese"},
    {3008, "DirectX 8.1 을 설치 하세요.", "Install directX8.1",
     "DirectX 8.1をインストールしてください。"},
};

}  // namespace

std::span<const StringEntry> PreviewStrings() { return kStrings; }

}  // namespace tavo::preview
