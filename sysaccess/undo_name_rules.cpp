#include "sysaccess/undo_name_rules.h"

#include "sysaccess/text_rules.h"

namespace kv {

namespace {

constexpr size_t kMaxPath = 260;  // MAX_PATH, with its terminating NUL

// The text inside a leading quote; a doubled quote stands for one. Without a closing quote the
// rest less its last character is taken, as the entry names were always read.
std::string UnquotedCaption(const std::string& caption) {
  std::string inner;
  size_t last_char = 0;  // size of the last character appended
  bool closed = false;
  for (size_t i = 1; i < caption.size();) {
    size_t n = (IsLeadByte(static_cast<unsigned char>(caption[i])) && i + 1 < caption.size()) ? 2 : 1;
    if (n == 1 && caption[i] == '"') {
      if (i + 1 < caption.size() && caption[i + 1] == '"') {
        inner += '"';
        last_char = 1;
        i += 2;
        continue;
      }
      closed = true;
      break;
    }
    inner.append(caption, i, n);
    last_char = n;
    i += n;
  }
  if (!closed && !inner.empty()) inner.resize(inner.size() - last_char);
  return inner;
}

std::string CutBefore(const std::string& s, size_t at) { return at == std::string::npos ? s : s.substr(0, at); }

bool IsRefusedByte(unsigned char c) {
  return c < 32 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
         c == '>' || c == '|';
}

bool IsDeviceName(std::string base) {
  // Windows ignores blanks before the extension when it recognises a device name.
  while (!base.empty() && base.back() == ' ') base.pop_back();
  base = AsciiUpper(base);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Byte length of the longest whole-character prefix of s that fits in `limit` bytes.
size_t FittingPrefix(const std::string& s, size_t limit) {
  size_t fit = 0;
  ForEachChar(s, [&](size_t i, size_t n) {
    if (i == fit && i + n <= limit) fit = i + n;
  });
  return fit;
}

// Trailing dots and blanks removed and a device name defused; the rest is already clean.
std::string Finished(std::string s) {
  for (;;) {
    size_t last = 0, last_n = 0;
    ForEachChar(s, [&](size_t i, size_t n) { last = i, last_n = n; });
    if (last_n != 1 || (s[last] != '.' && s[last] != ' ')) break;
    s.pop_back();
  }
  if (s.empty()) s = "_";
  size_t dot = FindText(s, ".");
  if (IsDeviceName(s.substr(0, dot == std::string::npos ? s.size() : dot)))
    s.insert(dot == std::string::npos ? s.size() : dot, "_");
  return s;
}

}  // namespace

std::string UninstallUndoName(const std::string& display_name) {
  static const struct {
    const char* what;
    const char* with;
  } kSteps[] = {
      {"\"", ""}, {"\\", "_"}, {"/", "_"}, {".", "_"}, {":", " "}, {";", " "}, {">", "_ "}, {"<", "_"},
      {"&", "_"}, {"%", "_"},  {"#", " "}, {"*", " "}, {"[", ""},  {"]", ""},  {"{", ""},   {"}", ""},
  };
  std::string s = display_name;
  for (const auto& step : kSteps) s = ReplaceAll(s, step.what, step.with);
  return s + "_uninstall.reg";
}

std::string AssociationUndoName(const std::string& extension) {
  size_t first = 0;
  ForEachChar(extension, [&](size_t i, size_t n) {
    if (i == 0) first = n;
  });
  return extension.substr(first) + "_association.reg";
}

std::string StartupRecordedName(const std::string& caption) {
  std::string name = caption;
  if (!name.empty() && name[0] == '"') {
    std::string inner = UnquotedCaption(name);
    if (!inner.empty()) name = inner;
  }
  name = CutBefore(name, FindText(AsciiUpper(name), ".EXE"));
  return CutBefore(name, FindText(name, "\\"));
}

std::string StartupUndoName(const std::vector<std::string>& captions) {
  std::string joined;
  for (const auto& caption : captions) joined += StartupRecordedName(caption) + ",";
  if (!joined.empty()) joined.pop_back();
  return joined + "_startup.reg";
}

std::string UsableUndoFileName(const std::string& name, size_t folder_length) {
  std::string clean;
  ForEachChar(name, [&](size_t i, size_t n) {
    if (n == 1 && IsRefusedByte(static_cast<unsigned char>(name[i])))
      clean += '_';
    else
      clean.append(name, i, n);
  });

  std::string suffix;
  for (const char* kind : {"_uninstall.reg", "_association.reg", "_startup.reg", ".reg"}) {
    if (EndsWith(clean, kind) && FindText(clean, kind, clean.size() - std::string(kind).size()) != std::string::npos) {
      suffix = kind;
      break;
    }
  }
  std::string head = clean.substr(0, clean.size() - suffix.size());

  const size_t budget = folder_length < kMaxPath - 1 ? kMaxPath - 1 - folder_length : 0;
  std::string result = Finished(head + suffix);
  if (result.size() <= budget) return result;

  // Too long for the folder: shorten the first part, keep what says what kind of file it is.
  size_t keep = FittingPrefix(head, budget > suffix.size() ? budget - suffix.size() : 0);
  for (;;) {
    result = Finished(head.substr(0, keep) + suffix);
    if (result.size() <= budget || keep == 0) return result;
    keep = FittingPrefix(head, keep - 1);
  }
}

std::string NumberedUndoFileName(const std::string& name, int n) {
  const std::string tag = " (" + std::to_string(n) + ")";
  if (EndsWith(name, ".reg")) return name.substr(0, name.size() - 4) + tag + ".reg";
  return name + tag;
}

}  // namespace kv
