#include "startup/startup_rules.h"

#include "sysaccess/reg_file_rules.h"
#include "sysaccess/text_rules.h"

namespace kv {

const char kStartupCountSuffix[] = "\xB8\xF6\xD7\xD4\xB6\xAF\xC6\xF4\xB6\xAF\xB3\xCC\xD0\xF2";  // "个自动启动程序"
const char kStartupDisabledSuffix[] = "\xBD\xFB\xD3\xC3";  // "禁用"
const char kStartupNoneDeleted[] = "\xCE\xDE\xB7\xA8\xC9\xBE\xB3\xFD\xCB\xF9\xD1\xA1\xCF\xEE\xC4\xBF\xA3\xA1";  // "无法删除所选项目！"
const char kStartupNeedsAdmin[] =
    "\xD0\xE8\xD2\xAA\xB9\xDC\xC0\xED\xD4\xB1\xC8\xA8\xCF\xDE\xB2\xC5\xC4\xDC\xC9\xBE\xB3\xFD\xCB\xF9\xD1\xA1\xCF\xEE\xC4\xBF"
    "\xA3\xAC\xCE\xB4\xC9\xBE\xB3\xFD\xC8\xCE\xBA\xCE\xC4\xDA\xC8\xDD\xA1\xA3";  // "需要管理员权限才能删除所选项目，未删除任何内容。"
const char kStartupSomeNeedAdmin[] =
    "\xB2\xBF\xB7\xD6\xCF\xEE\xC4\xBF\xD0\xE8\xD2\xAA\xB9\xDC\xC0\xED\xD4\xB1\xC8\xA8\xCF\xDE\xA3\xAC\xCE\xB4\xC9\xBE\xB3\xFD\xA1\xA3";  // "部分项目需要管理员权限，未删除。"
const char kStartupSomeNotDeleted[] = "\xB2\xBF\xB7\xD6\xCF\xEE\xC4\xBF\xCE\xDE\xB7\xA8\xC9\xBE\xB3\xFD\xA1\xA3";  // "部分项目无法删除。"

namespace {
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
constexpr char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\";
constexpr char kRun32Key[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\";
constexpr char kMsconfigKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\";
constexpr char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";

// Per source, in the enum's order: its tree, its key (null: a Startup folder) and the leaf of its
// StartupApproved key (null: none).
const struct {
  StartupHive hive;
  const char* key;
  const char* approved;
} kKeys[] = {
    {StartupHive::User, kRunKey, "Run"},
    {StartupHive::User, kRunOnceKey, nullptr},
    {StartupHive::Machine, kRunKey, "Run"},
    {StartupHive::Machine, kRunOnceKey, nullptr},
    {StartupHive::Machine, kMsconfigKey, nullptr},
    {StartupHive::User, kRun32Key, "Run32"},
    {StartupHive::Machine, kRun32Key, "Run32"},
    {StartupHive::User, nullptr, "StartupFolder"},
    {StartupHive::Machine, nullptr, "StartupFolder"},
};
static_assert(sizeof kKeys / sizeof kKeys[0] == kStartupSourceCount, "one row per source");
}  // namespace

StartupHive StartupHiveOf(StartupSource source) { return kKeys[static_cast<size_t>(source)].hive; }

std::optional<StartupKey> StartupSourceKey(StartupSource source) {
  const auto& k = kKeys[static_cast<size_t>(source)];
  if (!k.key) return std::nullopt;
  return StartupKey{k.hive, k.key};
}

std::optional<StartupKey> StartupApprovedKey(StartupSource source) {
  const auto& k = kKeys[static_cast<size_t>(source)];
  if (!k.approved) return std::nullopt;
  return StartupKey{k.hive, std::string(kApprovedKey) + k.approved};
}

std::string StartupKeyName(const StartupKey& key) {
  return (key.hive == StartupHive::User ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\") + key.path;
}

bool StartupStateWritable(StartupSource source) {
  switch (source) {
    case StartupSource::UserRun:
    case StartupSource::MachineRun:
    case StartupSource::MachineRun32:
    case StartupSource::UserStartupShortcut:
    case StartupSource::CommonStartupShortcut:
      return true;
    default:
      return false;
  }
}

bool WindowsKeepsStartupState(unsigned major, unsigned minor) { return major > 6 || (major == 6 && minor >= 2); }

std::string StartupApprovedData(bool disabled, uint64_t utc_filetime) {
  std::string data(12, '\0');
  data[0] = disabled ? '\x03' : '\x02';
  if (disabled)
    for (size_t i = 0; i < 8; ++i) data[4 + i] = static_cast<char>((utc_filetime >> (8 * i)) & 0xFF);
  return data;
}

uint64_t StartupDisabledSince(uint32_t type, const std::string& data) {
  if (!StartupApprovedDisables(type, data) || data.size() < 12) return 0;
  uint64_t time = 0;
  for (size_t i = 0; i < 8; ++i) time |= static_cast<uint64_t>(static_cast<unsigned char>(data[4 + i])) << (8 * i);
  return time;
}

std::string StartupDisabledTip(int year, int month, int day, int hour, int minute) {
  auto two = [](int n) { return std::string(n < 10 ? "0" : "") + ToDecimal(n); };
  return "\xBD\xFB\xD3\xC3\xCA\xB1\xBC\xE4\xA3\xBA" + ToDecimal(year) + "-" + two(month) + "-" + two(day) + " " +
         two(hour) + ":" + two(minute);  // "禁用时间："
}

std::optional<StartupKey> MsconfigRunKey(const std::string& hkey, const std::string& key) {
  const std::string tree = AsciiUpper(hkey);
  std::optional<StartupHive> hive;
  if (tree == "HKLM" || tree == "HKEY_LOCAL_MACHINE") hive = StartupHive::Machine;
  if (tree == "HKCU" || tree == "HKEY_CURRENT_USER") hive = StartupHive::User;
  if (!hive) return std::nullopt;
  size_t begin = 0, end = key.size();
  while (begin < end && key[begin] == '\\') ++begin;
  while (end > begin && key[end - 1] == '\\') --end;
  const std::string path = AsciiUpper(key.substr(begin, end - begin)) + "\\";
  for (const char* run : {kRunKey, kRun32Key})
    if (path == AsciiUpper(run)) return StartupKey{*hive, run};
  return std::nullopt;
}

std::string StartupCountText(size_t rows, size_t disabled) {
  std::string text = ToDecimal(static_cast<long long>(rows)) + kStartupCountSuffix;
  if (disabled > 0) text += ", " + ToDecimal(static_cast<long long>(disabled)) + kStartupDisabledSuffix;
  return text;
}

bool StartupApprovedDisables(uint32_t type, const std::string& data) {
  return type == kRegBinary && !data.empty() && (static_cast<unsigned char>(data[0]) & 1) != 0;
}

std::string RunValueName(const std::string& path) {
  size_t cut = 0;
  for (const char* sep : {"\\", ":"}) {
    const size_t at = FindLastText(path, sep);
    if (at != std::string::npos && at + 1 > cut) cut = at + 1;
  }
  return path.substr(cut);
}

std::string StartupDeleteMessage(const std::string& undo_message, size_t checked, size_t not_deleted,
                                 size_t refused) {
  if (checked > 0 && refused >= checked) return kStartupNeedsAdmin;
  // The same line break as the undo store's own two-line message.
  std::string text = checked > 0 && not_deleted >= checked ? kStartupNoneDeleted : undo_message;
  if (not_deleted > refused && text != kStartupNoneDeleted) text += std::string("\r") + kStartupSomeNotDeleted;
  if (refused > 0) text += std::string("\r") + kStartupSomeNeedAdmin;
  return text;
}

}  // namespace kv
