#include "recording_page.h"

namespace qw::test {

void RecordingPage::AppendLog(const std::wstring& text, bool rule) {
  log += (text.empty() || rule) ? L"<rule>" + text + L"\r\n" : text;
}

std::vector<std::wstring> RecordingPage::LogLines() const {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start < log.size()) {
    const std::size_t end = log.find(L"\r\n", start);
    if (end == std::wstring::npos) {
      lines.push_back(log.substr(start));
      break;
    }
    lines.push_back(log.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace qw::test
