// SPDX-License-Identifier: GPL-3.0-or-later
// A window holding the results list, the filtered list and the preview the way the search
// window holds them, over a session whose pages come from the site simulator.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QGroupBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>

#include "TSiteSimulator.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "core/TBackgroundWork.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TSearch.h"
#include "search/TSearchRun.h"
#include "session/TSession.h"
#include "ui/TResultPreview.h"
#include "ui/TResultsList.h"

constexpr int Miami = 253;
constexpr int Activities = 2; // "act"
inline const std::string Word = "zebracorn";

class TResultsHarness final {
public:
    explicit TResultsHarness(bool withPreview) {
        folder.InstallShippedRefData();
        // The web engine reads the program's proxy once: every harness of a test program
        // serves on the same port.
        static int port = 0;
        if (!simulator.Start(port))
            throw std::runtime_error("the site simulator could not listen on its port");
        port = simulator.Port();
        // Postings of a fresh simulator get the same numbers each time: skip as many as
        // harnesses came before, so no posting page of an earlier test is in the web cache.
        static int harnesses = 0;
        TSimPosting filler;
        filler.Site = "tampa";
        filler.Category = "act";
        filler.Title = "filler";
        for (int i = 0; i < harnesses * 10; ++i)
            simulator.AddPosting(filler);
        ++harnesses;
        TConfig config = folder.Config();
        config.HttpProxy = simulator.Proxy();
        config.ParserPauseMs = 0;
        session = std::make_unique<TSession>(config);
        session->SetTables(std::make_unique<TPlaces>(folder.File("Places.tx")),
                           std::make_unique<TCategories>(folder.File("Categories.tx")));
        search = std::make_unique<TSearch>(&session->SearchContext());
        search->Category = session->Categories->FindById(Activities);
        search->PositiveKeywords = Word;
        search->SetLeafLocations({session->Places->FindById(Miami)});

        window.setWindowTitle(QStringLiteral("Results"));
        auto* layout = new QVBoxLayout(&window);
        splPreview = new QSplitter(Qt::Vertical, &window);
        splPreview->setObjectName(QStringLiteral("splPreview"));
        layout->addWidget(splPreview);
        pcMain = new QStackedWidget(splPreview);
        auto* results = new QGroupBox(QStringLiteral("Results"), pcMain);
        lvResults = new QTreeView(results);
        lvResults->setObjectName(QStringLiteral("lvResults"));
        (new QVBoxLayout(results))->addWidget(lvResults);
        auto* filtered = new QGroupBox(QStringLiteral("Filtered results"), pcMain);
        lvFilteredResults = new QTreeView(filtered);
        lvFilteredResults->setObjectName(QStringLiteral("lvFilteredResults"));
        (new QVBoxLayout(filtered))->addWidget(lvFilteredResults);
        pcMain->addWidget(results);
        pcMain->addWidget(filtered);
        splPreview->addWidget(pcMain);
        gbResultPreview = new QGroupBox(splPreview);
        gbResultPreview->setObjectName(QStringLiteral("gbResultPreview"));
        splPreview->addWidget(gbResultPreview);
        window.resize(1000, 700);

        Results = new TResultsList(lvResults, SortColumn, SortAscending, TResultsList::Follow);
        Filtered = new TResultsList(lvFilteredResults, SortColumn, SortAscending, TResultsList::Snapshot);
        if (withPreview) {
            Preview = new TResultPreview(gbResultPreview, *Results, session->Config.HttpProxy);
            Preview->Follow(*Filtered);
        } else {
            gbResultPreview->hide();
        }
        Results->FillEntryList(search.get());
        Filtered->FillEntryList(search.get());
    }
    ~TResultsHarness() {
        if (search)
            search->Stop();
        Results->FillEntryList(nullptr);
        Filtered->FillEntryList(nullptr);
        search.reset();
        WaitUntil([] { return TBackgroundWork::Running() == 0; });
        session.reset();
        simulator.Stop();
    }

    /// Adds count postings with the test word to Miami, oldest first; returns them newest
    /// first (the order of the results pages).
    std::vector<TSimPosting> AddPostings(int count, double price = -1) {
        std::vector<TSimPosting> postings;
        for (int i = 0; i < count; ++i) {
            TSimPosting posting;
            posting.Site = "miami";
            posting.Category = "act";
            posting.Title = Word + " walk " + std::to_string(i);
            posting.Body = "Join us for a " + Word + " walk along the bay, number " + std::to_string(i) + ".";
            posting.Price = price >= 0 ? price + i : -1;
            if (posting.Price >= 0) // the results line shows the price only in the title
                posting.Title += " - $" + std::to_string(static_cast<int>(posting.Price));
            posting.ImageMarker = i % 2 ? "pic" : "";
            postings.insert(postings.begin(), simulator.AddPosting(posting));
        }
        return postings;
    }

    bool RunAndWait() {
        search->Run(Results);
        return WaitUntil([this] { return search->CurrentRun().Idle && TBackgroundWork::Running() == 0; });
    }

    TTempDataFolder folder;
    TSiteSimulator simulator;
    std::unique_ptr<TSession> session;
    std::unique_ptr<TSearch> search;

    QWidget window;
    QSplitter* splPreview = nullptr;
    QStackedWidget* pcMain = nullptr;
    QTreeView* lvResults = nullptr;
    QTreeView* lvFilteredResults = nullptr;
    QGroupBox* gbResultPreview = nullptr;
    int SortColumn = 2;
    bool SortAscending = false;
    TResultsList* Results = nullptr;
    TResultsList* Filtered = nullptr;
    TResultPreview* Preview = nullptr;
};
