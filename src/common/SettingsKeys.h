#pragma once

// The keys of the program's stored settings, one place for writer and
// reader alike: a misspelt key does not compile.
namespace Key
{
inline constexpr const char* Combo1 = "Combo1";
inline constexpr const char* Volume = "Volume";
inline constexpr const char* Pitch = "Pitch";
inline constexpr const char* WindowsStartup = "Windows Startup";
inline constexpr const char* Minimized = "Minimized";
inline constexpr const char* TimeFrom = "Time From";
inline constexpr const char* TimeTo = "Time To";
inline constexpr const char* Option = "Option";
inline constexpr const char* StartStopState = "StartStopState";
inline constexpr const char* FadeIn = "FadeIn";
inline constexpr const char* FadeOut = "FadeOut";
} // namespace Key
