#include "startup/startup_actions.h"

#include <windows.h>

#include <set>

#include "startup/startup_reader.h"
#include "startup/startup_rules.h"
#include "startup/startup_undo_rules.h"
#include "sysaccess/programs.h"
#include "sysaccess/registry.h"
#include "sysaccess/undo_name_rules.h"
#include "sysaccess/undo_store.h"
#include "ui/undo_messages.h"
#include "sysaccess/undo_verify.h"

namespace kv {

const char kStartupAddNeedsAdmin[] = "需要管理员权限才能为所有用户添加启动项，未更改任何内容。";
const char kStartupAddNotWritten[] = "无法写入启动项，未更改任何内容。";

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

}  // namespace

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
