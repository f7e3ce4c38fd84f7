#pragma once
// What Meridel.exe was asked to do by its command line: show its window
// (with a document, when one is named), or, in the background, register or
// unregister its document type for the installer and the uninstaller.

#include <string>

namespace qw::meridel {

enum class Task { ShowWindow, Register, Unregister };

struct CommandLine {
  Task task = Task::ShowWindow;
  std::wstring document;  // the first argument that is no switch
};

// The switches "/Register", "/Unregister" and "/Background" are read in
// any letter case; other switches are ignored.
CommandLine ParseCommandLine(const wchar_t* commandLine);

}  // namespace qw::meridel
