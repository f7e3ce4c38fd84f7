#include "product/uninstaller/end_message.h"

#include <algorithm>
#include <vector>

#include "i18n/message_lookup.h"
#include "platform/path_elements.h"

namespace qw::uninstaller {
namespace {

std::wstring Reason(const std::error_code& why) {
  const std::string narrow = why.message();
  return std::wstring(narrow.begin(), narrow.end());
}

}  // namespace

std::wstring EndMessageText(const std::wstring& product, const RemovalReport& report,
                            const LogParseResult& parse, const LogVerdict& verdict) {
  const bool complete = report.Complete() && parse.complete && !verdict.partial && verdict.otherFolder.empty();
  std::wstring text = FormatMessageText(complete && report.keptUserData.empty() ? msg::kRemoved : msg::kRemovedExcept, product);
  std::wstring details;
  auto line = [&details](const std::wstring& item) { details += L"\r\n" + item; };
  if (!parse.complete) line(FormatMessageText(msg::kLogDamaged, std::to_wstring(parse.linesRead)));
  if (verdict.partial) line(LoadMessage(msg::kLogPartial));
  if (!verdict.otherFolder.empty()) line(FormatMessageText(msg::kLogOtherFolder, verdict.otherFolder));
  for (const auto& item : report.refused) line(FormatMessageText(msg::kRefused, item.path, Reason(item.why)));
  for (const auto& item : report.failed) line(FormatMessageText(msg::kNotRemoved, item.path, Reason(item.why)));
  for (const auto& path : report.atRestart) line(FormatMessageText(msg::kAtRestart, path));
  for (const auto& path : report.keptFolders) line(FormatMessageText(msg::kKeptFolder, path));
  // The kept libraries are many files in few folders: the folders say it.
  std::vector<std::wstring> userDataFolders;
  for (const auto& path : report.keptUserData) {
    const std::wstring folder = ParentPath(path);
    if (std::find(userDataFolders.begin(), userDataFolders.end(), folder) == userDataFolders.end())
      userDataFolders.push_back(folder);
  }
  for (const auto& folder : userDataFolders) line(FormatMessageText(msg::kKeptUserData, folder));
  if (report.unregisterFailed) line(FormatMessageText(msg::kUnregisterFailed, product));
  if (!details.empty()) text += L"\r\n" + details;
  if (report.directXKept) text += L"\r\n\r\n" + LoadMessage(msg::kDirectXKept);
  return text;
}

ExitCode EndExitCode(const RemovalReport& report, const LogParseResult& parse, const LogVerdict& verdict) {
  if (!parse.complete || verdict.partial || !verdict.otherFolder.empty() || !report.refused.empty() ||
      !report.failed.empty() || !report.keptFolders.empty() || report.unregisterFailed)
    return kPartlyRemoved;
  if (!report.atRestart.empty()) return kRemovedRestartNeeded;
  return kRemoved;
}

}  // namespace qw::uninstaller
