#include "files/TextCodec.h"

#include <gtest/gtest.h>

TEST(TextCodec, EscapedTextStaysOneLineAndKeepsEverythingElse)
{
    using namespace std::string_literals;
    EXPECT_EQ(escapeControls("a\0b\rc\nd\te\x01\x7F"s), "a\\0b\\rc\\nd\\te\\x01\\x7F");
    EXPECT_EQ(escapeControls("C:\\dir\\ż 1|2|"), "C:\\dir\\ż 1|2|");
}
