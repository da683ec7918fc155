// SPDX-License-Identifier: GPL-3.0-or-later
// A searches file: read from the data folder and loaded as at sign-in, then the first
// search loaded is saved back into the file and the file read again.
#include <cstdlib>

#include "FuzzSupport.h"
#include "search/TSearchContext.h"
#include "store/TSearches.h"

namespace {

TSearchesContext MakeContext() {
    static TSearchContext search;
    search.Places = &ShippedPlaces();
    search.Categories = &ShippedCategories();
    return {ScratchFolder(), &search, nullptr, [] { return 1; }};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TQuietUser& user = InstallQuietUser();
    static const TSearchesContext context = MakeContext();
    const std::string path = context.DataFolder + TSearches::FileName;
    WriteWholeFile(path, InputText(data, size));
    std::size_t loaded = 0;
    bool complete = false;
    {
        TSearches searches(context);
        user.Errors = 0;
        searches.Load();
        loaded = searches.Items.size();
        complete = user.Errors == 0;
        if (loaded > 0)
            searches.Save(*searches.Items.front(), true, false);
    }
    // A file read without a fault reads back, after the save, with the searches it held.
    TSearches again(context);
    again.Load();
    if (complete && again.Items.size() != loaded)
        std::abort();
    return 0;
}
