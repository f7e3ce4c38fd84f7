#pragma once
// What the DirectX setup stand-in reports and returns. By default it
// behaves like Microsoft's June 2010 setup on a current system (DirectX
// 4.09, revision 904, success). Tests of the installer need other
// behaviours of this external library; they set the environment variable
// QW_DSETUP_STANDIN of the installer process, for example
// "revision=902" or "result=1" or "revision=904;result=-9".

#include <windows.h>

struct StandInSettings {
  DWORD version = 0x00040009;  // 4.09
  DWORD revision = 904;
  INT result = 0;              // returned by DirectXSetupW after a good install
};

// The defaults, changed by the pairs of QW_DSETUP_STANDIN that parse;
// an unknown name or a malformed number is ignored.
StandInSettings ReadStandInSettings();
