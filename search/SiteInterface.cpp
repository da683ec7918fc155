// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/SiteInterface.h"

#include "core/TextHelpers.h"

namespace SiteInterface {

std::string LinkPrefix(std::string_view pageLink, std::string_view domain) {
    return TokenFromLeft(pageLink, 1, '.', 1) + std::string(domain);
}

bool IsAbsoluteLink(std::string_view link) {
    auto startsWithNoCase = [link](std::string_view prefix) {
        if (link.size() < prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i)
            if ((link[i] | 0x20) != prefix[i])
                return false;
        return true;
    };
    return startsWithNoCase("http://") || startsWithNoCase("https://");
}

void AbsolutePostingLinkInto(std::string_view link, std::string_view prefix, std::string& out) {
    if (IsAbsoluteLink(link))
        out.assign(link);
    else
        out.assign(prefix).append(link);
}

std::string AbsolutePostingLink(std::string_view link, std::string_view prefix) {
    std::string out;
    AbsolutePostingLinkInto(link, prefix, out);
    return out;
}

bool IsRemovedPostingPage(std::string_view page) {
    auto has = [&](std::string_view text) { return page.find(text) != std::string_view::npos; };
    return has("deleted by its author") || (has("This posting has been") && has("for removal")) ||
           has("posting has expired") || has("404 Error");
}

std::string FlagLink(std::string_view postingLink, int code, std::string_view domain) {
    std::size_t hostEnd = domain.empty() ? std::string_view::npos : postingLink.find(domain);
    if (hostEnd == std::string_view::npos)
        hostEnd = postingLink.find('.');
    const std::string_view host = postingLink.substr(0, hostEnd);
    std::string_view last = postingLink;
    if (const std::size_t slash = last.rfind('/'); slash != std::string_view::npos)
        last = last.substr(slash + 1);
    const std::string_view postingId = last.substr(0, last.find('.'));
    return std::string(host) + std::string(domain) + "/flag/?flagCode=" + std::to_string(code) +
           "&postingID=" + std::string(postingId);
}

} // namespace SiteInterface
