// SPDX-License-Identifier: GPL-3.0-or-later
#include "refdata/TCategories.h"

TCategories::TCategories(const std::string& path) {
    if (std::string error = ReadPlaceRecords(path, Items); !error.empty())
        throw TReadError(error);
    for (const auto& category : Items)
        if (category->Level == 1)
            Roots.push_back(category.get());
    LinkPlaceRecords(Items);
}
