// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class TEntry;

/// Where a run shows the entries it accepts (the search window's results list). Called on
/// the user-interface thread only; the entry belongs to TSearch::Results.
class IResultsView {
public:
    virtual ~IResultsView() = default;
    virtual void AddEntryRow(TEntry& entry) = 0;
};
