// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/IUserMessages.h"

#include <atomic>
#include <iostream>

namespace {

class ConsoleMessages final : public IUserMessages {
public:
    void Information(const std::string& text) override { std::cerr << text << '\n'; }
    void Error(const std::string& text) override { std::cerr << "Error: " << text << '\n'; }
    bool Question(const std::string& text) override {
        std::cerr << text << " (answered No)\n";
        return false;
    }
};

ConsoleMessages consoleMessages;
std::atomic<IUserMessages*> installed{nullptr};

} // namespace

IUserMessages& UserMessages() {
    IUserMessages* messages = installed.load();
    return messages ? *messages : consoleMessages;
}

void SetUserMessages(IUserMessages* messages) {
    installed.store(messages);
}
