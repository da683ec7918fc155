// SPDX-License-Identifier: GPL-3.0-or-later
// A place table file ("Places.tx"), loaded and then walked as the location choosers walk it.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchFolder() + "Places.tx";
    WriteWholeFile(path, InputText(data, size));
    try {
        const TPlaces places(path);
        TPlaceList leaves;
        ExpandToLeaves(places.Roots, leaves);
        for (const auto& place : places.Items)
            (void)place->FullName();
        if (!places.Items.empty())
            (void)places.FindById(places.Items.back()->Id);
    } catch (const TReadError&) {
    }
    return 0;
}
