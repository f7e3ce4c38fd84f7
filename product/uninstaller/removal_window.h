#pragma once
// The progress window of the uninstaller: a modeless dialog that names
// what is being removed and advances a bar, told by the removal sequence.
// It processes waiting window messages after each step so that it paints.

#include <string>

#include "engine/removal_sequence.h"
#include "ui/dialog.h"

namespace qw::uninstaller {

class CRemovalWindow : public CDialog, public RemovalProgress {
 public:
  explicit CRemovalWindow(std::wstring product);
  ~CRemovalWindow() override;
  // Creates and shows the window; false when it could not be created.
  bool Show();
  void Removing(const std::wstring& what, std::size_t step, std::size_t steps) override;

 protected:
  BOOL OnInitDialog() override;
  // The window cannot be closed while the removal runs.
  void OnCancel() override {}

 private:
  std::wstring m_product;
};

}  // namespace qw::uninstaller
