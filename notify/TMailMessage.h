// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QDateTime>

/// One notification mail: one recipient, a subject and a plain-text body, from the
/// program's notification sender. Composed on the user-interface thread, then owned by
/// the mail thread that delivers it.
struct TMailMessage {
    QDateTime Date = QDateTime::currentDateTime();
    std::string SenderName = "Trawlix";
    std::string SenderAddress;
    std::string Recipient;
    std::string Subject;
    std::string Body;

    /// The message as sent: RFC 5322 headers (non-ASCII subject and names encoded per
    /// RFC 2047), a UTF-8 body in base64 when it is not ASCII, CR LF line ends.
    std::string Compose() const;
};

/// The mail that brings a newly issued login key to the address it was issued for.
TMailMessage LoginKeyMail(const std::string& sender, const std::string& recipient, const std::string& name,
                          const std::string& key);
