// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

class TEntry;
class TOnResultsThread;

/// A fetched results page as the run hands it to its parser.
struct TFetchedPage {
    std::string Text;
    std::string Link;
    /// The run's position when the page was fetched.
    int LocationIndex = 0;
    int Page = 1;
    /// Full name of the location (of its sub-area for a neighbourhood).
    std::string LocationText;
};

/// What a run's parser hands its work to: the run that owns it. Every call comes on the
/// user-interface thread, inside one of the parser's hand-overs.
class IResultsSink {
public:
    virtual ~IResultsSink() = default;
    /// Checks a posting of page against the search's lists and adds it where it belongs.
    /// firstOfPage: no earlier posting of the page was accepted. True when the posting
    /// counts as accepted (it is no deleted result). The sink may be destroyed meanwhile
    /// (by the results view it shows the entry in); the parser then hears no more from it.
    virtual bool AcceptPosting(std::unique_ptr<TEntry> entry, const TFetchedPage& page, bool firstOfPage) = 0;
    /// After a page: moves the run on and fetches the next page; false when the run is
    /// complete.
    virtual bool AdvanceFromParser() = 0;
    /// The parser's thread has ended; the parser is freed right after.
    virtual void ParserDone(TOnResultsThread& parser) = 0;
};
