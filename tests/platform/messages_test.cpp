#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/common/headless.h"

TEST(Messages, Cp1252ToUtf8) {
    EXPECT_EQ(Cp1252ToUtf8("klarte ikke \xE5 \xE5pne"), "klarte ikke \xC3\xA5 \xC3\xA5pne");
    EXPECT_EQ(Cp1252ToUtf8("\x80 \x99"), "\xE2\x82\xAC \xE2\x84\xA2");  // euro sign, trade mark
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xEF\xBF\xBD");                    // unassigned byte
    EXPECT_EQ(Cp1252ToUtf8(""), "");
}

TEST(Messages, HookSeesBoxesInOrder) {
    MessageLog log;
    MessageBoxA(nullptr, "Cant Play Funky Music", "You Suck", MB_OK);
    MessageBoxA(nullptr, "Must CreateStream First", "Sucky Assembler", MB_OK);
    ASSERT_EQ(log.boxes.size(), 2u);
    EXPECT_EQ(log.boxes[0].first, "Cant Play Funky Music");
    EXPECT_EQ(log.boxes[1].second, "Sucky Assembler");
}
