// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "notify/TMailMessage.h"

/// Where and how a mail is submitted.
struct TSmtpAccount {
    std::string Host;
    int Port = 26;
    std::string UserName;
    std::string Password;
    /// Longest time for the whole submission, so a silent server cannot hold a thread.
    std::chrono::seconds Timeout{60};
};

/// Delivers one mail over SMTP with AUTH LOGIN as a background job (core/TBackgroundWork.h),
/// which owns the message and ends by itself. Failures are dropped: nobody is told. A
/// message goes out only after the server accepted the login.
class TSendMailThread final {
public:
    /// Starts the delivery and returns at once.
    static void Start(std::unique_ptr<TMailMessage> message, TSmtpAccount account);
    /// Delivers on the calling thread; true when the server accepted the message.
    static bool Deliver(const TMailMessage& message, const TSmtpAccount& account);
};
