#pragma once
// Meridel's document type in the system's file associations: the
// extension ".mr-proj" names the ProgID "Meridel.Project.6", whose open
// command starts this program with the document. "/Register /Background"
// writes it (the installer runs that once the program is in place) and
// "/Unregister /Background" removes exactly that (the uninstaller runs it).
// Under HKEY_CLASSES_ROOT, that is the machine's classes for an
// administrator.

#include <string>
#include <system_error>

namespace qw::meridel {

inline constexpr wchar_t kProjectExtension[] = L".mr-proj";
inline constexpr wchar_t kProjectProgId[] = L"Meridel.Project.6";

// Writes the ProgID (description, icon, open command for `programPath`)
// and points the extension at it. On failure returns the registry's error;
// what was written before the failure stays.
std::error_code RegisterDocumentType(const std::wstring& programPath);

// Deletes the ProgID, and the extension's key when it names the ProgID and
// holds nothing else; an extension that another program took over since is
// left alone. Nothing registered is not an error.
std::error_code UnregisterDocumentType();

// The open command written for `programPath`: "\"path\" \"%1\"".
std::wstring OpenCommand(const std::wstring& programPath);

}  // namespace qw::meridel
