// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui db net
// The real program, started as its own process on a fresh data folder and settings, with
// its embedded account database, the site simulator as the site (through the proxy
// setting) and a real SMTP server, driven through its windows as a person would: every
// step goes through the program's test driver socket (mouse clicks and key presses sent
// to the widgets, texts and rows read back); what it did is checked on disk, in the
// account database, in the simulator's flag requests and in the mails received.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include "TSiteSimulator.h"
#include "TSmtpTestServer.h"
#include "TTestDatabase.h"
#include "TestSupport.h"

namespace {

constexpr const char* Sender = "notify@trawlix.test";
constexpr const char* SenderPassword = "e2e-secret";
constexpr const char* EMail = "robin@example.com";
constexpr const char* Keyword = "bike";
constexpr double MinPrice = 20;
constexpr double MaxPrice = 900;

bool WaitFor(const std::function<bool()>& done, int milliseconds = 60000) {
    for (int waited = 0; waited < milliseconds; waited += 100) {
        if (done())
            return true;
        QCoreApplication::processEvents();
        QThread::msleep(100);
    }
    return done();
}

void Step(int number, const std::string& what) {
    std::printf("step %d: %s\n", number, what.c_str());
    std::fflush(stdout);
}

QJsonObject Target(const char* window, const char* name) {
    QJsonObject target{{QStringLiteral("name"), QLatin1String(name)}};
    if (window && *window)
        target.insert(QStringLiteral("window"), QLatin1String(window));
    return target;
}

QJsonObject Button(const char* window, const char* caption) {
    return {{QStringLiteral("window"), QLatin1String(window)}, {QStringLiteral("button"), QLatin1String(caption)}};
}

/// The program as a running process with the connection to its test driver.
class TProgram {
public:
    TProgram(const QProcessEnvironment& environment, const QString& socketName, const QString& logFile) {
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(logFile, QIODevice::Append);
        m_process.start(QStringLiteral(TRAWLIX_BINARY_DIR "/app/trawlix"), {});
        m_started = m_process.waitForStarted(20000) && WaitFor([&] {
                        m_socket.connectToServer(socketName);
                        return m_socket.waitForConnected(200);
                    });
    }
    ~TProgram() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    bool Started() const { return m_started; }
    bool Running() const { return m_process.state() != QProcess::NotRunning; }
    bool WaitForEnd(int milliseconds) { return m_process.waitForFinished(milliseconds); }
    int ExitCode() const { return m_process.exitCode(); }

    QJsonObject Send(QJsonObject command) {
        if (m_socket.state() != QLocalSocket::ConnectedState)
            return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), QStringLiteral("not connected")}};
        m_socket.write(QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n');
        m_socket.flush();
        while (!m_socket.canReadLine())
            if (!m_socket.waitForReadyRead(60000))
                return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), QStringLiteral("no answer")}};
        return QJsonDocument::fromJson(m_socket.readLine()).object();
    }

    /// A command that acts; the test fails at once when the driver refuses it.
    void Do(const char* kind, QJsonObject target, QJsonObject extra = {}) {
        target.insert(QStringLiteral("cmd"), QLatin1String(kind));
        for (auto it = extra.begin(); it != extra.end(); ++it)
            target.insert(it.key(), it.value());
        const QJsonObject answer = Send(target);
        ASSERT_TRUE(answer.value(QStringLiteral("ok")).toBool())
            << kind << ": " << answer.value(QStringLiteral("error")).toString().toStdString();
        // Let the input be delivered before the next look.
        QThread::msleep(50);
    }
    void Click(const char* window, const char* name) { Do("click", Target(window, name)); }
    void Press(const char* window, const char* caption) { Do("click", Button(window, caption)); }
    void Type(const char* window, const char* name, const QString& text) {
        Do("type", Target(window, name), {{QStringLiteral("text"), text}});
    }
    void Key(const char* window, const char* name, const char* key) {
        Do("key", Target(window, name), {{QStringLiteral("key"), QLatin1String(key)}});
    }
    void ClickRow(const char* window, const char* name, int row, const char* mouse = "left") {
        Do("click-row", Target(window, name),
           {{QStringLiteral("row"), row},
            {QStringLiteral("column"), 3},
            {QStringLiteral("mouse"), QLatin1String(mouse)}});
    }
    void ChooseInMenu(const char* item) {
        ASSERT_TRUE(WaitFor(
            [&] {
                return State(QJsonObject{{QStringLiteral("window"), QStringLiteral("popup")}})
                    .value(QStringLiteral("found"))
                    .toBool();
            },
            10000));
        Do("menu", QJsonObject{{QStringLiteral("window"), QStringLiteral("popup")}},
           {{QStringLiteral("item"), QLatin1String(item)}});
    }
    void Screenshot(const char* window, const char* name, const char* file) {
        const QByteArray folder = qgetenv("TRAWLIX_SCREENSHOTS");
        if (folder.isEmpty())
            return;
        // The preview paints a moment after its page has loaded.
        QThread::msleep(1500);
        Do("screenshot", Target(window, name),
           {{QStringLiteral("path"), QString::fromLocal8Bit(folder) + QLatin1Char('/') + QLatin1String(file)}});
    }

    QJsonObject State(QJsonObject target) {
        target.insert(QStringLiteral("cmd"), QStringLiteral("state"));
        return Send(target);
    }
    QJsonObject State(const char* window, const char* name) { return State(Target(window, name)); }
    bool Visible(const char* window, const char* name) {
        const QJsonObject state = State(window, name);
        return state.value(QStringLiteral("found")).toBool() && state.value(QStringLiteral("visible")).toBool();
    }
    bool Enabled(const char* window, const char* name) {
        const QJsonObject state = State(window, name);
        return state.value(QStringLiteral("visible")).toBool() && state.value(QStringLiteral("enabled")).toBool();
    }
    QString Text(const char* window, const char* name) {
        return State(window, name).value(QStringLiteral("text")).toString();
    }
    QJsonArray Rows(const char* window, const char* name) {
        return State(window, name).value(QStringLiteral("rows")).toArray();
    }
    /// The modal window in front, when it is a message box or dialog: its text.
    QJsonObject Modal() { return State(QJsonObject{{QStringLiteral("window"), QStringLiteral("modal")}}); }
    bool ModalShows(const QString& text) {
        return WaitFor([&] { return Modal().value(QStringLiteral("text")).toString() == text; }, 20000);
    }

private:
    QProcess m_process;
    QLocalSocket m_socket;
    bool m_started = false;
};

QString Cell(const QJsonValue& row, int column) {
    return row.toObject().value(QStringLiteral("cells")).toArray().at(column).toString();
}

constexpr int PostColumn = 3;
constexpr int PriceColumn = 4;

double PriceOf(const QJsonValue& row) {
    QString text = Cell(row, PriceColumn);
    text.remove(QLatin1Char('$')).remove(QLatin1Char(','));
    bool ok = false;
    const double price = text.trimmed().toDouble(&ok);
    return ok ? price : -1;
}

std::set<QString> Titles(const QJsonArray& rows) {
    std::set<QString> titles;
    for (const QJsonValue& row : rows)
        titles.insert(Cell(row, PostColumn));
    return titles;
}

std::string Join(const std::vector<QString>& texts) {
    std::string joined;
    for (const QString& text : texts)
        joined += (joined.empty() ? "" : ", ") + text.toStdString();
    return joined;
}

class ProgramEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        TTestDatabase::PrepareEmbeddedEngine();
        ASSERT_TRUE(m_sockets.isValid());
        m_data.InstallShippedRefData();
        ASSERT_TRUE(m_site.Start());
        m_environment = QProcessEnvironment::systemEnvironment();
        const auto set = [&](const char* name, const std::string& value) {
            m_environment.insert(QLatin1String(name), QString::fromStdString(value));
        };
        set("TRAWLIX_DATA_DIR", m_data.Path());
        set("TRAWLIX_ACCOUNT_DB", m_database.File());
        set("TRAWLIX_HTTP_PROXY", m_site.Proxy());
        set("TRAWLIX_MAKER_SERVER", "http://www.corvane.com");
        set("TRAWLIX_BANNER_SERVER", "http://www.corvane.com");
        set("TRAWLIX_HOME_PAGE", "http://www.corvane.com/trawlix/");
        set("TRAWLIX_MAIL_HOST", "127.0.0.1");
        set("TRAWLIX_MAIL_PORT", std::to_string(m_mail.Port()));
        set("TRAWLIX_MAIL_SENDER", Sender);
        set("TRAWLIX_MAIL_PASSWORD", SenderPassword);
        set("TRAWLIX_PARSER_PAUSE_MS", "0");
        set("TRAWLIX_INSTANCE_NAME", "Trawlix-e2e-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString());
        m_socketName = m_sockets.path() + QStringLiteral("/driver");
        m_environment.insert(QStringLiteral("TRAWLIX_TEST_DRIVER"), m_socketName);
        m_log = m_sockets.path() + QStringLiteral("/program.log");
    }

    void TearDown() override {
        if (HasFailure()) {
            QFile log(m_log);
            if (log.open(QIODevice::ReadOnly))
                std::printf("---- the program's output ----\n%s\n", log.readAll().right(20000).constData());
        }
    }

    std::unique_ptr<TProgram> Start() {
        auto program = std::make_unique<TProgram>(m_environment, m_socketName, m_log);
        return program;
    }

    QTemporaryDir m_sockets;
    TTempDataFolder m_data;
    TTestDatabase m_database;
    TSiteSimulator m_site;
    TSmtpTestServer m_mail{"login", Sender, SenderPassword};
    QProcessEnvironment m_environment;
    QString m_socketName;
    QString m_log;
};

TEST_F(ProgramEndToEnd, APersonSearchesKeepsWhatTheyChoseAndIsToldOfNewPostings) {
    const char* mainWindow = "MainForm";
    const char* search = "frmNewSearch";
    const char* picker = "frmSelectLocations";

    // ---- First start ----
    auto program = Start();
    ASSERT_TRUE(program->Started());
    ASSERT_TRUE(WaitFor([&] { return program->Visible(mainWindow, "edtEMail"); }));
    ASSERT_TRUE(program->Text(mainWindow, "edtEMail").isEmpty());
    ASSERT_TRUE(program->Text(mainWindow, "edtLoginKey").isEmpty());
    ASSERT_FALSE(QFile::exists(QString::fromStdString(m_data.File("SearchesTXF.tx"))));
    Step(1, "first start - sign-in page shows, e-mail and key empty, no searches file");

    // ---- A login key by mail ----
    program->Type(mainWindow, "edtEMail", QString::fromLatin1(EMail));
    program->Click(mainWindow, "btnGetKey");
    ASSERT_TRUE(program->ModalShows(QStringLiteral("The login key will be sent to your e-mail. Is it valid one?")));
    program->Press("modal", "Yes");
    ASSERT_TRUE(
        WaitFor([&] { return program->Modal().value(QStringLiteral("class")) == QStringLiteral("QInputDialog"); }));
    program->Do("type",
                QJsonObject{{QStringLiteral("window"), QStringLiteral("modal")},
                            {QStringLiteral("class"), QStringLiteral("QLineEdit")}},
                {{QStringLiteral("text"), QStringLiteral("Robin")}});
    program->Press("modal", "OK");
    ASSERT_TRUE(
        program->ModalShows(QStringLiteral("An e-mail containing you login key is being sent to your address.")));
    program->Press("modal", "OK");
    const std::vector<TSmtpTestServer::Mail> keyMails = m_mail.WaitForMails(1, 30000);
    ASSERT_EQ(keyMails.size(), 1u);
    ASSERT_EQ(keyMails[0].To, std::vector<std::string>{EMail});
    const std::string marker = "TrawlixFree login key: ";
    const std::size_t at = keyMails[0].Data.find(marker);
    ASSERT_NE(at, std::string::npos);
    const std::string key =
        keyMails[0].Data.substr(at + marker.size(), keyMails[0].Data.find('\r', at) - at - marker.size());
    ASSERT_FALSE(key.empty());
    const QVariant accountName =
        m_database.Value("SELECT USR_REAL_NAME FROM USERS WHERE USR_EMAIL = '" + std::string(EMail) + "'");
    ASSERT_EQ(accountName.toString(), QStringLiteral("Robin"));
    Step(2, "Get a login key - question answered Yes, name typed, mail arrived for " + std::string(EMail) +
                " with a key of " + std::to_string(key.size()) + " characters; the account row holds the name Robin");

    // ---- Sign in ----
    program->Type(mainWindow, "edtLoginKey", QString::fromStdString(key));
    program->Click(mainWindow, "cbRememberMe");
    program->Click(mainWindow, "btnLogin");
    ASSERT_TRUE(WaitFor([&] { return program->Visible(search, search); }));
    ASSERT_FALSE(program->Visible(mainWindow, mainWindow));
    Step(3, "sign in with the key from the mail (Remember me ticked) - the search window shows, the main window hid");

    // ---- Three cities, widened by 50 miles ----
    program->Click(search, "sbtnLocations");
    ASSERT_TRUE(WaitFor([&] { return program->Visible(picker, "tvLocations"); }));
    program->Screenshot(picker, picker, "e2e-location-picker.png");
    for (const char* city : {"denver", "boston", "seattle"}) {
        program->Key(picker, "edtSearch", "Ctrl+A");
        program->Type(picker, "edtSearch", QLatin1String(city));
        program->Key(picker, "edtSearch", "Return");
        program->Key(picker, "tvLocations", "Space");
    }
    program->Screenshot(picker, picker, "e2e-location-picker.png");
    program->Click(picker, "sButton2");
    ASSERT_TRUE(WaitFor([&] { return !program->Visible(picker, picker); }));
    // Each city's areas count as places of their own: denver has none, boston five, seattle-tacoma seven.
    QString chosen;
    ASSERT_TRUE(WaitFor(
        [&] {
            chosen = program->Text(search, "lblRunLocations");
            return chosen == QStringLiteral("13 locations to search.");
        },
        10000))
        << chosen.toStdString();
    program->Click(search, "cbRange");
    ASSERT_TRUE(WaitFor([&] { return program->Enabled(search, "edtRange"); }, 10000));
    program->Key(search, "edtRange", "Ctrl+A");
    program->Type(search, "edtRange", QStringLiteral("50"));
    QString locations;
    ASSERT_TRUE(WaitFor(
        [&] {
            locations = program->Text(search, "lblRunLocations");
            return locations.contains(QStringLiteral(" added within 50 miles: "));
        },
        10000))
        << locations.toStdString();
    const int places = locations.section(QLatin1Char(' '), 0, 0).toInt();
    ASSERT_GT(places, 13) << locations.toStdString();
    Step(4, "picker: denver, boston, seattle found by name, checked with the Space key, Select pressed - \"" +
                chosen.toStdString() + "\"; range ticked, 50 miles typed - " + std::to_string(places) + " places: \"" +
                locations.simplified().toStdString() + "\"");

    // ---- A "for sale" search with a price range, run ----
    program->Do("choose", Target(search, "cboxCategories"), {{QStringLiteral("item"), QStringLiteral("for sale")}});
    ASSERT_TRUE(WaitFor([&] { return program->Visible(search, "edtForSaleMinPrice"); }, 10000))
        << "category shown: " << program->Text(search, "cboxCategories").toStdString();
    program->Type(search, "edtPositiveKeywords", QLatin1String(Keyword));
    program->Type(search, "edtForSaleMinPrice", QString::number(MinPrice));
    program->Type(search, "edtForSaleMaxPrice", QString::number(MaxPrice));
    ASSERT_TRUE(WaitFor([&] { return program->Enabled(search, "btnStartSearch"); }, 10000));
    program->Click(search, "btnStartSearch");
    ASSERT_TRUE(WaitFor([&] { return !program->Enabled(search, "btnStartSearch"); }, 10000));
    ASSERT_TRUE(WaitFor([&] { return program->Enabled(search, "btnStartSearch"); }, 180000));
    QJsonArray rows = program->Rows(search, "lvResults");
    ASSERT_GE(rows.size(), 12);
    for (const QJsonValue& row : rows) {
        const double price = PriceOf(row);
        ASSERT_TRUE(price < 0 || (price >= MinPrice && price <= MaxPrice)) << Cell(row, PostColumn).toStdString();
    }
    Step(5, "keyword \"" + std::string(Keyword) + "\", category \"for sale\", price " + std::to_string(int(MinPrice)) +
                " to " + std::to_string(int(MaxPrice)) + ", Start search - " + std::to_string(rows.size()) +
                " postings, every price within the range; " + program->Text(search, "lblRunProgress").toStdString());

    // ---- Sort by price: the first click sorts high to low, the second low to high ----
    const auto inOrder = [&](bool ascending) {
        rows = program->Rows(search, "lvResults");
        double previous = -1;
        for (const QJsonValue& row : rows) {
            const double price = PriceOf(row);
            if (price < 0)
                continue; // a posting without a price
            if (previous >= 0 && (ascending ? previous > price : previous < price))
                return false;
            previous = price;
        }
        return true;
    };
    program->Do("click-header", Target(search, "lvResults"), {{QStringLiteral("section"), QStringLiteral("Price")}});
    ASSERT_TRUE(WaitFor([&] { return inOrder(false); }, 10000));
    const std::string highest = Cell(rows[0], PriceColumn).toStdString();
    program->Do("click-header", Target(search, "lvResults"), {{QStringLiteral("section"), QStringLiteral("Price")}});
    ASSERT_TRUE(WaitFor([&] { return inOrder(true); }, 10000));
    Step(6, "Price header clicked twice - first high to low (top " + highest +
                "), then low to high, first three prices: " +
                Join({Cell(rows[0], PriceColumn), Cell(rows[1], PriceColumn), Cell(rows[2], PriceColumn)}) +
                "; the whole list is in order");

    // ---- Preview ----
    const std::size_t requestsBefore = m_site.Requests().size();
    program->ClickRow(search, "lvResults", 0);
    ASSERT_TRUE(WaitFor(
        [&] {
            const std::vector<std::string> requests = m_site.Requests();
            return std::any_of(requests.begin() + long(requestsBefore), requests.end(),
                               [](const std::string& request) { return request.find(".html") != std::string::npos; });
        },
        30000));
    const QString previewUrl = program->State(search, "wbPreview").value(QStringLiteral("url")).toString();
    ASSERT_TRUE(previewUrl.endsWith(QStringLiteral(".html"))) << previewUrl.toStdString();
    Step(7, "preview of \"" + Cell(rows[0], PostColumn).toStdString() + "\" - the preview shows " +
                previewUrl.toStdString() + ", which the site received a request for");
    program->Screenshot(search, search, "e2e-search-window.png");

    // ---- Filter ----
    const QString word = Cell(rows[0], PostColumn).section(QLatin1Char(' '), 0, 0);
    program->Click(search, "btnFilterSettings");
    ASSERT_TRUE(WaitFor([&] { return program->Visible(search, "edtFilter"); }, 10000));
    program->Type(search, "edtFilter", word);
    program->Click(search, "btnFilter");
    QJsonArray filtered;
    ASSERT_TRUE(WaitFor(
        [&] {
            filtered = program->Rows(search, "lvFilteredResults");
            return !filtered.isEmpty();
        },
        10000));
    ASSERT_LE(filtered.size(), rows.size());
    Step(8, "filter page, keyword \"" + word.toStdString() + "\", Filter - " + std::to_string(filtered.size()) +
                " of " + std::to_string(rows.size()) + " postings in the filtered list");
    program->Screenshot(search, search, "e2e-filter-page.png");
    program->Click(search, "btnSearchSettings");
    ASSERT_TRUE(WaitFor([&] { return program->Visible(search, "lvResults"); }, 10000));

    // ---- Delete five checked rows ----
    std::vector<QString> deleted;
    for (int row = 1; row <= 5; ++row) {
        deleted.push_back(Cell(rows[row], PostColumn));
        program->ClickRow(search, "lvResults", row);
        program->Key(search, "lvResults", "Space");
    }
    ASSERT_TRUE(WaitFor(
        [&] {
            const QJsonArray now = program->Rows(search, "lvResults");
            return std::count_if(now.begin(), now.end(), [](const QJsonValue& row) {
                       return row.toObject().value(QStringLiteral("checked")).toBool();
                   }) == 5;
        },
        10000));
    program->Key(search, "lvResults", "Shift+Del");
    ASSERT_TRUE(WaitFor([&] { return program->Rows(search, "lvResults").size() == rows.size() - 5; }, 10000));
    rows = program->Rows(search, "lvResults");
    const std::set<QString> left = Titles(rows);
    Step(9, "five rows checked with Space, Shift+Del - " + std::to_string(rows.size()) +
                " rows left; deleted: " + Join(deleted));

    // ---- Two favourites with a note ----
    std::vector<QString> favourites;
    for (int row : {0, 1}) {
        favourites.push_back(Cell(rows[row], PostColumn));
        program->ClickRow(search, "lvResults", row);
        program->ClickRow(search, "lvResults", row, "right");
        program->ChooseInMenu("Add to favourites");
    }
    program->Click(search, "btnFavourites");
    ASSERT_TRUE(WaitFor([&] { return program->Rows(search, "lvFavourites").size() == 2; }, 10000));
    program->ClickRow(search, "lvFavourites", 0);
    program->Do("tab", Target(search, "pcFavourites"), {{QStringLiteral("item"), QStringLiteral("Note")}});
    ASSERT_TRUE(WaitFor([&] { return program->Enabled(search, "memoFavNote"); }, 10000));
    const QString note = QStringLiteral("call after six, ask about the frame");
    program->Type(search, "memoFavNote", note);
    ASSERT_TRUE(WaitFor([&] { return program->Text(search, "memoFavNote") == note; }, 10000));
    Step(10, "two favourites added from the results menu (" + Join(favourites) +
                 "), the first one's Note tab, note typed: \"" + note.toStdString() + "\"");
    program->Screenshot(search, search, "e2e-favourites-note.png");
    program->Click(search, "btnSearchSettings");

    // ---- Flag one as spam ----
    program->ClickRow(search, "lvResults", 2);
    program->Key(search, "lvResults", "Ctrl+R");
    ASSERT_TRUE(WaitFor([&] { return m_site.FlagRequests().size() == 1; }, 30000));
    const TFlagRequest flag = m_site.FlagRequests().front();
    Step(11, "row \"" + Cell(rows[2], PostColumn).toStdString() +
                 "\" flagged with Ctrl+R - the site received flag code " + flag.FlagCode + " for posting " +
                 flag.PostingId + " at " + flag.Host);

    // What the list holds as the program closes: flagging may take a posting out of it.
    const QJsonArray closing = program->Rows(search, "lvResults");
    const std::set<QString> kept = Titles(closing);

    // ---- Close ----
    program->Do("close", Target(search, search));
    ASSERT_TRUE(program->WaitForEnd(60000));
    ASSERT_EQ(program->ExitCode(), 0);
    const std::string saved = m_data.ReadFile("SearchesTXF.tx");
    ASSERT_NE(saved.find(note.toStdString()), std::string::npos);
    Step(12, "search window closed - the program ended with 0; the searches file holds the note");

    // ---- Second start ----
    program = Start();
    ASSERT_TRUE(program->Started());
    ASSERT_TRUE(WaitFor(
        [&] { return program->Visible(search, "lvResults") && !program->Rows(search, "lvResults").isEmpty(); }));
    const QJsonArray again = program->Rows(search, "lvResults");
    const std::set<QString> backAgain = Titles(again);
    std::vector<QString> lost;
    std::vector<QString> extra;
    std::set_difference(kept.begin(), kept.end(), backAgain.begin(), backAgain.end(), std::back_inserter(lost));
    std::set_difference(backAgain.begin(), backAgain.end(), kept.begin(), kept.end(), std::back_inserter(extra));
    ASSERT_TRUE(lost.empty() && extra.empty())
        << "missing: " << Join(lost) << "; not expected: " << Join(extra) << "; rows before closing " << closing.size()
        << ", now " << again.size();
    ASSERT_EQ(program->Text(search, "lblRunLocations"), locations);
    ASSERT_EQ(program->Text(search, "edtForSaleMinPrice"), QString::number(MinPrice));
    Step(13, "second start signs in by itself - the same search (locations, price range) and the same " +
                 std::to_string(again.size()) + " postings, none of the deleted ones");
    // The favourites button wakes with a chosen posting.
    program->ClickRow(search, "lvResults", 0);
    ASSERT_TRUE(WaitFor([&] { return program->Enabled(search, "btnFavourites"); }, 10000));
    program->Click(search, "btnFavourites");
    ASSERT_TRUE(WaitFor([&] { return program->Rows(search, "lvFavourites").size() == 2; }, 10000));
    program->ClickRow(search, "lvFavourites", 0);
    program->Do("tab", Target(search, "pcFavourites"), {{QStringLiteral("item"), QStringLiteral("Note")}});
    ASSERT_TRUE(WaitFor([&] { return program->Text(search, "memoFavNote") == note; }, 10000));
    Step(14, "favourites page - both favourites back, the first one's note reads \"" + note.toStdString() + "\"");
    program->Click(search, "btnSearchSettings");

    program->Click(search, "btnStartSearch");
    ASSERT_TRUE(WaitFor([&] { return !program->Enabled(search, "btnStartSearch"); }, 10000));
    ASSERT_TRUE(WaitFor([&] { return program->Enabled(search, "btnStartSearch"); }, 180000));
    const std::set<QString> rerun = Titles(program->Rows(search, "lvResults"));
    for (const QString& title : deleted)
        ASSERT_EQ(rerun.count(title), left.count(title)) << title.toStdString(); // a same-titled posting may stay
    Step(15, "second run - " + std::to_string(rerun.size()) + " postings, none of the five deleted ones came back");

    // ---- A new posting, F5 ----
    program->Click(search, "btnSavedSearches");
    ASSERT_TRUE(WaitFor([&] { return program->Visible(mainWindow, "slvSearches"); }, 10000));
    ASSERT_TRUE(program->Visible(search, search));
    ASSERT_EQ(program->Rows(mainWindow, "slvSearches").size(), 1);
    program->ClickRow(mainWindow, "slvSearches", 0);
    program->Do("click-row", Target(mainWindow, "slvSearches"),
                {{QStringLiteral("row"), 0},
                 {QStringLiteral("column"), 0},
                 {QStringLiteral("mouse"), QStringLiteral("right")}});
    program->ChooseInMenu("Notify me for new results by e-mail");
    // The first check after loading only catches up with what happened meanwhile: no mail for it.
    const QJsonObject newSearch = Button(mainWindow, "New search");
    program->Key(mainWindow, "slvSearches", "F5");
    (void)WaitFor([&] { return !program->State(newSearch).value(QStringLiteral("enabled")).toBool(); }, 5000);
    ASSERT_TRUE(WaitFor([&] { return program->State(newSearch).value(QStringLiteral("enabled")).toBool(); }, 60000));
    TSimPosting posting;
    posting.Site = "denver";
    posting.Category = "sss";
    posting.Title = "brand new road bike, never ridden";
    posting.Price = (MinPrice + MaxPrice) / 2;
    m_site.AddPosting(posting);
    const std::size_t mailsBefore = m_mail.Received().size();
    program->Key(mainWindow, "slvSearches", "F5");
    ASSERT_TRUE(WaitFor(
        [&] {
            return program->Rows(mainWindow, "slvSearches")
                       .at(0)
                       .toObject()
                       .value(QStringLiteral("background"))
                       .toString() == QStringLiteral("#ffff80");
        },
        60000));
    const std::vector<TSmtpTestServer::Mail> mails = m_mail.WaitForMails(mailsBefore + 1, 30000);
    ASSERT_EQ(mails.size(), mailsBefore + 1);
    ASSERT_EQ(mails.back().To, std::vector<std::string>{EMail});
    ASSERT_NE(mails.back().Data.find("New results available for"), std::string::npos);
    Step(16, "posting added to the simulator in denver; Saved searches in the search window shows the main window "
             "beside it; e-mail notice switched on, F5 once to catch up, then F5 again - the search "
             "turned yellow (#ffff80) and a mail \"New results available for ...\" reached " +
                 std::string(EMail));
}

} // namespace
