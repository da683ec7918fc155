// SPDX-License-Identifier: GPL-3.0-or-later
// The stored list of default locations ("12;345;6;"), looked up in the shipped place table.
#include <cstdlib>

#include "FuzzSupport.h"
#include "store/TSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TPlaceList found = TSettings::ParseLocations(std::string(InputText(data, size)), ShippedPlaces());
    // Written and read again, the list names the same places.
    if (TSettings::ParseLocations(TSettings::LocationsText(found), ShippedPlaces()) != found)
        std::abort();
    return 0;
}
