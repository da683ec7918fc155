// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Log.h"

#include <regex>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

TEST(LogTest, ResetEmptiesTheLogAndLinesAreAppendedInOrder) {
    TTempDataFolder folder;
    folder.WriteFile("log.tx", "old line from the last run\r\n");
    ResetLog(folder.Path());
    EXPECT_EQ(folder.ReadFile("log.tx"), "");

    WriteLog("first");
    WriteLog("second");
    const std::string text = folder.ReadFile("log.tx");
    const std::regex line(R"((\d\d\.\d\d\.\d\d \d\d:\d\d): first\r\n(\d\d\.\d\d\.\d\d \d\d:\d\d): second\r\n)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, line)) << text;
    // Two lines within a minute or so carry the same timestamp unless a minute turned.
    EXPECT_EQ(match[1].str().substr(0, 8), match[2].str().substr(0, 8));
}

TEST(LogTest, AnUnwritableLogRaisesAndKeepsWhatWasWritten) {
    TTempDataFolder folder;
    ResetLog(folder.Path());
    WriteLog("kept");
    EXPECT_THROW(ResetLog(folder.Path() + "missing/"), std::ios_base::failure);
    EXPECT_THROW(WriteLog("lost"), std::ios_base::failure);
    EXPECT_NE(folder.ReadFile("log.tx").find(": kept\r\n"), std::string::npos);
}

} // namespace
