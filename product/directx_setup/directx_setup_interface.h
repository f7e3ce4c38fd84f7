#pragma once
// The DirectSetup interface as Microsoft publishes it, as far as the
// stand-in implements it: the callback type, the flags and result codes.
// MinGW ships no dsetup.h, so the names are declared here.

#include <windows.h>

using DSETUP_CALLBACK = DWORD(WINAPI*)(DWORD reason, DWORD messageType, LPSTR message,
                                       LPSTR name, void* information);

inline constexpr DWORD DSETUP_DXCORE = 0x00010000;
inline constexpr DWORD DSETUP_DDRAWDRV = 0x00000008;
inline constexpr DWORD DSETUP_DSOUNDDRV = 0x00000010;
inline constexpr DWORD DSETUP_DIRECTX = DSETUP_DXCORE | DSETUP_DDRAWDRV | DSETUP_DSOUNDDRV;

inline constexpr DWORD DSETUP_CB_MSG_PROGRESS = 18;

inline constexpr INT DSETUPERR_SUCCESS_RESTART = 1;
inline constexpr INT DSETUPERR_SUCCESS = 0;
inline constexpr INT DSETUPERR_SOURCEFILENOTFOUND = -2;
inline constexpr INT DSETUPERR_NOCOPY = -5;
inline constexpr INT DSETUPERR_INTERNAL = -9;
