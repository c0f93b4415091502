#pragma once
// The program's two settings under HKEY_CURRENT_USER: whether each promotion window may still
// be shown when the main window is closed with its "x" label. Written by the frame when absent,
// switched off only by the promotion windows.
namespace kv {

inline constexpr char kSettingsKey[] = "SOFTWARE\\Velmora\\Korvane";
inline constexpr char kSparrowtuneAds[] = "SparrowtuneAds";
inline constexpr char kGlimmerbackAds[] = "GlimmerbackAds";

// The maker's pages, opened by the main window's company label and the About window.
inline constexpr char kHomePage[] = "http://www.velmora.example/";
inline constexpr char kSupportPage[] = "http://www.velmora.example/support/";

}  // namespace kv
