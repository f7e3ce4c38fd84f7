#include "engine/extraction_handler.h"

#include <shlwapi.h>

#include <cmath>
#include <type_traits>

#include "engine/error_code_text.h"
#include "i18n/message_lookup.h"
#include "payload/compress_error.h"
#include "payload/payload_kind.h"
#include "payload/wide_path.h"
#include "platform/security.h"

namespace qw {
namespace {

// Read, write and delete for the Users group on user data, so that every
// user of the machine can change the libraries the product shares.
constexpr DWORD kUsersDataAccess = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;

std::wstring QuotedIfBlanks(const std::wstring& path) {
  return path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
}

std::wstring Line(MessageId id) { return LoadMessage(id); }

}  // namespace

ExtractionHandler::ExtractionHandler(PayloadArchive& archive, InstalledState installedState,
                                     InstallJournal& journal, TemporaryCleanup& cleanup,
                                     InstallPageServices& page)
    : archive_(archive), installedState_(installedState), journal_(journal), cleanup_(cleanup), page_(page) {}

notification::result ExtractionHandler::operator()(notification& n) {
  const notification::result answer = std::visit(
      [this, &n](auto& value) -> notification::result {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, notification::started>) {
          return Started(n);
        } else if constexpr (std::is_same_v<T, notification::file_begin>) {
          return FileBegin(value.entry);
        } else if constexpr (std::is_same_v<T, notification::file_end>) {
          return FileEnd(value.entry);
        } else if constexpr (std::is_same_v<T, notification::progress>) {
          // Reports come per block, thousands of them; redrawing the bar
          // for an unchanged percentage cost more than the extraction.
          const int percent = Percent(value.done, value.total);
          if (percent != shownPercent_) page_.SetProgress(percent);
          shownPercent_ = percent;
          return notification::proceed;
        } else if constexpr (std::is_same_v<T, notification::failure>) {
          return Failure(value);
        } else {
          return notification::proceed;
        }
      },
      n.value);
  // The end of the extraction, good or bad, shows at once: the next step
  // may hold the thread for a while.
  const bool last = std::holds_alternative<notification::finished>(n.value) ||
                    std::holds_alternative<notification::failure>(n.value);
  if (last) {
    page_.PumpMessagesNow();
  } else {
    page_.PumpMessages();
  }
  return answer;
}

int ExtractionHandler::Percent(std::uint64_t done, std::uint64_t total) {
  if (total == 0) return 100;
  const int percent = static_cast<int>(
      std::floor(static_cast<double>(done) / static_cast<double>(total) * 100.0 + 0.5));
  return (percent >= 100 && done < total) ? 99 : percent;
}

notification::result ExtractionHandler::Started(notification& n) {
  const std::wstring line = Line(msg::kPreparingInstallation);
  page_.SetStatus(line);
  page_.AppendLog(line);
  page_.PumpMessagesNow();  // the test takes a while: show what it is
  // Nothing is written before the whole archive is known to be sound.
  if (!archive_.test()) {
    n.reason = compress_errc::archive_test_failed;
    return notification::cancel;
  }
  archive_.rewind();
  page_.AppendLog(Line(msg::kStepOk) + L"\r\n");
  return notification::proceed;
}

notification::result ExtractionHandler::FileBegin(const PayloadEntry& entry) {
  const std::wstring path = PathText(entry.destination);
  const std::uint32_t kind = entry.kind;
  if (IsPayloadKind(kind, PayloadKind::MainProgram)) {
    programPath_ = path;
  } else if (IsPayloadKind(kind, PayloadKind::Uninstaller)) {
    uninstallerPath_ = path;
  } else if (IsPayloadKind(kind, PayloadKind::UserData)) {
    if (installedState_ != InstalledState::NotInstalled && journal_.WasInstalledBefore(path)) {
      GrantUsersFileAccess(path, kUsersDataAccess);
      return notification::skip;
    }
    if (::PathFileExistsW(path.c_str())) {
      // The user's copy stays; listing it lets the uninstaller remove it.
      journal_.RecordFile(path, static_cast<std::int32_t>(kind), true).Complete(true);
      GrantUsersFileAccess(path, kUsersDataAccess);
      return notification::skip;
    }
  } else if (IsPayloadKind(kind, PayloadKind::Sample)) {
    if (installedState_ == InstalledState::OlderVersion) return notification::skip;
  } else if (IsPayloadKind(kind, PayloadKind::TemporarySetup)) {
    cleanup_.AddFile(path);
  }
  return Write(path, kind);
}

notification::result ExtractionHandler::Write(const std::wstring& path, std::uint32_t kind) {
  const std::wstring text = FormatMessageText(msg::kCopyingFile, QuotedIfBlanks(path));
  if (!IsPayloadKind(kind, PayloadKind::TemporarySetup)) {
    writing_ = journal_.RecordFile(path, static_cast<std::int32_t>(kind), IsPayloadKind(kind, PayloadKind::UserData));
    // A file the run record does not know of could not be undone after a
    // kill: the run stops (and is rolled back) instead.
    if (journal_.RunRecordFailed()) return notification::cancel;
  }
  page_.SetStatusPath(text);
  page_.AppendLog(text);
  return notification::proceed;
}

notification::result ExtractionHandler::FileEnd(const PayloadEntry& entry) {
  if (IsPayloadKind(entry.kind, PayloadKind::UserData)) {
    GrantUsersFileAccess(PathText(entry.destination), kUsersDataAccess);
  }
  writing_.Complete(true);  // its CRC-32 matched
  page_.AppendLog(Line(msg::kStepOk) + L"\r\n");
  return notification::proceed;
}

notification::result ExtractionHandler::Failure(const notification::failure& failure) {
  error_ = failure.code;
  writing_.Complete(false);
  page_.AppendLog(Line(msg::kStepFailed) + L"\r\n");
  // Shown at once, before the rollback that follows may hold the thread.
  page_.SetStatus(InstallationFailedText(failure.code));
  return notification::cancel;
}

}  // namespace qw
