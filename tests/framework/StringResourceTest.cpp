// CString's platform parts: strings from the program's string table, and the
// system's message formatting with numbered inserts.
#include "FrameworkTestIds.h"

#include "framework/core/CString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringResource, LoadsStringsOfAnyLengthFromAnyBlock)
{
    CString text("left over");
    EXPECT_TRUE(text.LoadString(IDS_SHORT));
    EXPECT_EQ("Short", text);

    EXPECT_TRUE(text.LoadString(IDS_LONG));
    EXPECT_EQ(503, text.GetLength());
    EXPECT_EQ(std::string(text).substr(0, 10), "0123456789");
    EXPECT_EQ(std::string(text).substr(500), "end");

    EXPECT_TRUE(text.LoadString(IDS_LATE_BLOCK));
    EXPECT_EQ("Late block", text);
}

TEST(StringResource, MissingStringLoadsAsEmptyAndFalse)
{
    CString text("left over");
    // In a block that exists, and in one that doesn't.
    EXPECT_FALSE(text.LoadString(IDS_MISSING));
    EXPECT_TRUE(text.IsEmpty());
    text = "left over";
    EXPECT_FALSE(text.LoadString(5000));
    EXPECT_TRUE(text.IsEmpty());
}

TEST(StringResource, FormatMessageFromTheStringTable)
{
    CString text;
    text.FormatMessage(static_cast<unsigned>(IDS_RANGE), 1, 120);
    EXPECT_EQ("Please enter a number between 1 and 120.", text);

    text = "left over";
    text.FormatMessage(static_cast<unsigned>(IDS_MISSING), 1, 2);
    EXPECT_TRUE(text.IsEmpty());
}

} // namespace
