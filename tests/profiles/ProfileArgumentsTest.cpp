// Item lists, converter arguments from a profile, the editor's rows and the
// write-back of its choices, on profiles held in memory; and the whole
// numbers of the size dialog.
#include "profiles/ProfileArguments.h"
#include "profiles/IniText.h"
#include "app/TimeText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {
namespace {

// A profile in memory that also records what is written into it.
class MemoryProfile : public IniText {
public:
    explicit MemoryProfile(const std::string& text) : IniText(text) {}

    void WriteString(const std::string& section, const std::string& key, const std::string& value) override
    {
        IniText::WriteString(section, key, value);
        writes.push_back(section + "." + key + "=" + value);
    }

    std::vector<std::string> writes;
};

// The editor's lists: rows per group, keys looked up without regard to case.
class FakeRows : public ShownRows {
public:
    FakeRows& Row(std::int32_t sort, std::string key, std::string value, std::vector<std::string> items = {})
    {
        rows_.push_back({sort, std::move(key), std::move(value), std::move(items)});
        return *this;
    }

    std::optional<std::string> ShownValue(std::int32_t sort, const std::string& key) const override
    {
        if (const Entry* e = Find(sort, key))
            return e->value;
        return std::nullopt;
    }

    std::vector<std::string> PickItems(std::int32_t sort, const std::string& key) const override
    {
        const Entry* e = Find(sort, key);
        return e ? e->items : std::vector<std::string>{};
    }

private:
    struct Entry {
        std::int32_t sort;
        std::string key, value;
        std::vector<std::string> items;
    };
    const Entry* Find(std::int32_t sort, const std::string& key) const
    {
        for (const Entry& e : rows_)
            if (e.sort == sort && SameTextIgnoringCase(e.key, key))
                return &e;
        return nullptr;
    }
    std::vector<Entry> rows_;
};

std::string Arguments(const std::string& profileText, const ShownRows& rows, std::string text = {})
{
    const MemoryProfile profile(profileText);
    BuildProfileArguments(profile, rows, text);
    return text;
}

// --- item lists --------------------------------------------------------------------

TEST(SplitByComma, EveryItemEndsWithAComma)
{
    struct Case {
        const char* text;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"", {}},
        {"Small", {}},                             // no comma: no item at all
        {"Small,", {"Small"}},
        {"Small,Large,", {"Small", "Large"}},
        {"Small,Large", {"Small"}},                // text after the last comma is dropped
        {",Large,", {"", "Large"}},                // an empty first item keeps its place
        {",", {""}},
        {",,", {"", ""}},
        {"a,,b,", {"a", "", "b"}},
        {" a , b ,", {" a ", " b "}},              // items are not trimmed
        {"640x480,\\,", {"640x480", "\\"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitByComma(c.text), c.items) << '"' << c.text << '"';
}

TEST(IndexOfIgnoringCase, FindsTheFirstMatchWithoutRegardToCase)
{
    const std::vector<std::string> items{"Original Size", "Custom Size", "custom size", ""};
    EXPECT_EQ(IndexOfIgnoringCase(items, "CUSTOM SIZE"), 1);
    EXPECT_EQ(IndexOfIgnoringCase(items, "original size"), 0);
    EXPECT_EQ(IndexOfIgnoringCase(items, ""), 3);
    EXPECT_EQ(IndexOfIgnoringCase(items, "Original"), -1);
    EXPECT_EQ(IndexOfIgnoringCase({}, ""), -1);
}

// --- arguments ----------------------------------------------------------------------

// Three parameters: a pick list, a free text, a pick list whose value is "\".
const char kWorkedExample[] =
    "[Main]\nType=avi\nPara=3\n0=Size\n1=Quality\n2=Raw\n"
    "[Size]\nSort=1\nList=1\nCaption=Small,Large,\nValue=320x240,640x480,\nIndex=0\ncmd=-p\n"
    "[Quality]\nSort=2\nList=0\nCaption=256\nValue=256\ncmd=-q\n"
    "[Raw]\nSort=3\nList=1\nCaption=Off,On,\nValue=,\\,\nIndex=0\ncmd=-r\n";

TEST(BuildProfileArguments, WorkedExample)
{
    FakeRows rows;
    rows.Row(pgVideo, "Size", "Large").Row(pgAudio, "Quality", "512").Row(pgAdvanced, "Raw", "On");
    EXPECT_EQ(Arguments(kWorkedExample, rows), " -p 640x480 -q 512 -r ");
}

TEST(BuildProfileArguments, AppendsToTheTextItIsGiven)
{
    FakeRows rows;
    rows.Row(pgVideo, "Size", "Small").Row(pgAudio, "Quality", "64").Row(pgAdvanced, "Raw", "Off");
    EXPECT_EQ(Arguments(kWorkedExample, rows, " -c copy"), " -c copy -p 320x240 -q 64");
}

TEST(BuildProfileArguments, EachRuleOfOneParameter)
{
    struct Case {
        const char* what;
        const char* section;   // the parameter's section, without its name line
        const char* shown;     // nullptr: the editor has no such row
        const char* expected;
    };
    const Case cases[] = {
        {"pick list value by caption", "List=1\nCaption=Small,Large,\nValue=s,l,\ncmd=-s", "Large", " -s l"},
        {"caption in other letter case", "List=1\nCaption=Small,Large,\nValue=s,l,\ncmd=-s", "LARGE", " -s l"},
        {"shown text that is no caption passes itself", "List=1\nCaption=Original Size,Custom Size,\nValue=,,\ncmd=-s",
         "640x480", " -s 640x480"},
        {"caption mapped to an empty value is left out", "List=1\nCaption=Original Size,Custom Size,\nValue=,,\ncmd=-s",
         "Original Size", ""},
        {"a caption without value item yields nothing", "List=1\nCaption=a,b,\nValue=x,\ncmd=-o", "b", ""},
        {"backslash: the option alone", "List=1\nCaption=No,Yes,\nValue=,\\,\ncmd=-an", "Yes", " -an "},
        {"List missing means pick list", "Caption=No,Yes,\nValue=,\\,\ncmd=-vn", "yes", " -vn "},
        {"empty option yields nothing", "List=1\nCaption=a,\nValue=x,\ncmd=", "a", ""},
        {"option missing yields nothing", "List=0\nCaption=t\nValue=t", "t", ""},
        {"free text passes the shown text", "List=0\nCaption=1000k\nValue=1000k\ncmd=-b:v", "800k", " -b:v 800k"},
        {"free text with blanks is passed unquoted", "List=0\nCaption=a\nValue=a\ncmd=-x", "mpeg4 -vtag XVID",
         " -x mpeg4 -vtag XVID"},
        {"empty free text is left out", "List=0\nCaption=x\nValue=x\ncmd=-b:v", "", ""},
        {"read-only free text passes the file's value", "List=0\nReadOnly=1\nCaption=H.264\nValue=libx264\ncmd=-vcodec",
         "anything", " -vcodec libx264"},
        {"read-only pick list still follows the row", "List=1\nReadOnly=1\nCaption=a,b,\nValue=x,y,\ncmd=-o", "b",
         " -o y"},
        {"missing row reads as empty", "List=1\nCaption=a,b,\nValue=x,y,\ncmd=-o", nullptr, ""},
        {"missing row maps an empty caption", "List=1\nCaption=,b,\nValue=x,y,\ncmd=-o", nullptr, " -o x"},
        {"missing row of a read-only free text still passes the file", "List=0\nReadOnly=1\nValue=v\ncmd=-o",
         nullptr, " -o v"},
    };
    for (const Case& c : cases) {
        const std::string profile =
            std::string("[Main]\nPara=1\n0=Param\n[Param]\nSort=2\n") + c.section + "\n";
        FakeRows rows;
        if (c.shown)
            rows.Row(pgAudio, "param", c.shown);
        EXPECT_EQ(Arguments(profile, rows), c.expected) << c.what;
    }
}

TEST(BuildProfileArguments, NoParametersGiveNoText)
{
    FakeRows rows;
    rows.Row(pgVideo, "Size", "Large");
    EXPECT_EQ(Arguments("[Main]\nType=avi\n", rows), "");
    EXPECT_EQ(Arguments("[Main]\nPara=0\n0=Size\n[Size]\nSort=1\nCaption=Large,\nValue=l,\ncmd=-s\n", rows), "");
    EXPECT_EQ(Arguments("", rows), "");
}

TEST(BuildProfileArguments, ShownValueIsTakenFromTheListOfTheParametersGroup)
{
    const char profile[] =
        "[Main]\nPara=2\n0=Rate\n1=Odd\n"
        "[Rate]\nSort=2\nList=0\nCaption=1\nValue=1\ncmd=-ar\n"
        "[Odd]\nSort=7\nList=0\nCaption=1\nValue=1\ncmd=-odd\n";   // no group
    FakeRows rows;
    // A row of the same key in another list does not count.
    rows.Row(pgVideo, "Rate", "25").Row(pgVideo, "Odd", "x").Row(pgAudio, "RATE", "44100");
    EXPECT_EQ(Arguments(profile, rows), " -ar 44100");
}

// A broken "Para" (huge, negative, hexadecimal) costs no more than the keys the
// file holds, positions without their key name no parameter, and no profile
// names more than kMaxProfileParameters.
TEST(ReadProfileParameters, TakeThePositionsBelowParaThatMainHolds)
{
    struct Case {
        const char* main;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"Para=3\n0=Size\n1=Quality\n2=Raw", {"Size", "Quality", "Raw"}},
        {"Para=2000000000\n0=Size\n1=Quality\n2=Raw", {"Size", "Quality", "Raw"}},
        {"Para=0x7FFFFFFF\n2=Raw\n0=Size", {"Size", "Raw"}},   // file order does not matter, positions do
        {"Para=2\n0=Size\n1=Quality\n2=Raw", {"Size", "Quality"}},
        {"Para=3\n0=Size\n2=Raw", {"Size", "Raw"}},
        {"Para=-2000000000\n0=Size", {}},
        {"Para=99999999999\n0=Size", {}},   // no 32-bit number: "Para" missing
        {"Para=9\n00=Size\n+1=Quality\n2x=Raw\n-0=Size", {}},   // no position is written so
        {"Para=5\n4=Raw\n4=Size", {"Raw"}},   // the first of two equal keys
    };
    for (const Case& c : cases) {
        const MemoryProfile profile(std::string("[Main]\n") + c.main + "\n");
        std::vector<std::string> names;
        for (const ProfileParameter& p : ReadProfileParameters(profile))
            names.push_back(p.Name);
        EXPECT_EQ(names, c.names) << c.main;
    }
    std::string many = "[Main]\nPara=5000\n";
    for (int i = 4999; i >= 0; --i)
        many += std::to_string(i) + "=P" + std::to_string(i) + "\n";
    const std::vector<ProfileParameter> first = ReadProfileParameters(MemoryProfile(many));
    ASSERT_EQ(first.size(), kMaxProfileParameters);
    EXPECT_EQ(first.front().Name, "P0");
    EXPECT_EQ(first.back().Name, "P" + std::to_string(kMaxProfileParameters - 1));

    FakeRows rows;
    rows.Row(pgVideo, "Size", "Large").Row(pgAudio, "Quality", "512").Row(pgAdvanced, "Raw", "On");
    std::string huge = kWorkedExample;
    huge.replace(huge.find("Para=3"), 6, "Para=2000000000");
    EXPECT_EQ(Arguments(huge, rows), " -p 640x480 -q 512 -r ");
}

// --- the editor's rows --------------------------------------------------------------

const char kEditorProfile[] =
    "[Main]\nType=wmv\nPara=6\n0=Video Size\n1=Bit Rate\n2=Video Codec\n3=Mystery\n4=Channels\n5=Deinterlace\n"
    "[Video Size]\nSort=1\nList=1\nCaption=Original Size,640x480,Custom Size,\nValue=,640x480,,\nIndex=1\ncmd=-s\n"
    "[Bit Rate]\nSort=1\nList=0\nCaption=1000k\nValue=1000k\ncmd=-b:v\n"
    "[Video Codec]\nSort=1\nList=0\nReadOnly=1\nCaption=WMV 8\nValue=wmv2\ncmd=-vcodec\n"
    "[Mystery]\nSort=0\nList=0\nCaption=?\n"
    "[Channels]\nSort=2\nCaption=Mono,Stereo,\nValue=1,2,\nIndex=9\ncmd=-ac\n"
    "[Deinterlace]\nSort=3\nList=1\nReadOnly=1\nCaption=No,Yes,\nValue=,yadif,\ncmd=-vf\n";

TEST(ProfileEditorRows, ShowTheSelectedCaptionOrTheTextInTheirGroup)
{
    const MemoryProfile profile(kEditorProfile);
    EXPECT_EQ(ReadOutputExtension(profile), ".wmv");
    const std::vector<EditorRow> rows = ProfileEditorRows(profile);
    ASSERT_EQ(rows.size(), 5u);   // the parameter of group 0 has no list

    EXPECT_EQ(rows[0].Sort, pgVideo);
    EXPECT_EQ(rows[0].Key, "Video Size");
    EXPECT_EQ(rows[0].Value, "640x480");
    EXPECT_TRUE(rows[0].PickList);
    EXPECT_TRUE(rows[0].ReadOnly);   // a pick list is chosen from, never typed into
    EXPECT_EQ(rows[0].Items, (std::vector<std::string>{"Original Size", "640x480", "Custom Size"}));

    EXPECT_EQ(rows[1].Key, "Bit Rate");
    EXPECT_EQ(rows[1].Value, "1000k");
    EXPECT_FALSE(rows[1].PickList);
    EXPECT_FALSE(rows[1].ReadOnly);
    EXPECT_TRUE(rows[1].Items.empty());

    EXPECT_EQ(rows[2].Key, "Video Codec");
    EXPECT_EQ(rows[2].Value, "WMV 8");   // the caption, not the converter's value
    EXPECT_TRUE(rows[2].ReadOnly);
    EXPECT_FALSE(rows[2].PickList);

    // "Index" beyond the items shows nothing rather than failing.
    EXPECT_EQ(rows[3].Sort, pgAudio);
    EXPECT_EQ(rows[3].Value, "");
    EXPECT_EQ(rows[3].Items.size(), 2u);

    EXPECT_EQ(rows[4].Sort, pgAdvanced);
    EXPECT_EQ(rows[4].Value, "No");   // "Index" missing: the first caption
}

TEST(ReadOutputExtension, DefaultsToMp4)
{
    EXPECT_EQ(ReadOutputExtension(MemoryProfile("[Main]\nPara=0\n")), ".mp4");
    EXPECT_EQ(ReadOutputExtension(MemoryProfile("[main]\ntype = mpg \n")), ".mpg");
}

// --- saving -------------------------------------------------------------------------

TEST(SaveShownValues, WritesIndexOrTextAndNeverTouchesReadOnlyParameters)
{
    MemoryProfile profile(kEditorProfile);
    FakeRows rows;
    rows.Row(pgVideo, "video size", "CUSTOM SIZE", {"Original Size", "640x480", "Custom Size"})
        .Row(pgVideo, "Bit Rate", "2500k")
        .Row(pgVideo, "Video Codec", "changed")
        .Row(pgAudio, "Channels", "5.1", {"Mono", "Stereo"})
        .Row(pgAdvanced, "Deinterlace", "Yes", {"No", "Yes"});
    SaveShownValues(profile, rows);

    EXPECT_EQ(profile.writes, (std::vector<std::string>{
                                  "Video Size.Index=2",
                                  "Bit Rate.Caption=2500k",
                                  "Bit Rate.Value=2500k",
                                  "Channels.Index=-1",   // no item: -1
                              }));
    // And a load shows them again.
    const std::vector<EditorRow> again = ProfileEditorRows(profile);
    EXPECT_EQ(again[0].Value, "Custom Size");
    EXPECT_EQ(again[1].Value, "2500k");
    EXPECT_EQ(again[3].Value, "");
}

TEST(SaveShownValues, LeavesParametersWithoutARowAlone)
{
    MemoryProfile profile(kEditorProfile);
    FakeRows rows;
    rows.Row(pgVideo, "Bit Rate", "300k");
    SaveShownValues(profile, rows);
    EXPECT_EQ(profile.writes, (std::vector<std::string>{"Bit Rate.Caption=300k", "Bit Rate.Value=300k"}));
}

// --- whole numbers --------------------------------------------------------------------

// The size dialog reads its numbers with the program's one whole-number reader.
TEST(SizeNumbers, AcceptSignedDecimalAndHexadecimalWithLeadingBlanks)
{
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"640", 640},
        {"0", 0},
        {"-480", -480},
        {"+480", 480},
        {"   720", 720},
        {"007", 7},
        {"$280", 640},
        {"0x1E0", 480},
        {"0X1e0", 480},
        {"-$10", -16},
        {" +0x10", 16},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"$7FFFFFFF", INT32_MAX},
        {"$FFFFFFFF", std::nullopt},   // beyond the signed range, as in decimal
        {"0x80000000", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"640 ", std::nullopt},   // trailing blanks are not allowed
        {"6 40", std::nullopt},
        {"640x", std::nullopt},
        {"1.5", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"$G", std::nullopt},
        {"--1", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"$100000000", std::nullopt},
        {"\t5", 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadWholeNumber(c.text), c.value) << '"' << c.text << '"';
}

} // namespace
} // namespace korvane
