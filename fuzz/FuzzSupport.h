// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: the input as text, a quiet user, the shipped tables and a
// folder of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include <QTemporaryDir>

#include "core/IUserMessages.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"

inline std::string_view InputText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

/// Answers every message silently (No to questions), counting the errors: a fuzzer shows
/// the code millions of inputs, and the console user would print a message for each.
class TQuietUser final : public IUserMessages {
public:
    void Information(const std::string&) override {}
    void Error(const std::string&) override { ++Errors; }
    bool Question(const std::string&) override { return false; }
    int Errors = 0;
};

inline TQuietUser& InstallQuietUser() {
    static TQuietUser user;
    SetUserMessages(&user);
    return user;
}

/// The tables the build makes, loaded once.
inline const TPlaces& ShippedPlaces() {
    static const TPlaces places(TRAWLIX_REFDATA_OUT "/Places.tx");
    return places;
}
inline const TCategories& ShippedCategories() {
    static const TCategories categories(TRAWLIX_REFDATA_OUT "/Categories.tx");
    return categories;
}

/// A temporary folder for the process, ending in "/".
inline const std::string& ScratchFolder() {
    static QTemporaryDir folder;
    static const std::string path = folder.path().toStdString() + "/";
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        std::abort();
    }
    return path;
}

/// Writes text to path, replacing what was there.
inline void WriteWholeFile(const std::string& path, std::string_view text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
}
