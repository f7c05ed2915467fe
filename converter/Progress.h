#pragma once
// What the converter writes to the main program, which reads our standard
// output (our standard error is the same pipe): lines of text, and the times
// a clip has reached, in the form and at the pace the main program reads
// them. Windows only.
#include "converter/EngineReport.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace korvane::frontend {

// The main program's bars move at least this often while the engine works,
// also while it says nothing (opening a large file, a slow first frame).
constexpr DWORD kProgressIntervalMs = 400;
// The main program takes only the first time of what one read brings: two
// lines written close together may reach it as one read, and the newer time
// would be lost (the last one of a clip above all). Lines are spaced so that
// its read loop, which looks at least every few tens of milliseconds, takes
// them one by one.
constexpr DWORD kProgressSpacingMs = 60;

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { Reset(); }
    Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void Reset(HANDLE h = nullptr)
    {
        if (h_)
            CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_;
};

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view text);
// The user's decimal separator: the main program reads times written with it.
char UserDecimalSeparator();

// Everything goes to standard output, which the main program reads; its
// standard error is the same pipe.
class Report {
public:
    Report() : out_(GetStdHandle(STD_OUTPUT_HANDLE)) {}

    // False once nobody reads any more: the main program has gone.
    bool Write(std::string_view text)
    {
        while (!text.empty() && out_ != nullptr && out_ != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (!WriteFile(out_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
                const DWORD error = GetLastError();
                if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA)
                    return false;
                break;
            }
            text.remove_prefix(written);
        }
        return true;
    }
    bool Line(std::string_view text) { return Write(std::string(text) + "\r\n"); }

private:
    HANDLE out_;
};

// The times the main program reads: the newest time the engine reached,
// written as soon as the spacing allows, and repeated while the engine is
// silent so that the main program always hears from a working converter.
class ProgressWriter {
public:
    ProgressWriter(Report& report, char separator) : report_(report), separator_(separator) {}
    // The first time, 0, once an engine is working: whoever watches the main
    // program's bars finds it running from then on.
    void Begin()
    {
        if (!begun_) {
            begun_ = true;
            Write(0);
        }
    }
    void Reached(double seconds)
    {
        if (seconds > written_ || hasPending_) {
            pending_ = seconds;
            hasPending_ = true;
        }
    }
    void Tick()
    {
        const DWORD since = GetTickCount() - lastWrite_;
        if (hasPending_ && since >= kProgressSpacingMs)
            Write(pending_);
        else if (!hasPending_ && since >= kProgressIntervalMs)
            Write(written_);
    }
    // The last time goes out alone, however soon after the one before.
    void Flush()
    {
        if (!hasPending_)
            return;
        const DWORD since = GetTickCount() - lastWrite_;
        if (since < kProgressSpacingMs)
            Sleep(kProgressSpacingMs - since);
        Write(pending_);
    }
    bool ReaderGone() const { return readerGone_; }

private:
    void Write(double seconds)
    {
        readerGone_ = readerGone_ || !report_.Write(ProgressText(seconds, separator_));
        written_ = seconds;
        hasPending_ = false;
        lastWrite_ = GetTickCount();
    }

    Report& report_;
    char separator_;
    double written_ = 0;
    double pending_ = 0;
    bool hasPending_ = false;
    DWORD lastWrite_ = 0;
    bool readerGone_ = false;
    bool begun_ = false;
};

} // namespace korvane::frontend
