#include "registry_snapshot.h"

#include <cstdio>
#include <cwctype>
#include <string_view>
#include <vector>

#include "build_tree.h"
#include "platform/handles.h"
#include "wine.h"

namespace qw::test {
// Snapshots upper-case some 25,000 paths each; the runtime's towupper is a
// call into the C library for every character, most of which are ASCII.
std::wstring SnapshotKey(std::wstring path) {
  for (wchar_t& c : path) {
    if (c >= L'a' && c <= L'z') {
      c = static_cast<wchar_t>(c - (L'a' - L'A'));
    } else if (c >= 0x80) {
      c = static_cast<wchar_t>(std::towupper(c));
    }
  }
  return path;
}

namespace {

std::wstring ValueState(DWORD type, const BYTE* data, std::size_t size) {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring state = std::to_wstring(type) + L":";
  state.reserve(state.size() + 2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    state += digits[data[i] >> 4];
    state += digits[data[i] & 15];
  }
  return state;
}

// False when the key was there already.
bool AddKey(const std::wstring& path, SnapshotItems& items) {
  return items.try_emplace(SnapshotKey(path + L"\\"), path + L"\\", L"<key>").second;
}

void AddValue(const std::wstring& keyPath, const std::wstring& name, std::wstring state, SnapshotItems& items) {
  const std::wstring path = keyPath + L"\\[" + name + L"]";
  items[SnapshotKey(path)] = {path, std::move(state)};
}

// --- The walk -------------------------------------------------------------

void WalkKey(HKEY key, const std::wstring& path, SnapshotItems& items) {
  AddKey(path, items);
  std::vector<BYTE> data(1 << 16);
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384, type = 0, size = static_cast<DWORD>(data.size());
    LONG status = ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size);
    if (status == ERROR_MORE_DATA) {
      data.resize(size);
      nameLength = 16384;
      status = ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size);
    }
    if (status != ERROR_SUCCESS) break;
    AddValue(path, std::wstring(name, nameLength), ValueState(type, data.data(), size), items);
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    if (::RegOpenKeyExW(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
      UniqueRegKey owner(child);
      WalkKey(child, path + L"\\" + name, items);
    }
  }
}

// --- The dump ---------------------------------------------------------------
//
// Wine's text format: a header, then per key with values (or without
// subkeys) a line "[escaped\\path] seconds" ("[]" for the dumped key), "#"
// lines, and one line per value: "@" or "\"name\"", "=", and the data as
// "\"text\"" (REG_SZ), "str(type):\"text\"", "dword:8 hex digits", "hex:"
// or "hex(type):" with comma-separated bytes that continue on the next
// line after "\\". Text escapes: "\\x" and up to four hex digits, "\\"
// and up to three octal digits, C letters, or the character itself. A
// string is only written as text when it ends in its terminator, which the
// text leaves out.

constexpr std::string_view kDumpHeader = "WINE REGISTRY Version 2";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads escaped text from `text` at `pos` up to the unescaped `end`
// character, leaving `pos` after it. False when `end` never comes.
bool Unescape(std::string_view text, std::size_t& pos, char end, std::wstring& out) {
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == end) return true;
    if (c != '\\') {
      out += static_cast<wchar_t>(static_cast<unsigned char>(c));
      continue;
    }
    if (pos >= text.size()) return false;
    const char e = text[pos++];
    if (e == 'x') {
      unsigned value = 0;
      int digits = 0;
      for (; digits < 4 && pos < text.size() && HexDigit(text[pos]) >= 0; ++digits) {
        value = value * 16 + static_cast<unsigned>(HexDigit(text[pos++]));
      }
      out += static_cast<wchar_t>(digits ? value : 'x');
    } else if (e >= '0' && e <= '7') {
      unsigned value = static_cast<unsigned>(e - '0');
      for (int digits = 1; digits < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++digits) {
        value = value * 8 + static_cast<unsigned>(text[pos++] - '0');
      }
      out += static_cast<wchar_t>(value);
    } else {
      static const std::string_view letters = "abefnrtv";
      static const wchar_t codes[] = {7, 8, 27, 12, 10, 13, 9, 11};
      const std::size_t letter = letters.find(e);
      out += letter == std::string_view::npos ? static_cast<wchar_t>(static_cast<unsigned char>(e)) : codes[letter];
    }
  }
  return false;
}

// "type:hex" of the data after "=", or empty when it is not understood.
std::wstring ParseData(std::string_view data) {
  std::size_t pos = 0;
  DWORD type = REG_SZ;
  auto takeType = [&](std::string_view prefix) {
    pos = prefix.size();
    DWORD value = 0;
    while (pos < data.size() && HexDigit(data[pos]) >= 0) value = value * 16 + HexDigit(data[pos++]);
    if (data.substr(pos, 2) != "):") return false;
    pos += 2;
    type = value;
    return true;
  };
  const bool text = data.substr(0, 1) == "\"" || (data.substr(0, 4) == "str(" && takeType("str("));
  if (text) {
    if (data.substr(pos, 1) != "\"") return {};
    ++pos;
    std::wstring chars;
    if (!Unescape(data, pos, '"', chars)) return {};
    chars += L'\0';
    return ValueState(type, reinterpret_cast<const BYTE*>(chars.data()), chars.size() * sizeof(wchar_t));
  }
  std::vector<BYTE> bytes;
  if (data.substr(0, 6) == "dword:") {
    DWORD value = 0;
    for (pos = 6; pos < data.size() && HexDigit(data[pos]) >= 0; ++pos) value = value * 16 + HexDigit(data[pos]);
    if (pos != 14) return {};
    return ValueState(REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }
  if (data.substr(0, 4) == "hex:") {
    type = REG_BINARY;
    pos = 4;
  } else if (!(data.substr(0, 4) == "hex(" && takeType("hex("))) {
    return {};
  }
  int high = -1;
  for (; pos < data.size(); ++pos) {
    const int digit = HexDigit(data[pos]);
    if (digit >= 0) {
      if (high < 0) {
        high = digit;
      } else {
        bytes.push_back(static_cast<BYTE>(high * 16 + digit));
        high = -1;
      }
    } else if (data[pos] != ',' && data[pos] != '\\' && data[pos] != ' ' && data[pos] != '\r') {
      return {};
    }
  }
  if (high >= 0) return {};
  return ValueState(type, bytes.data(), bytes.size());
}

// Adds the keys and values of a dump of the tree `shownAs`; false when the
// text is not a whole dump in the format above.
bool ParseDump(std::string_view text, const std::wstring& shownAs, SnapshotItems& items) {
  if (text.substr(0, kDumpHeader.size()) != kDumpHeader) return false;
  SnapshotItems parsed;
  AddKey(shownAs, parsed);
  std::wstring keyPath;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    start = end + 1;
    // A byte list goes on after a backslash at the end of the line.
    while (!line.empty() && line.back() == '\\' && start < text.size() && text[start] == ' ') {
      end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      line.pop_back();
      line += text.substr(start, end - start);
      start = end + 1;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#' || line[0] == ';' || line.compare(0, kDumpHeader.size(), kDumpHeader) == 0) {
      continue;
    }
    std::size_t pos = 1;
    if (line[0] == '[') {
      std::wstring name;
      if (!Unescape(line, pos, ']', name)) return false;
      keyPath = name.empty() ? shownAs : shownAs + L"\\" + name;  // "[]" is the dumped key itself
      // Keys with subkeys but no values of their own have no line: the
      // parents a key brings are added up to the first one already there.
      AddKey(keyPath, parsed);
      for (std::size_t cut = keyPath.rfind(L'\\'); cut != std::wstring::npos && cut > shownAs.size();
           cut = keyPath.rfind(L'\\', cut - 1)) {
        if (!AddKey(keyPath.substr(0, cut), parsed)) break;
      }
      continue;
    }
    if (keyPath.empty()) return false;
    std::wstring name;
    if (line[0] == '"') {
      if (!Unescape(line, pos, '"', name)) return false;
    } else if (line[0] != '@') {
      return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    std::wstring state = ParseData(std::string_view(line).substr(pos + 1));
    if (state.empty()) return false;
    AddValue(keyPath, name, std::move(state), parsed);
  }
  if (items.empty()) {
    items.swap(parsed);  // each node would be inserted again
  } else {
    items.merge(parsed);
  }
  return true;
}

// Lets this process save registry keys; an administrator holds the right
// but it starts disabled.
bool EnableBackupPrivilege() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
  const UniqueHandle token(raw);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!::LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &privileges.Privileges[0].Luid)) return false;
  return ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) &&
         ::GetLastError() == ERROR_SUCCESS;
}

std::string ReadWholeFile(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  std::string text;
  if (!file) return text;
  char buffer[1 << 16];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  return text;
}

}  // namespace

bool ReadRegistryTreeByDump(HKEY root, const wchar_t* subKey, const std::wstring& shownAs, SnapshotItems& items) {
  static const bool privileged = EnableBackupPrivilege();
  if (!privileged) return false;
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(root, subKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
  const UniqueRegKey key(raw);
  // Outside the drives that snapshots compare; one name per lane, process
  // and call, as tests run side by side (each lane's wineserver counts
  // process ids of its own).
  static unsigned calls = 0;
  const std::wstring dump = std::wstring(QW_REGISTRY_DUMP_FOLDER) + L"\\registry_dump" + LaneSuffix() + L"_" +
                            std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++calls) + L".txt";
  ::DeleteFileW(dump.c_str());
  const LONG saved = ::RegSaveKeyW(key.get(), dump.c_str(), nullptr);
  const std::string text = saved == ERROR_SUCCESS ? ReadWholeFile(dump) : std::string();
  ::DeleteFileW(dump.c_str());
  return saved == ERROR_SUCCESS && ParseDump(text, shownAs, items);
}

void ReadRegistryTreeByWalk(HKEY root, const wchar_t* subKey, const std::wstring& shownAs, SnapshotItems& items) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(root, subKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return;
  const UniqueRegKey key(raw);
  WalkKey(key.get(), shownAs, items);
}

void ReadRegistryTree(HKEY root, const wchar_t* subKey, const std::wstring& shownAs, SnapshotItems& items) {
  if (ReadRegistryTreeByDump(root, subKey, shownAs, items)) return;
  static bool told = false;
  if (!told) {
    std::fprintf(stderr, "registry snapshot: no dump of %ls could be read; walking the keys instead\n",
                 shownAs.c_str());
    told = true;
  }
  ReadRegistryTreeByWalk(root, subKey, shownAs, items);
}

}  // namespace qw::test
