// SPDX-License-Identifier: GPL-3.0-or-later
#include "refdata/TPlaces.h"

namespace {

void PlaceRoot(TPlace* root, TPlaceList& roots) {
    if (root->Name == "united states")
        roots.insert(roots.begin(), root);
    else if (root->Name == "canada")
        InsertAfterNamed("united states", root, roots);
    else if (root->Name == "UK")
        InsertAfterNamed("canada", root, roots);
    else
        roots.push_back(root);
}

} // namespace

TPlaces::TPlaces(const std::string& path) {
    ReadWarning = ReadPlaceRecords(path, Items);
    for (const auto& place : Items)
        if (place->Level == 1)
            PlaceRoot(place.get(), Roots);
    LinkPlaceRecords(Items);
}

TPlace* TPlaces::FindById(int id) const {
    // The site merged two locations; old searches still store the retired id.
    constexpr int retiredId = 2369;
    constexpr int mergedId = 1686;
    return FindRecordById(Items, id == retiredId ? mergedId : id);
}
