// SPDX-License-Identifier: GPL-3.0-or-later
// The program block: one instance per user, the session, sign-in, the event loop.
#include <iostream>
#include <memory>

#include <QCoreApplication>

#include "session/TSession.h"
#include "core/TSingleInstance.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"

namespace {

void PrintSummary(const TSession& session) {
    int sites = 0;
    int neighbourhoods = 0;
    for (const auto& place : session.Places->Items) {
        if (place->Level == 4)
            ++neighbourhoods;
        else if (!place->Link.empty())
            ++sites;
    }
    std::cout << "Signed in. Data folder: " << session.DataFolder << '\n'
              << "Places: " << session.Places->Items.size() << " (" << sites << " sites and sub-areas, "
              << neighbourhoods << " neighbourhoods, " << session.Places->Roots.size() << " countries)\n"
              << "Countries:";
    for (std::size_t i = 0; i < session.Places->Roots.size() && i < 5; ++i)
        std::cout << (i ? ", " : " ") << session.Places->Roots[i]->Name;
    std::cout << ", ...\nCategories: " << session.Categories->Items.size() << " (" << session.Categories->Roots.size()
              << " main categories)" << std::endl;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const bool summaryOnly = application.arguments().contains(QStringLiteral("--summary"));

    TSingleInstance instance;
    if (!instance.Acquire())
        return 0;

    std::unique_ptr<TSession> session;
    try {
        session = std::make_unique<TSession>();
    } catch (const std::exception& error) {
        std::cerr << "trawlix: " << error.what() << '\n';
        return 1;
    }
    QObject::connect(&instance, &TSingleInstance::BringToFrontRequested, &application,
                     [] { std::cout << "Asked to come to the front" << std::endl; });

    int exitCode = 0;
    session->OnSignInDone = [&] {
        if (session->SignedIn) {
            PrintSummary(*session);
            if (!summaryOnly)
                return;
        } else if (session->TakeCancelled() != 1) {
            std::cerr << "Trawlix wasn't able to connect: the reference data in " << session->DataFolder
                      << " could not be loaded.\n";
            exitCode = 1;
        }
        session->Quit();
    };
    session->OpenSession();
    const int loopResult = application.exec();
    session.reset();
    return exitCode ? exitCode : loopResult;
}
