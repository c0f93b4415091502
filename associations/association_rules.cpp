#include "associations/association_rules.h"

#include "sysaccess/text_rules.h"

namespace kv {

namespace {

// The text after its first character (the extension's dot), never half a GBK character.
std::string WithoutFirstCharacter(const std::string& s) {
  size_t first = 0;
  ForEachChar(s, [&](size_t i, size_t n) {
    if (i == 0) first = n;
  });
  return s.substr(first);
}

bool IsCharacterBoundary(const std::string& s, size_t at) {
  if (at == 0 || at >= s.size()) return at <= s.size();
  bool boundary = false;
  ForEachChar(s, [&](size_t i, size_t) {
    if (i == at) boundary = true;
  });
  return boundary;
}

// Where a command's program ends after one of these, when no quotes say it.
const char* const kProgramExtensions[] = {".EXE", ".COM", ".BAT", ".CMD", ".SCR", ".PIF"};

}  // namespace

std::string AssociationSearchPattern(const std::string& text) {
  if (text.empty()) return "";
  std::string pattern = AsciiUpper(text);
  if (pattern[0] != '.') pattern.insert(0, 1, '.');
  return pattern;
}

int FindAssociationRow(const std::vector<AssociationRow>& rows, const std::string& text) {
  const std::string pattern = AssociationSearchPattern(text);
  if (pattern.empty()) return -1;
  for (size_t row = 0; row < rows.size(); ++row) {
    const std::string& extension = rows[row].extension;
    if (extension.size() < pattern.size()) continue;
    // Upper-casing a prefix gives the prefix of the upper-cased extension: characters are read
    // from the left.
    if (AsciiUpper(extension.substr(0, pattern.size())) != pattern) continue;
    if (IsCharacterBoundary(extension, pattern.size())) return static_cast<int>(row);
  }
  return -1;
}

std::string DescriptionForTypedExtension(const std::string& typed) {
  const std::string extension = (!typed.empty() && typed[0] == '.') ? typed : "." + typed;
  return AddTypeName(extension);
}

std::string AddTypeName(const std::string& extension) { return WithoutFirstCharacter(extension) + ".file"; }

std::string EditTypeName(const std::string& extension, const std::string& current_type_name) {
  // A backslash in the name would write into some other key (a lone one: into the root itself).
  if (current_type_name.empty() || ContainsText(current_type_name, "\\")) return AddTypeName(extension);
  return current_type_name;
}

std::string ArgumentSuffix(const std::string& program_text) {
  if (ContainsText(program_text, "%") || ContainsText(program_text, "/") || ContainsText(program_text, " -"))
    return "";
  return " \"%1\"";
}

std::string CommandProgramFile(const std::string& command) {
  const std::string s = TrimControls(command);
  if (s.empty()) return "";
  if (s[0] == '"') {
    const size_t close = FindText(s, "\"", 1);
    return TrimControls(s.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  }
  // Unquoted: the program may hold blanks ("C:\Program Files\x.exe %1"), so it ends after the
  // first program extension that is followed by the end, a blank, a quote or a comma.
  const std::string upper = AsciiUpper(s);
  size_t end = std::string::npos;
  for (const char* ext : kProgramExtensions) {
    const std::string token(ext);
    for (size_t at = FindText(upper, token); at != std::string::npos; at = FindText(upper, token, at + 1)) {
      const size_t after = at + token.size();
      const bool ends = after == upper.size() || upper[after] == ' ' || upper[after] == '"' || upper[after] == ',';
      if (ends) {
        if (end == std::string::npos || after < end) end = after;
        break;
      }
    }
  }
  if (end != std::string::npos) return s.substr(0, end);
  // No known extension: the program stops where its first argument starts.
  for (const char* arg : {" %", " /", " -", " \""}) {
    const size_t at = FindText(s, arg);
    if (at != std::string::npos && (end == std::string::npos || at < end)) end = at;
  }
  return TrimControls(ReplaceAll(s.substr(0, end), "\"", ""));
}

std::string IconValueFor(const std::string& file) { return "\"" + file + "\", -1"; }

SaveCheck CheckAssociationInput(AssociationMode mode, const std::string& extension, const std::string& description,
                                const std::string& program_text,
                                const std::function<bool(const std::string&)>& file_exists) {
  if (extension.empty()) return SaveCheck::NoExtension;
  if (description.empty()) return SaveCheck::NoDescription;
  if (program_text.empty()) return SaveCheck::NoProgram;
  if (extension[0] != '.') return SaveCheck::NoDot;
  if (ContainsText(extension, "\\")) return SaveCheck::Backslash;
  if (mode == kModeAdd && !(file_exists && file_exists(program_text))) return SaveCheck::FileNotFound;
  return SaveCheck::Ok;
}

AssociationWrite PlanAssociationWrite(AssociationMode mode, const std::string& extension,
                                      const std::string& description, const std::string& program_text,
                                      const std::string& current_type_name, const std::string& listed_command) {
  AssociationWrite w;
  w.extension = extension;
  w.type_name = mode == kModeAdd ? AddTypeName(extension) : EditTypeName(extension, current_type_name);
  w.description = description;
  w.command = program_text + ArgumentSuffix(program_text);
  // The listed command may already hold quotes and arguments: the icon names its program only.
  const bool still_listed = mode == kModeEdit && !listed_command.empty() && program_text == listed_command;
  w.icon = IconValueFor(still_listed ? CommandProgramFile(program_text) : program_text);
  return w;
}

DefaultAppsLauncher DefaultAppsSettings(unsigned windows_major_version) {
  if (windows_major_version >= 10) return {"ms-settings:defaultapps", ""};
  return {"control.exe", "/name Microsoft.DefaultPrograms"};
}

}  // namespace kv
