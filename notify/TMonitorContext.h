// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "search/TBrowser.h"

class TGsmNetwork;
class TSearch;
class TUser;
struct TMailMessage;

using TSearchItems = std::vector<std::unique_ptr<TSearch>>;
using TGsmNetworkList = std::vector<std::unique_ptr<TGsmNetwork>>;

/// What the new-results check takes from the program around it. The session fills one in
/// for the windows and the command-line tool alike; tests fill in their own.
/// User-interface thread.
struct TMonitorContext {
    /// The program's status line (not owned): a pass shows its status there, and ends when
    /// another operation takes the line over. Null: no pass can run.
    std::string* Status = nullptr;
    /// The searches to walk, as they are at each step; null while there are none.
    std::function<TSearchItems*()> Searches;
    /// The signed-in account, null when nobody is signed in.
    std::function<TUser*()> User;
    /// The carrier networks an account may refer to.
    std::function<const TGsmNetworkList*()> Networks;
    /// Hands a notification mail on to be sent with the sender's login; returns at once.
    std::function<void(std::unique_ptr<TMailMessage>)> SendMail;
    /// Told when a check marks a search, with the topmost posting's title (empty when the
    /// page does not show it) and link; for a notice on the desktop. Unset: nobody is told.
    std::function<void(TSearch&, const std::string& title, const std::string& link)> SearchMarked;
    /// The address notifications come from.
    std::string MailSender;
    /// The site's domain suffix, for relative links on the pages examined.
    std::string SiteDomain = ".craigslist.org";
    /// How the pages are fetched.
    TFetchOptions Fetch;
};
