// The help file as the program folder ships it. The Help command opens
// ProgramDir + "Korvane.chm" with the shell, so that file must be a compiled
// help file that holds every page of the help project, opens on the welcome
// page with its contents and index, gives back every page exactly as written,
// lists every page in its contents, and has no link that leads nowhere.
#include "preview/ComPtr.h"
#include "tests/support/WinePath.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace korvane::testing {

// ---------------------------------------------------------------------------
// The platform's reader of compiled help files, the storage the help viewer
// itself reads through. Its interface is not in the cross compiler's headers.
// It stays outside the anonymous namespace: a class type only this file can
// see, with no implementation in it, lets the compiler treat every virtual
// call on it as unreachable.

struct IITStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};
inline const CLSID kClsidITStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
inline const IID kIidITStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

namespace {

std::string WindowsPath(const std::string& linuxPath)
{
    return korvane::testing::WinePath(linuxPath);
}

std::string HelpFilePath() { return WindowsPath(KORVANE_DIST_DIR "/Korvane.chm"); }
std::string HelpSourcePath(const std::string& name)
{
    return WindowsPath(KORVANE_SOURCE_DIR "/data/help/" + name);
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// ---------------------------------------------------------------------------
// The help project: its options and the files it compiles.

struct HelpProject {
    std::map<std::string, std::string> options;
    std::vector<std::string> files;

    std::vector<std::string> Pages() const
    {
        std::vector<std::string> pages;
        for (const std::string& f : files)
            if (f.size() > 4 && f.compare(f.size() - 4, 4, ".htm") == 0)
                pages.push_back(f);
        return pages;
    }
};

std::string Trimmed(const std::string& s)
{
    const std::size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

HelpProject ReadHelpProject()
{
    const auto text = ReadWholeFile(HelpSourcePath("Korvane.hhp"));
    if (!text)
        throw std::runtime_error("help project not found");
    HelpProject project;
    std::istringstream lines(*text);
    std::string line, section;
    while (std::getline(lines, line)) {
        line = Trimmed(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[') {
            section = line;
        } else if (section == "[OPTIONS]") {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos)
                project.options[line.substr(0, eq)] = line.substr(eq + 1);
        } else if (section == "[FILES]") {
            project.files.push_back(line);
        }
    }
    return project;
}

// ---------------------------------------------------------------------------
// A reader of the compiled file's own structure: the ITSF header, the ITSP
// directory and its listing chunks (PMGL), and the uncompressed content
// section where the system record lies.

struct ChmEntry {
    std::uint64_t section = 0;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

class ChmFile {
public:
    explicit ChmFile(std::string bytes) : bytes_(std::move(bytes))
    {
        if (bytes_.compare(0, 4, "ITSF") != 0)
            throw std::runtime_error("no ITSF signature");
        version_ = U32(4);
        const std::uint64_t directory = U64(0x48);
        contentStart_ = version_ >= 3 ? U64(0x58) : directory + U64(0x50);
        ReadDirectory(directory);
    }

    std::uint32_t Version() const { return version_; }
    const std::map<std::string, ChmEntry>& Entries() const { return entries_; }

    // The bytes of an entry of content section 0, which is stored as is.
    std::string UncompressedContent(const ChmEntry& entry) const
    {
        if (entry.section != 0)
            throw std::runtime_error("entry is not in the uncompressed section");
        Need(contentStart_ + entry.offset, entry.length);
        return bytes_.substr(contentStart_ + entry.offset, entry.length);
    }

private:
    void Need(std::uint64_t at, std::uint64_t count) const
    {
        if (at > bytes_.size() || count > bytes_.size() - at)
            throw std::runtime_error("structure runs past the end of the file");
    }
    std::uint32_t U32(std::uint64_t at) const
    {
        Need(at, 4);
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(bytes_[at + i]);
        return v;
    }
    std::uint64_t U64(std::uint64_t at) const
    {
        return U32(at) | (static_cast<std::uint64_t>(U32(at + 4)) << 32);
    }
    // Big-endian groups of seven bits; a set high bit means more follow.
    std::uint64_t EncInt(std::uint64_t& at, std::uint64_t end) const
    {
        std::uint64_t v = 0;
        for (int n = 0; n < 10; ++n) {
            if (at >= end)
                break;
            const auto b = static_cast<unsigned char>(bytes_[at++]);
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return v;
        }
        throw std::runtime_error("bad number in a directory entry");
    }

    void ReadDirectory(std::uint64_t directory)
    {
        Need(directory, 0x54);
        if (bytes_.compare(directory, 4, "ITSP") != 0)
            throw std::runtime_error("no ITSP directory");
        const std::uint32_t headerLength = U32(directory + 0x08);
        const std::uint32_t chunkSize = U32(directory + 0x10);
        const std::uint32_t chunkCount = U32(directory + 0x2C);
        std::uint32_t chunk = U32(directory + 0x20);
        for (std::uint32_t visited = 0; chunk != 0xFFFFFFFFu; ++visited) {
            if (visited >= chunkCount || chunk >= chunkCount || chunkSize < 0x14)
                throw std::runtime_error("listing chunks do not form a chain");
            const std::uint64_t base = directory + headerLength + std::uint64_t{chunk} * chunkSize;
            Need(base, chunkSize);
            if (bytes_.compare(base, 4, "PMGL") != 0)
                throw std::runtime_error("listing chunk without PMGL signature");
            const std::uint32_t freeSpace = U32(base + 4);
            if (freeSpace > chunkSize - 0x14)
                throw std::runtime_error("listing chunk with too much free space");
            const std::uint64_t end = base + chunkSize - freeSpace;
            std::uint64_t at = base + 0x14;
            while (at < end) {
                const std::uint64_t nameLength = EncInt(at, end);
                if (nameLength > end - at)
                    throw std::runtime_error("entry name runs past its chunk");
                const std::string name = bytes_.substr(at, nameLength);
                at += nameLength;
                ChmEntry entry;
                entry.section = EncInt(at, end);
                entry.offset = EncInt(at, end);
                entry.length = EncInt(at, end);
                entries_[name] = entry;
            }
            chunk = U32(base + 0x10);
        }
    }

    std::string bytes_;
    std::uint32_t version_ = 0;
    std::uint64_t contentStart_ = 0;
    std::map<std::string, ChmEntry> entries_;
};

ChmFile OpenHelpFile()
{
    const auto bytes = ReadWholeFile(HelpFilePath());
    if (!bytes)
        throw std::runtime_error("Korvane.chm is not in the program folder");
    return ChmFile(*bytes);
}

// The system record: a version, then records of a 16-bit code, a 16-bit
// length and that many bytes. Text records end in a zero.
std::map<int, std::string> SystemRecords(const std::string& data)
{
    std::map<int, std::string> records;
    auto u16 = [&](std::size_t at) {
        return static_cast<unsigned char>(data[at]) | (static_cast<unsigned char>(data[at + 1]) << 8);
    };
    std::size_t at = 4;
    while (at + 4 <= data.size()) {
        const int code = u16(at);
        const std::size_t length = u16(at + 2);
        at += 4;
        if (length > data.size() - at)
            throw std::runtime_error("system record runs past its entry");
        std::string value = data.substr(at, length);
        if (const std::size_t zero = value.find('\0'); zero != std::string::npos)
            value.resize(zero);
        records[code] = value;
        at += length;
    }
    return records;
}


class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end()); // the names here are plain ASCII
}

class PlatformHelpReader {
public:
    explicit PlatformHelpReader(const std::string& path)
    {
        ComPtr<IITStorage> its;
        openResult_ = CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage,
                                       its.PutVoid());
        if (SUCCEEDED(openResult_))
            openResult_ = its->StgOpenStorage(Wide(path).c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                                              nullptr, 0, storage_.Put());
    }

    HRESULT OpenResult() const { return openResult_; }

    std::optional<std::string> Read(const std::string& name) const
    {
        ComPtr<IStream> stream;
        if (!storage_ || FAILED(storage_->OpenStream(Wide(name).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                                     0, stream.Put())))
            return std::nullopt;
        std::string content;
        char buffer[4096];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got > 0)
            content.append(buffer, got);
        return content;
    }

private:
    ComApartment com_;
    ComPtr<IStorage> storage_;
    HRESULT openResult_ = E_FAIL;
};

// ---------------------------------------------------------------------------
// What the pages say.

std::vector<std::string> AllMatches(const std::string& text, const std::regex& re, int group = 1)
{
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
        found.push_back((*it)[group].str());
    return found;
}

std::string WithoutTags(const std::string& html)
{
    std::string text = std::regex_replace(html, std::regex("<[^>]*>"), "");
    text = std::regex_replace(text, std::regex("\\s+"), " ");
    return Trimmed(text);
}

struct SitemapItem {
    std::string name;
    std::string local;
};

std::vector<SitemapItem> SitemapItems(const std::string& sitemap)
{
    static const std::regex object(R"(<object type="text/sitemap">([\s\S]*?)</object>)", std::regex::icase);
    static const std::regex name(R"re(<param name="Name" value="([^"]*)")re", std::regex::icase);
    static const std::regex local(R"re(<param name="Local" value="([^"]*)")re", std::regex::icase);
    std::vector<SitemapItem> items;
    for (const std::string& body : AllMatches(sitemap, object)) {
        std::smatch n, l;
        SitemapItem item;
        if (std::regex_search(body, n, name))
            item.name = n[1];
        if (std::regex_search(body, l, local))
            item.local = l[1];
        items.push_back(item);
    }
    return items;
}

std::set<std::string> Anchors(const std::string& page)
{
    static const std::regex named(R"re(<a\s[^>]*name="([^"]*)")re", std::regex::icase);
    static const std::regex id(R"re(\sid="([^"]*)")re", std::regex::icase);
    std::set<std::string> anchors;
    for (const std::string& a : AllMatches(page, named))
        anchors.insert(a);
    for (const std::string& a : AllMatches(page, id))
        anchors.insert(a);
    return anchors;
}

std::string PageTitle(const std::string& page)
{
    static const std::regex title("<title>([^<]*)</title>", std::regex::icase);
    std::smatch m;
    return std::regex_search(page, m, title) ? Trimmed(m[1]) : std::string();
}

// Every file of the project, read back through the platform's reader.
std::map<std::string, std::string> CompiledFiles(const HelpProject& project, const PlatformHelpReader& reader)
{
    std::map<std::string, std::string> files;
    std::vector<std::string> names = project.files;
    names.push_back(project.options.at("Contents file"));
    names.push_back(project.options.at("Index file"));
    for (const std::string& name : names)
        if (const auto content = reader.Read(name))
            files[name] = *content;
    return files;
}

// ---------------------------------------------------------------------------

TEST(HelpFile, IsACompiledHelpFileInTheProgramFolder)
{
    const auto bytes = ReadWholeFile(HelpFilePath());
    ASSERT_TRUE(bytes) << HelpFilePath() << " is missing";
    ASSERT_GE(bytes->size(), 0x60u);
    EXPECT_EQ(bytes->substr(0, 4), "ITSF");

    const ChmFile chm(*bytes);
    EXPECT_EQ(chm.Version(), 3u);
    EXPECT_TRUE(chm.Entries().count("/#SYSTEM"));
}

TEST(HelpFile, DirectoryListsEveryFileOfTheProjectAtItsSize)
{
    const HelpProject project = ReadHelpProject();
    ASSERT_GE(project.Pages().size(), 9u) << "the project lists too few pages";
    std::vector<std::string> expected = project.files;
    expected.push_back(project.options.at("Contents file"));
    expected.push_back(project.options.at("Index file"));

    const ChmFile chm = OpenHelpFile();
    for (const std::string& name : expected) {
        SCOPED_TRACE(name);
        const auto entry = chm.Entries().find("/" + name);
        ASSERT_NE(entry, chm.Entries().end()) << "not in the help file's directory";
        const auto source = ReadWholeFile(HelpSourcePath(name));
        ASSERT_TRUE(source);
        EXPECT_EQ(entry->second.length, source->size());
    }
}

TEST(HelpFile, OpensOnTheWelcomePageWithItsContentsAndIndex)
{
    const HelpProject project = ReadHelpProject();
    const ChmFile chm = OpenHelpFile();
    const auto system = chm.Entries().find("/#SYSTEM");
    ASSERT_NE(system, chm.Entries().end());
    const std::map<int, std::string> records = SystemRecords(chm.UncompressedContent(system->second));

    struct Expected {
        int code;
        const char* what;
        std::string value;
        bool namesFile;
    };
    const Expected table[] = {
        {0, "contents file", project.options.at("Contents file"), true},
        {1, "index file", project.options.at("Index file"), true},
        {2, "default topic", "welcome.htm", true},
        {3, "title", "Korvane Help", false},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.what);
        const auto record = records.find(e.code);
        ASSERT_NE(record, records.end()) << "record missing";
        EXPECT_EQ(record->second, e.value);
        if (e.namesFile) {
            EXPECT_TRUE(chm.Entries().count("/" + record->second)) << "names no file of the help";
        }
    }
}

TEST(HelpFile, PlatformReaderGivesBackEveryFileAsWritten)
{
    const HelpProject project = ReadHelpProject();
    const PlatformHelpReader reader(HelpFilePath());
    ASSERT_HRESULT_SUCCEEDED(reader.OpenResult());

    const std::map<std::string, std::string> compiled = CompiledFiles(project, reader);
    for (const std::string& name : project.files) {
        SCOPED_TRACE(name);
        const auto source = ReadWholeFile(HelpSourcePath(name));
        ASSERT_TRUE(source);
        const auto read = compiled.find(name);
        ASSERT_NE(read, compiled.end()) << "the platform's reader does not find it";
        EXPECT_TRUE(read->second == *source) << "differs from its source (" << read->second.size() << " of "
                                             << source->size() << " bytes)";
    }
}

TEST(HelpFile, ContentsListEveryPageOnceUnderItsTitle)
{
    const HelpProject project = ReadHelpProject();
    const PlatformHelpReader reader(HelpFilePath());
    ASSERT_HRESULT_SUCCEEDED(reader.OpenResult());
    const std::map<std::string, std::string> compiled = CompiledFiles(project, reader);
    const auto toc = compiled.find(project.options.at("Contents file"));
    ASSERT_NE(toc, compiled.end());

    const std::vector<SitemapItem> items = SitemapItems(toc->second);
    for (const std::string& page : project.Pages()) {
        SCOPED_TRACE(page);
        const auto count = std::count_if(items.begin(), items.end(),
                                         [&](const SitemapItem& i) { return i.local == page; });
        EXPECT_EQ(count, 1) << "times in the contents";
    }
    for (const SitemapItem& item : items) {
        SCOPED_TRACE(item.local);
        const auto page = compiled.find(item.local);
        ASSERT_NE(page, compiled.end()) << "the contents lead to a page the help file lacks";
        EXPECT_FALSE(item.name.empty());
        EXPECT_EQ(item.name, PageTitle(page->second));
    }
}

TEST(HelpFile, EveryLinkLandsOnAPageAndAnchorOfTheHelpFile)
{
    const HelpProject project = ReadHelpProject();
    const PlatformHelpReader reader(HelpFilePath());
    ASSERT_HRESULT_SUCCEEDED(reader.OpenResult());
    const std::map<std::string, std::string> compiled = CompiledFiles(project, reader);

    // (where the link is, where it leads)
    std::vector<std::pair<std::string, std::string>> links;
    static const std::regex href(R"re(\s(?:href|src)="([^"]*)")re", std::regex::icase);
    for (const std::string& page : project.Pages())
        for (const std::string& target : AllMatches(compiled.at(page), href))
            links.emplace_back(page, target);
    for (const SitemapItem& item : SitemapItems(compiled.at(project.options.at("Index file"))))
        links.emplace_back(project.options.at("Index file"), item.local);
    ASSERT_GT(links.size(), 100u) << "too few links found: is the pattern still right?";

    for (const auto& [from, target] : links) {
        SCOPED_TRACE(from + " -> " + target);
        ASSERT_FALSE(target.empty());
        ASSERT_EQ(target.find("://"), std::string::npos) << "the help must not reach outside itself";
        const std::size_t hash = target.find('#');
        const std::string file = hash == std::string::npos ? target : target.substr(0, hash);
        const std::string page = file.empty() ? from : file;
        const auto found = compiled.find(page);
        ASSERT_NE(found, compiled.end()) << "leads to no file of the help";
        if (hash != std::string::npos) {
            EXPECT_TRUE(Anchors(found->second).count(target.substr(hash + 1))) << "leads to no anchor";
        }
    }
}

// The messages page quotes each message box with its caption and text as the
// program shows them, so that a user can find the one on the screen.
TEST(HelpFile, MessagesPageQuotesTheProgramsMessagesExactly)
{
    const PlatformHelpReader reader(HelpFilePath());
    ASSERT_HRESULT_SUCCEEDED(reader.OpenResult());
    const auto page = reader.Read("messages.htm");
    ASSERT_TRUE(page);

    std::set<std::pair<std::string, std::string>> quoted;
    static const std::regex box(R"re(<div class="title">([\s\S]*?)</div>\s*<div class="text">([\s\S]*?)</div>)re");
    for (std::sregex_iterator it(page->begin(), page->end(), box), end; it != end; ++it)
        quoted.emplace(WithoutTags((*it)[1]), WithoutTags((*it)[2]));

    const std::pair<const char*, const char*> messages[] = {
        {"Invalid File", "Please specify a valid input video file."},
        {"Invalid Start Time", "Please varify the Start Time you selected."},
        {"Invalid End Time", "Please varify the End Time you selected."},
        {"Invalid Time", "The End Time should be later than the Start Time."},
        {"Invalid Section", "Please specify a valid section quantity."},
        {"Invalid Output Path", "Please select a valid output profile."},
        {"Invalid Output Path", "Please specify a valid output path."},
        {"Overwrite", "The output file is existent. Overwrite it?"},
        {"Query", "Do you want to cancel the splitting?"},
        {"Exit Query", "Do you want to cancel the splitting and exit?"},
        {"Korvane", "Error. Please re-install Korvane"},
        {"Completed", "Splitting is completed successfully."},
        {"Incorrect Width", "Please specify a proper width for output videos."},
        {"Incorrect Height", "Please specify a proper height for output videos."},
    };
    for (const auto& [caption, text] : messages)
        EXPECT_TRUE(quoted.count({caption, text})) << caption << ": " << text;
}

} // namespace
} // namespace korvane::testing
