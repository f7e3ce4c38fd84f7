#pragma once
// What a test needs to run the install sequence in its own process: a
// request with a journal of its own, an application lock of a name no other
// test uses and the temporary folder the run names, and the product's names
// as a request carries them. Test support.

#include <string>

#include "child_process.h"
#include "engine/install_journal.h"
#include "engine/install_request.h"
#include "platform/application_lock.h"

namespace qw::test {

struct SequenceRequest {
  explicit SequenceRequest(const UninstallKeyLocation& location)
      : journal(location), lock(UniqueName(L"QwSequenceLock"), false, false), request(journal, lock, tempFolder) {}
  InstallJournal journal;
  ApplicationLock lock;
  std::wstring tempFolder;
  InstallRequest request;
};

inline ProductNames TestProductNames() {
  return {L"Meridel", L"Meridel 6.07c", L"Meridel 6", L"6.7.3.1", L"Quillon Works", L"https://w.example",
          L"+1 555 0142"};
}

}  // namespace qw::test
