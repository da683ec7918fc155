// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: net db
// trawlix-cli as a user runs it: real processes against the site simulator and a
// temporary data folder.
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include <QDir>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include "TSiteSimulator.h"
#include "TTestDatabase.h"
#include "TestSupport.h"
#include "account/TUser.h"
#include "session/TSession.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/IResultsView.h"
#include "search/TSearchRun.h"
#include "search/TSearch.h"
#include "store/TSearches.h"

namespace {

const QString Cli = QStringLiteral(TRAWLIX_BINARY_DIR "/app/trawlix-cli");

/// What a troubled proxy does with the pages of its troubled host.
enum class TTrouble {
    /// Answers 500 with an empty body.
    ErrorStatus,
    /// Sends one byte every half second, for ever.
    Drip,
    /// Sends a body that never ends.
    Endless,
};

/// A proxy to the site simulator with trouble at one host; the other hosts answer as the
/// simulator does.
class TTroubledProxy final {
public:
    TTroubledProxy(TSiteSimulator& simulator, std::string host, TTrouble trouble)
        : m_host(std::move(host)), m_trouble(trouble) {
        m_server.Get(".*", [this, &simulator](const httplib::Request& request, httplib::Response& response) {
            const std::string host = request.get_header_value("Host");
            if (host != m_host) {
                const TSimResponse answer =
                    simulator.Handle(host, request.path, TSimParams(request.params.begin(), request.params.end()));
                response.status = answer.Status;
                response.set_content(answer.Body, "text/html");
            } else if (m_trouble == TTrouble::ErrorStatus) {
                response.status = 500;
            } else {
                const bool drip = m_trouble == TTrouble::Drip;
                response.set_chunked_content_provider("text/html", [drip](size_t, httplib::DataSink& sink) {
                    if (drip)
                        std::this_thread::sleep_for(std::chrono::milliseconds(500));
                    const std::string chunk(drip ? 1 : 64 * 1024, 'x');
                    return sink.write(chunk.data(), chunk.size());
                });
            }
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TTroubledProxy() {
        m_server.stop();
        m_thread.join();
    }
    std::string Proxy() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    const std::string m_host;
    const TTrouble m_trouble;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

struct TCliResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

class CliTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        simulator = std::make_unique<TSiteSimulator>();
        ASSERT_TRUE(simulator->Start(0));
    }
    static void TearDownTestSuite() { simulator.reset(); }

    void SetUp() override { folder.InstallShippedRefData(); }

    /// Runs the command through the simulator, or through proxy when given, with the
    /// environment's variables and those of environment ("NAME=value").
    TCliResult Run(const QStringList& arguments, const std::string& proxy = {}, const QStringList& environment = {}) {
        QProcess process;
        QStringList all{QStringLiteral("--data"),  QString::fromStdString(folder.Path()),
                        QStringLiteral("--proxy"), QString::fromStdString(proxy.empty() ? simulator->Proxy() : proxy),
                        QStringLiteral("--pause"), QStringLiteral("0")};
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        for (const QString& variable : environment)
            variables.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
        process.setProcessEnvironment(variables);
        process.start(Cli, all + arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    }

    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    /// Writes a "for sale" search into the data folder's searches file, as the desktop
    /// program would save it.
    void SaveSearch(int id, const std::string& name, const std::string& keywords, const std::vector<int>& places,
                    bool keepOldResults = true) {
        folder.WriteFile("SearchesTXF.tx", "<searches></searches>");
        TSession session(folder.Config());
        session.OpenSession();
        ASSERT_TRUE(WaitFor([&] { return session.SignedIn; }));
        TSearches searches(session.SearchesContext());
        TSearch search(&session.SearchContext());
        search.SearchId = id;
        search.Name = name;
        search.Category = session.Categories->FindById(36);
        TPlaceList locations;
        for (int place : places)
            locations.push_back(session.Places->FindById(place));
        search.SetLocations(locations);
        search.PositiveKeywords = keywords;
        search.KeepOldResults = keepOldResults;
        searches.Save(search, true, false);
    }

    static inline std::unique_ptr<TSiteSimulator> simulator;
    TTempDataFolder folder;
};

TEST_F(CliTest, PlacesAndCategoriesListTheTables) {
    const TCliResult places = Run({QStringLiteral("places"), QStringLiteral("--find"), QStringLiteral("dade")});
    ASSERT_EQ(places.Status, 0) << places.Err;
    EXPECT_EQ(places.Out, "254\t3\tunited states - florida - south florida - miami / dade\t"
                          "http://miami.craigslist.org/mdc/\t25.779\t-80.1982\n");

    const TCliResult tree = Run({QStringLiteral("places"), QStringLiteral("--tree")});
    ASSERT_EQ(tree.Status, 0);
    const auto lines = Lines(tree.Out);
    ASSERT_GT(lines.size(), 1000u);
    EXPECT_EQ(lines[0], "1\tunited states");
    EXPECT_EQ(lines[1].rfind("  2\t", 0), 0u); // a region, indented under its country

    const TCliResult categories = Run({QStringLiteral("categories")});
    ASSERT_EQ(categories.Status, 0);
    EXPECT_NE(categories.Out.find("\n26\t1\thousing\thhh\n"), std::string::npos);
}

/// Collects what a run in this process accepts, to compare with the command's output.
class TCollectingView final : public IResultsView {
public:
    void AddEntryRow(TEntry& entry) override { Links.push_back(entry.Link); }
    std::vector<std::string> Links;
};

TEST_F(CliTest, RunPrintsExactlyTheEntriesOfTheSearch) {
    const TCliResult cli = Run({QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("sss"),
                                QStringLiteral("--location"), QStringLiteral("miami / dade"),
                                QStringLiteral("--location"), QStringLiteral("260"), QStringLiteral("--keywords"),
                                QStringLiteral("bike"), QStringLiteral("--json"), QStringLiteral("--links")});
    ASSERT_EQ(cli.Status, 0) << cli.Err;
    std::vector<std::string> printed;
    for (const std::string& line : Lines(cli.Out)) {
        const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        ASSERT_TRUE(object.contains(QStringLiteral("price")) && object.contains(QStringLiteral("image"))) << line;
        printed.push_back(object.value(QStringLiteral("link")).toString().toStdString());
    }
    ASSERT_FALSE(printed.empty());
    EXPECT_NE(cli.Err.find("http://miami.craigslist.org/search/sss/mdc?query=bike"), std::string::npos);

    // The same search through the same code in this process.
    TConfig config = folder.Config();
    config.HttpProxy = simulator->Proxy();
    config.ParserPauseMs = 0;
    TSession session(config);
    session.OpenSession();
    ASSERT_TRUE(WaitFor([&] { return session.SignedIn; }));
    TSearch search(&session.SearchContext());
    search.Category = session.Categories->FindById(36);
    search.SetLocations({session.Places->FindById(254), session.Places->FindById(260)});
    search.PositiveKeywords = "bike";
    TCollectingView view;
    search.Run(&view);
    ASSERT_TRUE(WaitFor([&] { return search.CurrentRun().Idle; }, std::chrono::seconds(60)));
    std::vector<std::string> results;
    for (const auto& entry : search.Results)
        results.push_back(entry->Link);
    EXPECT_EQ(printed, view.Links);
    EXPECT_EQ(printed, results);
}

// The range options go to the fields of the category's group, the flags to their own
// fields; only the group's own extras reach the link.
TEST_F(CliTest, RunSendsTheExtrasOfTheCategorysGroup) {
    struct TCase {
        QStringList options;
        std::string link;
    };
    const std::vector<TCase> cases{
        {{QStringLiteral("--category"), QStringLiteral("apa"), QStringLiteral("--min"), QStringLiteral("500"),
          QStringLiteral("--bedrooms"), QStringLiteral("3"), QStringLiteral("--cats"), QStringLiteral("--dogs"),
          QStringLiteral("--contract")},
         "search/apa/mdc?query=+&bedrooms=3&minAsk=500&maxAsk=max&addTwo=purrr&addThree=wooof\n"},
        {{QStringLiteral("--category"), QStringLiteral("stp"), QStringLiteral("--min"), QStringLiteral("18"),
          QStringLiteral("--max"), QStringLiteral("40")},
         "search/stp/mdc?query=+&minAsk=18&maxAsk=40\n"},
        {{QStringLiteral("--category"), QStringLiteral("sss"), QStringLiteral("--max"), QStringLiteral("250.5"),
          QStringLiteral("--bedrooms"), QStringLiteral("2")},
         "search/sss/mdc?query=+&minAsk=min&maxAsk=250.5\n"},
        {{QStringLiteral("--category"), QStringLiteral("jjj"), QStringLiteral("--telecommuting"),
          QStringLiteral("--contract"), QStringLiteral("--internship"), QStringLiteral("--part-time"),
          QStringLiteral("--non-profit"), QStringLiteral("--cats")},
         "search/jjj/mdc?query=+&addOne=telecommuting&addTwo=contract&addThree=internship&addFour=part-time"
         "&addFive=non-profit\n"},
    };
    for (const TCase& c : cases) {
        const TCliResult run = Run(QStringList{QStringLiteral("run"), QStringLiteral("--location"),
                                               QStringLiteral("254"), QStringLiteral("--links")} +
                                   c.options);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_NE(run.Err.find("http://miami.craigslist.org/" + c.link), std::string::npos) << run.Err;
    }

    const TCliResult noRange =
        Run({QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("jjj"), QStringLiteral("--location"),
             QStringLiteral("254"), QStringLiteral("--min"), QStringLiteral("5")});
    EXPECT_EQ(noRange.Status, 2);
    EXPECT_NE(noRange.Err.find("--min and --max apply to personals, housing and for sale only"), std::string::npos)
        << noRange.Err;
    const TCliResult fractionOfAge =
        Run({QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("stp"), QStringLiteral("--location"),
             QStringLiteral("254"), QStringLiteral("--max"), QStringLiteral("18.5")});
    EXPECT_EQ(fractionOfAge.Status, 2);
    EXPECT_NE(fractionOfAge.Err.find("--max takes a whole number from 0 to 130"), std::string::npos)
        << fractionOfAge.Err;
}

TEST_F(CliTest, SavedSearchesAreListedRunSavedAndExported) {
    ASSERT_NO_FATAL_FAILURE(SaveSearch(42, "Bikes, \"cheap\"", "bike", {254}));
    const TCliResult before = Run({QStringLiteral("searches")});
    ASSERT_EQ(before.Status, 0) << before.Err;
    EXPECT_EQ(before.Out,
              "42\tBikes, \"cheap\"\tfor sale\tunited states - florida - south florida - miami / dade\t0\t-\n");

    const TCliResult run =
        Run({QStringLiteral("run"), QStringLiteral("--saved"), QStringLiteral("42"), QStringLiteral("--save")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::size_t count = Lines(run.Out).size();
    ASSERT_GT(count, 0u);
    EXPECT_NE(Run({QStringLiteral("searches")}).Out.find("\t" + std::to_string(count) + "\t-\n"), std::string::npos);

    const TCliResult csv = Run({QStringLiteral("export"), QStringLiteral("--saved"), QStringLiteral("42"),
                                QStringLiteral("--format"), QStringLiteral("csv")});
    ASSERT_EQ(csv.Status, 0) << csv.Err;
    EXPECT_EQ(csv.Out.rfind("date,title,price,location,link,new,image\r\n", 0), 0u);
    EXPECT_EQ(Lines(csv.Out).size(), count + 1);
    const TCliResult json = Run({QStringLiteral("export"), QStringLiteral("--saved"), QStringLiteral("42"),
                                 QStringLiteral("--format"), QStringLiteral("json")});
    EXPECT_EQ(Lines(json.Out).size(), count);
}

TEST_F(CliTest, CheckMarksSearchesWithNewerPostingsAndSaysSoInItsStatus) {
    ASSERT_NO_FATAL_FAILURE(SaveSearch(7, "Tandems", "bike", {254, 260}));
    // Never run: no markers, nothing to compare.
    EXPECT_EQ(Run({QStringLiteral("check")}).Status, 0);
    ASSERT_EQ(
        Run({QStringLiteral("run"), QStringLiteral("--saved"), QStringLiteral("7"), QStringLiteral("--save")}).Status,
        0);
    EXPECT_EQ(Run({QStringLiteral("check")}).Status, 0);

    TSimPosting posting;
    posting.Site = "tampa";
    posting.SubArea = "hil";
    posting.Category = "bik";
    posting.Title = "tandem bike for two";
    posting.Price = 120;
    simulator->AddPosting(posting);
    const TCliResult found = Run({QStringLiteral("check"), QStringLiteral("--links")});
    EXPECT_EQ(found.Status, 3) << found.Err;
    EXPECT_EQ(found.Out, "7\tTandems\tnew results\n");
    EXPECT_NE(Run({QStringLiteral("searches")}).Out.find("\tnew\n"), std::string::npos);
    // Marked searches are not fetched again, and still count.
    const TCliResult again = Run({QStringLiteral("check")});
    EXPECT_EQ(again.Status, 3);
    EXPECT_EQ(again.Out, "");
    // Notifying needs an account.
    EXPECT_EQ(Run({QStringLiteral("check"), QStringLiteral("--notify")}).Status, 2);
}

// A saved search's results are prepared as the window's Start prepares them: without "keep
// old results" they are replaced, with it they stay and only lose their new mark.
TEST_F(CliTest, RunningASavedSearchAgainNeitherRepeatsNorKeepsMarkingItsResults) {
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "keep old results" : "replace old results");
        ASSERT_NO_FATAL_FAILURE(SaveSearch(5, "Bikes", "bike", {254}, keep));
        const QStringList runSaved{QStringLiteral("run"), QStringLiteral("--saved"), QStringLiteral("5"),
                                   QStringLiteral("--save")};
        const TCliResult first = Run(runSaved);
        ASSERT_EQ(first.Status, 0) << first.Err;
        const std::size_t count = Lines(first.Out).size();
        ASSERT_GT(count, 0u);
        for (int run = 2; run <= 3; ++run) {
            const TCliResult again = Run(runSaved);
            ASSERT_EQ(again.Status, 0) << again.Err;
            EXPECT_EQ(Lines(again.Out).size(), keep ? 0u : count) << "run " << run;
            const TCliResult json = Run({QStringLiteral("export"), QStringLiteral("--saved"), QStringLiteral("5"),
                                         QStringLiteral("--format"), QStringLiteral("json")});
            const std::vector<std::string> saved = Lines(json.Out);
            EXPECT_EQ(saved.size(), count) << "run " << run;
            std::size_t marked = 0;
            for (const std::string& line : saved)
                marked += QJsonDocument::fromJson(QByteArray::fromStdString(line))
                              .object()
                              .value(QStringLiteral("new"))
                              .toBool();
            EXPECT_EQ(marked, keep ? 0u : count) << "run " << run;
        }
    }
}

// A log file that cannot be written is said once on standard error and changes nothing else.
TEST_F(CliTest, AnUnwritableLogIsReportedOnceAndTheRunStillFindsTheResults) {
    const QStringList search{QStringLiteral("run"),        QStringLiteral("--category"), QStringLiteral("sss"),
                             QStringLiteral("--location"), QStringLiteral("254"),        QStringLiteral("--keywords"),
                             QStringLiteral("bike")};
    const TCliResult normal = Run(search);
    ASSERT_EQ(normal.Status, 0) << normal.Err;
    ASSERT_FALSE(normal.Out.empty());

    std::remove(folder.File("log.tx").c_str());
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(folder.File("log.tx"))));
    const TCliResult blocked = Run(search);
    EXPECT_EQ(blocked.Status, 0) << blocked.Err;
    EXPECT_EQ(blocked.Out, normal.Out);
    const std::string message = "Cannot create the log file " + folder.File("log.tx");
    const std::size_t first = blocked.Err.find(message);
    EXPECT_NE(first, std::string::npos) << blocked.Err;
    EXPECT_EQ(blocked.Err.find("log file", first + message.size()), std::string::npos) << blocked.Err;
}

TEST_F(CliTest, RunAndCheckNameEachPageTheyCouldNotFetchAndFail) {
    ASSERT_NO_FATAL_FAILURE(SaveSearch(11, "Split", "bike", {254, 260}));
    ASSERT_EQ(
        Run({QStringLiteral("run"), QStringLiteral("--saved"), QStringLiteral("11"), QStringLiteral("--save")}).Status,
        0);
    TSimPosting posting;
    posting.Site = "tampa";
    posting.SubArea = "hil";
    posting.Category = "bik";
    posting.Title = "split bike for parts";
    simulator->AddPosting(posting);

    // Tampa's first sub-area: the check goes no further in that search.
    const std::string tampaPage = "http://tampa.craigslist.org/search/sss/hdo?query=bike";
    TTroubledProxy proxy(*simulator, "tampa.craigslist.org", TTrouble::ErrorStatus);
    const TCliResult check = Run({QStringLiteral("check")}, proxy.Proxy());
    EXPECT_EQ(check.Status, 1) << check.Err;
    EXPECT_EQ(check.Out, "");
    EXPECT_NE(check.Err.find("11\tSplit\tnot checked: HTTP status 500: " + tampaPage), std::string::npos) << check.Err;

    posting.Site = "miami";
    posting.SubArea = "mdc";
    simulator->AddPosting(posting);
    const TCliResult run =
        Run({QStringLiteral("run"), QStringLiteral("--saved"), QStringLiteral("11"), QStringLiteral("--save")},
            proxy.Proxy());
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_NE(run.Out.find("split bike for parts"), std::string::npos) << "the new posting of Miami is printed";
    EXPECT_NE(
        run.Err.find("trawlix-cli run: united states - florida - tampa bay area - hernando co: HTTP status 500: " +
                     tampaPage),
        std::string::npos)
        << run.Err;
    EXPECT_EQ(Lines(run.Err).size(), 4u) << "the four sub-areas of Tampa, not Miami:\n" << run.Err;

    // The saved marker of Tampa outlived the failed run: the next check finds the posting.
    const TCliResult found = Run({QStringLiteral("check")});
    EXPECT_EQ(found.Status, 3) << found.Err;
    EXPECT_EQ(found.Out, "11\tSplit\tnew results\n");

    // Nothing reachable at all: every location is named.
    const TCliResult refused =
        Run({QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("sss"), QStringLiteral("--location"),
             QStringLiteral("254"), QStringLiteral("--location"), QStringLiteral("260")},
            "127.0.0.1:1");
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(refused.Out, "");
    const auto lines = Lines(refused.Err);
    EXPECT_EQ(lines.size(), 5u) << "Miami / Dade and the four sub-areas of Tampa:\n" << refused.Err;
    for (const std::string& line : lines)
        EXPECT_EQ(line.rfind("trawlix-cli run: united states - florida - ", 0), 0u) << line;
}

TEST_F(CliTest, APageThatNeverEndsEndsTheFetchWithAMessage) {
    const struct {
        TTrouble trouble;
        QString limit;
        std::string message;
    } cases[] = {
        {TTrouble::Drip, QStringLiteral("TRAWLIX_FETCH_TIME_LIMIT_SECONDS=1"), "the page did not arrive within 1 s"},
        {TTrouble::Endless, QStringLiteral("TRAWLIX_FETCH_SIZE_LIMIT_MB=1"), "the page is larger than 1 MB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TTroubledProxy proxy(*simulator, "tampa.craigslist.org", c.trouble);
        const TCliResult run = Run({QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("sss"),
                                    QStringLiteral("--location"), QStringLiteral("260")},
                                   proxy.Proxy(), {c.limit});
        EXPECT_EQ(run.Status, 1);
        EXPECT_NE(run.Err.find(c.message), std::string::npos) << run.Err;
    }
}

TEST_F(CliTest, BadArgumentsGiveAMessageAndAUsageStatus) {
    const std::vector<QStringList> cases{
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("places"), QStringLiteral("--no-such-option")},
        {QStringLiteral("run"), QStringLiteral("--location"), QStringLiteral("miami / dade")},
        {QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("sss")},
        {QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("no such category"),
         QStringLiteral("--location"), QStringLiteral("254")},
        {QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("sss"), QStringLiteral("--location"),
         QStringLiteral("nowhere at all")},
        {QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("sss"), QStringLiteral("--location"),
         QStringLiteral("254"), QStringLiteral("--min"), QStringLiteral("cheap")},
        {QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("hhh"), QStringLiteral("--location"),
         QStringLiteral("254"), QStringLiteral("--bedrooms"), QStringLiteral("9")},
        {QStringLiteral("run"), QStringLiteral("--saved"), QStringLiteral("7")},
        {QStringLiteral("export"), QStringLiteral("--saved"), QStringLiteral("1"), QStringLiteral("--format"),
         QStringLiteral("xml")},
        {QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("sss"), QStringLiteral("--location"),
         QStringLiteral("254"), QStringLiteral("--min"), QStringLiteral("9"), QStringLiteral("--max"),
         QStringLiteral("5")},
        {QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("stp"), QStringLiteral("--location"),
         QStringLiteral("254"), QStringLiteral("--min"), QStringLiteral("40"), QStringLiteral("--max"),
         QStringLiteral("18")},
        {QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("sss"), QStringLiteral("--location"),
         QStringLiteral("254"), QStringLiteral("--min"), QStringLiteral("nan")},
        {QStringLiteral("run"), QStringLiteral("--category"), QStringLiteral("hhh"), QStringLiteral("--location"),
         QStringLiteral("254"), QStringLiteral("--max"), QStringLiteral("inf")},
        {QStringLiteral("--pause"), QStringLiteral("10001"), QStringLiteral("places")},
    };
    for (const QStringList& arguments : cases) {
        const TCliResult result = Run(arguments);
        EXPECT_EQ(result.Status, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(result.Err.empty()) << arguments.join(QLatin1Char(' ')).toStdString();
    }
    const TCliResult help = Run({QStringLiteral("run"), QStringLiteral("--help")});
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("--keywords"), std::string::npos);
}

TEST_F(CliTest, DamagedTreesAreListedWithAMessage) {
    // A self-parented country beside a country with a chain of 100,000 levels below it.
    std::vector<TRefRecord> places{Place(1, 0, "united states", 1), Place(2, 2, "loop", 1)};
    for (int id = 10; id < 10 + 100000; ++id)
        places.push_back(Place(id, id == 10 ? 1 : id - 1, "deep", 2));
    folder.WriteFile("Places.tx", EncodeRefFile(places));
    folder.WriteFile("Categories.tx", EncodeRefFile({Place(1, 1, "circle", 1, "ccc"), Place(2, 1, "below", 2, "bbb")}));

    const TCliResult placesTree = Run({QStringLiteral("places"), QStringLiteral("--tree")});
    EXPECT_EQ(placesTree.Status, 0) << placesTree.Err;
    const auto lines = Lines(placesTree.Out);
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines[0], "1\tunited states");
    EXPECT_EQ(lines[31], std::string(62, ' ') + "40\tdeep");
    EXPECT_EQ(lines[32], "2\tloop");
    EXPECT_NE(placesTree.Err.find("deeper than 32 levels"), std::string::npos) << placesTree.Err;
    EXPECT_NE(placesTree.Err.find("record 2 appears again"), std::string::npos) << placesTree.Err;

    const TCliResult categoriesTree = Run({QStringLiteral("categories"), QStringLiteral("--tree")});
    EXPECT_EQ(categoriesTree.Status, 0) << categoriesTree.Err;
    EXPECT_EQ(categoriesTree.Out, "1\tcircle\tccc\n  2\tbelow\tbbb\n");
    EXPECT_NE(categoriesTree.Err.find("record 1 appears again"), std::string::npos) << categoriesTree.Err;
}

TEST_F(CliTest, AMissingDataFolderIsAFailure) {
    std::remove(folder.File("Places.tx").c_str());
    const TCliResult result = Run({QStringLiteral("places")});
    EXPECT_EQ(result.Status, 1);
    EXPECT_NE(result.Err.find("reference data"), std::string::npos);
}

} // namespace

TEST_F(CliTest, IssueKeyPrintsAKeyThatSignsIn) {
    TTestDatabase database;
    const QStringList environment{QStringLiteral("TRAWLIX_ACCOUNT_DB=") + QString::fromStdString(database.File())};
    const TCliResult issued = Run({QStringLiteral("issue-key"), QStringLiteral("--name"), QStringLiteral("Demo"),
                                   QStringLiteral("--email"), QStringLiteral("demo@example.com")},
                                  {}, environment);
    ASSERT_EQ(issued.Status, 0) << issued.Err;
    const std::vector<std::string> lines = Lines(issued.Out);
    ASSERT_EQ(lines.size(), 1u);
    TConfig config = folder.Config();
    config.AccountDatabase = database.File();
    TSession session(config);
    EXPECT_TRUE(session.BindAccount("demo@example.com", lines[0]));
    ASSERT_TRUE(session.User);
    EXPECT_EQ(session.User->RealName, "Demo");

    for (const QStringList& wrong :
         {QStringList{QStringLiteral("issue-key"), QStringLiteral("Demo")},
          QStringList{QStringLiteral("issue-key"), QStringLiteral(" "), QStringLiteral("a@b")}})
        EXPECT_EQ(Run(wrong, {}, environment).Status, 2) << wrong.join(QLatin1Char(' ')).toStdString();
}

TEST_F(CliTest, IssueKeyOnAServerSaysTheKeyGoesByMail) {
    TTestServer server;
    ASSERT_NO_THROW(server.Start());
    const TCliResult issued =
        Run({QStringLiteral("issue-key"), QStringLiteral("--name"), QStringLiteral("Remote"), QStringLiteral("--email"),
             QStringLiteral("remote@example.com")},
            {}, {QStringLiteral("TRAWLIX_ACCOUNT_DB=") + QString::fromStdString(server.Address())});
    EXPECT_EQ(issued.Status, 0) << issued.Err;
    EXPECT_EQ(issued.Out, "The key service mails the login key to remote@example.com.\n");
}
