#pragma once
// The processor check that runs first of the installer's static
// initialisers: the installer needs SSE2.

namespace qw {

// Returns when SSE2 is present (and records that in the process-wide flag);
// otherwise shows the three-language message and ends the process with exit
// code 1.
void ConfigurationCheck();

// The same decision with the processor's answer given: for tests, which run
// it in a child process.
void ConfigurationCheck(bool sse2Present);

// True once ConfigurationCheck has passed in this process.
bool ConfigurationCheckPassed();

// The exact message shown when the check fails.
extern const wchar_t kIncompatibleConfigurationText[];

}  // namespace qw
