#pragma once
// What the tests expect of the wizard in English, and the ids of its
// controls as the robot addresses them (the installer's own names).

#include <windows.h>

#include "i18n/message_id.h"
#include "ui/resource_ids.h"

namespace qw::test {

constexpr int kNext = IDOK, kExit = IDCANCEL, kBack = IDC_BACK;
constexpr int kStatus = IDC_STATUS, kQuick = IDC_QUICK, kAdvanced = IDC_ADVANCED, kLog = IDC_LOG,
              kProgress = IDC_PROGRESS;
constexpr int kInfo = IDC_INFO, kLanguageList = IDC_LANGUAGE;

inline const wchar_t* kTitle = L"Installer \u2013 Meridel 6.07c";
inline const wchar_t* kNextCaption = L"Next  >";
inline const wchar_t* kBackCaption = L"<  Back";

}  // namespace qw::test
