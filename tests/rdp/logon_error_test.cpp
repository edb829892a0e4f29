#include "rdp/logon_error.h"

#include <gtest/gtest.h>

#include <cstdint>

// Only the codes after which no logon can follow end the session; the
// dialogs and screens shown inside the session, and codes nobody lists, do
// not (imstscaxevents-onlogonerror).
TEST(LogonErrorMeaning, OnlyCodesThatEndTheLogonFailTheSession) {
    const struct {
        std::int32_t code;
        bool ends;
        bool told;
    } cases[] = {
        {-1, true, true},
        {-3, true, true},
        {0, true, true},
        {static_cast<std::int32_t>(0xC000006Eu), true, true},
        {static_cast<std::int32_t>(0xC000006Du), true, true},
        {-2, false, false},  // the logon goes on
        {-4, false, true},
        {-5, false, true},
        {-6, false, true},
        {-7, false, true},
        {1, false, true},
        {2, false, true},
        {3, false, true},
        {static_cast<std::int32_t>(0xC0000224u), false, true},
        {4, false, false},
        {-8, false, false},
        {0x7FFFFFFF, false, false},
    };
    for (const auto& c : cases) {
        const LogonErrorMeaning meaning = MeaningOfLogonError(c.code);
        EXPECT_EQ(meaning.endsLogon, c.ends) << c.code;
        EXPECT_EQ(meaning.tellUser, c.told) << c.code;
        EXPECT_NE(meaning.text[0], '\0') << c.code;
    }
}
