// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/SiteInterface.h"

#include "core/TConfig.h"
#include "core/TSession.h"

namespace SiteInterface {

std::string Domain() {
    if (Session)
        return Session->Config.SiteDomain;
    return TConfig{}.SiteDomain;
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
