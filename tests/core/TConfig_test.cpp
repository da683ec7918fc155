// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: unit
#include "core/TConfig.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

// The pause is waited for every posting of a page: whatever its source, it stays within
// 0 to 10 seconds.
TEST(TConfigTest, ThePausePerPostingIsKeptWithinItsBounds) {
    const struct {
        const char* ini;
        const char* environment;
        int expected;
    } cases[] = {
        {nullptr, nullptr, 100}, {"250", nullptr, 250},     {"60000", nullptr, 10000},
        {"-20", nullptr, 0},     {"10000", nullptr, 10000}, {nullptr, "2147483647", 10000},
        {"50", "-1", 0},         {"90000", "300", 300},     {nullptr, "0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("ini ") + (c.ini ? c.ini : "-") + ", environment " +
                     (c.environment ? c.environment : "-"));
        TTempDataFolder folder;
        if (c.ini)
            folder.WriteFile("trawlix.ini", std::string("[General]\nParserPauseMs=") + c.ini + "\n");
        if (c.environment)
            setenv("TRAWLIX_PARSER_PAUSE_MS", c.environment, 1);
        else
            unsetenv("TRAWLIX_PARSER_PAUSE_MS");
        EXPECT_EQ(TConfig::LoadFor(folder.Path()).ParserPauseMs, c.expected);
    }
    unsetenv("TRAWLIX_PARSER_PAUSE_MS");
}

} // namespace
