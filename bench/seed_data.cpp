#include "bench/seed_data.h"

#include <cstdio>

#include "win/handles.h"

namespace bench {

namespace {

std::string Format(const char* format, int a, int b = 0) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

unsigned Mix(int i, unsigned salt) {
  unsigned h = static_cast<unsigned>(i) * 2654435761u ^ salt;
  h ^= h >> 15;
  h *= 2246822519u;
  return h ^ (h >> 13);
}

const char* const kSystemPrograms[] = {
    "C:\\windows\\notepad.exe",          "C:\\windows\\regedit.exe",
    "C:\\windows\\explorer.exe",         "C:\\windows\\system32\\winecfg.exe",
    "C:\\windows\\system32\\taskmgr.exe", "C:\\windows\\system32\\control.exe",
};

// The program path behind a command: one of a few system programs, one of the shared icon-bearing
// copies, or a program file of its own that does not exist (the generic icon).
std::string ProgramAt(int i) {
  switch (i % 4) {
    case 0: return kSystemPrograms[Mix(i, 1) % 6];
    case 1: return IconProgramPath(i / 100);
    case 2: return Format("C:\\Program Files\\Vendor%05d\\Tool\\tool%05d.exe", i, i);
    default: return Format("C:\\Program Files\\中文软件%05d\\启动程序.exe", i);
  }
}

// A command line as installers write them, around ProgramAt.
std::string CommandAt(int i) {
  const std::string program = ProgramAt(i);
  switch (i % 8) {
    case 0: return "\"" + program + "\" /min";
    case 1: return program + " -tray";
    case 2: return "\"" + program + "\" --background --delay=30";
    case 3: return "\"" + program + "\" /s";
    case 4: return "%SystemRoot%\\system32\\rundll32.exe C:\\windows\\system32\\shell32.dll,Control_RunDLL desk.cpl";
    case 5: return "\"" + IconProgramPath(i / 100) + "\" /startup";
    case 6: return "%ProgramFiles%\\Vendor" + Format("%05d", i) + "\\updater.exe /check";
    default: return "\"" + program + "\"";
  }
}

std::string Guid(int i) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%04X-%04X%08X}", Mix(i, 11), Mix(i, 12) & 0xFFFF,
                Mix(i, 13) & 0xFFFF, Mix(i, 14) & 0xFFFF, Mix(i, 15) & 0xFFFF, Mix(i, 16));
  return buf;
}

const char* const kWords[] = {"Arcline", "Bramble", "Copperleaf", "Duskwater", "Emberly", "Fernhollow",
                              "Glintmoor", "Harrowgate", "Ironvale", "Juniper", "Kestrel", "Larkspur",
                              "Mistral", "Northwind", "Oakridge", "Pinecrest"};

}  // namespace

int IconProgramCount(int n) { return (n + 99) / 100; }

std::string IconProgramPath(int k) { return Format("C:\\Program Files\\KvBench\\App%03d\\app%03d.exe", k, k); }

StartupEntry StartupEntryAt(int i) {
  StartupEntry e;
  const int slot = i % 20;
  e.where = slot < 9 ? StartupWhere::UserRun
            : slot < 16 ? StartupWhere::MachineRun
            : slot < 18 ? StartupWhere::Disabled
                        : StartupWhere::Shortcut;
  const bool chinese = i % 10 == 7 || i % 40 == 19;
  if (e.where == StartupWhere::Shortcut) {
    e.name = std::string(kShortcutPrefix) + Format(chinese ? "%05d 启动.lnk" : "%05d.lnk", i);
    // Shortcuts share their targets (the seeder writes each distinct one once and copies it).
    const int pool = 90000 + i / 40 % 16;
    switch ((i / 20 + slot) % 4) {
      case 0: e.command = kSystemPrograms[Mix(i, 5) % 6]; break;
      case 1: e.command = IconProgramPath(i / 100); break;
      case 2: e.command = Format("C:\\Program Files\\Vendor%05d\\Tool\\tool%05d.exe", pool, pool); break;
      default: e.command = Format("C:\\Program Files\\中文软件%05d\\启动程序.exe", pool); break;
    }
  } else {
    e.name = Format(chinese ? "启动项%05d" : "KvBenchRun%05d", i);
    e.command = CommandAt(i);
  }
  return e;
}

UninstallEntry UninstallEntryAt(int i) {
  UninstallEntry e;
  const int slot = i % 10;
  e.user = slot >= 8;
  e.wow32 = slot == 6 || slot == 7;
  e.subkey = i % 3 == 0 ? Guid(i) : Format("KvBenchApp%05d", i);
  if (i % 10 == 3)
    e.display_name = Format("测试软件%05d 专业版", i);
  else if (i % 100 == 51)
    e.display_name = Format("Security Update for Bench (KB%07d)", 2000000 + i);
  else
    e.display_name = std::string(kWords[Mix(i, 2) % 16]) + Format(" Studio %05d", i);
  if (i % 100 == 99) e.display_name = UninstallEntryAt(i - 1).display_name;  // a duplicate: dropped
  const bool msi = i % 3 == 0;
  e.uninstall = msi ? "MsiExec.exe /X" + e.subkey
                    : "\"" + Format("C:\\Program Files\\Vendor%05d\\unins000.exe", i) + "\"";
  if (i % 10 == 5) e.quiet_uninstall = e.uninstall + " /SILENT";
  e.publisher = i % 10 == 3 ? "北京测试科技有限公司" : std::string(kWords[Mix(i, 3) % 16]) + " Software";
  e.version = Format("%d.%d", 1 + i % 9, i % 100);
  if (i % 17 == 4)
    e.install_date = "2014/3/15";
  else if (i % 13 != 5)
    e.install_date = Format("2014%02d%02d", 1 + i % 12, 1 + i % 28);
  e.estimated_size = static_cast<DWORD>(1024 + Mix(i, 4) % 500000);
  if (i % 2 == 1) e.display_icon = ProgramAt(i / 2) + ",0";
  if (i % 40 == 21) e.release_type = "Update";
  e.system_component = i % 50 == 33;
  return e;
}

AssociationEntry AssociationEntryAt(int i) {
  AssociationEntry e;
  e.extension = Format(".kv%05d", i);
  e.has_type = i % 10 != 7;
  e.type = Format(i % 10 == 3 ? "KvBench.中文%05d" : "KvBench.File%05d", i);
  if (i % 20 != 9) e.description = Format(i % 10 == 3 ? "测试文档%05d" : "Bench document %05d", i);
  e.command = "\"" + ProgramAt(i) + "\" \"%1\"";
  switch (i % 5) {
    case 0: e.icon = "C:\\windows\\system32\\shell32.dll,-154"; break;
    case 1: e.icon = IconProgramPath(i / 100) + ",1"; break;
    case 2: e.icon = ProgramAt(i) + ",0"; break;
    case 3: e.icon = "%SystemRoot%\\system32\\imageres.dll,-102"; break;
    default: break;  // no DefaultIcon key
  }
  return e;
}

RegFile::RegFile() { text_ = L"\xFEFFWindows Registry Editor Version 5.00\r\n"; }

namespace {
std::wstring Wide(const std::string& text) {
  if (text.empty()) return L"";
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}
std::wstring Quoted(const std::string& text) {
  std::wstring out = L"\"";
  for (wchar_t c : Wide(text)) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}
}  // namespace

void RegFile::Line(const std::wstring& line) {
  text_ += line;
  text_ += L"\r\n";
  ++lines_;
}

void RegFile::Key(const std::string& path) { Line(L"\r\n[" + Wide(path) + L"]"); }
void RegFile::DeleteKey(const std::string& path) { Line(L"\r\n[-" + Wide(path) + L"]"); }
void RegFile::Default(const std::string& text) { Line(L"@=" + Quoted(text)); }
void RegFile::String(const std::string& name, const std::string& text) { Line(Quoted(name) + L"=" + Quoted(text)); }
void RegFile::DeleteValue(const std::string& name) { Line(Quoted(name) + L"=-"); }

void RegFile::Dword(const std::string& name, DWORD value) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"%08lx", static_cast<unsigned long>(value));
  Line(Quoted(name) + L"=dword:" + buf);
}

bool RegFile::Save(const std::string& path) const {
  kv::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) return false;
  const DWORD bytes = static_cast<DWORD>(text_.size() * sizeof(wchar_t));
  DWORD written = 0;
  return ::WriteFile(file.get(), text_.data(), bytes, &written, nullptr) && written == bytes;
}

}  // namespace bench
