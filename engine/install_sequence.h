#pragma once
// The installation itself: one synchronous run that names a new temporary
// folder, extracts and verifies every payload file, makes the program and
// the uninstaller read-only, creates the shortcuts, runs the DirectX setup,
// enters the product in the list of installed programs, records the product
// path, lets the program register itself and writes the uninstall log. It
// reports through the page's services as it goes.

#include "engine/install_page_services.h"
#include "engine/install_request.h"

namespace qw {

// Runs the whole sequence. Before anything is changed, the run fails when
// the install folder (or the Start-menu folder, when shortcuts go there) is
// not an absolute path (ERROR_BAD_PATHNAME), when a folder it would write
// in exists and is owned by an ordinary user
// (install_errc::user_controlled_folder; the log names the folder), when
// the temporary folder cannot be named (the temporary folder's categories)
// or the run record cannot be begun. Later it fails when the installation
// folder cannot be made, when the extraction fails (the reader's error) or
// when the product path cannot be recorded (product_path_category()); these
// three roll the journal back, so that the machine is left as the run found
// it. The outcome's error is the one the status line shows. Outside the
// Program Files folders the installation folder and the folders made on its
// way are protected like Program Files (engine/install_journal.h). Any
// other step that fails is only logged as "Failed", its error kept in the
// outcome's stepErrors, and the run still succeeds. The temporary folder
// and the files extracted into it are deleted on every path once the
// folder was named.
InstallOutcome RunInstallSequence(InstallRequest& request, InstallPageServices& page);

}  // namespace qw
