// SPDX-License-Identifier: GPL-3.0-or-later
// The background check of one search for new results and the notification it sends;
// members of TSearch kept apart from the run driver. User-interface thread.
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "account/TGsmNetwork.h"
#include "account/TUser.h"
#include "core/TSession.h"
#include "core/TextHelpers.h"
#include "notify/TMailMessage.h"
#include "notify/TNewResultsMonitor.h"
#include "search/SiteInterface.h"
#include "search/TSearch.h"

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if ((text[i] | 0x20) != prefix[i])
            return false;
    return true;
}

/// The link of the topmost posting of a first results page fetched from pageLink: the
/// first ".html" link between the two "Displaying: 1 -" counters; empty when the page
/// has no such link.
std::string NewestLink(const std::string& page, const std::string& pageLink) {
    constexpr std::string_view marker = SiteInterface::FirstPageMarker;
    const std::size_t first = page.find(marker);
    if (first == std::string::npos)
        return {};
    const std::size_t second = page.find(marker, first + 10);
    if (second == std::string::npos)
        return {};
    const std::size_t html = page.find(".html", first);
    if (html == std::string::npos || html >= second)
        return {};
    // 1-based position of the final "l" of ".html".
    const int last = static_cast<int>(html) + 5;
    const std::string link = TokenFromRight(page, 1, '"', last);
    // An absolute link stands as it is, as the run's parser keeps it for the markers.
    if (StartsWithNoCase(link, "http://") || StartsWithNoCase(link, "https://"))
        return link;
    return TokenFromLeft(pageLink, 1, '.', 1) + SiteInterface::Domain() + link;
}

} // namespace

void TSearch::StartNewResultsCheck() {
    ++CheckCount;
    if (!Session || Session->Status != TNewResultsMonitor::CheckingStatus)
        return;
    CheckFailure.clear();
    if (!LatestEntries.empty() && !NewResultsAvailable) {
        CheckDone = false;
        CheckEntryIndex = 0;
        FetchEntryPage();
    } else {
        // Never run (no markers) or already marked: nothing to fetch.
        CheckDone = true;
    }
}

void TSearch::FetchEntryPage() {
    if (!CheckFetcher)
        throw std::logic_error("TSearch.FetchEntryPage: no fetcher");
    if (CheckEntryIndex < 0 || static_cast<std::size_t>(CheckEntryIndex) >= LatestEntries.size())
        throw std::out_of_range("TSearch.FetchEntryPage: no such marker");
    Page = 1;
    CheckFetcher->Fetch(LatestEntries[static_cast<std::size_t>(CheckEntryIndex)]->PageLink);
}

void TSearch::NewResultsPageLoaded() {
    if (!CheckFetcher)
        throw std::logic_error("TSearch.NewResultsPageLoaded: no fetcher");
    const std::string& page = CheckFetcher->PageText;
    if (!CheckFetcher->Error.empty() || page.empty()) {
        // The search could not be examined: its mark stays (it is not marked, or it would
        // not be checked) and the remaining locations wait for the next pass.
        CheckFailure = (CheckFetcher->Error.empty() ? std::string("an empty page") : CheckFetcher->Error) + ": " +
                       CheckFetcher->URL;
        CheckDone = true;
        return;
    }
    const TLatestEntry& marker = *LatestEntries.at(static_cast<std::size_t>(CheckEntryIndex));
    const std::string newest = NewestLink(page, CheckFetcher->URL);
    // A topmost posting the user deleted is one the last run already saw.
    if (!newest.empty() && newest != marker.EntryLink && !FindEntryByLink(DeletedResults, newest)) {
        const bool wasMarked = NewResultsAvailable;
        NewResultsAvailable = true;
        CheckDone = true;
        // The first check after loading only catches up with what happened meanwhile.
        if (!wasMarked && CheckCount > 1)
            NotifyNewResults();
        return;
    }
    ++CheckEntryIndex;
    if (static_cast<std::size_t>(CheckEntryIndex) < LatestEntries.size())
        FetchEntryPage();
    else
        CheckDone = true;
}

void TSearch::NotifyNewResults() {
    if (!Session || !Session->User)
        return;
    TUser& user = *Session->User;
    const TConfig& config = Session->Config;
    auto send = [&](const std::string& recipient) {
        auto message = std::make_unique<TMailMessage>();
        message->SenderName = "Trawlix";
        message->SenderAddress = config.MailSender;
        message->Recipient = recipient;
        message->Subject = Name.str();
        message->Body = "New results available for \"" + Name.str() + "\". Thanks, the Trawlix Team.";
        Session->SendMail(std::move(message), config.MailSender, config.MailPassword);
    };
    if (!user.Phone.empty() && user.NetworkID > 0 && NotifySms) {
        // Without a known carrier or any digit there is no gateway address to write to.
        const TGsmNetwork* network = user.Network();
        const std::string digits = DigitsOnly(user.Phone);
        if (network && !digits.empty())
            send(digits + "@" + network->Gateway);
    }
    if (NotifyEmail) {
        const std::string address = TrimControl(user.EMail);
        if (!address.empty())
            send(address);
    }
}
