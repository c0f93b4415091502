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

// True when s ends with `tail` as whole characters: a lead byte before it does not take its first byte.
bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && FindText(s, tail, s.size() - tail.size()) == s.size() - tail.size();
}

// A double-byte character takes three bytes where file names are kept in UTF-8 (Wine on Linux
// allows 255 of them); on Windows it is one of the 255 UTF-16 units, so this limit suits both.
constexpr size_t kMaxComponent = 255;

size_t ComponentWeight(const std::string& s) {
  size_t weight = 0;
  ForEachChar(s, [&](size_t, size_t n) { weight += n == 2 ? 3 : 1; });
  return weight;
}

// Byte length of the longest whole-character prefix of s within both limits.
size_t FittingPrefix(const std::string& s, size_t byte_limit, size_t weight_limit) {
  size_t fit = 0, weight = 0;
  bool open = true;
  ForEachChar(s, [&](size_t i, size_t n) {
    const size_t w = n == 2 ? 3 : 1;
    if (open && i + n <= byte_limit && weight + w <= weight_limit) {
      fit = i + n;
      weight += w;
    } else {
      open = false;
    }
  });
  return fit;
}

// The end of a name that tells its kind and number ("_uninstall (2).reg", ".reg"), kept whole
// when the name is shortened; "" when the name has no ".reg" of its own.
std::string KindSuffix(const std::string& name) {
  if (!EndsWith(name, ".reg")) return "";
  size_t start = name.size() - 4;
  if (start > 0 && name[start - 1] == ')') {
    size_t digits = start - 1;
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
    if (digits < start - 1 && digits >= 2 && name.compare(digits - 2, 2, " (") == 0) start = digits - 2;
  }
  for (const std::string kind : {"_uninstall", "_association", "_startup"}) {
    if (start >= kind.size() && name.compare(start - kind.size(), kind.size(), kind) == 0) {
      start -= kind.size();
      break;
    }
  }
  // A match that begins inside a double-byte character is no suffix of its own.
  while (start < name.size() && FindText(name, name.substr(start), start) != start) ++start;
  return name.substr(start);
}

// Trailing dots and blanks removed and a device name defused; the rest is already clean.
std::string Finished(std::string s) {
  // Character starts found once: dropping the last character moves no earlier boundary.
  std::vector<size_t> starts;
  ForEachChar(s, [&](size_t i, size_t) { starts.push_back(i); });
  while (!starts.empty() && starts.back() + 1 == s.size() && (s.back() == '.' || s.back() == ' ')) {
    s.pop_back();
    starts.pop_back();
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

  const std::string suffix = KindSuffix(clean);
  std::string head = clean.substr(0, clean.size() - suffix.size());

  const size_t budget = folder_length < kMaxPath - 1 ? kMaxPath - 1 - folder_length : 0;
  auto fits = [&](const std::string& n) { return n.size() <= budget && ComponentWeight(n) <= kMaxComponent; };
  std::string result = Finished(head + suffix);
  if (fits(result)) return result;

  // Too long: shorten the first part, keep what says what kind of file it is.
  const size_t suffix_weight = ComponentWeight(suffix);
  size_t keep = FittingPrefix(head, budget > suffix.size() ? budget - suffix.size() : 0,
                              kMaxComponent > suffix_weight ? kMaxComponent - suffix_weight : 0);
  for (;;) {
    result = Finished(head.substr(0, keep) + suffix);
    if (fits(result) || keep == 0) return result;
    keep = FittingPrefix(head, keep - 1, kMaxComponent);
  }
}

std::string NumberedUndoFileName(const std::string& name, int n) {
  const std::string tag = " (" + std::to_string(n) + ")";
  if (EndsWith(name, ".reg")) return name.substr(0, name.size() - 4) + tag + ".reg";
  return name + tag;
}

}  // namespace kv
