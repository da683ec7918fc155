// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/TSendMailThread.h"

#include <cstring>

#include <curl/curl.h>

#include "core/Log.h"
#include "core/TBackgroundWork.h"

namespace {

/// What the transfer needs while it runs.
struct Transfer {
    std::string Text;
    std::size_t Sent = 0;
    bool LoggedIn = false;
};

/// Sees the server's replies; "235" is the answer to an accepted login.
int OnDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    if (type == CURLINFO_HEADER_IN && size >= 3 && std::strncmp(data, "235", 3) == 0)
        static_cast<Transfer*>(user)->LoggedIn = true;
    return 0;
}

/// Feeds the message; a server that never asked for the login gets nothing.
std::size_t OnRead(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    if (!transfer->LoggedIn)
        return CURL_READFUNC_ABORT;
    const std::size_t length = std::min(size * count, transfer->Text.size() - transfer->Sent);
    std::memcpy(buffer, transfer->Text.data() + transfer->Sent, length);
    transfer->Sent += length;
    return length;
}

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

/// A composed message with its envelope, ready to go out on any thread.
struct Envelope {
    std::string Text;
    std::string Sender;
    std::string Recipient;
};

Envelope Seal(const TMailMessage& message) {
    return {message.Compose(), "<" + message.SenderAddress + ">", "<" + message.Recipient + ">"};
}

bool Submit(const Envelope& envelope, const TSmtpAccount& account) {
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return false;
    Transfer transfer{envelope.Text};
    std::unique_ptr<curl_slist, SlistDeleter> recipients(curl_slist_append(nullptr, envelope.Recipient.c_str()));
    const std::string url = "smtp://" + account.Host + ":" + std::to_string(account.Port);
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_USERNAME, account.UserName.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, account.Password.c_str());
    curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, envelope.Sender.c_str());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, OnRead);
    curl_easy_setopt(c, CURLOPT_READDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, OnDebug);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L); // the debug function needs it; it prints nothing itself
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(account.Timeout.count()));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    const CURLcode result = curl_easy_perform(c);
    if (result == CURLE_OK && transfer.LoggedIn)
        return true;
    // Nobody waits for the answer: the log is where a mail that did not go out shows.
    WriteLog("Mail to " + envelope.Recipient + " not sent: " +
             (result == CURLE_OK ? std::string("the server did not accept the login") : curl_easy_strerror(result)));
    return false;
}

} // namespace

bool TSendMailThread::Deliver(const TMailMessage& message, const TSmtpAccount& account) {
    return Submit(Seal(message), account);
}

void TSendMailThread::Start(std::unique_ptr<TMailMessage> message, TSmtpAccount account) {
    // Composed here: the date and time zone work stays off the mail thread. The job owns
    // what it sends, so quitting may leave it to end with the process.
    TBackgroundWork::Start(
        [envelope = Seal(*message), account = std::move(account)](std::stop_token) { Submit(envelope, account); });
}
