#include "split/CommandLineLocale.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

using namespace korvane;

// The numbers follow the user's number format as the platform reports it.
// Under LC_ALL=de_DE.UTF-8 Wine reports "," and this test checks that form.
TEST(ConverterCommandLineLocale, NumbersUseTheUsersDecimalSeparator)
{
    char decimal[8] = {};
    ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal), 1);
    const std::string sep(1, decimal[0]);
    EXPECT_EQ(BuildConverterCommandLine("C:\\a.avi", 6.65, 2.5, " -an", "C:\\b.mp4"),
              " -y -i \"C:\\a.avi\" -ss 6" + sep + "65 -t 2" + sep + "5 -an \"C:\\b.mp4\"");
}
