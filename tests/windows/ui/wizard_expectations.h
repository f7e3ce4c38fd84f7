#pragma once
// What the tests expect of the wizard in English, and the ids of its
// controls as the robot addresses them.

namespace qw::test {

constexpr int kNext = 1, kExit = 2, kBack = 3;
constexpr int kStatus = 1003, kQuick = 1018, kAdvanced = 1019, kLog = 1015, kProgress = 1014;
constexpr int kInfo = 1016, kLanguageList = 1023;

inline const wchar_t* kTitle = L"Installer \u2013 Meridel 6.07c";
inline const wchar_t* kNextCaption = L"Next  >";
inline const wchar_t* kBackCaption = L"<  Back";

}  // namespace qw::test
