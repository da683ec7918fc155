// SPDX-License-Identifier: GPL-3.0-or-later
// trawlix-sitesim: serves the simulated classifieds site on 127.0.0.1 until SIGTERM or SIGINT.
#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include <chrono>
#include <thread>

#include "TSiteSimulator.h"

namespace {

volatile std::sig_atomic_t s_stop = 0;

void RequestStop(int) {
    s_stop = 1;
}

int Usage() {
    std::cerr << "usage: trawlix-sitesim --port N [--seed S] [--refdata DIR] [--now EPOCH-SECONDS]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TSiteSimulatorOptions options;
    int port = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (i + 1 >= argc)
            return Usage();
        const std::string value = argv[++i];
        char* end = nullptr;
        if (argument == "--port") {
            port = static_cast<int>(std::strtol(value.c_str(), &end, 10));
        } else if (argument == "--seed") {
            options.Seed = std::strtoull(value.c_str(), &end, 10);
        } else if (argument == "--now") {
            options.Now = std::strtoll(value.c_str(), &end, 10);
        } else if (argument == "--refdata") {
            options.RefDataFolder = value;
            continue;
        } else {
            return Usage();
        }
        if (!end || *end != '\0')
            return Usage();
    }
    if (port < 0 || port > 65535)
        return Usage();

    // Whichever thread takes the signal, the handler only sets the flag the main loop polls.
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    try {
        TSiteSimulator simulator(options);
        if (!simulator.Start(port)) {
            std::cerr << "trawlix-sitesim: cannot listen on 127.0.0.1:" << port << "\n";
            return 1;
        }
        std::cout << "listening on 127.0.0.1:" << simulator.Port() << std::endl;
        while (!s_stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        simulator.Stop();
    } catch (const std::exception& error) {
        std::cerr << "trawlix-sitesim: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
