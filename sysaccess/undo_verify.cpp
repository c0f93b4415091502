#include "sysaccess/undo_verify.h"

#include <algorithm>
#include <climits>

#include "win/handles.h"
#include "sysaccess/text_rules.h"

namespace kv {

namespace {

// Far beyond any real undo file or key; a larger one is not read (and so not vouched for).
constexpr unsigned long long kMaxFileBytes = 512ull << 20;
constexpr size_t kMaxTreeBytes = 512u << 20;
constexpr DWORD kNameChars = 32768;  // value names have at most 16,383 characters, key names 255
constexpr int kRetries = 4;          // a value that keeps growing while it is read is given up

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
std::u16string U16(const wchar_t* s, size_t n) { return std::u16string(s, s + n); }

std::string BarePath(const std::string& key_path) {
  std::string p = key_path;
  size_t b = 0;
  while (b < p.size() && p[b] == '\\') ++b;
  p.erase(0, b);
  while (EndsWithBackslash(p)) p.pop_back();
  return p;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > kMaxFileBytes)
    return false;
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!::ReadFile(file.get(), &bytes[done], want, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

class TreeReader {
 public:
  TreeReader(REGSAM access, std::vector<RegTreeKey>& out) : access_(access), out_(out) {}

  bool Key(HKEY parent, const std::wstring& name, const std::u16string& full) {
    UniqueKey key;
    if (::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | access_, key.put()) != ERROR_SUCCESS) {
      key.release();
      return false;
    }
    RegTreeKey entry{full, {}};
    if (!Values(key.get(), entry.values)) return false;
    out_.push_back(std::move(entry));

    std::vector<std::wstring> subkeys;
    std::wstring buf(kNameChars, L'\0');
    for (DWORD i = 0;; ++i) {
      DWORD len = kNameChars;
      const LONG rc = ::RegEnumKeyExW(key.get(), i, &buf[0], &len, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) return false;
      subkeys.emplace_back(buf.data(), len);
    }
    for (const auto& sub : subkeys)
      if (!Key(key.get(), sub, full + u"\\" + U16(sub.data(), sub.size()))) return false;
    return true;
  }

 private:
  bool Values(HKEY key, std::vector<RegTreeValue>& values) {
    std::wstring name(kNameChars, L'\0');
    std::string data(256, '\0');
    for (DWORD i = 0;; ++i) {
      LONG rc = ERROR_MORE_DATA;
      DWORD name_len = 0, type = 0, data_len = 0;
      for (int attempt = 0; attempt < kRetries && rc == ERROR_MORE_DATA; ++attempt) {
        name_len = kNameChars;
        data_len = static_cast<DWORD>(data.size());
        rc = ::RegEnumValueW(key, i, &name[0], &name_len, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                             &data_len);
        if (rc == ERROR_MORE_DATA) {
          if (data_len <= data.size() || data_len > kMaxTreeBytes) return false;
          data.assign(data_len, '\0');
        }
      }
      if (rc == ERROR_NO_MORE_ITEMS) return true;
      if (rc != ERROR_SUCCESS || data_len > data.size()) return false;
      bytes_ += data_len;
      if (bytes_ > kMaxTreeBytes) return false;
      values.push_back(RegTreeValue{U16(name.data(), name_len), type, data.substr(0, data_len)});
    }
  }

  REGSAM access_;
  std::vector<RegTreeKey>& out_;
  size_t bytes_ = 0;
};

}  // namespace

bool DecodeCodePage(const std::string& bytes, std::u16string& text) {
  text.clear();
  if (bytes.empty()) return true;
  if (bytes.size() > INT_MAX) return false;
  const int n = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), &wide[0], n);
  text = U16(wide.data(), wide.size());
  return true;
}

std::u16string WideFromCodePage(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::u16string();
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::u16string();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return U16(wide.data(), wide.size());
}

RegTreeValue StringValue(const std::string& name, const std::string& text) {
  return RegTreeValue{WideFromCodePage(name), REG_SZ, Utf16Bytes(WideFromCodePage(text) + u'\0')};
}

bool SnapshotRegistryTree(RegistryView view, HKEY root, const std::string& root_name, const std::string& key_path,
                          std::vector<RegTreeKey>& out) {
  out.clear();
  const std::string path = BarePath(key_path);
  if (path.empty()) return false;  // never a whole root
  const std::u16string wide_path = WideFromCodePage(path);
  TreeReader reader(ViewAccess(view, root), out);
  if (reader.Key(root, Wide(wide_path), WideFromCodePage(root_name) + u"\\" + wide_path)) return true;
  out.clear();
  return false;
}

bool SnapshotRegistryValue(RegistryView view, HKEY root, const std::string& key_path, const std::string& value_name,
                           RegTreeValue& out) {
  UniqueKey key;
  const std::wstring path = Wide(WideFromCodePage(BarePath(key_path)));
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | ViewAccess(view, root), key.put()) != ERROR_SUCCESS) {
    key.release();
    return false;
  }
  const std::wstring name = Wide(WideFromCodePage(value_name));
  std::string data;
  for (int attempt = 0; attempt < kRetries; ++attempt) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size > kMaxTreeBytes)
      return false;
    data.assign(size, '\0');
    DWORD got = size;
    const LONG rc = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                                       size ? reinterpret_cast<BYTE*>(&data[0]) : nullptr, &got);
    if (rc == ERROR_MORE_DATA) continue;  // it grew in between
    if (rc != ERROR_SUCCESS || got > size) return false;
    out = RegTreeValue{U16(name.data(), name.size()), type, data.substr(0, got)};
    return true;
  }
  return false;
}

bool WriteRegistryValue(RegistryView view, HKEY root, const std::string& key_path, const RegTreeValue& value) {
  UniqueKey key;
  const std::wstring path = Wide(WideFromCodePage(BarePath(key_path)));
  if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | ViewAccess(view, root),
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    key.release();
    return false;
  }
  const std::wstring name = Wide(value.name);
  return ::RegSetValueExW(key.get(), name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

void ExpectValue(std::vector<RegTreeKey>& expected, const std::string& full_key_name, const RegTreeValue& value) {
  const std::u16string path = WideFromCodePage(full_key_name);
  for (auto& key : expected) {
    if (SameKeyPath(key.path, path)) {
      key.values.push_back(value);
      return;
    }
  }
  expected.push_back(RegTreeKey{path, {value}});
}

bool UndoFileHolds(const std::string& file_path, const std::vector<RegTreeKey>& expected, std::string* why) {
  std::string bytes;
  if (!ReadWholeFile(file_path, bytes)) {
    if (why) *why = "the file cannot be read";
    return false;
  }
  RegFileContent content;
  if (!ReadRegFile(bytes, DecodeCodePage, content, why)) return false;
  return RegFileRestores(content, expected, why);
}

bool VerifyUndoTree(const AppState& state, const std::string& file_name, RegistryView view, HKEY root,
                    const std::string& root_name, const std::string& key_path) {
  std::vector<RegTreeKey> tree;
  if (SnapshotRegistryTree(view, root, root_name, key_path, tree) &&
      UndoFileHolds(state.UndoFolder + file_name, tree))
    return true;
  ::DeleteFileA((state.UndoFolder + file_name).c_str());
  return false;
}

bool VerifyUndoValues(const AppState& state, const std::string& file_name, const std::vector<RegTreeKey>& expected) {
  if (!expected.empty() && UndoFileHolds(state.UndoFolder + file_name, expected)) return true;
  ::DeleteFileA((state.UndoFolder + file_name).c_str());
  return false;
}

}  // namespace kv
