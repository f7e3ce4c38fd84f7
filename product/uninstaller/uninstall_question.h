#pragma once
// The one question of the uninstaller: remove the product from this
// computer? with the check box that removes the libraries and user data
// (payload kind 3) too. Every text is looked up in the current language.

#include <string>

#include "ui/dialog.h"

namespace qw::uninstaller {

class CUninstallQuestion : public CDialog {
 public:
  explicit CUninstallQuestion(std::wstring product);
  bool RemoveUserData() const { return m_removeUserData == BST_CHECKED; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;

 private:
  std::wstring m_product;
  int m_removeUserData = BST_UNCHECKED;
};

}  // namespace qw::uninstaller
