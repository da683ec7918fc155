// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

/// What the GUI-free code may ask of the user: a message box with OK, or a Yes/No
/// question. The windows implement it at start-up; tests implement it by recording.
/// Called on the user-interface thread, or from the database's thread while that thread
/// waits for it (the windows' implementation then shows the box on its own thread).
class IUserMessages {
public:
    virtual ~IUserMessages() = default;
    virtual void Information(const std::string& text) = 0;
    virtual void Error(const std::string& text) = 0;
    /// Something the user can put right (a wrong password, an address in use); shown as an
    /// error where no milder box exists.
    virtual void Warning(const std::string& text) { Error(text); }
    /// True for Yes.
    virtual bool Question(const std::string& text) = 0;
};

/// The implementation in use; a console one (standard error, questions answered No) until
/// SetUserMessages installs another.
IUserMessages& UserMessages();
/// Installs an implementation (not owned); nullptr goes back to the console one.
void SetUserMessages(IUserMessages* messages);
