// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <httplib.h>

#include "TSiteSimulator.h"

/// A proxy to the site simulator that answers every page of the failing hosts with an
/// error status and an error page that reads like results.
class TFailingProxy final {
public:
    TFailingProxy(TSiteSimulator& simulator, std::string failingHost) : m_failingHost(std::move(failingHost)) {
        m_server.Get(".*", [this, &simulator](const httplib::Request& request, httplib::Response& response) {
            const std::string host = request.get_header_value("Host");
            if (m_failing.load() && host == m_failingHost) {
                response.status = m_status.load();
                response.set_content("<html>Displaying: 1 <p> Mar 5 - <a href=\"/a/1.html\">server trouble</a></p> "
                                     "Displaying: </html>",
                                     "text/html");
                return;
            }
            const TSimResponse answer =
                simulator.Handle(host, request.path, TSimParams(request.params.begin(), request.params.end()));
            response.status = answer.Status;
            response.set_content(answer.Body, "text/html");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TFailingProxy() {
        m_server.stop();
        m_thread.join();
    }
    std::string Proxy() const { return "127.0.0.1:" + std::to_string(m_port); }
    /// While not failing (at first), every request passes through to the simulator.
    void SetFailing(bool failing) { m_failing.store(failing); }
    /// The error status the failing host answers with (500 at first).
    void SetFailureStatus(int status) { m_status.store(status); }

private:
    const std::string m_failingHost;
    std::atomic<bool> m_failing{false};
    std::atomic<int> m_status{500};
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};
