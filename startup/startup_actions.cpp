#include "startup/startup_actions.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "startup/startup_reader.h"
#include "startup/startup_rules.h"
#include "startup/startup_undo_rules.h"
#include "sysaccess/path_rules.h"
#include "sysaccess/programs.h"
#include "sysaccess/registry.h"
#include "sysaccess/undo_name_rules.h"
#include "sysaccess/undo_store.h"
#include "sysaccess/key_delete.h"
#include "sysaccess/text_rules.h"
#include "sysaccess/undo_verify.h"
#include "ui/undo_messages.h"

namespace kv {

const char kStartupAddNeedsAdmin[] = "需要管理员权限才能为所有用户添加启动项，未更改任何内容。";
const char kStartupAddNotWritten[] = "无法写入启动项，未更改任何内容。";
const char kStartupStateNeedsAdmin[] = "需要管理员权限才能更改所选项目的状态，未更改任何内容。";
const char kStartupStateSomeNeedAdmin[] = "部分项目需要管理员权限，未更改。";
const char kStartupStateNotWritten[] = "部分项目的状态无法写入，未更改。";
const char kStartupStateNotApplicable[] = "所选项目不能在此禁用或启用。";
const char kMsconfigPlaceIncomplete[] = "此项目记录的原位置不完整，未更改任何内容。";
const char kMsconfigNameTaken[] = "原位置已有同名但命令不同的启动项，未更改任何内容。";
const char kMsconfigRestored[] = "已重新启用，原禁用记录已保存到撤消文件";
const char kMsconfigStillDisabled[] = "恢复的项目仍有任务管理器的禁用状态，可再次启用。";
const char kStartupLeftWritten[] = "已写入但未能撤回：";
const char kStartupStateSomeNotApplicable[] = "部分项目不能在此禁用或启用，未更改。";

namespace {

constexpr char kCommandValue[] = "command";

bool IsValueSource(StartupSource source) {
  return !StartupSourceOf(source).IsFolder() && source != StartupSource::MsconfigDisabled;
}

std::string FolderOf(const AppState& state, StartupSource source) {
  if (source == StartupSource::UserStartupShortcut) return state.StartupFolder;
  if (source == StartupSource::CommonStartupShortcut) return state.CommonStartupFolder;
  return "";
}

std::set<std::string> DisabledEntries() {
  const StartupSourceInfo& s = StartupSourceOf(StartupSource::MsconfigDisabled);
  NameList names;
  RegGetKeyNames64(s.root, s.key_path, names);
  return {names.begin(), names.end()};
}

bool SameValueName(const std::u16string& a, const std::u16string& b) {
  return ::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                                reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// Two rows that come back as one value (a disabled entry named like a Run value of the user, in
// any letter case) cannot both be put back unless they are the very same value.
bool ClashesWithExpected(const std::vector<RegTreeKey>& expected, const std::string& key_name,
                         const RegTreeValue& value) {
  const std::u16string path = WideFromCodePage(key_name);
  for (const auto& key : expected) {
    if (!SameKeyPath(key.path, path)) continue;
    for (const auto& v : key.values)
      if (SameValueName(v.name, value.name) &&
          (v.name != value.name || v.type != value.type || !SameRegData(v.type, v.data, value.data)))
        return true;
  }
  return false;
}

// Whether the registry or the file system denies what deleting the row's entry takes: a
// standard user may not change the machine's Run keys or the common Startup folder.
bool DeleteRefused(const AppState& state, const StartupDeleteRow& row) {
  const StartupSourceInfo& s = StartupSourceOf(row.source);
  if (IsValueSource(row.source)) return RegRefuses(RegChange::DeleteValue, s.root, s.key_path);
  if (row.source == StartupSource::MsconfigDisabled)
    return RegRefuses(RegChange::DeleteKey, s.root, s.key_path + row.caption);
  const std::string folder = FolderOf(state, row.source);
  if (folder.empty()) return false;
  UniqueFile file(::CreateFileA((folder + row.caption).c_str(), DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return !file && ::GetLastError() == ERROR_ACCESS_DENIED;
}

// What a deletion does with one row, decided before anything goes.
struct RowPlan {
  bool refused = false;       // the user may not delete it: left alone, not backed up
  bool deletable = false;     // a registry row goes only with its backup
  bool recorded = false;      // `entry` belongs in the undo file
  StartupUndoEntry entry{};
  std::string approved_name;  // its StartupApproved value, to go with it ("" when none)
  HKEY approved_root = nullptr;  // and that value's key
  std::string approved_path;
};

// The values as the registry holds them now, read with the W functions in the view the deletion
// uses: the row's own value (none for a shortcut) and its StartupApproved value, if it has one.
// They go into the undo file as they are, and into `expected`, which the file written must
// restore before anything is deleted. A row whose values cannot be backed up stays.
RowPlan BackupOf(const AppState& app, const StartupDeleteRow& row, const std::set<std::string>& disabled,
                 const StartupApprovedValues& approved, std::vector<RegTreeKey>& expected) {
  RowPlan plan;
  const StartupSourceInfo& s = StartupSourceOf(row.source);
  if (DeleteRefused(app, row)) {
    plan.refused = true;
    return plan;
  }
  StartupUndoEntry& entry = plan.entry;
  entry.source = row.source;
  const bool shortcut = s.IsFolder();
  RegTreeValue& now = entry.value;
  if (IsValueSource(row.source)) {
    if (!SnapshotRegistryValue(RegistryView::Wow64_64, s.root, s.key_path, row.caption, now)) return plan;
  } else if (row.source == StartupSource::MsconfigDisabled) {
    if (!disabled.count(row.caption)) return plan;
    const std::string key = s.key_path + row.caption;
    if (RegValueExists(s.root, key, kCommandValue)) {
      if (!SnapshotRegistryValue(RegistryView::Wow64_64, s.root, key, kCommandValue, now)) return plan;
      now.name = WideFromCodePage(row.caption);
    } else {
      // A disabled entry without a command still comes back, as an empty Run entry.
      now = StringValue(row.caption, "");
    }
  }
  // A value that no file restores alike (a name with a control character, text of odd length)
  // stays where it is, and so does its row.
  if (!shortcut && RegFileValueLine(now).empty()) return plan;

  // Looked up as the fill looks it up; one that went in the meantime is no part of the row any
  // more.
  const NamedValue* found = approved.Find(row.source, row.caption);
  const std::optional<StartupKey> approved_key = StartupApprovedKey(row.source);
  if (found && approved_key) {
    const HKEY root = StartupRoot(approved_key->hive);
    RegTreeValue state;
    if (SnapshotRegistryValue(RegistryView::Wow64_64, root, approved_key->path, found->name, state)) {
      if (RegFileValueLine(state).empty()) return plan;
      // The state goes with its entry or neither goes.
      if (RegRefuses(RegChange::DeleteValue, root, approved_key->path)) {
        plan.refused = true;
        return plan;
      }
      entry.approved = std::move(state);
    }
  }

  const std::optional<StartupKey> undo_key = StartupUndoKey(row.source);
  const std::string key_name = undo_key ? StartupKeyName(*undo_key) : "";
  const std::string approved_name = entry.approved ? StartupKeyName(*approved_key) : "";
  // Such a row stays, with the earlier one backed up and deleted.
  if ((undo_key && ClashesWithExpected(expected, key_name, now)) ||
      (entry.approved && ClashesWithExpected(expected, approved_name, *entry.approved)))
    return plan;
  if (undo_key) ExpectValue(expected, key_name, now);
  if (entry.approved) {
    ExpectValue(expected, approved_name, *entry.approved);
    plan.approved_name = found->name;
    plan.approved_root = StartupRoot(approved_key->hive);
    plan.approved_path = approved_key->path;
  }
  plan.recorded = !shortcut || entry.approved;
  plan.deletable = true;
  return plan;
}

void DeleteOne(const AppState& state, const StartupDeleteRow& row) {
  const StartupSourceInfo& s = StartupSourceOf(row.source);
  if (IsValueSource(row.source)) {
    DeleteRegValue(s.root, s.key_path, row.caption);
  } else if (row.source == StartupSource::MsconfigDisabled) {
    DeleteRegKey(s.root, s.key_path + row.caption);
  } else {
    const std::string folder = FolderOf(state, row.source);
    if (!folder.empty() && FileExists(folder + row.caption)) ::DeleteFileA((folder + row.caption).c_str());
  }
}

// Whether the row's own entry (not its StartupApproved value) is still there.
bool StillThere(const AppState& state, const StartupDeleteRow& row, const std::set<std::string>& disabled) {
  const StartupSourceInfo& s = StartupSourceOf(row.source);
  if (IsValueSource(row.source)) return RegValueExists(s.root, s.key_path, row.caption);
  if (row.source == StartupSource::MsconfigDisabled) return disabled.count(row.caption) > 0;
  const std::string folder = FolderOf(state, row.source);
  return !folder.empty() && FileExists(folder + row.caption);
}

bool ApprovedStillThere(const RowPlan& plan) {
  return !plan.approved_name.empty() && RegValueExists(plan.approved_root, plan.approved_path, plan.approved_name);
}

// The text of a REG_SZ value read with the W functions, up to its first NUL.
bool TextOf(const RegTreeValue& value, std::u16string& text) {
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return false;
  text.clear();
  for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(static_cast<unsigned char>(value.data[i]) |
                                             (static_cast<unsigned char>(value.data[i + 1]) << 8));
    if (c == 0) break;
    text += c;
  }
  return true;
}

// An entry that MSConfig disabled, as its startupreg key records it, and what putting it back takes.
struct MsconfigRestore {
  std::string caption;
  StartupKey run;          // where it goes
  std::string item;        // the value's name there
  RegTreeValue value;      // the value as it goes back: the recorded command's type and bytes
  bool write = true;       // false: the very value is there already
};

enum class RestoreCheck { Ready, Incomplete, NameTaken, Refused };

// Reads and checks the record, touching nothing.
RestoreCheck PlanRestore(const std::string& caption, MsconfigRestore& out) {
  const StartupSourceInfo& s = StartupSourceOf(StartupSource::MsconfigDisabled);
  const std::string key = s.key_path + caption;
  const std::vector<std::string> texts = RegReadStrings(RegistryView::Wow64_64, s.root, key, {"hkey", "key", "item"});
  const std::optional<StartupKey> run = MsconfigRunKey(texts[0], texts[1]);
  RegTreeValue item, command;
  std::u16string item_text, unused;
  // The name must read the same through the code page, or the value would go back misnamed.
  if (!run || texts[2].empty() || !SnapshotRegistryValue(RegistryView::Wow64_64, s.root, key, "item", item) ||
      !TextOf(item, item_text) || item_text != WideFromCodePage(texts[2]) ||
      !SnapshotRegistryValue(RegistryView::Wow64_64, s.root, key, kCommandValue, command) ||
      !TextOf(command, unused))
    return RestoreCheck::Incomplete;
  out.caption = caption;
  out.run = *run;
  out.item = texts[2];
  out.value = RegTreeValue{item_text, command.type, command.data};
  RegTreeValue there;
  const HKEY root = StartupRoot(run->hive);
  if (SnapshotRegistryValue(RegistryView::Wow64_64, root, run->path, out.item, there)) {
    if (there.type != command.type || !SameRegData(command.type, there.data, command.data))
      return RestoreCheck::NameTaken;
    out.write = false;
  }
  if ((out.write && RegRefuses(RegChange::WriteValue, root, run->path)) ||
      RegRefuses(RegChange::DeleteKey, s.root, key))
    return RestoreCheck::Refused;
  return RestoreCheck::Ready;
}

// Whether Task Manager's state, kept under the entry's name beside the Run key it goes back to,
// would keep it disabled.
bool ApprovedStateDisables(const MsconfigRestore& plan) {
  for (const StartupSource source : kStartupSources) {
    const std::optional<StartupKey> key = StartupSourceKey(source);
    const std::optional<StartupKey> approved = StartupApprovedKey(source);
    if (!key || !approved || key->hive != plan.run.hive || key->path != plan.run.path) continue;
    RegValue state;
    return RegReadValue(RegistryView::Wow64_64, StartupRoot(approved->hive), approved->path, plan.item, state) &&
           StartupApprovedDisables(state.type, state.data);
  }
  return false;
}

// Puts the checked entries back, then deletes their startupreg keys through one verified backup.
// An entry whose record stays is taken back out of its Run key, so that nothing is half done.
void RestoreMsconfigEntries(const AppState& state, std::vector<MsconfigRestore> plans, StartupStateOutcome& out) {
  const StartupSourceInfo& s = StartupSourceOf(StartupSource::MsconfigDisabled);
  auto take_back = [&out](const MsconfigRestore& plan) {
    if (plan.write && !DeleteRegValue(StartupRoot(plan.run.hive), plan.run.path, plan.item))
      out.left_written.push_back(StartupKeyName(plan.run) + plan.item);
  };
  std::vector<MsconfigRestore> written;
  for (auto& plan : plans) {
    const HKEY root = StartupRoot(plan.run.hive);
    RegTreeValue check;
    if (plan.write && (!WriteRegistryValue(RegistryView::Wow64_64, root, plan.run.path, plan.value) ||
                       !SnapshotRegistryValue(RegistryView::Wow64_64, root, plan.run.path, plan.item, check))) {
      ++out.not_written;
      take_back(plan);
      continue;
    }
    written.push_back(std::move(plan));
  }
  if (written.empty()) return;
  std::vector<RegKeyRef> keys;
  std::vector<std::string> captions;
  for (const auto& plan : written) {
    keys.push_back({RegRoot::LocalMachine, s.key_path + plan.caption});
    captions.push_back(plan.caption);
  }
  const KeyDeleteOutcome deleted = DeleteKeysWithBackup(state, StartupUndoName(captions), keys);
  for (size_t i = 0; i < written.size(); ++i) {
    const bool gone = deleted.result == KeyDeleteResult::Deleted ||
                      std::find(deleted.gone.begin(), deleted.gone.end(), keys[i].FullName()) != deleted.gone.end();
    if (!gone) {
      take_back(written[i]);
      continue;
    }
    ++out.restored;
    if (ApprovedStateDisables(written[i])) ++out.still_disabled;
  }
  out.restore_message =
      deleted.result == KeyDeleteResult::Deleted
          ? WithUndoFolder(std::string(kMsconfigRestored) + deleted.file_name, deleted.user_undo_folder)
          : KeyDeleteMessage(deleted);
}

}  // namespace

bool StartupChangeApplies(const AppState& state, const StartupRow& row, StartupStateChange change) {
  if (change == StartupStateChange::Enable && row.source == StartupSource::MsconfigDisabled) return true;
  if (!StartupStateWritable(row.source) || !WindowsKeepsStartupState(state.WindowsMajor, state.WindowsMinor))
    return false;
  return row.disabled == (change == StartupStateChange::Enable);
}

StartupStateOutcome ChangeStartupState(const AppState& state, const std::vector<StartupRow>& rows,
                                       StartupStateChange change, uint64_t now) {
  StartupStateOutcome out;
  std::vector<MsconfigRestore> restores;
  const RegValue data{REG_BINARY, StartupApprovedData(change == StartupStateChange::Disable, now)};
  for (size_t i = 0; i < rows.size(); ++i) {
    const StartupRow& row = rows[i];
    if (!StartupChangeApplies(state, row, change)) {
      ++out.not_applicable;
      continue;
    }
    if (row.source == StartupSource::MsconfigDisabled) {
      MsconfigRestore plan;
      RestoreCheck check = PlanRestore(row.caption, plan);
      // Two records of one value: the later one goes back only where it is the very same value.
      for (const auto& earlier : restores)
        if (check == RestoreCheck::Ready && earlier.run.hive == plan.run.hive && earlier.run.path == plan.run.path &&
            AsciiUpper(earlier.item) == AsciiUpper(plan.item)) {
          if (earlier.value.type != plan.value.type || !SameRegData(plan.value.type, earlier.value.data, plan.value.data))
            check = RestoreCheck::NameTaken;
          plan.write = false;
        }
      switch (check) {
        case RestoreCheck::Ready:
          restores.push_back(std::move(plan));
          break;
        case RestoreCheck::Incomplete:
          ++out.incomplete;
          break;
        case RestoreCheck::NameTaken:
          ++out.name_taken;
          break;
        case RestoreCheck::Refused:
          ++out.refused;
          break;
      }
      continue;
    }
    // A name the code page cannot spell reads back as another: no state is written for it.
    RegTreeValue entry;
    const StartupSourceInfo& source = StartupSourceOf(row.source);
    const bool there = source.IsFolder()
                           ? FileExists(FolderOf(state, row.source) + row.caption)
                           : SnapshotRegistryValue(RegistryView::Wow64_64, source.root, source.key_path, row.caption, entry);
    if (!there) {
      ++out.not_written;
      continue;
    }
    // Every source StartupChangeApplies lets through has a state key.
    const std::optional<StartupKey> key = StartupApprovedKey(row.source);
    const HKEY root = StartupRoot(key->hive);
    if (RegRefuses(RegChange::WriteValue, root, key->path)) {
      ++out.refused;
      continue;
    }
    // Named after the entry: a Run value's name, a shortcut's file name with ".lnk".
    if (RegWriteValue(root, key->path, row.caption, data))
      out.changed.push_back(i);
    else
      ++out.not_written;
  }
  RestoreMsconfigEntries(state, std::move(restores), out);
  return out;
}

std::string StartupProgramFile(const AppState& state, const StartupRow& row) {
  // Every variable of this user's environment, as the shell expands them at log-on (%APPDATA%,
  // %LOCALAPPDATA% and the like, beyond the folders the path rules know).
  std::string command = row.command;
  char expanded[MAX_PATH * 2] = {};
  const DWORD n = ::ExpandEnvironmentStringsA(command.c_str(), expanded, sizeof expanded);
  if (n > 0 && n <= sizeof expanded) command = expanded;
  const PathFolders folders{state.WindowsFolder, state.ProfileFolder};
  const std::string path = StartupSourceOf(row.source).IsFolder() ? ExpandPathVars(command, folders)
                                                                  : ExtractProgramPath(command, folders);
  if (path.empty()) return "";
  const FsRedirectionOff unredirected(state);
  return FileExists(path) ? path : "";
}

std::string StartupStateResultText(const StartupStateOutcome& out) {
  const size_t done = out.changed.size() + out.restored;
  const size_t failed = out.refused + out.not_written + out.incomplete + out.name_taken;
  if (done == 0 && failed == 0 && out.restore_message.empty()) return out.not_applicable ? kStartupStateNotApplicable : "";
  std::vector<std::string> lines;
  if (!out.restore_message.empty()) lines.push_back(out.restore_message);
  if (out.still_disabled) lines.push_back(kMsconfigStillDisabled);
  for (const auto& name : out.left_written) lines.push_back(kStartupLeftWritten + name);
  if (out.incomplete) lines.push_back(kMsconfigPlaceIncomplete);
  if (out.name_taken) lines.push_back(kMsconfigNameTaken);
  if (out.refused) lines.push_back(done == 0 && failed == out.refused ? kStartupStateNeedsAdmin : kStartupStateSomeNeedAdmin);
  if (out.not_written) lines.push_back(kStartupStateNotWritten);
  if (out.not_applicable && (done > 0 || failed > 0)) lines.push_back(kStartupStateSomeNotApplicable);
  std::string text;
  for (const auto& line : lines) text += (text.empty() ? "" : "\r") + line;
  return text;
}

StartupAddOutcome AddStartupEntry(const std::string& program, bool current_user) {
  const StartupSourceInfo& s = StartupSourceOf(current_user ? StartupSource::UserRun : StartupSource::MachineRun);
  if (RegRefuses(RegChange::WriteValue, s.root, s.key_path)) return StartupAddOutcome::NeedsAdmin;
  if (!RegWriteString(s.root, s.key_path, RunValueName(program), program)) return StartupAddOutcome::NotWritten;
  return StartupAddOutcome::Added;
}

std::string StartupAddResultText(StartupAddOutcome outcome) {
  switch (outcome) {
    case StartupAddOutcome::NeedsAdmin:
      return kStartupAddNeedsAdmin;
    case StartupAddOutcome::NotWritten:
      return kStartupAddNotWritten;
    case StartupAddOutcome::Added:
      break;
  }
  return "";
}

StartupDeleteOutcome DeleteStartupEntries(const AppState& state, const std::vector<StartupDeleteRow>& rows,
                                          const std::function<void()>& pump) {
  StartupDeleteOutcome out;
  out.checked = rows.size();

  // The whole undo file first, from the registry as it is now.
  const std::set<std::string> disabled_before = DisabledEntries();
  StartupApprovedValues approved;
  approved.Read();
  std::vector<StartupUndoEntry> entries;
  std::vector<RegTreeKey> expected;
  std::vector<std::string> captions;
  std::vector<RowPlan> plans;
  for (const auto& row : rows) {
    captions.push_back(row.caption);
    plans.push_back(BackupOf(state, row, disabled_before, approved, expected));
    if (plans.back().recorded) entries.push_back(std::move(plans.back().entry));
  }
  if (!entries.empty()) {
    EnsureUndoFolder(state);
    const std::string name = ClaimUndoFileName(state, StartupUndoName(captions));
    std::string content;
    if (!StartupUndoFileContent(entries, content) || !SaveUndoFile(state, name, content) ||
        !VerifyUndoValues(state, name, expected)) {
      out.backup_failed = true;
      return out;
    }
    out.file_name = name;
    out.user_undo_folder = UserUndoFolderInUse(state);
  }

  for (size_t i = 0; i < rows.size(); ++i) {
    if (pump) pump();
    if (!plans[i].deletable) continue;
    DeleteOne(state, rows[i]);
    // The state goes with its entry, never without it: a row that stays keeps being shown as it
    // was. (MSConfig's entries have no StartupApproved value, so no disabled set is needed.)
    if (!plans[i].approved_name.empty() && !StillThere(state, rows[i], {}))
      DeleteRegValue(plans[i].approved_root, plans[i].approved_path, plans[i].approved_name);
  }

  const std::set<std::string> disabled_after = DisabledEntries();
  // A row without its backup was left alone, wherever its entry may be (a name the code page
  // cannot spell, a key the listing saw in another view): it is not deleted.
  for (size_t i = 0; i < rows.size(); ++i) {
    if (plans[i].refused) ++out.refused;
    if (!plans[i].deletable || StillThere(state, rows[i], disabled_after) || ApprovedStillThere(plans[i]))
      ++out.not_deleted;
  }
  return out;
}

std::string StartupDeleteResultText(const StartupDeleteOutcome& outcome) {
  if (outcome.backup_failed) return kUndoNotCreated;
  return StartupDeleteMessage(
      WithUndoFolder(UndoResultMessage(UndoForm::Autostart, outcome.file_name, !outcome.file_name.empty()),
                     outcome.user_undo_folder),
      outcome.checked, outcome.not_deleted, outcome.refused);
}

}  // namespace kv
