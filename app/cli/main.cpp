// SPDX-License-Identifier: GPL-3.0-or-later
// trawlix-cli: the searches of Trawlix without the windows, on the same data folder,
// configuration and files as the desktop program.
#include <cstdlib>
#include <iostream>
#include <map>

#include <QCoreApplication>

#include "CliCommands.h"
#include "core/TConfig.h"

namespace {

const char* const Usage = R"(usage: trawlix-cli [--data DIR] [--proxy URL] [--pause MS] COMMAND [OPTIONS]

Global options:
  --data DIR     the data folder (default: $TRAWLIX_DATA_DIR or ~/.local/share/Trawlix)
  --proxy URL    the HTTP proxy through which the site is reached (default: the system's)
  --pause MS     pause per posting while parsing results, 0 to 10000 milliseconds (default 100)

Commands:
  places       list the locations (id, level, full name, link, latitude, longitude)
  categories   list the categories
  run          run a search and print each result as it arrives
  searches     list the saved searches of the data folder
  check        look for new results of the saved searches once
  export       print the results of a saved search as CSV or JSON
  issue-key    have the account database issue a login key for an address

"trawlix-cli COMMAND --help" describes a command.
)";

/// Moves the global options into the environment the session reads; returns the index of
/// the command, or -1 after printing an error.
int ApplyGlobalOptions(const QStringList& arguments) {
    static const std::map<QString, const char*> variables{{QStringLiteral("--data"), "TRAWLIX_DATA_DIR"},
                                                          {QStringLiteral("--proxy"), "TRAWLIX_HTTP_PROXY"},
                                                          {QStringLiteral("--pause"), "TRAWLIX_PARSER_PAUSE_MS"}};
    int i = 1;
    for (; i < arguments.size() && arguments[i].startsWith(QLatin1String("--")); ++i) {
        auto variable = variables.find(arguments[i]);
        if (variable == variables.end() || i + 1 >= arguments.size()) {
            std::cerr << "trawlix-cli: " << (variable == variables.end() ? "unknown option " : "missing value for ")
                      << arguments[i].toStdString() << "\n"
                      << Usage;
            return -1;
        }
        if (variable->first == QLatin1String("--pause")) {
            bool ok = false;
            const int pause = arguments[i + 1].toInt(&ok);
            if (!ok || pause < 0 || pause > TConfig::MaxParserPauseMs) {
                std::cerr << "trawlix-cli: --pause takes a whole number of milliseconds from 0 to "
                          << TConfig::MaxParserPauseMs << "\n";
                return -1;
            }
        }
        setenv(variable->second, arguments[i + 1].toLocal8Bit().constData(), 1);
        ++i;
    }
    return i;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trawlix-cli"));
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 2 && (arguments[1] == QLatin1String("--help") || arguments[1] == QLatin1String("-h"))) {
        std::cout << Usage;
        return CliOk;
    }
    const int command = ApplyGlobalOptions(arguments);
    if (command < 0)
        return CliUsage;
    if (command >= arguments.size()) {
        std::cerr << Usage;
        return CliUsage;
    }
    static const std::map<QString, int (*)(const QStringList&)> commands{
        {QStringLiteral("places"), CmdPlaces},     {QStringLiteral("categories"), CmdCategories},
        {QStringLiteral("run"), CmdRun},           {QStringLiteral("searches"), CmdSearches},
        {QStringLiteral("check"), CmdCheck},       {QStringLiteral("export"), CmdExport},
        {QStringLiteral("issue-key"), CmdIssueKey}};
    auto handler = commands.find(arguments[command]);
    if (handler == commands.end()) {
        std::cerr << "trawlix-cli: unknown command " << arguments[command].toStdString() << "\n" << Usage;
        return CliUsage;
    }
    return handler->second(arguments.mid(command));
}
