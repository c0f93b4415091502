#include "sysaccess/undo_store.h"

#include <windows.h>

#include <algorithm>

#include "win/handles.h"
#include "sysaccess/programs.h"
#include "sysaccess/reg_file_rules.h"
#include "sysaccess/text_rules.h"
#include "sysaccess/undo_name_rules.h"

namespace kv {

namespace {

constexpr int kMaxNumber = 9999;

bool NameTaken(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Size of an existing file; -1 when it cannot be read.
long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadSmallFile(const std::string& path, std::string& bytes) {
  const long long size = FileSize(path);
  // An undo file of one key is small; one beyond this is not joined.
  if (size < 0 || size > (64ll << 20)) return false;
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  bytes.assign(static_cast<size_t>(size), '\0');
  DWORD got = 0;
  return file && (size == 0 || ::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(size), &got, nullptr)) &&
         got == static_cast<DWORD>(size);
}

bool WriteAll(HANDLE file, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr) || written != chunk) return false;
    done += written;
  }
  return ::FlushFileBuffers(file) != FALSE;
}

std::string WithoutBackslashesAround(const std::string& key_path) {
  size_t b = 0;
  while (b < key_path.size() && key_path[b] == '\\') ++b;
  std::string s = key_path.substr(b);
  // A backslash before the closing quote would escape it on the editor's command line.
  while (EndsWithBackslash(s)) s.pop_back();
  return s;
}

void CreateFolderPath(const std::string& folder) {
  if (folder.empty() || DirectoryExists(folder)) return;
  // Each folder along the path in turn; the ones that exist already just refuse.
  ForEachChar(folder, [&](size_t i, size_t n) {
    if (n == 1 && folder[i] == '\\' && i > 0 && folder[i - 1] != ':')
      ::CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
  });
  if (!EndsWithBackslash(folder)) ::CreateDirectoryA(folder.c_str(), nullptr);
}

// A folder that exists may still refuse new files: a standard user's Program Files folder, made
// by an administrator's earlier run. The probe leaves nothing behind.
bool CanWriteIn(const std::string& folder) {
  const std::string probe = folder + "~korvane" + std::to_string(::GetCurrentProcessId()) + ".tmp";
  UniqueFile file(::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return static_cast<bool>(file);
}

bool Usable(const std::string& folder) {
  if (folder.empty()) return false;
  CreateFolderPath(folder);
  return DirectoryExists(folder) && CanWriteIn(WithTrailingBackslash(folder));
}

}  // namespace

void EnsureUndoFolder(const AppState& state) {
  // Under Program Files a standard user may not create the folder beside the program, and the
  // manifest's execution level turns file virtualization off ("User Account Control" on
  // learn.microsoft.com), so no per-user copy appears there either.
  if (Usable(state.UndoFolder) || state.UserUndoFolder.empty() || state.UndoFolder == state.UserUndoFolder) return;
  if (Usable(state.UserUndoFolder)) state.UndoFolder = state.UserUndoFolder;
}

std::string UserUndoFolderInUse(const AppState& state) {
  return !state.UserUndoFolder.empty() && state.UndoFolder == state.UserUndoFolder ? state.UndoFolder : "";
}

std::string ClaimUndoFileName(const AppState& state, const std::string& name) {
  const size_t folder_length = state.UndoFolder.size();
  const std::string base = UsableUndoFileName(name, folder_length);
  std::string claimed = base;
  // A numbered name is made usable again: its number stays and its first part gives way.
  for (int n = 2; n <= kMaxNumber && NameTaken(state.UndoFolder + claimed); ++n)
    claimed = UsableUndoFileName(NumberedUndoFileName(base, n), folder_length);
  return claimed;
}

std::string ExportParameters(const std::string& full_path, const std::string& root_name,
                             const std::string& key_path) {
  return "/s /e \"" + full_path + "\" \"" + root_name + "\\" + WithoutBackslashesAround(key_path) + "\"";
}

bool ExportKeyToUndo(const AppState& state, const std::string& file_name, const std::string& root_name,
                     const std::string& key_path) {
  const std::string full_path = state.UndoFolder + file_name;
  // An older undo file is never overwritten, and a file that was there before proves nothing.
  if (file_name.empty() || NameTaken(full_path)) return false;
  // A quote would end a quoted argument early, and the editor might export some other key.
  if (ContainsText(key_path, "\"") || ContainsText(file_name, "\"")) return false;
  // A 32-bit program on 64-bit Windows asking for WindowsFolder\regedit.exe gets SysWOW64\regedit.exe,
  // which sees only the 32-bit view and so misses every 64-bit key ("File System Redirector" on
  // MSDN lists %windir%\regedit.exe among the redirected paths). The 64-bit editor sees both views:
  // the key path names the Wow6432Node key itself where the record lives there.
  // Redirection is off for the start only: the wait handles messages sent to the windows.
  UniqueHandle editor;
  {
    const FsRedirectionOff unredirected(state);
    editor = StartProgram(state.WindowsFolder + "regedit.exe", ExportParameters(full_path, root_name, key_path));
  }
  if (!editor) return false;
  WaitForProgram(editor.get());
  if (!FileExists(full_path)) return false;
  if (FileSize(full_path) > 0) return true;
  // An empty file restores nothing; it is ours, so it goes again.
  ::DeleteFileA(full_path.c_str());
  return false;
}

bool SaveUndoFile(const AppState& state, const std::string& file_name, const std::string& content) {
  const std::string full_path = state.UndoFolder + file_name;
  UniqueFile file(::CreateFileA(full_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file) return false;
  const bool ok = WriteAll(file.get(), content);
  file.reset();
  if (!ok) ::DeleteFileA(full_path.c_str());
  return ok;
}

bool AppendUndoFile(const AppState& state, const std::string& file_name, const std::string& part_name) {
  const std::string whole_path = state.UndoFolder + file_name;
  const std::string part_path = state.UndoFolder + part_name;
  std::string whole, part;
  const bool joined = ReadSmallFile(whole_path, whole) && ReadSmallFile(part_path, part) &&
                      AppendRegFileKeys(whole, part);
  ::DeleteFileA(part_path.c_str());
  // Our own file, just written: it is replaced whole, and a failed write leaves no half file.
  UniqueFile file;
  if (joined)
    file.reset(::CreateFileA(whole_path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  const bool ok = file && WriteAll(file.get(), whole);
  file.reset();
  if (!ok) ::DeleteFileA(whole_path.c_str());
  return ok;
}

}  // namespace kv
