#pragma once
// One owner per handle: a move-only wrapper with a traits type per handle kind, scoped device
// contexts and selections, and ScopeExit.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <utility>

namespace kv {

template <typename Traits>
class Unique {
 public:
  using Type = typename Traits::Type;

  Unique() noexcept = default;
  explicit Unique(Type h) noexcept : h_(h) {}
  ~Unique() { reset(); }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& o) noexcept : h_(o.release()) {}
  Unique& operator=(Unique&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }

  Type get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::Empty(); }
  void reset(Type h = Traits::Empty()) noexcept {
    if (h_ != Traits::Empty()) Traits::Close(h_);
    h_ = h;
  }
  Type release() noexcept { return std::exchange(h_, Traits::Empty()); }
  // For out-parameters: closes what is held first, so nothing leaks when reused.
  Type* put() noexcept {
    reset();
    return &h_;
  }

 private:
  Type h_ = Traits::Empty();
};

namespace traits {
struct Handle {  // process, thread, mutex: empty is null
  using Type = HANDLE;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct FileHandle {  // CreateFile, CreateToolhelp32Snapshot: empty is INVALID_HANDLE_VALUE
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct Find {
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};
struct Key {
  using Type = HKEY;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};
struct Icon {
  using Type = HICON;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::DestroyIcon(h); }
};
struct GdiObject {
  using Type = HGDIOBJ;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};
struct Region {
  using Type = HRGN;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};
struct Module {
  using Type = HMODULE;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::FreeLibrary(h); }
};
struct ImageList {
  using Type = HIMAGELIST;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::ImageList_Destroy(h); }
};
struct Window {
  using Type = HWND;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::DestroyWindow(h); }
};
struct Hook {
  using Type = HHOOK;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::UnhookWindowsHookEx(h); }
};
struct Menu {
  using Type = HMENU;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::DestroyMenu(h); }
};
struct MemoryDc {
  using Type = HDC;
  static Type Empty() { return nullptr; }
  static void Close(Type h) { ::DeleteDC(h); }
};
}  // namespace traits

using UniqueHandle = Unique<traits::Handle>;
using UniqueFile = Unique<traits::FileHandle>;
using UniqueFind = Unique<traits::Find>;
using UniqueKey = Unique<traits::Key>;
using UniqueIcon = Unique<traits::Icon>;
using UniqueGdi = Unique<traits::GdiObject>;
using UniqueRegion = Unique<traits::Region>;
using UniqueModule = Unique<traits::Module>;
using UniqueImageList = Unique<traits::ImageList>;
using UniqueWindow = Unique<traits::Window>;
using UniqueDc = Unique<traits::MemoryDc>;
using UniqueHook = Unique<traits::Hook>;
using UniqueMenu = Unique<traits::Menu>;

// A bitmap or font kept as its own type, so callers need no casts.
template <typename T>
class UniqueGdiOf {
 public:
  UniqueGdiOf() = default;
  explicit UniqueGdiOf(T h) : h_(h) {}
  T get() const { return static_cast<T>(h_.get()); }
  explicit operator bool() const { return static_cast<bool>(h_); }
  void reset(T h = nullptr) { h_.reset(h); }

 private:
  UniqueGdi h_;
};
using UniqueBitmap = UniqueGdiOf<HBITMAP>;
using UniqueFont = UniqueGdiOf<HFONT>;
using UniqueBrush = UniqueGdiOf<HBRUSH>;

// The device context of one window (GetDC, null for the screen), released at the end of scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// One WM_PAINT: BeginPaint here, EndPaint at the end of scope.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(::BeginPaint(window, &ps_)) {}
  ~PaintDc() { ::EndPaint(window_, &ps_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// An object selected into a device context until the end of scope, then the one it replaced.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() {
    if (armed_) f_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  void Dismiss() { armed_ = false; }

 private:
  F f_;
  bool armed_ = true;
};

// The calling thread in COM's single-threaded apartment for as long as this lives. Each successful
// CoInitialize, S_FALSE included, is balanced by one CoUninitialize on the same thread
// (learn.microsoft.com, "CoInitialize function" and "CoUninitialize function").
class ComApartment {
 public:
  ComApartment() : hr_(::CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  explicit operator bool() const { return SUCCEEDED(hr_); }

 private:
  HRESULT hr_;
};

// A COM interface pointer with one reference.
template <typename I>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  void** put_void() {
    reset();
    return reinterpret_cast<void**>(&p_);
  }

 private:
  I* p_ = nullptr;
};

}  // namespace kv
