#pragma once
// The maker's message-box service: one place that shows message boxes with a
// caption and an icon chosen by replaceable providers. The MFC-style
// integration installs the caption provider (the application name, else the
// display name of the executable's version resource); the application object
// installs the icon provider. It does not pretend to be more than MessageBox
// with defaults.

#include <windows.h>

#include <functional>
#include <string>

namespace qw {

using CaptionProvider = std::function<std::wstring()>;
using IconProvider = std::function<HICON()>;

void SetMessageBoxCaptionProvider(CaptionProvider provider);
void SetMessageBoxIconProvider(IconProvider provider);

// The caption that a box shown now would carry.
std::wstring MessageBoxCaption();

// The icon that boxes carry in their title bar (none until provided).
HICON MessageBoxIcon();

// Shows `text` with the provided caption; `type` is MB_* flags and keeps its
// standard icon. Returns the button id (0 when the box could not be shown).
int ShowMessageBox(HWND owner, const std::wstring& text, UINT type);

}  // namespace qw
