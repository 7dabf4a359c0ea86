#include "cctvstrings.h"

namespace tavo::cctv {

namespace {

// Korean, English, Japanese; one row per number.
constexpr StringEntry kStrings[] = {
    {3000, "Korean", "English", "Japanese"},
    {3003, "DirectX 8.1 을 설치 하세요.", "Install directX8.1",
     "directX8.1をインストールしています。"},
};

}  // namespace

std::span<const StringEntry> CctvStrings() { return kStrings; }

}  // namespace tavo::cctv
