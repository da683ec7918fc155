// SPDX-License-Identifier: GPL-3.0-or-later
// A category table file ("Categories.tx"), loaded and then walked as the category lists do.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchFolder() + "Categories.tx";
    WriteWholeFile(path, InputText(data, size));
    try {
        const TCategories categories(path);
        TPlaceList leaves;
        ExpandToLeaves(categories.Roots, leaves);
        for (const auto& category : categories.Items)
            (void)category->FullName();
    } catch (const TReadError&) {
    }
    return 0;
}
