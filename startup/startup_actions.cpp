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
#include "sysaccess/undo_verify.h"

namespace kv {

namespace {

constexpr char kCommandValue[] = "command";

bool IsValueSource(char digit) {
  const StartupSourceInfo* s = StartupSourceOf(digit);
  return s && s->root && s->source != StartupSource::MsconfigDisabled;
}

std::string FolderOf(const AppState& state, char digit) {
  if (digit == '8') return state.StartupFolder;
  if (digit == '9') return state.CommonStartupFolder;
  return "";
}

std::set<std::string> DisabledEntries() {
  NameList names;
  RegGetKeyNames64(HKEY_LOCAL_MACHINE, kMsconfigStartupKey, names);
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

// The value as the registry holds it now, read with the W functions in the view the deletion
// uses: it goes into the undo file as it is, and into `expected`, which the file written must
// restore before anything is deleted. False leaves the row in place.
bool BackupOf(const StartupDeleteRow& row, const std::set<std::string>& disabled, StartupUndoEntry& entry,
              std::vector<RegTreeKey>& expected) {
  const StartupSourceInfo* s = StartupSourceOf(row.digit);
  entry.digit = row.digit;
  RegTreeValue& now = entry.value;
  if (IsValueSource(row.digit)) {
    if (!SnapshotRegistryValue(RegistryView::Wow64_64, s->root, s->key_path, row.caption, now)) return false;
  } else if (row.digit == '5') {
    if (!disabled.count(row.caption)) return false;
    const std::string key = s->key_path + row.caption;
    if (RegValueExists(s->root, key, kCommandValue)) {
      if (!SnapshotRegistryValue(RegistryView::Wow64_64, s->root, key, kCommandValue, now)) return false;
      now.name = WideFromCodePage(row.caption);
    } else {
      // A disabled entry without a command still comes back, as an empty Run entry.
      now = StringValue(row.caption, "");
    }
  } else {
    return false;
  }
  // A value that no file restores alike (a name with a control character, text of odd length)
  // stays where it is.
  if (RegFileValueLine(now).empty()) return false;
  const std::string key_line = StartupUndoKeyLine(row.digit);
  const std::string key_name = key_line.substr(1, key_line.size() - 2);
  // Such a row stays, with the earlier one backed up and deleted.
  if (ClashesWithExpected(expected, key_name, now)) return false;
  ExpectValue(expected, key_name, now);
  return true;
}

void DeleteOne(const AppState& state, const StartupDeleteRow& row) {
  const StartupSourceInfo* s = StartupSourceOf(row.digit);
  if (!s) return;
  if (IsValueSource(row.digit)) {
    DeleteRegValue(s->root, s->key_path, row.caption);
  } else if (row.digit == '5') {
    DeleteRegKey(s->root, s->key_path + row.caption);
  } else {
    const std::string path = FolderOf(state, row.digit) + row.caption;
    if (!FolderOf(state, row.digit).empty() && FileExists(path)) ::DeleteFileA(path.c_str());
  }
}

bool StillThere(const AppState& state, const StartupDeleteRow& row, const std::set<std::string>& disabled) {
  const StartupSourceInfo* s = StartupSourceOf(row.digit);
  if (!s) return false;
  if (IsValueSource(row.digit)) return RegValueExists(s->root, s->key_path, row.caption);
  if (row.digit == '5') return disabled.count(row.caption) > 0;
  const std::string folder = FolderOf(state, row.digit);
  return !folder.empty() && FileExists(folder + row.caption);
}

}  // namespace

StartupDeleteOutcome DeleteStartupEntries(const AppState& state, const std::vector<StartupDeleteRow>& rows,
                                          const std::function<void()>& pump) {
  StartupDeleteOutcome out;
  out.checked = rows.size();

  // The whole undo file first, from the registry as it is now.
  const std::set<std::string> disabled_before = DisabledEntries();
  std::vector<StartupUndoEntry> entries;
  std::vector<RegTreeKey> expected;
  std::vector<std::string> captions;
  std::vector<bool> deletable;  // a registry row goes only with its backup
  for (const auto& row : rows) {
    captions.push_back(row.caption);
    StartupUndoEntry entry;
    const bool backed_up = BackupOf(row, disabled_before, entry, expected);
    if (backed_up) entries.push_back(std::move(entry));
    deletable.push_back(backed_up || row.digit == '8' || row.digit == '9');
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
  }

  for (size_t i = 0; i < rows.size(); ++i) {
    if (pump) pump();
    if (deletable[i]) DeleteOne(state, rows[i]);
  }

  const std::set<std::string> disabled_after = DisabledEntries();
  // A row without its backup was left alone, wherever its entry may be (a name the code page
  // cannot spell, a key the listing saw in another view): it is not deleted.
  for (size_t i = 0; i < rows.size(); ++i)
    if (!deletable[i] || StillThere(state, rows[i], disabled_after)) ++out.not_deleted;
  return out;
}

std::string StartupDeleteResultText(const StartupDeleteOutcome& outcome) {
  if (outcome.backup_failed) return kUndoNotCreated;
  return StartupDeleteMessage(UndoResultMessage(UndoForm::Autostart, outcome.file_name, !outcome.file_name.empty()),
                              outcome.checked, outcome.not_deleted);
}

}  // namespace kv
