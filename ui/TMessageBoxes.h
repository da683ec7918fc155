// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "core/IUserMessages.h"

/// What the GUI-free code asks of the user, shown as modal message boxes titled
/// "Trawlix" over the active window: information and errors with OK, questions with Yes
/// and No. Installed by the program at start-up; asked on another thread, the box is shown on the
/// user-interface thread and the asking thread waits for the answer.
class TMessageBoxes final : public IUserMessages {
public:
    /// Installs itself as the program's user messages until destroyed.
    TMessageBoxes();
    ~TMessageBoxes() override;
    TMessageBoxes(const TMessageBoxes&) = delete;
    TMessageBoxes& operator=(const TMessageBoxes&) = delete;

    void Information(const std::string& text) override;
    void Error(const std::string& text) override;
    void Warning(const std::string& text) override;
    bool Question(const std::string& text) override;
};
