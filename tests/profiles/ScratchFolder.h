#pragma once
// A fresh folder under the temporary folder, removed with its content when the
// test ends, and small helpers to put raw files into it. The process's current
// folder is put back first, since listing a folder makes it the current one
// and a current folder cannot be removed.
#include "tests/support/FilesMatching.h"
#include "tests/support/FreshFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>
#include <vector>

namespace korvane::testing {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix = "korvane-profiles-")
    {
        GetCurrentDirectoryA(MAX_PATH, savedCurrent_);
        path_ = testsupport::MakeFreshFolder(testsupport::TempFolder(), prefix);
        EXPECT_FALSE(path_.empty()) << "no fresh folder for " << prefix;
    }
    ~ScratchFolder()
    {
        SetCurrentDirectoryA(savedCurrent_);
        RemoveTree(path_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Full path of a name inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    const std::string& path() const { return path_; }

    // Writes the bytes as they are (CRLF line ends are the caller's).
    std::string Write(const std::string& name, const std::string& content) const
    {
        const std::string file = *this / name;
        std::ofstream out(file, std::ios::binary);
        out << content;
        EXPECT_TRUE(out.good()) << file;
        return file;
    }

    static std::string Read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    // False as well when there is no such folder (not even "." in it).
    static bool IsEmpty(const std::string& folder)
    {
        const std::vector<std::string> names = FilesMatching(folder + "\\*");
        return !names.empty() && std::all_of(names.begin(), names.end(),
                                             [](const std::string& n) { return n == "." || n == ".."; });
    }
    static void RemoveTree(const std::string& folder)
    {
        // Wide calls in the extended-length form: a test may go deeper than
        // 260 characters.
        const int n = MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, nullptr, 0);
        std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
        MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide.data(), n);
        RemoveTreeW(L"\\\\?\\" + wide);
    }
    static void RemoveTreeW(const std::wstring& folder)
    {
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring full = folder + L"\\" + name;
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTreeW(full);
                else
                    DeleteFileW(full.c_str());
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }

    char savedCurrent_[MAX_PATH] = {};
    std::string path_;
};

} // namespace korvane::testing
