#include "previewstrings.h"

#include "capturegraphstrings.h"

namespace tavo::preview {

namespace {

// Korean, English, Japanese; one row per number.
constexpr StringEntry kOwnStrings[] = {
    {3000, "Korean", "English", "Japanese"},
    {3008, "DirectX 8.1 을 설치 하세요.", "Install directX8.1",
     "DirectX 8.1をインストールしてください。"},
};

// The capture graph's messages under their own numbers.
constexpr auto kStrings = WithCaptureGraphStrings(kOwnStrings, kCaptureGraphMessageOffset);
static_assert(NumbersAreUnique(kStrings));

}  // namespace

std::span<const StringEntry> PreviewStrings() { return kStrings; }

}  // namespace tavo::preview
