// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TResultActions.h"

#include <unordered_set>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/IUserMessages.h"
#include "core/TBackgroundWork.h"
#include "core/UiHandOver.h"
#include "search/SiteInterface.h"
#include "search/TBrowser.h"
#include "search/TResultFilter.h"
#include "search/TSearch.h"
#include "ui/TResultsList.h"

namespace {

constexpr int MaxFilterDays = 30;

struct TFlagAction {
    const char* Name;
    int Code;
    bool CheckedRows;
};

QLabel* NamedLabel(const char* name, const char* text, QWidget* parent) {
    auto* label = new QLabel(QLatin1String(text), parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

TResultActions::TResultActions(QWidget& window, TResultsList& results, TResultsList& filtered,
                               std::function<TResultsList&()> activeList, std::function<TSearch*()> currentSearch,
                               const TConfig& config)
    : QObject(&window), m_window(window), m_results(results), m_filtered(filtered), m_activeList(std::move(activeList)),
      m_currentSearch(std::move(currentSearch)), m_config(config) {
    ConnectActions();
}

void TResultActions::ConnectActions() {
    const auto connectAction = [this](const char* name, auto handler) {
        if (auto* action = m_window.findChild<QAction*>(QLatin1String(name)))
            connect(action, &QAction::triggered, this, handler);
    };
    connectAction("actFilter", [this] { actFilterExecute(); });
    connectAction("actCheckAll", [this] { SetAllChecked(true); });
    connectAction("actUncheckAll", [this] { SetAllChecked(false); });
    connectAction("actDeleteResult", [this] { actDeleteResultExecute(); });
    connectAction("actDeleteAllChecked", [this] { actDeleteAllCheckedExecute(); });
    static const TFlagAction flags[] = {
        {"actMiscat", Miscategorized, false},
        {"actMiscatChecked", Miscategorized, true},
        {"actProhibited", Prohibited, false},
        {"actProhibitedChecked", Prohibited, true},
        {"actSpam", Spam, false},
        {"actSpamChecked", Spam, true},
        {"actBest", BestOf, false},
        {"actBestChecked", BestOf, true},
    };
    for (const TFlagAction& flag : flags)
        connectAction(flag.Name, [this, flag] { FlagResults(flag.Code, flag.CheckedRows, flag.Code != BestOf); });
}

void TResultActions::BuildFilterPage(QWidget& page, QAction& actFilter) {
    auto* pageLayout = new QVBoxLayout(&page);
    pageLayout->setContentsMargins(4, 4, 4, 4);
    auto* group = new QGroupBox(QStringLiteral("Filter results"), &page);
    group->setObjectName(QStringLiteral("gbFilter"));
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(1, 1);

    grid->addWidget(NamedLabel("sLabel10", "Keywords:", group), 0, 0, 1, 3);
    edtFilter = new QLineEdit(group);
    edtFilter->setObjectName(QStringLiteral("edtFilter"));
    edtFilter->setClearButtonEnabled(true);
    grid->addWidget(edtFilter, 1, 0, 1, 3);

    grid->addWidget(NamedLabel("sLabel11", "Space equals to:", group), 2, 0);
    rbFilterOR = new QRadioButton(QStringLiteral("OR"), group);
    rbFilterOR->setObjectName(QStringLiteral("rbFilterOR"));
    rbFilterAND = new QRadioButton(QStringLiteral("AND"), group);
    rbFilterAND->setObjectName(QStringLiteral("rbFilterAND"));
    rbFilterOR->setChecked(true);
    auto* choices = new QButtonGroup(group);
    choices->addButton(rbFilterOR);
    choices->addButton(rbFilterAND);
    auto* orAnd = new QHBoxLayout;
    orAnd->addWidget(rbFilterOR);
    orAnd->addWidget(rbFilterAND);
    orAnd->addStretch(1);
    grid->addLayout(orAnd, 2, 1, 1, 2);

    grid->addWidget(NamedLabel("sLabel12", "Results from last", group), 3, 0);
    edtDaysFrom = new QSpinBox(group);
    edtDaysFrom->setObjectName(QStringLiteral("edtDaysFrom"));
    edtDaysFrom->setRange(0, MaxFilterDays);
    grid->addWidget(edtDaysFrom, 3, 1);
    grid->addWidget(NamedLabel("sLabel13", "days", group), 3, 2);

    auto* btnFilter = new QToolButton(group);
    btnFilter->setObjectName(QStringLiteral("btnFilter"));
    btnFilter->setDefaultAction(&actFilter);
    btnFilter->setToolButtonStyle(Qt::ToolButtonTextOnly);
    btnFilter->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    btnFilter->setMinimumHeight(26);
    grid->addWidget(btnFilter, 4, 0, 1, 3);
    // Enter in the keywords filters at once.
    connect(edtFilter, &QLineEdit::returnPressed, &actFilter, &QAction::trigger);

    pageLayout->addWidget(group);
    pageLayout->addStretch(1);
}

void TResultActions::ResetForOpening() {
    if (edtFilter)
        edtFilter->clear();
    if (edtDaysFrom)
        edtDaysFrom->setValue(0);
    m_filtered.ClearRows();
}

// ---- Filter and check marks ----

void TResultActions::actFilterExecute() {
    const TResultFilter filter(edtFilter->text(), rbFilterOR->isChecked(), edtDaysFrom->value());
    m_filtered.CopyRowsFrom(m_results, [&filter](const TEntry& entry) { return filter.Matches(entry); });
    if (m_filtered.RowCount() > 0)
        m_filtered.SelectRow(0);
}

void TResultActions::SetAllChecked(bool checked) {
    m_activeList().Model()->SetAllChecked(checked);
}

// ---- Deleting ----

std::vector<const TEntry*> TResultActions::SelectedEntries() const {
    if (const TEntry* entry = m_activeList().SelectedEntry())
        return {entry};
    return {};
}

std::vector<const TEntry*> TResultActions::CheckedEntries() const {
    const TResultsList& list = m_activeList();
    std::vector<const TEntry*> entries;
    for (int row = 0; row < list.RowCount(); ++row)
        if (list.Model()->IsChecked(row))
            entries.push_back(list.EntryAt(row));
    return entries;
}

void TResultActions::actDeleteResultExecute() {
    std::vector<const TEntry*> entries = SelectedEntries();
    DeleteEntries(entries.empty() ? CheckedEntries() : entries);
}

void TResultActions::actDeleteAllCheckedExecute() {
    m_activeList().ClearSelection();
    DeleteEntries(CheckedEntries());
}

void TResultActions::DeleteEntries(const std::vector<const TEntry*>& entries) {
    TSearch* search = m_currentSearch();
    if (entries.empty() || !search)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    TResultsList& active = m_activeList();
    // The row the last entry has once those before it in the list have gone.
    const std::unordered_set<const TEntry*> going(entries.begin(), entries.end());
    const int lastRow = active.FindRowByEntry(entries.back());
    int index = lastRow;
    for (int row = 0; row < lastRow; ++row)
        if (going.contains(active.EntryAt(row)))
            --index;
    // Both lists hear of it from the search's results and lose the rows in one step.
    search->MarkDeleted(entries);
    if (index >= 0 && index < active.RowCount())
        active.SelectRow(index);
    else if (index - 1 > 0)
        active.SelectRow(index - 1);
    else
        active.ClearSelection();
}

// ---- Flagging ----

void TResultActions::FlagResults(int code, bool useCheckedRows, bool deleteAfter) {
    if (m_flagging)
        return;
    const std::vector<const TEntry*> entries = useCheckedRows ? CheckedEntries() : SelectedEntries();
    if (entries.empty())
        return;
    std::vector<TFlagRequest> requests;
    for (const TEntry* entry : entries)
        requests.push_back({entry->Link, entry->Name, SiteInterface::FlagLink(entry->Link, code, m_config.SiteDomain)});
    m_flagging = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    // Postings flagged with this code before are not asked again.
    std::vector<TFlagRequest> pending;
    for (const TFlagRequest& request : requests)
        if (!m_flagged.contains({request.Link, code}))
            pending.push_back(request);
    const TFetchOptions options = TFetchOptions::FromConfig(m_config);
    // The window may go while the requests are out: the answer goes to the application and
    // finds this object only if it still exists.
    const QPointer<TResultActions> self(this);
    TBackgroundWork::Start([self, code, deleteAfter, requests, pending, options](std::stop_token stop) {
        std::size_t sent = 0;
        std::string failure;
        for (const TFlagRequest& request : pending) {
            if (stop.stop_requested()) {
                failure = "the program is ending";
                break;
            }
            // The site's answer is not examined: a request that arrived counts as sent.
            const TFetchResult result = FetchPage(request.Address, options);
            if (!result.Ok()) {
                failure = result.Reason.empty() ? std::string("no answer") : result.Reason;
                break;
            }
            ++sent;
        }
        PostToUiThread(QCoreApplication::instance(), [self, code, deleteAfter, requests, pending, sent, failure] {
            if (!self)
                return;
            for (std::size_t i = 0; i < sent; ++i)
                self->m_flagged.insert({pending[i].Link, code});
            self->FlagEnded(deleteAfter, requests, pending, sent, failure);
        });
    });
}

void TResultActions::FlagEnded(bool deleteAfter, const std::vector<TFlagRequest>& requests,
                               const std::vector<TFlagRequest>& pending, std::size_t sent, const std::string& failure) {
    m_flagging = false;
    QApplication::restoreOverrideCursor();
    if (!failure.empty()) {
        const TFlagRequest& failed = pending[sent];
        const std::size_t notSent = pending.size() - sent - 1;
        std::string text =
            "Cannot open URL " + failed.Address + " (" + failure + ").\n\n\"" + failed.Title + "\" was not flagged";
        text += notSent > 0 ? ", nor the " + std::to_string(notSent) + " after it." : ".";
        if (sent > 0)
            text += " " + std::to_string(sent) + " flagged before it.";
        UserMessages().Error(text);
        Q_EMIT FlaggingEnded(static_cast<int>(sent), true);
        return;
    }
    if (deleteAfter) {
        std::unordered_set<std::string> links;
        for (const TFlagRequest& request : requests)
            links.insert(request.Link);
        const TResultsList& active = m_activeList();
        std::vector<const TEntry*> flagged;
        for (int row = 0; row < active.RowCount(); ++row)
            if (links.contains(active.EntryAt(row)->Link))
                flagged.push_back(active.EntryAt(row));
        DeleteEntries(flagged);
    }
    Q_EMIT FlaggingEnded(static_cast<int>(sent), false);
}
