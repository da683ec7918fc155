// SPDX-License-Identifier: GPL-3.0-or-later
// Saves searches and settings in an endless loop, for a caller that kills it at a random
// moment and then checks what is left on disk. After each save that returned, it prints
// "search N" or "settings N" on a line of its own, so the caller knows what must survive.
//
//   trawlix-store-writer DATA_FOLDER FIRST_NUMBER
//
// DATA_FOLDER (ending in "/") holds the shipped Places.tx and Categories.tx. Search N gets
// the id N; the settings' refresh interval becomes N. The settings land where QSettings
// puts them for this user (XDG_CONFIG_HOME).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include <QCoreApplication>

#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "store/TSearches.h"
#include "store/TSettings.h"

namespace {

constexpr int HousingCategory = 27;
// A collection is destroyed (which writes the file once more) and opened again this often.
constexpr int SavesPerCollection = 7;

void Say(const char* what, long number) {
    std::printf("%s %ld\n", what, number);
    std::fflush(stdout);
}

std::unique_ptr<TSearch> NumberedSearch(long number, const TSearchContext& context) {
    auto search = std::make_unique<TSearch>(&context);
    search->SearchId = static_cast<int>(number);
    search->UserId = -1;
    search->Name = "stress search " + std::to_string(number);
    search->Category = context.Categories->FindById(HousingCategory);
    search->PositiveKeywords = std::string(static_cast<std::size_t>(number % 97) * 40, 'k');
    return search;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATA_FOLDER FIRST_NUMBER\n", argv[0]);
        return 2;
    }
    QCoreApplication application(argc, argv);
    const std::string folder = argv[1];
    long number = std::strtol(argv[2], nullptr, 10);
    try {
        const TPlaces places(folder + "Places.tx");
        const TCategories categories(folder + "Categories.tx");
        TSearchContext context;
        context.Places = &places;
        context.Categories = &categories;
        for (;;) {
            TSearches searches(TSearchesContext{folder, &context, nullptr, {}});
            for (int i = 0; i < SavesPerCollection; ++i, ++number) {
                const auto search = NumberedSearch(number, context);
                searches.Save(*search, true, false);
                Say("search", number);
                TSettings settings;
                settings.SearchRefreshInterval = number;
                settings.Save();
                Say("settings", number);
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
