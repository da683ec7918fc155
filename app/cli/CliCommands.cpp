// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"

#include <unistd.h>

#include <cmath>
#include <iostream>
#include <unordered_set>

#include <QCommandLineParser>
#include <QEventLoop>
#include <QTimer>

#include "CliLookup.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "account/Credentials.h"
#include "core/TBackgroundWork.h"
#include "core/TextHelpers.h"
#include "notify/TNewResultsMonitor.h"
#include "notify/TSearchMonitor.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/IResultsView.h"
#include "search/TCategoryGroup.h"
#include "search/TEntryExport.h"
#include "search/TSearchRun.h"
#include "store/TSearches.h"

namespace {

/// Parses a command's options; false with status set when the command should end now
/// (help shown, or bad arguments).
bool Parse(QCommandLineParser& parser, const QStringList& arguments, const char* description, int& status) {
    parser.setApplicationDescription(QString::fromUtf8(description));
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(arguments)) {
        std::cerr << "trawlix-cli " << arguments.front().toStdString() << ": " << parser.errorText().toStdString()
                  << "\n";
        status = CliUsage;
        return false;
    }
    if (parser.isSet(help)) {
        std::cout << parser.helpText().toStdString();
        status = CliOk;
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::cerr << "trawlix-cli " << arguments.front().toStdString() << ": unexpected argument "
                  << parser.positionalArguments().front().toStdString() << "\n";
        status = CliUsage;
        return false;
    }
    return true;
}

/// Runs a command body, turning its errors into a message and an exit status.
template <typename Body> int Guarded(const QStringList& arguments, Body body) {
    try {
        return body();
    } catch (const TCliError& error) {
        std::cerr << "trawlix-cli " << arguments.front().toStdString() << ": " << error.what() << "\n";
        return CliUsage;
    } catch (const std::exception& error) {
        std::cerr << "trawlix-cli " << arguments.front().toStdString() << ": " << error.what() << "\n";
        return CliFailed;
    }
}

/// Prints the tree depth first with an explicit stack. A record met again (a parent loop, or
/// one record under two parents) and the levels below MaxTreeDepth are left out with a
/// message: a damaged table must neither overflow the stack nor print without end.
void PrintTree(const TPlaceList& roots, bool categories, const std::string& command) {
    constexpr std::size_t MaxTreeDepth = 32;
    struct TLevel {
        const TPlaceList* Records;
        std::size_t Next;
    };
    std::unordered_set<const TPlace*> seen;
    std::vector<TLevel> path{{&roots, 0}};
    bool tooDeepReported = false;
    while (!path.empty()) {
        TLevel& level = path.back();
        if (level.Next == level.Records->size()) {
            path.pop_back();
            continue;
        }
        const TPlace* record = (*level.Records)[level.Next++];
        if (!seen.insert(record).second) {
            std::cerr << "trawlix-cli " << command << ": record " << record->Id
                      << " appears again in the tree (its parent ids form a loop, or several records share an "
                         "id); shown once\n";
            continue;
        }
        const std::size_t depth = path.size() - 1;
        std::cout << std::string(depth * 2, ' ') << record->Id << '\t' << record->Name;
        if (categories)
            std::cout << '\t' << record->Link;
        std::cout << '\n';
        if (record->Children.empty())
            continue;
        if (path.size() < MaxTreeDepth)
            path.push_back({&record->Children, 0});
        else if (!tooDeepReported) {
            std::cerr << "trawlix-cli " << command << ": the tree is deeper than " << MaxTreeDepth
                      << " levels; the records below are not shown\n";
            tooDeepReported = true;
        }
    }
}

void PrintTable(const TPlaceList& records, bool categories) {
    for (const TPlace* record : records) {
        std::cout << record->Id << '\t' << record->Level << '\t' << record->FullName() << '\t' << record->Link;
        if (!categories)
            std::cout << '\t' << FormatDecimal(record->Latitude) << '\t' << FormatDecimal(record->Longitude);
        std::cout << '\n';
    }
}

int ListTable(const QStringList& arguments, bool categories) {
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("tree"), QStringLiteral("Show the tree in display order.")});
    parser.addOption(
        {QStringLiteral("find"), QStringLiteral("Only records whose name contains TEXT."), QStringLiteral("TEXT")});
    int status = CliOk;
    const char* description = categories ? "The category table: id, level, full name, code."
                                         : "The place table: id, level, full name, link, latitude, longitude.";
    if (!Parse(parser, arguments, description, status))
        return status;
    return Guarded(arguments, [&] {
        const auto session = SignInForCli();
        const TPlaceItems& items = categories ? session->Categories->Items : session->Places->Items;
        const TPlaceList& roots = categories ? session->Categories->Roots : session->Places->Roots;
        if (parser.isSet(QStringLiteral("tree")))
            PrintTree(roots, categories, arguments.front().toStdString());
        else if (parser.isSet(QStringLiteral("find")))
            PrintTable(FindContaining(items, parser.value(QStringLiteral("find")).toStdString()), categories);
        else {
            TPlaceList all;
            for (const auto& item : items)
                all.push_back(item.get());
            PrintTable(all, categories);
        }
        return static_cast<int>(CliOk);
    });
}

} // namespace

int CmdPlaces(const QStringList& arguments) {
    return ListTable(arguments, false);
}

int CmdCategories(const QStringList& arguments) {
    return ListTable(arguments, true);
}

namespace {

/// Prints each accepted entry at once, in the chosen format.
class TPrintingView final : public IResultsView {
public:
    explicit TPrintingView(TEntryFormat format) : m_format(format) {}
    void AddEntryRow(TEntry& entry) override {
        WriteEntry(std::cout, entry, m_format);
        std::cout.flush();
    }

private:
    TEntryFormat m_format;
};

double NumberOption(const QCommandLineParser& parser, const char* name) {
    bool ok = false;
    const QString text = parser.value(QLatin1String(name));
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0)
        throw TCliError(std::string("--") + name + " takes a number of 0 or more, not \"" + text.toStdString() + "\"");
    return value;
}

/// A range whose upper end is set (not 0, which leaves it open) must not lie below its lower end.
template <typename Number> void CheckRange(Number low, Number high) {
    if (high != 0 && low > high)
        throw TCliError("--min " + FormatDecimal(low) + " is above --max " + FormatDecimal(high));
}

int WholeOption(const QCommandLineParser& parser, const char* name, int maximum) {
    bool ok = false;
    const QString text = parser.value(QLatin1String(name));
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > maximum)
        throw TCliError(std::string("--") + name + " takes a whole number from 0 to " + std::to_string(maximum) +
                        ", not \"" + text.toStdString() + "\"");
    return value;
}

void AddRunOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("keywords"), QStringLiteral("Words to search for."), QStringLiteral("TEXT")},
        {QStringLiteral("category"), QStringLiteral("Category or sub-category by name, code or id."),
         QStringLiteral("NAME")},
        {QStringLiteral("location"), QStringLiteral("A location by name, full name or id (repeatable)."),
         QStringLiteral("NAME")},
        {QStringLiteral("distance"), QStringLiteral("Also search every site within MILES."), QStringLiteral("MILES")},
        {QStringLiteral("only-titles"), QStringLiteral("Search posting titles only.")},
        {QStringLiteral("has-image"), QStringLiteral("Only postings with an image.")},
        {QStringLiteral("min"), QStringLiteral("Lowest age, rent or price."), QStringLiteral("N")},
        {QStringLiteral("max"), QStringLiteral("Highest age, rent or price."), QStringLiteral("N")},
        {QStringLiteral("bedrooms"), QStringLiteral("Bedrooms (housing), 0 to 8."), QStringLiteral("N")},
        {QStringLiteral("cats"), QStringLiteral("Cats allowed (housing).")},
        {QStringLiteral("dogs"), QStringLiteral("Dogs allowed (housing).")},
        {QStringLiteral("telecommuting"), QStringLiteral("Telecommuting jobs.")},
        {QStringLiteral("contract"), QStringLiteral("Contract jobs.")},
        {QStringLiteral("internship"), QStringLiteral("Internships.")},
        {QStringLiteral("part-time"), QStringLiteral("Part-time jobs.")},
        {QStringLiteral("non-profit"), QStringLiteral("Non-profit jobs.")},
        {QStringLiteral("saved"), QStringLiteral("Run the saved search with this id instead."), QStringLiteral("ID")},
        {QStringLiteral("save"), QStringLiteral("With --saved: write the results back to the searches file.")},
        {QStringLiteral("json"), QStringLiteral("One JSON object per result instead of tab-separated lines.")},
        {QStringLiteral("links"), QStringLiteral("Print each link fetched to standard error.")},
    });
}

/// "personals, housing and for sale": the groups that keep a range.
std::string GroupsWithRange() {
    std::vector<std::string> names;
    for (const TGroupSlots& group : GroupsWithExtras())
        if (group.HasRange())
            names.emplace_back(group.Name);
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

/// --min or --max as the range field takes it: ages are whole numbers up to 130.
double RangeOption(const QCommandLineParser& parser, const char* name, const TNumberField& field) {
    if (!parser.isSet(QLatin1String(name)))
        return 0;
    return field.IsWhole() ? WholeOption(parser, name, 130) : NumberOption(parser, name);
}

/// The group's extras from --min, --max and the flags; ranges go where the group keeps them.
/// The bedrooms and the flags are set whatever the group: only their own group uses them.
void ApplyExtras(const QCommandLineParser& parser, TSearch& search) {
    const TGroupSlots& slots = SlotsOfGroup(CategoryGroupOf(*search.Category));
    if (slots.HasRange()) {
        const double low = RangeOption(parser, "min", slots.Min);
        const double high = RangeOption(parser, "max", slots.Max);
        slots.Min.Assign(search, low);
        slots.Max.Assign(search, high);
        CheckRange(slots.Min.Value(search), slots.Max.Value(search));
    } else if (parser.isSet(QStringLiteral("min")) || parser.isSet(QStringLiteral("max"))) {
        throw TCliError("--min and --max apply to " + GroupsWithRange() + " only");
    }
    for (const TGroupSlots& group : GroupsWithExtras()) {
        if (group.Baths.Field && parser.isSet(QLatin1String(group.Baths.Name)))
            search.*group.Baths.Field = WholeOption(parser, group.Baths.Name, 8);
        for (const TCheckSlot& check : group.Checks)
            if (check.Field)
                search.*check.Field = parser.isSet(QLatin1String(check.Name));
    }
}

void FillSearch(const QCommandLineParser& parser, const TSession& session, TSearch& search) {
    if (!parser.isSet(QStringLiteral("category")))
        throw TCliError("--category is required");
    const QStringList locations = parser.values(QStringLiteral("location"));
    if (locations.isEmpty())
        throw TCliError("at least one --location is required");
    search.Category = FindCategory(session.Categories->Items, parser.value(QStringLiteral("category")).toStdString());
    TPlaceList chosen;
    for (const QString& location : locations)
        chosen.push_back(const_cast<TPlace*>(FindPlace(session.Places->Items, location.toStdString())));
    search.SetLocations(chosen);
    search.PositiveKeywords = parser.value(QStringLiteral("keywords")).toStdString();
    search.Distance = parser.isSet(QStringLiteral("distance")) ? WholeOption(parser, "distance", 10000) : 0;
    search.OnlyTitles = parser.isSet(QStringLiteral("only-titles"));
    search.HasImage = parser.isSet(QStringLiteral("has-image"));
    ApplyExtras(parser, search);
}

TSearch& SavedSearch(TSearches& searches, const QString& idText) {
    bool ok = false;
    const int id = idText.toInt(&ok);
    for (const auto& search : searches.Items)
        if (ok && search->SearchId == id)
            return *search;
    std::string known;
    for (const auto& search : searches.Items)
        known += " " + std::to_string(search->SearchId);
    throw TCliError("no saved search with id " + idText.toStdString() +
                    (known.empty() ? " (there are no saved searches)" : "; saved ids:" + known));
}

/// Runs the search with the real fetcher and parser threads until it is idle again,
/// reporting progress and links on standard error as asked.
void RunToEnd(TSearch& search, IResultsView& view, bool printLinks) {
    QEventLoop loop;
    TSearchRun& run = search.CurrentRun();
    run.OnIdle = [&loop] { loop.quit(); };
    const bool progress = isatty(STDERR_FILENO) != 0;
    std::size_t linksPrinted = 0;
    auto report = [&] {
        for (; printLinks && linksPrinted < run.FetchedLinks.size(); ++linksPrinted)
            std::cerr << run.FetchedLinks[linksPrinted] << '\n';
        if (progress)
            std::cerr << "\rlocations " << std::min<std::size_t>(run.LocationIndex, run.LocationsToSearch.size())
                      << " of " << run.LocationsToSearch.size() << std::flush;
    };
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &loop, report);
    ticker.start(100);
    search.Run(&view);
    if (!run.Idle)
        loop.exec();
    run.OnIdle = nullptr;
    report();
    if (progress)
        std::cerr << '\n';
}

/// Names each page of the run that could not be fetched on standard error; the exit
/// status: failed when there was one.
int ReportFailedFetches(const TSearch& search) {
    const std::vector<TFailedFetch>& failures = search.CurrentRun().FailedFetches;
    for (const TFailedFetch& failure : failures)
        std::cerr << "trawlix-cli run: " << failure.Location << ": " << failure.Reason << ": " << failure.Link << "\n";
    return failures.empty() ? CliOk : CliFailed;
}

} // namespace

int CmdRun(const QStringList& arguments) {
    QCommandLineParser parser;
    AddRunOptions(parser);
    int status = CliOk;
    if (!Parse(parser, arguments, "Runs a search over all its locations and prints each result as it arrives.", status))
        return status;
    return Guarded(arguments, [&] {
        const auto session = SignInForCli();
        TPrintingView view(parser.isSet(QStringLiteral("json")) ? TEntryFormat::Json : TEntryFormat::Tsv);
        const bool printLinks = parser.isSet(QStringLiteral("links"));
        if (!parser.isSet(QStringLiteral("saved"))) {
            if (parser.isSet(QStringLiteral("save")))
                throw TCliError("--save goes with --saved");
            TSearch search(&session->SearchContext());
            FillSearch(parser, *session, search);
            RunToEnd(search, view, printLinks);
            return ReportFailedFetches(search);
        }
        BindCliAccount(*session, {}, {});
        session->LoadSearches();
        TSearch& search = SavedSearch(*session->Searches, parser.value(QStringLiteral("saved")));
        // As a run started in the window: earlier results go, or stay without their new mark.
        search.ResetResults(!search.KeepOldResults);
        RunToEnd(search, view, printLinks);
        // What the other locations found is saved even when some failed.
        if (parser.isSet(QStringLiteral("save")))
            session->Searches->Save(search, true, false);
        return ReportFailedFetches(search);
    });
}

int CmdSearches(const QStringList& arguments) {
    QCommandLineParser parser;
    int status = CliOk;
    if (!Parse(parser, arguments,
               "The saved searches: id, name, category, locations, number of results, new-results mark.", status))
        return status;
    return Guarded(arguments, [&] {
        const auto session = SignInForCli();
        BindCliAccount(*session, {}, {});
        session->LoadSearches();
        for (const auto& search : session->Searches->Items) {
            std::string locations;
            for (const TPlace* place : search->Locations())
                locations += (locations.empty() ? "" : "; ") + place->FullName();
            std::cout << search->SearchId << '\t' << search->Name << '\t'
                      << (search->Category ? search->Category->FullName() : std::string()) << '\t' << locations << '\t'
                      << search->Results.size() << '\t' << (search->NewResultsAvailable ? "new" : "-") << '\n';
        }
        return static_cast<int>(CliOk);
    });
}

int CmdIssueKey(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("name"), QStringLiteral("The account holder's name."), QStringLiteral("NAME")},
         {QStringLiteral("email"), QStringLiteral("The address the account signs in with."), QStringLiteral("EMAIL")}});
    int status = CliOk;
    if (!Parse(parser, arguments,
               "Has the account database issue a login key for an address (making the account when it is new) and "
               "prints the key; on a server's database the key service mails it instead. For setting up accounts on a "
               "database of your own; the program mails keys itself.",
               status))
        return status;
    const std::string name = parser.value(QStringLiteral("name")).trimmed().toStdString();
    const std::string email = parser.value(QStringLiteral("email")).trimmed().toStdString();
    if (name.empty() || email.empty()) {
        std::cerr << "trawlix-cli issue-key: give --name and --email\n";
        return CliUsage;
    }
    return Guarded(arguments, [&] {
        const auto session = SignInForCli();
        const std::optional<TIssuedLoginKey> issued = IssueLoginKey(session->Database(), name, email);
        if (!issued)
            return static_cast<int>(CliFailed);
        if (issued->MailedByKeyService)
            std::cout << "The key service mails the login key to " << email << "." << std::endl;
        else
            std::cout << issued->Key << std::endl;
        return static_cast<int>(CliOk);
    });
}

int CmdExport(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("saved"), QStringLiteral("The saved search's id."), QStringLiteral("ID")},
                       {QStringLiteral("format"), QStringLiteral("csv (default) or json."), QStringLiteral("FORMAT"),
                        QStringLiteral("csv")}});
    int status = CliOk;
    if (!Parse(parser, arguments, "Prints the results of a saved search.", status))
        return status;
    return Guarded(arguments, [&] {
        const QString format = parser.value(QStringLiteral("format"));
        if (format != QLatin1String("csv") && format != QLatin1String("json"))
            throw TCliError("--format is csv or json, not " + format.toStdString());
        if (!parser.isSet(QStringLiteral("saved")))
            throw TCliError("--saved is required");
        const auto session = SignInForCli();
        BindCliAccount(*session, {}, {});
        session->LoadSearches();
        const TSearch& search = SavedSearch(*session->Searches, parser.value(QStringLiteral("saved")));
        std::vector<const TEntry*> entries;
        for (const auto& entry : search.Results)
            entries.push_back(entry.get());
        ExportEntries(std::cout, entries, format == QLatin1String("csv") ? TExportFormat::Csv : TExportFormat::Json);
        return static_cast<int>(CliOk);
    });
}

namespace {

/// One pass of the monitor over the loaded searches; returns the links of the pages it
/// examined when it has ended.
std::vector<std::string> RunOnePass(TSession& session) {
    TNewResultsMonitor monitor(session.MonitorContext());
    QEventLoop loop;
    monitor.OnPassEnded = [&loop] { loop.quit(); };
    monitor.StartPass();
    if (monitor.Checking())
        loop.exec();
    return monitor.CheckedLinks;
}

} // namespace

int CmdCheck(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("notify"), QStringLiteral("Send the e-mail and SMS of newly marked searches.")},
         {QStringLiteral("email"), QStringLiteral("Account e-mail address (default: the stored one)."),
          QStringLiteral("ADDRESS")},
         {QStringLiteral("key"), QStringLiteral("Account login key (default: the stored one)."), QStringLiteral("KEY")},
         {QStringLiteral("links"), QStringLiteral("Print each page link examined to standard error.")}});
    int status = CliOk;
    if (!Parse(parser, arguments,
               "Looks once for new results of the saved searches and marks them in the searches file.\n"
               "Exit status 1 when a page could not be fetched (each is named on standard error),\n"
               "otherwise 3 when at least one saved search has new results, 0 when none has.",
               status))
        return status;
    return Guarded(arguments, [&] {
        const auto session = SignInForCli();
        const bool notify = parser.isSet(QStringLiteral("notify"));
        const bool bound = BindCliAccount(*session, parser.value(QStringLiteral("email")).toStdString(),
                                          parser.value(QStringLiteral("key")).toStdString());
        if (notify && !bound)
            throw TCliError("--notify needs an account: give --email and --key, or sign in once in Trawlix");
        session->LoadSearches();
        std::vector<bool> markedBefore;
        for (const auto& search : session->Searches->Items)
            markedBefore.push_back(search->NewResultsAvailable);
        const std::vector<std::string> links = RunOnePass(*session);
        if (parser.isSet(QStringLiteral("links")))
            for (const std::string& link : links)
                std::cerr << link << '\n';

        bool anyNew = false;
        bool anyFailed = false;
        for (std::size_t i = 0; i < session->Searches->Items.size(); ++i) {
            TSearch& search = *session->Searches->Items[i];
            anyNew = anyNew || search.NewResultsAvailable;
            // A pass that ended early leaves the searches after it undone.
            const std::string failure =
                search.CheckDone ? search.CheckFailure : std::string("the check ended before this search");
            if (!failure.empty()) {
                anyFailed = true;
                std::cerr << "trawlix-cli check: " << search.SearchId << '\t' << search.Name
                          << "\tnot checked: " << failure << '\n';
            }
            if (!search.NewResultsAvailable || markedBefore[i])
                continue;
            std::cout << search.SearchId << '\t' << search.Name << "\tnew results\n";
            // Each run of this command is a check after the last one: a newly marked search
            // is news, unlike the first check of the desktop program after it loaded.
            if (notify)
                NotifyNewResults(search, session->MonitorContext());
            session->Searches->Save(search, true, false);
        }
        if (notify && !TBackgroundWork::WaitForAll(std::chrono::seconds(60)))
            std::cerr << "trawlix-cli check: some notification mails were still on their way\n";
        // A search that could not be examined is no "no new results".
        if (anyFailed)
            return static_cast<int>(CliFailed);
        return static_cast<int>(anyNew ? CliNewResults : CliOk);
    });
}
