#include "sysaccess/registry.h"

#include <algorithm>

#include "win/handles.h"
#include "sysaccess/text_rules.h"

namespace kv {

namespace {

constexpr bool kIs64BitBuild = sizeof(void*) == 8;
// The 64-bit view is a 64-bit process's own, so the flag adds nothing there; and Wine opens a
// fresh HKEY_CLASSES_ROOT for every open that names it with the flag, never to be closed (a
// handle per read: hundreds per fill of the associations tab).
constexpr REGSAM kView64Flag = kIs64BitBuild ? 0 : KEY_WOW64_64KEY;

// What each kind of change asks of a key, and no more: a standard user holds these rights on
// HKEY_CURRENT_USER's keys and not on the machine's.
constexpr REGSAM kDeleteAccess = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;
constexpr REGSAM kValueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;
constexpr REGSAM kCreateAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// The view flag of the process's own view for keys below `root` (see ViewAccess).
REGSAM DefaultViewFlag(HKEY root) {
  if (root == HKEY_CURRENT_USER) return kView64Flag;
  return kIs64BitBuild ? KEY_WOW64_32KEY : 0;
}

// "SOFTWARE\x" and "\SOFTWARE\x\" name the same key: the registry wants neither the leading
// nor (for RegDeleteKey) the trailing backslash.
std::string KeyPath(const std::string& path) {
  std::string p = path;
  if (!p.empty() && p[0] == '\\') p.erase(0, 1);
  if (EndsWithBackslash(p)) p.pop_back();
  return p;
}

// Wine's A functions convert a key path into a buffer of 260 characters, so a longer path (a
// name of up to 255 characters below a few parents) is opened a few whole components at a time.
constexpr size_t kPathPieceChars = 255;

// End of the piece of `p` that starts at `start`: at most kPathPieceChars characters of whole
// components, or one component alone when it is longer (the registry then refuses it).
size_t PieceEnd(const std::string& p, size_t start) {
  size_t chars = 0;
  size_t cut = std::string::npos;
  for (size_t i = start; i < p.size();) {
    const size_t n = IsLeadByte(static_cast<unsigned char>(p[i])) && i + 1 < p.size() ? 2 : 1;
    if (n == 1 && p[i] == '\\') {
      if (chars > kPathPieceChars) return cut == std::string::npos ? i : cut;
      cut = i;
    }
    ++chars;
    i += n;
  }
  return chars <= kPathPieceChars || cut == std::string::npos ? p.size() : cut;
}

// Opens, or with `create` creates along the way, the key at `path` (a KeyPath form). Pieces are
// opened relative to the one before, which keeps the view of the access mask. `options` go with
// the opening of the last piece (REG_OPTION_OPEN_LINK).
UniqueKey OpenPath(HKEY root, const std::string& path, REGSAM access, bool create, DWORD options = 0) {
  UniqueKey key;
  HKEY parent = root;
  size_t start = 0;
  do {
    const size_t end = PieceEnd(path, start);
    const std::string piece = path.substr(start, end - start);
    UniqueKey next;
    const DWORD piece_options = end >= path.size() ? options : 0;
    const LONG rc = create ? ::RegCreateKeyExA(parent, piece.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                               nullptr, next.put(), nullptr)
                           : ::RegOpenKeyExA(parent, piece.c_str(), piece_options, access, next.put());
    if (rc != ERROR_SUCCESS) {
      next.release();
      return UniqueKey();
    }
    key = std::move(next);
    parent = key.get();
    start = end + 1;
  } while (start < path.size());
  return key;
}

UniqueKey OpenKey(HKEY root, const std::string& path, REGSAM access) {
  return OpenPath(root, KeyPath(path), access, false);
}

// A larger value is a broken or hostile one; refusing it also keeps the size arithmetic in range.
constexpr DWORD kMaxValueBytes = 0x40000000;

bool QueryRaw(HKEY key, const std::string& value, RegValue& out) {
  // Most values are short: one read into a small buffer saves the size query, which under Wine
  // is a round trip to the server. Anything else takes the careful path.
  char small[512];
  DWORD small_type = REG_NONE;
  DWORD got = sizeof small - 2;
  const LONG rc = ::RegQueryValueExA(key, value.c_str(), nullptr, &small_type, reinterpret_cast<BYTE*>(small), &got);
  if (rc == ERROR_SUCCESS && got <= sizeof small - 2) {
    out.type = small_type;
    out.data.assign(small, got);
    return true;
  }
  if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return false;
  return ReadValueWith(
      [&](DWORD* type, BYTE* data, DWORD* size) {
        return ::RegQueryValueExA(key, value.c_str(), nullptr, type, data, size);
      },
      out);
}

int EnumNames(RegistryView view, HKEY root, const std::string& path, NameList& names, bool values) {
  names.clear();
  UniqueKey key = OpenKey(root, path, ViewAccess(view, root));
  if (!key) return 0;
  DWORD count = 0, longest = 0;
  LONG rc = values ? ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        &count, &longest, nullptr, nullptr, nullptr)
                   : ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &count, &longest, nullptr,
                                        nullptr, nullptr, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) longest = 255;
  // The longest name is counted in characters; a GBK character takes two bytes.
  std::string buffer(static_cast<size_t>(longest) * 2 + 2, '\0');
  // Up to ERROR_NO_MORE_ITEMS, not up to the count: a key may grow while it is read, and a
  // merged key (HKEY_CLASSES_ROOT) may count otherwise than it lists.
  for (DWORD i = 0;; ++i) {
    DWORD len = 0;
    for (;;) {
      len = static_cast<DWORD>(buffer.size());
      rc = values ? ::RegEnumValueA(key.get(), i, &buffer[0], &len, nullptr, nullptr, nullptr, nullptr)
                  : ::RegEnumKeyExA(key.get(), i, &buffer[0], &len, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_MORE_DATA && buffer.size() < 0x40000) {
        buffer.resize(buffer.size() * 2);
        continue;
      }
      break;
    }
    if (rc == ERROR_MORE_DATA) continue;  // a name beyond any the registry allows
    if (rc != ERROR_SUCCESS) break;       // the end, or a key deleted under us
    names.emplace_back(buffer.data(), len < buffer.size() ? len : buffer.size());
  }
  return static_cast<int>(names.size());
}

// Deletes an open key itself. A registry link opened as a link goes as the link: RegDeleteKey
// would open the name again and follow it. NtDeleteKey is ntdll's (ZwDeleteKey in the WDK docs:
// "a handle to the key to delete"), in every Windows and in Wine.
bool DeleteOpenKey(HKEY key) {
  using NtDeleteKeyFn = LONG(NTAPI*)(HANDLE);
  static const auto nt_delete_key = reinterpret_cast<NtDeleteKeyFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
  return nt_delete_key && nt_delete_key(key) >= 0;
}

// Deletes every key below `key` (opened in the 64-bit view), deepest first. Each one is opened as
// a link, so a link in the tree goes without what it points to.
void DeleteSubtree(HKEY key) {
  DWORD count = 0, longest = 0;
  if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  std::string buffer(static_cast<size_t>(longest) * 2 + 2, '\0');
  for (DWORD i = count; i-- > 0;) {
    DWORD len = static_cast<DWORD>(buffer.size());
    if (::RegEnumKeyExA(key, i, &buffer[0], &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      continue;
    UniqueKey child;
    if (::RegOpenKeyExA(key, buffer.c_str(), REG_OPTION_OPEN_LINK, kDeleteAccess | kView64Flag, child.put()) !=
        ERROR_SUCCESS) {
      child.release();
      continue;
    }
    DeleteSubtree(child.get());
    DeleteOpenKey(child.get());
  }
}

}  // namespace

bool ReadValueWith(const ValueQuery& query, RegValue& out) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (query(&type, nullptr, &size) != ERROR_SUCCESS) return false;
  std::string buffer;
  // A writer that keeps growing the value gets a bounded number of rounds, not an endless loop.
  for (int attempt = 0; attempt < 16; ++attempt) {
    if (size > kMaxValueBytes) return false;
    // Two spare bytes, so a string that fills its reported size exactly still fits with a NUL.
    buffer.assign(static_cast<size_t>(size) + 2, '\0');
    DWORD got = size + 2;
    const LONG rc = query(&type, reinterpret_cast<BYTE*>(&buffer[0]), &got);
    if (rc == ERROR_SUCCESS) {
      if (got > buffer.size()) return false;
      buffer.resize(got);
      out.type = type;
      out.data = std::move(buffer);
      return true;
    }
    if (rc != ERROR_MORE_DATA) return false;
    // `got` is the size needed now; a query that does not say gets a doubled buffer.
    size = got > size + 2 ? got : size * 2 + 64;
  }
  return false;
}

REGSAM ViewAccess(RegistryView view, HKEY root) {
  return KEY_READ | (view == RegistryView::Wow64_64 ? kView64Flag : DefaultViewFlag(root));
}

HKEY RootKey(RegRoot root) { return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
const char* RootName(RegRoot root) {
  return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string StringFromRegData(const std::string& data) {
  size_t nul = data.find('\0');
  return TrimControls(nul == std::string::npos ? data : data.substr(0, nul));
}

int RegGetKeyNamesIn(RegistryView view, HKEY root, const std::string& path, NameList& names) {
  return EnumNames(view, root, path, names, false);
}
int RegGetValueNamesIn(RegistryView view, HKEY root, const std::string& path, NameList& names) {
  return EnumNames(view, root, path, names, true);
}
int RegGetKeyNames(HKEY root, const std::string& path, NameList& names) {
  return RegGetKeyNamesIn(RegistryView::Native32, root, path, names);
}
int RegGetKeyNames64(HKEY root, const std::string& path, NameList& names) {
  return RegGetKeyNamesIn(RegistryView::Wow64_64, root, path, names);
}
int RegGetValueNames(HKEY root, const std::string& path, NameList& names) {
  return RegGetValueNamesIn(RegistryView::Native32, root, path, names);
}
int RegGetValueNames64(HKEY root, const std::string& path, NameList& names) {
  return RegGetValueNamesIn(RegistryView::Wow64_64, root, path, names);
}

bool RegReadValue(RegistryView view, HKEY root, const std::string& path, const std::string& value,
                  RegValue& out) {
  UniqueKey key = OpenKey(root, path, ViewAccess(view, root));
  return key && QueryRaw(key.get(), value, out);
}

std::string RegReadStringIn(RegistryView view, HKEY root, const std::string& path, const std::string& value) {
  RegValue v;
  if (!RegReadValue(view, root, path, value, v)) return "";
  if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) return "";
  return StringFromRegData(v.data);
}

std::string RegReadString(HKEY root, const std::string& path, const std::string& value) {
  return RegReadStringIn(RegistryView::Native32, root, path, value);
}
std::string RegReadString64(HKEY root, const std::string& path, const std::string& value) {
  return RegReadStringIn(RegistryView::Wow64_64, root, path, value);
}

std::vector<std::string> RegReadStrings(RegistryView view, HKEY root, const std::string& path,
                                        const std::vector<std::string>& values, std::vector<bool>* present) {
  std::vector<std::string> out(values.size());
  if (present) present->assign(values.size(), false);
  UniqueKey key = OpenKey(root, path, ViewAccess(view, root));
  if (!key) return out;
  for (size_t i = 0; i < values.size(); ++i) {
    RegValue v;
    if (!QueryRaw(key.get(), values[i], v)) continue;
    if (present) (*present)[i] = true;
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) out[i] = StringFromRegData(v.data);
  }
  return out;
}

namespace {
// One pass over a key's values: one open and, for values of ordinary size, one call per value.
// `each(name, value)` gets every value that could be read, in the registry's order.
template <typename Each>
void ForEachValue(RegistryView view, HKEY root, const std::string& path, Each&& each) {
  UniqueKey key = OpenKey(root, path, ViewAccess(view, root));
  if (!key) return;
  DWORD longest_name = 0, longest_data = 0;
  if (::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest_name,
                         &longest_data, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  // Names are counted in characters (a GBK character takes two bytes); larger data than this
  // buffer holds is read on its own below.
  std::string name(static_cast<size_t>(longest_name) * 2 + 2, '\0');
  std::string data(std::min<size_t>(std::max<size_t>(longest_data, 510) + 2, 64 * 1024), '\0');
  for (DWORD i = 0;; ++i) {
    DWORD name_len = static_cast<DWORD>(name.size());
    DWORD data_len = static_cast<DWORD>(data.size() - 2);
    DWORD type = REG_NONE;
    LONG rc = ::RegEnumValueA(key.get(), i, &name[0], &name_len, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                              &data_len);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) break;  // the end, or a key deleted under us
    RegValue v;
    std::string value_name;
    if (rc == ERROR_SUCCESS && data_len <= data.size() - 2) {
      v.type = type;
      v.data.assign(data.data(), data_len);
      value_name = name.substr(0, std::min<size_t>(name_len, name.size()));
    } else {
      // Data beyond the buffer, or a name that grew: the name alone first, then the careful read.
      std::string long_name(0x8000 * 2 + 2, '\0');
      name_len = static_cast<DWORD>(long_name.size());
      rc = ::RegEnumValueA(key.get(), i, &long_name[0], &name_len, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;  // the key shrank while we read it
      if (rc != ERROR_SUCCESS) continue;
      value_name = long_name.substr(0, name_len);
      if (!QueryRaw(key.get(), value_name, v)) v = RegValue{};
    }
    each(std::move(value_name), std::move(v));
  }
}
}  // namespace

int RegReadAllStrings(RegistryView view, HKEY root, const std::string& path, std::vector<NamedText>& values) {
  values.clear();
  ForEachValue(view, root, path, [&](std::string name, RegValue v) {
    NamedText entry{std::move(name), {}};
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) entry.text = StringFromRegData(v.data);
    values.push_back(std::move(entry));
  });
  return static_cast<int>(values.size());
}

int RegReadAllValues(RegistryView view, HKEY root, const std::string& path, std::vector<NamedValue>& values) {
  values.clear();
  ForEachValue(view, root, path,
               [&](std::string name, RegValue v) { values.push_back(NamedValue{std::move(name), std::move(v)}); });
  return static_cast<int>(values.size());
}

bool RegReadBool(HKEY root, const std::string& path, const std::string& value) {
  RegValue v;
  if (!RegReadValue(RegistryView::Wow64_64, root, path, value, v)) return false;
  if (v.type != REG_DWORD || v.data.size() != sizeof(DWORD)) return false;
  DWORD n = 0;
  for (size_t i = 0; i < sizeof(DWORD); ++i) n |= DWORD(static_cast<unsigned char>(v.data[i])) << (8 * i);
  return n != 0;
}

namespace {
bool WriteValue(HKEY root, const std::string& path, const std::string& value, DWORD type,
                const BYTE* data, DWORD size) {
  UniqueKey key = OpenPath(root, KeyPath(path), kCreateAccess | kView64Flag, true);
  return key && ::RegSetValueExA(key.get(), value.c_str(), 0, type, data, size) == ERROR_SUCCESS;
}
}  // namespace

bool RegWriteString(HKEY root, const std::string& path, const std::string& value, const std::string& text) {
  return WriteValue(root, path, value, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                    static_cast<DWORD>(text.size() + 1));
}

bool RegWriteValue(HKEY root, const std::string& path, const std::string& value, const RegValue& v) {
  return WriteValue(root, path, value, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                    static_cast<DWORD>(v.data.size()));
}

bool RegWriteBool(HKEY root, const std::string& path, const std::string& value, bool flag) {
  DWORD n = flag ? 1 : 0;
  return WriteValue(root, path, value, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
}

bool RegKeyExists(HKEY root, const std::string& path) {
  return static_cast<bool>(
      OpenKey(root, path, STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | DefaultViewFlag(root)));
}

bool RegKeyExistsIn(RegistryView view, HKEY root, const std::string& path) {
  const REGSAM view_flag = view == RegistryView::Wow64_64 ? kView64Flag : DefaultViewFlag(root);
  return static_cast<bool>(OpenKey(root, path, KEY_READ | view_flag));
}

bool RegValueExists(HKEY root, const std::string& path, const std::string& value) {
  UniqueKey key = OpenKey(root, path, ViewAccess(RegistryView::Wow64_64, root));
  return key && ::RegQueryValueExA(key.get(), value.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY root, const std::string& path, const std::string& value) {
  UniqueKey key = OpenKey(root, path, kValueAccess | kView64Flag);
  if (!key) return false;
  if (::RegQueryValueExA(key.get(), value.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return ::RegDeleteValueA(key.get(), value.c_str()) == ERROR_SUCCESS;
}

namespace {
// What a delete may name: at least one component and no empty one. A path of backslashes only
// would otherwise come down to the root itself, and the subtree delete would empty the root.
bool IsKeyPathToDelete(const std::string& p) {
  return !p.empty() && p[0] != '\\' && !EndsWithBackslash(p) && !ContainsText(p, "\\\\");
}

// Deletes the last component of `p` (a key without subkeys) below its parent, in the 64-bit
// view: the view flag goes with the delete itself, so a 32-bit process reaches that key too.
bool DeleteLeaf(HKEY root, const std::string& p) {
  const std::string parent_with_slash = UpToLastBackslash(p);
  const std::string leaf = p.substr(parent_with_slash.size());
  if (parent_with_slash.empty()) return ::RegDeleteKeyExA(root, leaf.c_str(), kView64Flag, 0) == ERROR_SUCCESS;
  // RegDeleteKeyEx asks nothing of the parent's handle ("The access rights of this key do not
  // affect the delete operation", learn.microsoft.com).
  UniqueKey parent = OpenPath(root, parent_with_slash.substr(0, parent_with_slash.size() - 1),
                              KEY_READ | kView64Flag, false);
  return parent && ::RegDeleteKeyExA(parent.get(), leaf.c_str(), kView64Flag, 0) == ERROR_SUCCESS;
}
}  // namespace

// The tabs read, export and delete in the 64-bit view, so the whole subtree goes in that view;
// a key seen only there keeps its subkeys no longer.
bool DeleteRegKey(HKEY root, const std::string& path) {
  const std::string p = KeyPath(path);
  if (!IsKeyPathToDelete(p)) return false;
  if (UniqueKey key = OpenPath(root, p, kDeleteAccess | kView64Flag, false, REG_OPTION_OPEN_LINK)) {
    DeleteSubtree(key.get());
    if (DeleteOpenKey(key.get())) return true;
  }
  return DeleteRegKeyDirect(root, path);
}

bool DeleteRegKeyDirect(HKEY root, const std::string& path) {
  // "\Name" is the one-level path "Name" as everywhere else, not a way to reach the root.
  std::string p = !path.empty() && path[0] == '\\' ? path.substr(1) : path;
  if (EndsWithBackslash(p)) p.pop_back();
  if (!IsKeyPathToDelete(p) || UpToLastBackslash(p).empty()) return false;
  return DeleteLeaf(root, p);
}

bool RegRefuses(RegChange change, HKEY root, const std::string& path) {
  std::string p = KeyPath(path);
  // A key whose values the user may not change is taken as one he may not delete either: the
  // machine's keys grant a standard user neither, and Wine grants DELETE on a key whose DACL
  // denies it, so the test of the value rights is the one both answer alike.
  const REGSAM access = change == RegChange::DeleteKey ? kDeleteAccess | KEY_SET_VALUE
                        : change == RegChange::DeleteValue ? kValueAccess
                                                           : kCreateAccess;
  for (;;) {
    UniqueKey key;
    const LONG rc = p.empty() ? ERROR_SUCCESS
                              : ::RegOpenKeyExA(root, p.c_str(), 0, access | kView64Flag, key.put());
    if (rc != ERROR_SUCCESS) key.release();
    if (rc == ERROR_ACCESS_DENIED) return true;
    if (rc != ERROR_FILE_NOT_FOUND || change != RegChange::WriteValue) return false;
    // A missing key is created below its nearest existing parent, which must allow that.
    const std::string parent = UpToLastBackslash(p);
    p = parent.empty() ? "" : parent.substr(0, parent.size() - 1);
    if (p.empty()) return false;
  }
}

}  // namespace kv
