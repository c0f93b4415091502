#include "bench/api_probe.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>

namespace bench::probe {

namespace {

// X(dll, result, name, parameters, arguments)
#define KV_PROBED(X)                                                                                            \
  X(advapi32, LONG, RegOpenKeyExA, (HKEY a, LPCSTR b, DWORD c, REGSAM d, PHKEY e), (a, b, c, d, e))             \
  X(advapi32, LONG, RegQueryValueExA, (HKEY a, LPCSTR b, LPDWORD c, LPDWORD d, LPBYTE e, LPDWORD f),            \
    (a, b, c, d, e, f))                                                                                         \
  X(advapi32, LONG, RegEnumKeyExA,                                                                              \
    (HKEY a, DWORD b, LPSTR c, LPDWORD d, LPDWORD e, LPSTR f, LPDWORD g, PFILETIME h), (a, b, c, d, e, f, g, h)) \
  X(advapi32, LONG, RegEnumValueA,                                                                              \
    (HKEY a, DWORD b, LPSTR c, LPDWORD d, LPDWORD e, LPDWORD f, LPBYTE g, LPDWORD h), (a, b, c, d, e, f, g, h))  \
  X(advapi32, LONG, RegCloseKey, (HKEY a), (a))                                                                 \
  X(advapi32, LONG, RegQueryInfoKeyA,                                                                           \
    (HKEY a, LPSTR b, LPDWORD c, LPDWORD d, LPDWORD e, LPDWORD f, LPDWORD g, LPDWORD h, LPDWORD i, LPDWORD j,   \
     LPDWORD k, PFILETIME l),                                                                                   \
    (a, b, c, d, e, f, g, h, i, j, k, l))                                                                       \
  X(advapi32, LONG, RegGetValueA, (HKEY a, LPCSTR b, LPCSTR c, DWORD d, LPDWORD e, PVOID f, LPDWORD g),         \
    (a, b, c, d, e, f, g))                                                                                      \
  X(shell32, HICON, ExtractIconA, (HINSTANCE a, LPCSTR b, UINT c), (a, b, c))                                  \
  X(comctl32, int, ImageList_ReplaceIcon, (HIMAGELIST a, int b, HICON c), (a, b, c))                            \
  X(comctl32, BOOL, ImageList_Remove, (HIMAGELIST a, int b), (a, b))                                            \
  X(user32, BOOL, PeekMessageA, (LPMSG a, HWND b, UINT c, UINT d, UINT e), (a, b, c, d, e))                     \
  X(user32, LRESULT, DispatchMessageA, (const MSG* a), (a))                                                     \
  X(user32, BOOL, RedrawWindow, (HWND a, const RECT* b, HRGN c, UINT d), (a, b, c, d))                          \
  X(user32, BOOL, UpdateWindow, (HWND a), (a))                                                                  \
  X(kernel32, DWORD, GetFileAttributesA, (LPCSTR a), (a))                                                       \
  X(kernel32, HANDLE, FindFirstFileA, (LPCSTR a, LPWIN32_FIND_DATAA b), (a, b))                                 \
  X(kernel32, HANDLE, OpenProcess, (DWORD a, BOOL b, DWORD c), (a, b, c))                                       \
  X(kernel32, HANDLE, CreateToolhelp32Snapshot, (DWORD a, DWORD b), (a, b))                                     \
  X(kernel32, BOOL, Process32Next, (HANDLE a, LPPROCESSENTRY32 b), (a, b))                                      \
  X(kernel32, DWORD, GetPriorityClass, (HANDLE a), (a))                                                         \
  X(kernel32, DWORD, K32GetModuleFileNameExA, (HANDLE a, HMODULE b, LPSTR c, DWORD d), (a, b, c, d))            \
  X(ole32, HRESULT, CoCreateInstance, (REFCLSID a, LPUNKNOWN b, DWORD c, REFIID d, LPVOID * e), (a, b, c, d, e))

enum Id : int {
#define KV_ID(dll, result, name, params, args) k_##name,
  KV_PROBED(KV_ID)
#undef KV_ID
  k_GetModuleFileNameExA,
  k_SendInsertItem,
  k_SendSetItemText,
  k_SendSetItem,
  k_SendDelete,
  k_SendSetRedraw,
  k_SendListRead,
  k_SendOther,
  kCount
};

const char* const kNames[kCount] = {
#define KV_NAME(dll, result, name, params, args) #name,
    KV_PROBED(KV_NAME)
#undef KV_NAME
    "GetModuleFileNameExA (psapi)",
    "SendMessage LVM_INSERTITEM",
    "SendMessage LVM_SETITEMTEXT",
    "SendMessage LVM_SETITEM",
    "SendMessage LVM_DELETE(ALL)ITEM(S)",
    "SendMessage WM_SETREDRAW",
    "SendMessage list view reads",
    "SendMessage other",
};

bool g_on = false;
unsigned long long g_calls[kCount];
long long g_ticks[kCount];

struct Timed {
  explicit Timed(int id) : id_(id), on_(g_on) {
    if (on_) ::QueryPerformanceCounter(&start_);
  }
  ~Timed() {
    if (!on_) return;
    LARGE_INTEGER end;
    ::QueryPerformanceCounter(&end);
    ++g_calls[id_];
    g_ticks[id_] += end.QuadPart - start_.QuadPart;
  }
  Timed(const Timed&) = delete;
  Timed& operator=(const Timed&) = delete;

 private:
  int id_;
  bool on_;
  LARGE_INTEGER start_{};
};

#define KV_WRAP(dll, result, name, params, args)     \
  using name##_fn = result(WINAPI*) params;          \
  name##_fn real_##name = nullptr;                   \
  result WINAPI probe_##name params {                \
    Timed timed(k_##name);                           \
    return real_##name args;                         \
  }
KV_PROBED(KV_WRAP)
#undef KV_WRAP

using SendMessageA_fn = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
SendMessageA_fn real_SendMessageA = nullptr;
LRESULT WINAPI probe_SendMessageA(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  int id = k_SendOther;
  switch (m) {
    case LVM_INSERTITEMA: id = k_SendInsertItem; break;
    case LVM_SETITEMTEXTA: id = k_SendSetItemText; break;
    case LVM_SETITEMA: case LVM_SETITEMSTATE: id = k_SendSetItem; break;
    case LVM_DELETEITEM: case LVM_DELETEALLITEMS: id = k_SendDelete; break;
    case WM_SETREDRAW: id = k_SendSetRedraw; break;
    case LVM_GETITEMCOUNT: case LVM_GETITEMTEXTA: case LVM_GETITEMA: case LVM_GETNEXTITEM: case LVM_GETITEMSTATE:
    case LVM_FINDITEMA: id = k_SendListRead; break;
    default: break;
  }
  Timed timed(id);
  return real_SendMessageA(w, m, wp, lp);
}

using GetModuleFileNameExA_fn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
GetModuleFileNameExA_fn real_GetModuleFileNameExA = nullptr;
DWORD WINAPI probe_GetModuleFileNameExA(HANDLE a, HMODULE b, LPSTR c, DWORD d) {
  Timed timed(k_GetModuleFileNameExA);
  return real_GetModuleFileNameExA(a, b, c, d);
}

// The process list reads paths through a psapi function looked up at run time.
using GetProcAddress_fn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
GetProcAddress_fn real_GetProcAddress = nullptr;
FARPROC WINAPI probe_GetProcAddress(HMODULE module, LPCSTR name) {
  FARPROC found = real_GetProcAddress(module, name);
  if (found && reinterpret_cast<ULONG_PTR>(name) > 0xFFFF &&
      (std::strcmp(name, "GetModuleFileNameExA") == 0 || std::strcmp(name, "K32GetModuleFileNameExA") == 0)) {
    real_GetModuleFileNameExA = reinterpret_cast<GetModuleFileNameExA_fn>(reinterpret_cast<ULONG_PTR>(found));
    return reinterpret_cast<FARPROC>(reinterpret_cast<ULONG_PTR>(&probe_GetModuleFileNameExA));
  }
  return found;
}

struct Patch {
  const char* name;
  ULONG_PTR replacement;
  ULONG_PTR* real;
};

template <typename F>
ULONG_PTR Address(F f) {
  return reinterpret_cast<ULONG_PTR>(f);
}

}  // namespace

void Install() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  const Patch patches[] = {
#define KV_PATCH(dll, result, name, params, args) \
  {#name, Address(&probe_##name), reinterpret_cast<ULONG_PTR*>(&real_##name)},
      KV_PROBED(KV_PATCH)
#undef KV_PATCH
      {"SendMessageA", Address(&probe_SendMessageA), reinterpret_cast<ULONG_PTR*>(&real_SendMessageA)},
      {"GetProcAddress", Address(&probe_GetProcAddress), reinterpret_cast<ULONG_PTR*>(&real_GetProcAddress)},
  };
  auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.VirtualAddress) return;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
        base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      const char* name = reinterpret_cast<const char*>(by_name->Name);
      for (const Patch& p : patches) {
        if (std::strcmp(p.name, name) != 0) continue;
        DWORD old = 0;
        ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
        *p.real = static_cast<ULONG_PTR>(slots->u1.Function);
        slots->u1.Function = p.replacement;
        ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      }
    }
  }
}

void Enable(bool on) { g_on = on; }

void Reset() {
  std::fill(std::begin(g_calls), std::end(g_calls), 0ull);
  std::fill(std::begin(g_ticks), std::end(g_ticks), 0ll);
}

std::vector<Stat> Collect() {
  LARGE_INTEGER freq;
  ::QueryPerformanceFrequency(&freq);
  std::vector<Stat> out;
  for (int i = 0; i < kCount; ++i) {
    if (!g_calls[i]) continue;
    out.push_back({kNames[i], g_calls[i], static_cast<double>(g_ticks[i]) * 1000.0 / static_cast<double>(freq.QuadPart)});
  }
  std::sort(out.begin(), out.end(), [](const Stat& a, const Stat& b) { return a.ms > b.ms; });
  return out;
}

}  // namespace bench::probe
