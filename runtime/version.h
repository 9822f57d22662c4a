#pragma once
// The executable's version record.

namespace rt::version {

inline constexpr unsigned kLanguage = 0x040C;  // French
inline constexpr unsigned kCodePage = 1200;    // Unicode
inline constexpr const char* kFileVersion = "1.00";
inline constexpr const char* kProductVersion = "1.00";
inline constexpr unsigned kNumeric[4] = {1, 0, 0, 0};
inline constexpr const char* kProductName = "Tarvik Dovadovore Fr";
inline constexpr const char* kInternalName = "Tarvik Dovadovore Fr";
inline constexpr const char* kOriginalFilename = "Tarvik Dovadovore Fr.exe";

}  // namespace rt::version
