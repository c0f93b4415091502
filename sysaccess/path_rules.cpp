#include "sysaccess/path_rules.h"

#include <vector>

#include "sysaccess/text_rules.h"

namespace kv {

namespace {

// Command lines are worked on in whole characters, so cutting "the first n characters" never
// leaves half of a GBK character behind.
class CharText {
 public:
  explicit CharText(const std::string& s) : s_(s) { Index(); }

  const std::string& str() const { return s_; }
  size_t Length() const { return starts_.size(); }

  // 1-based character position of the first occurrence of token from character `from_pos` on;
  // 0 when absent.
  size_t Pos(const std::string& token, size_t from_pos = 1) const {
    if (from_pos < 1 || from_pos > Length()) return 0;
    size_t at = FindText(s_, token, starts_[from_pos - 1]);
    return at == std::string::npos ? 0 : PosOfByte(at);
  }
  size_t LastPos(const std::string& token) const {
    size_t at = FindLastText(s_, token);
    return at == std::string::npos ? 0 : PosOfByte(at);
  }

  void KeepFirst(size_t n) {
    if (n >= Length()) return;
    s_.resize(starts_[n]);
    Index();
  }
  void DropFirst(size_t n) {
    if (n >= Length()) {
      s_.clear();
    } else {
      s_.erase(0, starts_[n]);
    }
    Index();
  }
  bool StartsWith(const std::string& token) const { return s_.compare(0, token.size(), token) == 0; }

 private:
  void Index() {
    starts_.clear();
    ForEachChar(s_, [&](size_t i, size_t) { starts_.push_back(i); });
  }
  size_t PosOfByte(size_t byte) const {
    size_t lo = 0, hi = starts_.size();
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      if (starts_[mid] < byte) lo = mid + 1; else hi = mid;
    }
    return lo + 1;
  }

  std::string s_;
  std::vector<size_t> starts_;
};

}  // namespace

std::string ExpandPathVars(const std::string& path, const PathFolders& folders) {
  const struct {
    const char* token;
    const std::string& with;
  } rules[] = {
      {"%WINDIR%\\", folders.WindowsFolder},
      {"%SYSTEMROOT%\\", folders.WindowsFolder},
      {"%PROGRAMFILES%\\", "C:\\Program Files\\"},
      {"%PROGRAMFILES(X86)%\\", "C:\\Program Files (x86)\\"},
      {"%PROGRAMW6432%\\", "C:\\Program Files\\"},
      {"%USERPROFILE%\\", folders.ProfileFolder},
  };
  std::string out = path;
  // A rule only fires on its token written in upper case; once it fires, any case is replaced.
  for (const auto& rule : rules)
    if (ContainsText(out, rule.token)) out = ReplaceAllIgnoreCase(out, rule.token, rule.with);
  return out;
}

std::string ExtractProgramPath(const std::string& command_line, const PathFolders& folders) {
  std::string s = TrimControls(command_line);
  if (s.empty()) return "";
  s = ExpandPathVars(AsciiUpper(s), folders);
  CharText t(ReplaceAll(s, "\"", ""));

  // Whatever stands before the drive letter of the first full path (rundll32, START) goes.
  size_t p = t.Pos(":\\");
  if (p > 2) t.DropFirst(p - 2);

  // A second full path (an argument) is cut off before its drive letter.
  if (t.Length() >= 3) {
    size_t q = t.Pos(":\\", 3);
    if (q > 0) q -= 2;  // position within the remainder that starts at character 3
    if (q > 2) t.KeepFirst(q);
  }

  for (const char* ext : {".EXE", ".DLL", ".BAT", ".CMD", ".CPL", ".APL", ".OCX"}) {
    size_t at = t.Pos(ext);
    if (at > 0) t.KeepFirst(at + 3);
  }

  if (t.StartsWith("START ")) t.DropFirst(6);

  size_t c = t.Pos(",");
  if (c > 0) {
    size_t colon = t.Pos(":");
    if (colon > 0 && c < colon) t.DropFirst(c);
    // A missing dot counts as position 0 here, which keeps the first three characters.
    if (t.Pos(".") < c) t.KeepFirst(t.LastPos(".") + 3);
  }
  return t.str();
}

}  // namespace kv
