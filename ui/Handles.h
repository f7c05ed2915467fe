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
//   FrameDC             GetWindowDC / ReleaseDC (the whole window, frame included)
//   PaintDC             BeginPaint / EndPaint (only inside WM_PAINT)
//   SelectObjectScope   SelectObject, and the previous object back on scope exit
//
// Raw access is Get(); Release() gives up ownership; Reset(h) frees the old one.
//
// HandleCounts: how many GDI objects, device contexts and icons the wrappers
// hold at this moment, for the soak benchmark on systems that do not count
// a process's GDI and USER objects (Wine). A handle given up with Release()
// leaves the count: its new owner frees it.
#include <windows.h>

#include <atomic>
#include <utility>

namespace ui {

struct HandleCounts {
    static inline std::atomic<long> GdiObjects{0};
    static inline std::atomic<long> DeviceContexts{0};
    static inline std::atomic<long> Icons{0};
};

template <class Traits>
class BasicHandle {
public:
    using Type = typename Traits::Type;

    BasicHandle() noexcept = default;
    explicit BasicHandle(Type h) noexcept : h_(h) { Counted(h_, 1); }
    ~BasicHandle() { Reset(); }
    BasicHandle(const BasicHandle&) = delete;
    BasicHandle& operator=(const BasicHandle&) = delete;
    BasicHandle(BasicHandle&& other) noexcept : h_(other.Release()) { Counted(h_, 1); }
    BasicHandle& operator=(BasicHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Type Get() const noexcept { return h_; }
    bool Valid() const noexcept { return Traits::IsValid(h_); }
    explicit operator bool() const noexcept { return Valid(); }

    Type Release() noexcept
    {
        Counted(h_, -1);
        return std::exchange(h_, Traits::Empty());
    }
    void Reset(Type h = Traits::Empty()) noexcept
    {
        Counted(h, 1);
        Type old = std::exchange(h_, h);
        if (Traits::IsValid(old)) {
            Counted(old, -1);
            Traits::Close(old);
        }
    }
    // For APIs that fill a handle through a pointer: frees the old one first.
    Type* Put() noexcept
    {
        Reset();
        return &h_;
    }

private:
    static void Counted(Type h, long delta) noexcept
    {
        if constexpr (requires { Traits::Live(); }) {
            if (Traits::IsValid(h))
                Traits::Live() += delta;
        }
    }
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
    static std::atomic<long>& Live() noexcept { return HandleCounts::GdiObjects; }
};

struct IconTraits {
    using Type = HICON;
    static Type Empty() noexcept { return nullptr; }
    static bool IsValid(Type h) noexcept { return h != nullptr; }
    static void Close(Type h) noexcept { ::DestroyIcon(h); }
    static std::atomic<long>& Live() noexcept { return HandleCounts::Icons; }
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
    explicit MemoryDC(HDC reference = nullptr) noexcept : dc_(::CreateCompatibleDC(reference))
    {
        if (dc_)
            ++HandleCounts::DeviceContexts;
    }
    ~MemoryDC()
    {
        if (dc_) {
            ::DeleteDC(dc_);
            --HandleCounts::DeviceContexts;
        }
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
    explicit WindowDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd))
    {
        if (dc_)
            ++HandleCounts::DeviceContexts;
    }
    ~WindowDC()
    {
        if (dc_) {
            ::ReleaseDC(hwnd_, dc_);
            --HandleCounts::DeviceContexts;
        }
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// The DC of a whole window, its frame included.
class FrameDC {
public:
    explicit FrameDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetWindowDC(hwnd))
    {
        if (dc_)
            ++HandleCounts::DeviceContexts;
    }
    ~FrameDC()
    {
        if (dc_) {
            ::ReleaseDC(hwnd_, dc_);
            --HandleCounts::DeviceContexts;
        }
    }
    FrameDC(const FrameDC&) = delete;
    FrameDC& operator=(const FrameDC&) = delete;
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
