// The media-runtime check made before a program builds its capture graph: is GStreamer there,
// with every element the graph will use?
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tavo {

// Version codes: major in the high byte of the low 16 bits, minor in the low byte.
inline constexpr std::uint32_t kMediaRuntimeMissing = 0;
inline constexpr std::uint32_t kMediaRuntimeMinimum = 0x800;  // callers refuse to run below it
inline constexpr std::uint32_t kMediaRuntimeComplete = 0x801;

// Every GStreamer element the capture graph and the virtual camera create, in one place.
std::span<const std::string_view> RequiredMediaElements();

// 0x801 when GStreamer initialises and every element of `elements` is registered, else 0.
// Diagnostics go to the standard error stream only when TAVO_DEBUG is set.
std::uint32_t GetDirectXVersion(std::span<const std::string_view> elements);

// The check over RequiredMediaElements().
std::uint32_t GetDirectXVersion();

}  // namespace tavo
