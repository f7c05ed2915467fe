#pragma once
// Owning wrappers for Win32 handles, GDI objects, device contexts and COM
// pointers. Every wrapper frees what it holds exactly once: copying is deleted,
// moving transfers ownership.
//
//   UniqueHandle        kernel HANDLE (CloseHandle); null and INVALID_HANDLE_VALUE
//                       both count as "nothing held"
//   GdiFont, GdiBrush, GdiPen, GdiBitmap, GdiRegion   DeleteObject
//   IconHandle          DestroyIcon
//   ModuleHandle        FreeLibrary
//   MemoryDC            CreateCompatibleDC / DeleteDC
//   WindowDC            GetDC / ReleaseDC
//   PaintDC             BeginPaint / EndPaint (only inside WM_PAINT)
//   SelectObjectScope   SelectObject, and the previous object back on scope exit
//
// Raw access is Get(); Release() gives up ownership; Reset(h) frees the old one.
#include <windows.h>

#include <utility>

namespace ui {

template <class Traits>
class BasicHandle {
public:
    using Type = typename Traits::Type;

    BasicHandle() noexcept = default;
    explicit BasicHandle(Type h) noexcept : h_(h) {}
    ~BasicHandle() { Reset(); }
    BasicHandle(const BasicHandle&) = delete;
    BasicHandle& operator=(const BasicHandle&) = delete;
    BasicHandle(BasicHandle&& other) noexcept : h_(other.Release()) {}
    BasicHandle& operator=(BasicHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Type Get() const noexcept { return h_; }
    bool Valid() const noexcept { return Traits::IsValid(h_); }
    explicit operator bool() const noexcept { return Valid(); }

    Type Release() noexcept { return std::exchange(h_, Traits::Empty()); }
    void Reset(Type h = Traits::Empty()) noexcept
    {
        Type old = std::exchange(h_, h);
        if (Traits::IsValid(old))
            Traits::Close(old);
    }
    // For APIs that fill a handle through a pointer: frees the old one first.
    Type* Put() noexcept
    {
        Reset();
        return &h_;
    }

private:
    Type h_ = Traits::Empty();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

template <class H>
struct GdiObjectTraits {
    using Type = H;
    static Type Empty() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

struct IconTraits {
    using Type = HICON;
    static Type Empty() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { ::DestroyIcon(h); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type Empty() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { ::FreeLibrary(h); }
};

using UniqueHandle = BasicHandle<KernelHandleTraits>;
using GdiFont = BasicHandle<GdiObjectTraits<HFONT>>;
using GdiBrush = BasicHandle<GdiObjectTraits<HBRUSH>>;
using GdiPen = BasicHandle<GdiObjectTraits<HPEN>>;
using GdiBitmap = BasicHandle<GdiObjectTraits<HBITMAP>>;
using GdiRegion = BasicHandle<GdiObjectTraits<HRGN>>;
using IconHandle = BasicHandle<IconTraits>;
using ModuleHandle = BasicHandle<ModuleTraits>;

// A memory device context compatible with `reference` (the screen when null).
class MemoryDC {
public:
    explicit MemoryDC(HDC reference = nullptr) noexcept : dc_(::CreateCompatibleDC(reference)) {}
    ~MemoryDC()
    {
        if (dc_)
            ::DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HDC dc_;
};

// The client-area DC of a window (the screen when hwnd is null).
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDC()
    {
        if (dc_)
            ::ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint / EndPaint for one WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
    ~PaintDC() { ::EndPaint(hwnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const noexcept { return dc_; }
    const RECT& PaintRect() const noexcept { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back on scope exit,
// so the object can be deleted afterwards.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectObjectScope()
    {
        if (old_)
            ::SelectObject(dc_, old_);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

} // namespace ui
