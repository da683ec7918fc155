// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

/// What the program relies on from the classifieds site: its domain suffix, the texts of
/// its results and posting pages and the shape of its flag link. Everything that reads
/// or builds the site's pages takes these from here. Any thread.
namespace SiteInterface {

/// First occurrence: postings follow; second occurrence: the postings end.
inline constexpr std::string_view DisplayingMarker = "Displaying: ";
/// A results page without postings.
inline constexpr std::string_view NothingFoundMarker = "Nothing found for that search ( All words must match ).";
/// End of the local postings when the page has no second DisplayingMarker.
inline constexpr std::string_view FewLocalMarker = "Few <b>LOCAL</b> results found.";
/// Found only on a first results page.
inline constexpr std::string_view FirstPageMarker = "Displaying: 1 -";

/// What relative posting links of a page fetched from pageLink are appended to: the
/// page link up to its first "." followed by the domain suffix ("http://miami" +
/// ".craigslist.org").
std::string LinkPrefix(std::string_view pageLink, std::string_view domain);
/// True when link starts with "http://" or "https://" (any letter case).
bool IsAbsoluteLink(std::string_view link);
/// The posting link as the program keeps it: an absolute link as it stands, otherwise
/// prefix (see LinkPrefix) followed by link. Run and new-results check both use it, so
/// that a marker made by one compares equal with the link seen by the other.
void AbsolutePostingLinkInto(std::string_view link, std::string_view prefix, std::string& out);
std::string AbsolutePostingLink(std::string_view link, std::string_view prefix);

/// A posting page that the site shows for a posting that is gone (deleted, flagged away,
/// expired or missing).
bool IsRemovedPostingPage(std::string_view page);

/// The flag address for one posting: the link before the domain suffix (or up to its
/// first "." when the suffix does not occur), the suffix, "/flag/?flagCode=", code and
/// "&postingID=" with the posting number (the link's last "/" part before its first ".").
std::string FlagLink(std::string_view postingLink, int code, std::string_view domain);

} // namespace SiteInterface
