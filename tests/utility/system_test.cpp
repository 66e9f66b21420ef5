// The user-interface language as the programs see it.
#include "OrvCtl.h"
#include "test_support.h"

#include <gtest/gtest.h>

TEST(LanguageTest, ReportsTheUserInterfaceLanguage) {
    LANGID language = OvcGetLangId();
    EXPECT_EQ(GetUserDefaultUILanguage(), language);
    if (dormex_test::ExpectedLanguage() == 1041) {
        EXPECT_EQ(1041, language);
        EXPECT_EQ(932u, GetACP()) << "ja_JP.UTF-8 must give code page 932";
    } else {
        EXPECT_NE(1041, language);
    }
}
