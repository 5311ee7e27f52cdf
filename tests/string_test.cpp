// AAX_CString: content, interface assignment and locale-independent numbers.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "util/aax_string.h"

TEST(String, FreshStringIsEmptyAndTerminated) {
    AAX_CString text;
    EXPECT_EQ(text.Length(), 0u);
    ASSERT_NE(text.Get(), nullptr);
    EXPECT_EQ(text.Get()[0], '\0');
    EXPECT_EQ(text.MaxLength(), 4294967294u);
    EXPECT_STREQ(AAX_CString(nullptr).Get(), "");
}

TEST(String, AssignsThroughTheInterface) {
    AAX_CString target("old");
    const AAX_CString empty;
    static_cast<AAX_IString&>(target) = static_cast<const AAX_IString&>(empty);
    EXPECT_EQ(target.Length(), 0u);
    static_cast<AAX_IString&>(target) = "abc";
    EXPECT_STREQ(target.Get(), "abc");
    target.Erase(0, 1);
    EXPECT_STREQ(target.Get(), "bc");
}

TEST(String, AppendNumberAppendsFixedTwoDecimals) {
    AAX_CString text("gain ");
    text.AppendNumber(0.5, 2);
    EXPECT_STREQ(text.Get(), "gain 0.50");
    AAX_CString values[4];
    values[0].AppendNumber(0.0, 2);
    values[1].AppendNumber(-0.001, 2);
    values[2].AppendNumber(1234.567, 2);
    values[3].AppendNumber(1e20, 2);
    EXPECT_STREQ(values[0].Get(), "0.00");
    EXPECT_STREQ(values[1].Get(), "-0.00");
    EXPECT_STREQ(values[2].Get(), "1234.57");
    EXPECT_STREQ(values[3].Get(), "100000000000000000000.00");
}

TEST(String, AppendNumberIgnoresTheGlobalLocale) {
    // A host process may run under a locale with a decimal comma and digit grouping.
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Comma));
    AAX_CString text;
    text.AppendNumber(12345.5, 2);
    std::locale::global(previous);
    EXPECT_STREQ(text.Get(), "12345.50");
}
