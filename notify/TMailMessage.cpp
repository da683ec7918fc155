// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/TMailMessage.h"

#include <algorithm>
#include <cstdlib>

#include <QByteArray>
#include <QLocale>
#include <QUuid>

namespace {

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

/// A header value never carries a line break: one would let a name or subject add headers.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

/// An RFC 2047 encoded word (base64, UTF-8) for non-ASCII header text.
std::string HeaderText(const std::string& text) {
    const std::string line = OneLine(text);
    if (IsAscii(line))
        return line;
    return "=?UTF-8?B?" + QByteArray::fromStdString(line).toBase64().toStdString() + "?=";
}

std::string QuotedName(const std::string& name) {
    const std::string encoded = HeaderText(name);
    if (encoded.rfind("=?", 0) == 0)
        return encoded;
    std::string quoted = "\"";
    for (char c : encoded) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

/// Body lines with CR LF ends; a line starting with "." needs no care here because the
/// SMTP client does the dot-stuffing.
std::string CrLfLines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n' || text[i] == '\r')
            out += "\r\n";
        else
            out += text[i];
    }
    return out;
}

std::string Base64Lines(const std::string& text) {
    const QByteArray encoded = QByteArray::fromStdString(text).toBase64();
    std::string out;
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76).toStdString() + "\r\n";
    return out;
}

/// "Wed, 09 Dec 2026 22:58:14 +0100": English names and a numeric zone, whatever the locale.
std::string RfcDate(const QDateTime& date) {
    const int offset = date.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(QLatin1Char(offset < 0 ? '-' : '+'))
                             .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
    return (QLocale::c().toString(date, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")) + zone).toStdString();
}

} // namespace

std::string TMailMessage::Compose() const {
    const std::string domain = SenderAddress.substr(SenderAddress.find('@') + 1);
    std::string out;
    out += "Date: " + RfcDate(Date) + "\r\n";
    out += "From: " + QuotedName(SenderName) + " <" + OneLine(SenderAddress) + ">\r\n";
    out += "To: <" + OneLine(Recipient) + ">\r\n";
    out += "Subject: " + HeaderText(Subject) + "\r\n";
    out += "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString() + "@" + domain + ">\r\n";
    out += "MIME-Version: 1.0\r\n";
    out += "Content-Type: text/plain; charset=UTF-8\r\n";
    if (IsAscii(Body))
        out += "Content-Transfer-Encoding: 7bit\r\n\r\n" + CrLfLines(Body) + "\r\n";
    else
        out += "Content-Transfer-Encoding: base64\r\n\r\n" + Base64Lines(CrLfLines(Body));
    return out;
}

TMailMessage LoginKeyMail(const std::string& sender, const std::string& recipient, const std::string& name,
                          const std::string& key) {
    TMailMessage mail;
    mail.SenderName = "Trawlix";
    mail.SenderAddress = sender;
    mail.Recipient = recipient;
    mail.Subject = "Login key for TrawlixFree";
    mail.Body = "Here is your login key dear " + name +
                ". Keep this e-mail and use the key for loging in TrawlixFree.\n"
                "TrawlixFree login key: " +
                key + "\nThanks, Trawlix Team.";
    return mail;
}
