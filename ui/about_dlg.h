#pragma once
// The About box of the system menu: the installer's name and copyright from
// its own version resource, the application icon and the maker's contacts.

#include "ui/dialog.h"
#include "ui/resource_ids.h"

class CAboutDlg : public CDialog {
 public:
  enum { IDD = IDD_ABOUTBOX };
  CAboutDlg() : CDialog(IDD) {}

 protected:
  BOOL OnInitDialog() override;
};
