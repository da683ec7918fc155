// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Log.h"

#include <filesystem>
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

TEST(LogTest, AnUnwritableLogNeverRaisesAndIsShownOncePerLog) {
    TRecordingMessages messages;
    TTempDataFolder folder;
    ResetLog(folder.Path());
    WriteLog("kept");
    EXPECT_TRUE(messages.Shown.empty());

    // A folder in place of the file: it can be neither created nor appended to.
    TTempDataFolder blocked;
    std::filesystem::create_directory(blocked.File("log.tx"));
    EXPECT_NO_THROW(ResetLog(blocked.Path()));
    EXPECT_NO_THROW(WriteLog("lost"));
    EXPECT_NO_THROW(WriteLog("lost again"));
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].rfind("error: Cannot create the log file " + blocked.File("log.tx"), 0), 0u)
        << messages.Shown[0];
    EXPECT_NE(folder.ReadFile("log.tx").find(": kept\r\n"), std::string::npos);

    // A log that goes away after it was set up is shown once too.
    messages.Shown.clear();
    TTempDataFolder gone;
    ResetLog(gone.Path());
    std::filesystem::remove_all(gone.Path());
    WriteLog("lost");
    WriteLog("lost again");
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].rfind("error: Cannot write the log file " + gone.File("log.tx"), 0), 0u)
        << messages.Shown[0];

    // A working log again: lines are written, nothing is shown.
    messages.Shown.clear();
    ResetLog(folder.Path());
    WriteLog("back");
    EXPECT_NE(folder.ReadFile("log.tx").find(": back\r\n"), std::string::npos);
    EXPECT_TRUE(messages.Shown.empty());
}

} // namespace
