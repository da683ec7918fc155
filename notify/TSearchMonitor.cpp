// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/TSearchMonitor.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "account/TGsmNetwork.h"
#include "account/TUser.h"
#include "core/TextHelpers.h"
#include "notify/TMailMessage.h"
#include "notify/TMonitorContext.h"
#include "notify/TNewResultsMonitor.h"
#include "search/SiteInterface.h"
#include "search/TResultsPageParser.h"
#include "search/TSearch.h"

namespace {

/// The first posting's link on a page of today's markup (made absolute as the run makes its
/// markers' links); empty for any other page.
std::string NewestItemLink(const std::string& page, const std::string& pageLink, const std::string& domain) {
    TResultsPageParser parser(page, pageLink, domain);
    TParsedPosting posting;
    if (parser.Markup() != TResultsMarkup::PostingItems || !parser.Next(posting))
        return {};
    return posting.Link;
}

/// The title of the page's first posting when its link is link; empty otherwise.
std::string TopmostTitle(const std::string& page, const std::string& pageLink, const std::string& domain,
                         const std::string& link) {
    TResultsPageParser parser(page, pageLink, domain);
    TParsedPosting posting;
    return parser.Next(posting) && posting.Link == link ? posting.Title : std::string();
}

/// The link of the topmost posting of a first results page fetched from pageLink: on the
/// old pages the first ".html" link between the two "Displaying: 1 -" counters, on today's
/// the first posting item's link; empty when the page has no such link.
std::string NewestLink(const std::string& page, const std::string& pageLink, const std::string& domain) {
    constexpr std::string_view marker = SiteInterface::FirstPageMarker;
    const std::size_t first = page.find(marker);
    if (first == std::string::npos)
        return NewestItemLink(page, pageLink, domain);
    const std::size_t second = page.find(marker, first + 10);
    if (second == std::string::npos)
        return {};
    const std::size_t html = page.find(".html", first);
    if (html == std::string::npos || html >= second)
        return {};
    // 1-based position of the final "l" of ".html".
    const int last = static_cast<int>(html) + 5;
    const std::string link = TokenFromRight(page, 1, '"', last);
    // Made absolute exactly as the run's parser makes the links its markers hold.
    return SiteInterface::AbsolutePostingLink(link, SiteInterface::LinkPrefix(pageLink, domain));
}

} // namespace

void StartNewResultsCheck(TSearch& search, const TMonitorContext& context) {
    ++search.CheckCount;
    if (!context.Status || *context.Status != TNewResultsMonitor::CheckingStatus)
        return;
    search.CheckFailure.clear();
    if (!search.LatestEntries.empty() && !search.NewResultsAvailable) {
        search.CheckDone = false;
        search.CheckEntryIndex = 0;
        FetchEntryPage(search);
    } else {
        // Never run (no markers) or already marked: nothing to fetch.
        search.CheckDone = true;
    }
}

void FetchEntryPage(TSearch& search) {
    if (!search.CheckFetcher)
        throw std::logic_error("TSearch.FetchEntryPage: no fetcher");
    const int index = search.CheckEntryIndex;
    if (index < 0 || static_cast<std::size_t>(index) >= search.LatestEntries.size())
        throw std::out_of_range("TSearch.FetchEntryPage: no such marker");
    search.CheckFetcher->Fetch(search.LatestEntries[static_cast<std::size_t>(index)]->PageLink);
}

void NewResultsPageLoaded(TSearch& search, const TMonitorContext& context) {
    if (!search.CheckFetcher)
        throw std::logic_error("TSearch.NewResultsPageLoaded: no fetcher");
    const TBrowser& fetcher = *search.CheckFetcher;
    const std::string& page = fetcher.PageText;
    if (!fetcher.Error.empty() || page.empty()) {
        // The search could not be examined: its mark stays (it is not marked, or it would
        // not be checked) and the remaining locations wait for the next pass.
        search.CheckFailure =
            (fetcher.Error.empty() ? std::string("an empty page") : fetcher.Error) + ": " + fetcher.URL;
        search.CheckDone = true;
        return;
    }
    const TLatestEntry& marker = *search.LatestEntries.at(static_cast<std::size_t>(search.CheckEntryIndex));
    const std::string newest = NewestLink(page, search.CheckFetcher->URL, context.SiteDomain);
    // A topmost posting the user deleted is one the last run already saw.
    if (!newest.empty() && newest != marker.EntryLink && !FindEntryByLink(search.DeletedResults, newest)) {
        const bool wasMarked = search.NewResultsAvailable;
        search.NewResultsAvailable = true;
        search.CheckDone = true;
        // The first check after loading only catches up with what happened meanwhile.
        if (!wasMarked && search.CheckCount > 1)
            NotifyNewResults(search, context);
        if (!wasMarked && context.SearchMarked)
            context.SearchMarked(search, TopmostTitle(page, search.CheckFetcher->URL, context.SiteDomain, newest),
                                 newest);
        return;
    }
    ++search.CheckEntryIndex;
    if (static_cast<std::size_t>(search.CheckEntryIndex) < search.LatestEntries.size())
        FetchEntryPage(search);
    else
        search.CheckDone = true;
}

void NotifyNewResults(TSearch& search, const TMonitorContext& context) {
    TUser* signedIn = context.User ? context.User() : nullptr;
    if (!signedIn || !context.SendMail)
        return;
    TUser& user = *signedIn;
    const std::string name = search.Name.str();
    auto send = [&](const std::string& recipient) {
        auto message = std::make_unique<TMailMessage>();
        message->SenderName = "Trawlix";
        message->SenderAddress = context.MailSender;
        message->Recipient = recipient;
        message->Subject = name;
        message->Body = "New results available for \"" + name + "\". Thanks, the Trawlix Team.";
        context.SendMail(std::move(message));
    };
    const TGsmNetworkList* networks = context.Networks ? context.Networks() : nullptr;
    if (!user.Phone.empty() && user.NetworkID > 0 && search.NotifySms && networks) {
        // Without a known carrier or any digit there is no gateway address to write to.
        const TGsmNetwork* network = user.Network(*networks);
        const std::string digits = DigitsOnly(user.Phone);
        if (network && !digits.empty())
            send(digits + "@" + network->Gateway);
    }
    if (search.NotifyEmail) {
        const std::string address = TrimControl(user.EMail);
        if (!address.empty())
            send(address);
    }
}
