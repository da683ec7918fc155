// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "refdata/TPlace.h"

class TPlaces;

/// The user's program settings (timer intervals, skin, default locations), kept in
/// QSettings("Corvane", "Trawlix"). Lives as long as the session, on the user-interface
/// thread; saves itself when destroyed.
class TSettings final {
public:
    /// Sets the defaults, then loads.
    TSettings();
    /// Saves.
    ~TSettings();
    TSettings(const TSettings&) = delete;
    TSettings& operator=(const TSettings&) = delete;

    /// Milliseconds; stored as 32-bit integers.
    std::int64_t SearchRefreshInterval = 0;
    std::int64_t SearchCheckInterval = 900000;
    std::int64_t EmailDigestInterval = 43200000;
    /// Empty means the built-in skin.
    std::string CustomSkin;
    /// A notice on the desktop when the background check finds new results. Stored only
    /// once turned off, so that settings written before it existed stay as they were.
    bool DesktopNotices = true;
    /// Records of the session's place table, not owned.
    TPlaceList DefaultLocations;

    /// Reads the stored values into the fields; missing or unreadable values keep theirs,
    /// and a key that cannot be read keeps them all (and is not written by Save). The
    /// default locations are not read (see LoadDefaultLocations).
    void Load();
    /// As Load, looking the default locations up in places (none: not read).
    void Load(const TPlaces* places);
    /// Replaces DefaultLocations with the stored list looked up in places.
    void LoadDefaultLocations(const TPlaces& places);
    /// Writes the fields; an empty location list leaves the stored one as it is. Writes
    /// nothing when the last Load found the key unreadable.
    void Save() const;

    /// "12;345;6;" for the ids 12, 345 and 6.
    static std::string LocationsText(const TPlaceList& places);
    /// The places named by a text of ids separated by ";"; unknown ids are skipped.
    static TPlaceList ParseLocations(const std::string& text, const TPlaces& places);

private:
    bool m_unreadable = false;
};
