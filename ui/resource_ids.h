#pragma once
// Resource identifiers of the wizard's templates and controls.

#define IDR_MAINFRAME 128
#define IDD_INSTALL_DIALOG 102
#define IDC_BACK 1001
#define IDC_NEXT 1002
