// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TProgramWindows.h"

#include <memory>

#include "session/TSession.h"
#include "ui/TInputPause.h"
#include "ui/TMainForm.h"
#include "ui/TfrmAdvancedKeywords.h"
#include "ui/TfrmMyAccount.h"
#include "ui/TfrmNewSearch.h"
#include "ui/TfrmSettings.h"
#include "ui/TfrmSplash.h"
#include "ui/TfrmUpdate.h"

namespace {

TSession& WithDatabaseThread(TSession& session) {
    TProgramWindows::UseDatabaseThread(session);
    return session;
}

} // namespace

void TProgramWindows::UseDatabaseThread(TSession& session) {
    auto pause = std::make_shared<TInputPause>();
    session.UseDatabaseThread([pause](bool waiting) { waiting ? pause->Begin() : pause->End(); });
}

TProgramWindows::TProgramWindows(TSession& session)
    : m_session(WithDatabaseThread(session)), m_mainForm(std::make_unique<TMainForm>(session)),
      m_advancedKeywords(std::make_unique<TfrmAdvancedKeywords>()),
      // Created hidden now; after each sign-in it is the working window, and closing it
      // ends the program.
      m_searchWindow(std::make_unique<TfrmNewSearch>(session, *m_advancedKeywords)) {
    TMainForm& main = *m_mainForm;
    TfrmNewSearch& search = *m_searchWindow;
    main.SearchWindow = [&search]() -> QWidget* { return &search; };
    main.OpenSearchWindow = [&search](int searchId) {
        if (searchId != 0)
            search.OpenSavedSearch(searchId);
        else
            search.Open();
    };
    main.OpenSavedSearch = [&search](int searchId) { search.OpenSavedSearch(searchId); };
    main.OpenNewSearch = [&search] { search.NewSearch(); };
    search.SearchesReloaded = [&main] { main.FillSearchList(); };
    search.MinimizeToTray = [&main] { main.HideToTray(); };
    search.ShowSavedSearches = [&main] { main.ShowSearchesList(); };
    search.EndProgram = [&session] { session.Quit(); };
    WireDialogs();
}

TProgramWindows::~TProgramWindows() = default;

void TProgramWindows::WireDialogs() {
    TMainForm& main = *m_mainForm;
    TSession& session = m_session;
    main.ShowAbout = [&session](QWidget* parent) { TfrmSplash(session.Config.HomePage, parent).ShowAbout(); };
    main.ShowMyAccount = [&session](QWidget* parent) { TfrmMyAccount(session, parent).Execute(); };
    main.CheckForUpdate = [&session](QWidget* parent) {
        TfrmUpdate::CheckForUpdate(session, parent, [&session] { session.Quit(); });
    };
    main.ShowSettings = [&session, &main](QWidget* parent) { TfrmSettings(session, main, parent).Execute(); };
}

void TProgramWindows::Show() {
    m_mainForm->show();
}

void TProgramWindows::SaveOnExit() {
    m_searchWindow->SaveOnExit();
}
