// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSimPages.h"

#include <algorithm>
#include <array>
#include <ctime>

namespace {

std::string Head(const std::string& title) {
    return "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>\n<title>" + title +
           "</title>\n<link rel=\"stylesheet\" title=\"craigslist\" "
           "href=\"http://www.craigslist.org/styles/craigslist.css\" type=\"text/css\" media=\"all\">\n</head>\n";
}

const std::string Footer = "<div id=\"footer\">\n\t<hr>\n\t<span id=\"copy\">\n\t\tCopyright &copy; 2009 craigslist, "
                           "inc.<br>\n\t\t<a href=\"#top\">Back to top of page</a>\n\t</span>\n</div>\n";

const std::string ClosingFooter =
    "<hr>\n<ul class=\"clfooter\">\n\t<li>Copyright &copy; 2009 craigslist, inc.</li>\n\t<li><a "
    "href=\"http://www.craigslist.org/about/terms.of.use.html\">terms of use</a></li>\n\t<li><a "
    "href=\"http://www.craigslist.org/about/privacy_policy\">privacy policy</a></li>\n</ul>\n</body>\n</html>\n";

std::tm UtcTime(long long time) {
    const std::time_t value = static_cast<std::time_t>(time);
    std::tm parts{};
    gmtime_r(&value, &parts);
    return parts;
}

std::string SearchPath(const TSimResultsPage& page) {
    std::string path = "/search/" + page.Category->Code;
    if (!page.Search->SubArea.empty())
        path += "/" + page.Search->SubArea;
    return path;
}

/// The link of another page of the same search ("&amp;" as in the site's markup).
std::string PageLink(const TSimResultsPage& page, size_t offset) {
    const TSimSearch& search = *page.Search;
    std::string link = SearchPath(page) + "?query=" + TSimPages::Escape(search.Query);
    if (search.TitlesOnly)
        link += "&amp;srchType=T";
    if (search.HasPic)
        link += "&amp;hasPic=1";
    if (!search.Neighborhood.empty())
        link += "&amp;neighborhood=" + TSimPages::Escape(search.Neighborhood);
    return link + "&amp;s=" + std::to_string(offset);
}

std::string SearchForm(const TSimResultsPage& page) {
    const TSimSearch& search = *page.Search;
    std::string form = "<blockquote>\n<form action=\"" + SearchPath(page) +
                       "\" method=\"get\">\n\t<table width=\"95%\" cellpadding=\"2\" summary=\"\">\n\t\t<tr>\n"
                       "\t\t\t<td align=\"right\" width=\"1\">search for:</td>\n\t\t\t<td width=\"30%\"><input "
                       "id=\"query\" name=\"query\" size=\"30\" value=\"" +
                       TSimPages::Escape(search.Query) + "\"> in: <b>" + TSimPages::Escape(page.Category->Name) +
                       "</b>\n\t\t\t\t<input type=\"submit\" value=\"Search\">\n\t\t\t</td><td>\n\t\t\t\t<label><input "
                       "type=\"checkbox\" name=\"srchType\" value=\"T\"" +
                       (search.TitlesOnly ? " checked" : "") +
                       "> only search titles</label>\n\t\t\t</td>\n\t\t</tr>\n\t\t<tr>\n\t\t\t<td align=\"right\" "
                       "width=\"1\">price:</td>\n\t\t\t<td><input name=\"minAsk\" size=\"6\">&nbsp;<input "
                       "name=\"maxAsk\" size=\"6\"></td>\n\t\t\t<td align=\"left\"><label><input type=\"checkbox\" "
                       "name=\"hasPic\" value=\"1\"" +
                       (search.HasPic ? " checked" : "") +
                       "> has image</label></td>\n\t\t</tr></table></form></blockquote>\n\n";
    return form;
}

std::string Top(const TSimResultsPage& page) {
    std::string top = Head(TSimPages::Escape(page.Site->Name) + " " + TSimPages::Escape(page.Category->Name) +
                           " classifieds - craigslist");
    top += "<body class=\"toc\">\n\n<a name=\"top\"></a>\n\n<div class=\"bchead\">\n\t\t\t\t<a href=\"/\"> " +
           TSimPages::Escape(page.Site->Name) + " craigslist</a>  &gt; <a href=\"/" + page.Category->Code + "/\">" +
           TSimPages::Escape(page.Category->Name) + "</a>\n</div>\n\n";
    return top + SearchForm(page);
}

std::string Counter(const TSimResultsPage& page, size_t first, size_t last) {
    const size_t total = page.Postings.size();
    std::string prev = "&nbsp;";
    std::string next = "&nbsp;";
    if (page.Offset > 0)
        prev = "<a href=\"" +
               PageLink(page, page.Offset >= TSimPages::PageSize ? page.Offset - TSimPages::PageSize : 0) +
               "\"><b>&lt;&lt; Prev</b></a>\n";
    if (last < total)
        next = "<a href=\"" + PageLink(page, last) + "\"><b>Next&gt;&gt;</b></a>\n";
    return "\n\t\t\t\t\t\t<div class=\"sh\" style=\"text-align: center;\">\n\t\t\t\t\t\t<span style=\"float: "
           "left;\">" +
           prev + "</span>\n\t\t\t\t\t\t<span style=\"float: right;\">" + next +
           "</span>\n\t\t\t\t\t\t\t<b>Found: " + std::to_string(total) + " Displaying: " + std::to_string(first) +
           " - " + std::to_string(last) + "</b>\n\t\t\t\t\t\t</div>\n\n";
}

/// One posting line, in one of the layouts the site used.
std::string Block(const TSimPosting& posting, const std::string& link, const TSimCategory* tail) {
    std::string block = "<p> " + TSimPages::ListDate(posting.Time) + " - <a href=\"" + link + "\">";
    const std::string title = TSimPages::Escape(posting.Title);
    const std::string place =
        posting.Place.empty() ? "" : "<font size=\"-1\"> (" + TSimPages::Escape(posting.Place) + ")</font>";
    // The 2010 layout puts the dash after the link; 2009 inside it.
    if (posting.Id % 3 == 0)
        block += title + "</a> - " + place;
    else
        block += title + " -</a>" + place;
    if (posting.HasPic())
        block += " <span class=\"p\"> " + posting.ImageMarker + "</span>";
    if (tail)
        block += " &lt;&lt;<i><a href=\"/" + tail->Code + "/\">" + TSimPages::Escape(tail->Name) + "</a></i>";
    return block + "</p>";
}

} // namespace

std::string TSimPages::Escape(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string TSimPages::ListDate(long long time) {
    static const std::array<const char*, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::tm parts = UtcTime(time);
    const std::string day = std::to_string(parts.tm_mday);
    return std::string(months[static_cast<size_t>(parts.tm_mon)]) + (day.size() < 2 ? "  " : " ") + day;
}

std::string TSimPages::Results(const TSimResultsPage& page, const TSimCatalog& catalog) {
    const size_t first = page.Offset;
    const size_t last = std::min(page.Postings.size(), first + PageSize);
    const bool mainCategory = page.Category->Parent.empty();
    std::string html = Top(page);
    html += "<blockquote>\n";
    html += Counter(page, first + 1, last);
    html += "<!-- sim -->\n\n";
    for (size_t i = first; i < last; ++i) {
        const TSimPosting& posting = *page.Postings[i];
        html +=
            Block(posting, TSimCatalog::Link(posting), mainCategory ? catalog.FindCategory(posting.Category) : nullptr);
    }
    html += "<br>\n";
    if (!page.Nearby.empty()) {
        // Few local matches: the site fills the page from a nearby site, without a second counter.
        html += "\n<h4 class=\"ban\">Few <b>LOCAL</b> results found. Here are some from nearby areas...</h4>\n";
        for (const TSimPosting* posting : page.Nearby)
            html += Block(*posting, "http://" + page.NearbyHost + TSimCatalog::Link(*posting), nullptr);
        html += "<br>\n";
    } else {
        html += Counter(page, first + 1, last);
    }
    return html + "\n" + Footer + "</blockquote>\n</body>\n</html>\n";
}

std::string TSimPages::NothingFound(const TSimResultsPage& page) {
    return Top(page) +
           "<blockquote>\n<table width=\"95%\" summary=\"\">\n\t<tr>\n\t\t<td valign=\"top\" id=\"messages\">"
           "<b>Nothing found for that search ( All words must match ).</b></td>\n\t</tr>\n</table>\n\n" +
           Footer + "</blockquote>\n</body>\n</html>\n";
}

std::string TSimPages::Posting(const TSimPosting& posting, const TSimSite& site, const TSimCatalog& catalog) {
    const std::string id = std::to_string(posting.Id);
    const TSimCategory* category = catalog.FindCategory(posting.Category);
    std::string heading = Escape(posting.Title);
    if (posting.Price >= 0 && posting.Title.find('$') == std::string::npos)
        heading += " - $" + std::to_string(static_cast<long long>(posting.Price));
    if (!posting.Place.empty())
        heading += " (" + Escape(posting.Place) + ")";
    char date[64];
    const std::tm parts = UtcTime(posting.Time);
    std::strftime(date, sizeof date, "%Y-%m-%d, %I:%M%p UTC", &parts);

    std::string html = Head(Escape(posting.Title));
    html += " <body onload=\"initFlag(" + id +
            ")\" class=\"posting\">\n\n<div class=\"bchead\">\n<a id=\"ef\" "
            "href=\"/email.friend?postingID=" +
            id + "\">email this posting to a friend</a>\n<a href=\"/\">" + Escape(site.Name) +
            " craigslist</a>\n        &gt; <a href=\"/" + posting.Category + "/\">" +
            Escape(category ? category->Name : posting.Category) + "</a>\n</div>\n\n";
    html +=
        "\t<div id=\"flags\">\n\t\t<div id=\"flagMsg\">please flag with care:</div>\n\t\t<div id=\"flagChooser\">\n";
    static const std::array<std::pair<const char*, const char*>, 4> flags = {
        {{"16", "miscategorized"}, {"28", "prohibited"}, {"15", "spam/overpost"}, {"9", "best of craigslist"}}};
    for (const auto& [code, name] : flags)
        html += std::string("\t\t\t<br>\n\t\t\t<a class=\"fl\" id=\"flag") + code +
                "\" href=\"/flag/?flagCode=" + code + "&amp;postingID=" + id + "\">\n\t\t\t\t" + name + "</a>\n";
    html += "\t\t</div>\n\t</div>\n\n<h2>" + heading + "</h2>\n<hr>\nDate: " + date +
            "<br>\n<br>\n<br>\n<div id=\"userbody\">\n" + Escape(posting.Body) + "\n\n<br><br><ul>\n";
    if (!posting.Place.empty())
        html += "<li> Location: " + Escape(posting.Place) + "\n";
    html += "<li>it's NOT ok to contact this poster with services or other commercial interests</ul>\n";
    if (posting.HasPic())
        html += "\t\t<table summary=\"craigslist hosted images\">\n\t\t\t<tr><td align=\"center\"></td></tr>\n"
                "\t\t</table>\n";
    return html + "</div>\nPostingID: " + id + "<br>\n\n\n<br>\n\n" + ClosingFooter;
}

std::string TSimPages::Removed(const TSimPosting& posting, const TSimSite& site) {
    if (posting.Removal == TRemoval::NotFound)
        return NotFound();
    std::string message;
    switch (posting.Removal) {
    case TRemoval::Deleted:
        message = "<h2>This posting has been deleted by its author.</h2>\n<h5>(The title on the listings page will "
                  "be removed in just a few minutes.)</h5>\n";
        break;
    case TRemoval::Flagged:
        message = "<h2>This posting has been <a "
                  "href=\"http://www.craigslist.org/about/help/flags_and_community_moderation\">flagged</a> for "
                  "removal</h2>\n<h5>(The title on the listings page will be removed in just a few minutes.)</h5>\n";
        break;
    default:
        message = "<h2>This posting has expired.</h2>\n<h5>(The title on the listings page will be removed in just "
                  "a few minutes.)</h5>\n";
        break;
    }
    return Head("") + " <body class=\"posting\" onload=\"initFlag(" + std::to_string(posting.Id) +
           ")\">\n<div class=\"bchead\">\n<a href=\"/\">" + Escape(site.Name) +
           " craigslist</a>\n</div>\n<hr>\n<br>\n<br>\n" + message + "<br><br>\n" + ClosingFooter;
}

std::string TSimPages::NotFound() {
    return Head("craigslist | Page Not Found") +
           "<body>\n<blockquote>\n<h2>404 Error</h2>\n<p>We could not find the page you requested.</p>\n"
           "</blockquote>\n</body>\n</html>\n";
}

std::string TSimPages::SiteFront(const TSimSite& site, const TSimCatalog& catalog) {
    std::string html = Head("craigslist: " + Escape(site.Name) + " classifieds") + "<body class=\"homepage\">\n<h1>" +
                       Escape(site.Name) + " craigslist</h1>\n";
    if (!site.SubAreas.empty()) {
        html += "<div id=\"satabs\">";
        for (const TSimSubArea& area : site.SubAreas)
            html += " <a href=\"/" + area.Code + "/\">" + Escape(area.Name) + "</a>";
        html += "</div>\n";
    }
    html += "<ul>\n";
    for (const TSimCategory& category : catalog.Categories())
        html += "<li><a href=\"/" + category.Code + "/\">" + Escape(category.Name) + "</a></li>\n";
    return html + "</ul>\n</body>\n</html>\n";
}

std::string TSimPages::FlagDone(const std::string& postingId) {
    return Head("flag") + "<body>\n<blockquote>\n<h4>Thanks for flagging posting " + Escape(postingId) +
           ".</h4>\n</blockquote>\n</body>\n</html>\n";
}

std::string TSimPages::Banner() {
    return Head("Trawlix") + "<body style=\"margin:0\">\n<div id=\"banner\"><b>Trawlix</b> - search every "
                             "classifieds site at once.</div>\n</body>\n</html>\n";
}

std::string TSimPages::Help() {
    return Head("How Trawlix works") +
           "<body>\n<h1>How it works</h1>\n<p>Choose keywords, a category and the places to search, then start "
           "the search. New results are checked in the background.</p>\n</body>\n</html>\n";
}

std::string TSimPages::MakerHome() {
    return Head("Corvane") + "<body>\n<h1>Corvane</h1>\n<p><a href=\"/trawlix/\">Trawlix</a></p>\n</body>\n</html>\n";
}
