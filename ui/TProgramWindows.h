// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class TMainForm;
class TSession;
class TfrmAdvancedKeywords;
class TfrmNewSearch;

/// Every window of the program, each created once and in its order (the main window
/// first, which starts signing in), and wired to one another here and nowhere else: the
/// search window the main window opens, the dialogs its menus show. The program block, the
/// tests and the benchmarks all build the windows through it. User-interface thread.
class TProgramWindows final {
public:
    explicit TProgramWindows(TSession& session);
    ~TProgramWindows();
    TProgramWindows(const TProgramWindows&) = delete;
    TProgramWindows& operator=(const TProgramWindows&) = delete;

    TMainForm& MainForm() const { return *m_mainForm; }
    TfrmNewSearch& SearchWindow() const { return *m_searchWindow; }
    TfrmAdvancedKeywords& AdvancedKeywords() const { return *m_advancedKeywords; }

    /// Gives the session's account database a thread of its own, the windows held still
    /// while they wait for it; the constructor does this before any window exists.
    static void UseDatabaseThread(TSession& session);

    /// Shows the main window (its sign-in page).
    void Show();
    /// At program end, after the event loop: writes the search the window shows.
    void SaveOnExit();

private:
    void WireDialogs();

    TSession& m_session;
    std::unique_ptr<TMainForm> m_mainForm;
    std::unique_ptr<TfrmAdvancedKeywords> m_advancedKeywords;
    std::unique_ptr<TfrmNewSearch> m_searchWindow;
};
