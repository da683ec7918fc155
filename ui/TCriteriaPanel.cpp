// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TCriteriaPanel.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "account/TUser.h"
#include "core/IUserMessages.h"
#include "refdata/TCategories.h"
#include "search/TAdvancedKeywords.h"
#include "search/TCategoryGroup.h"
#include "search/TSearch.h"
#include "search/TSearchRun.h"
#include "session/TSession.h"
#include "ui/TfrmAdvancedKeywords.h"
#include "ui/TfrmSelectLocations.h"

namespace {

constexpr int MaxDistance = 10000;
constexpr int MaxAge = 130;
/// How many added places the locations line names before it says "and N more".
constexpr int NamedAddedPlaces = 4;
const char* const WholeCategory = "- whole category -";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLocale NumberLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

/// A rent or price as its edit shows it: the shortest decimal form; an open bound (0) as
/// an empty edit, which shows "min" or "max" greyed.
QString BoundText(double value) {
    if (value <= 0 || !std::isfinite(value))
        return {};
    return NumberLocale().toString(value, 'g', QLocale::FloatingPointShortest);
}

/// A rent or price as typed: empty, "min" or "max" is an open bound (0); none for text
/// that is no amount of 0 or more.
std::optional<double> ParseBound(const QString& typed) {
    const QString text = typed.trimmed();
    if (text.isEmpty() || text.compare(QLatin1String("min"), Qt::CaseInsensitive) == 0 ||
        text.compare(QLatin1String("max"), Qt::CaseInsensitive) == 0)
        return 0.0;
    bool ok = false;
    double value = NumberLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

/// The distance as typed, a whole number of miles; none for any other text.
std::optional<int> ParseDistance(const QString& typed) {
    bool ok = false;
    const int value = typed.trimmed().toInt(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption) {
    return Named(new QCheckBox(QLatin1String(caption), parent), name);
}

QLineEdit* BoundEdit(QWidget* parent, const char* name, const char* placeholder) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setPlaceholderText(QLatin1String(placeholder));
    return edit;
}

QSpinBox* AgeBox(QWidget* parent, const char* name, const char* openText) {
    auto* box = Named(new QSpinBox(parent), name);
    box->setRange(0, MaxAge);
    box->setSpecialValueText(QLatin1String(openText));
    return box;
}

/// Two bound edits side by side under a caption.
QWidget* RangeRow(QWidget* parent, const char* caption, QWidget* minimum, QWidget* maximum) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QLatin1String(caption), row);
    label->setMinimumWidth(56);
    label->setBuddy(minimum);
    layout->addWidget(label);
    layout->addWidget(minimum, 1);
    layout->addWidget(new QLabel(QStringLiteral("-"), row));
    layout->addWidget(maximum, 1);
    return row;
}

/// The group whose extras the category has; Other without a category.
TCategoryGroup GroupOf(const TPlace* category) {
    return category ? CategoryGroupOf(*category) : TCategoryGroup::Other;
}

} // namespace

TCriteriaPanel::TCriteriaPanel(TSession& session, TfrmAdvancedKeywords& advanced, QWidget* parent)
    : QWidget(parent), m_session(session), m_advanced(advanced) {
    setObjectName(QStringLiteral("CriteriaPanel"));
    BuildControls();
    HideExtras();
    m_runLocationsTimer = new QTimer(this);
    m_runLocationsTimer->setSingleShot(true);
    m_runLocationsTimer->setInterval(150);
    connect(m_runLocationsTimer, &QTimer::timeout, this, &TCriteriaPanel::UpdateRunLocations);
}

TCriteriaPanel::~TCriteriaPanel() = default;

// ---- Building ----

void TCriteriaPanel::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);

    gbCriteria = Named(new QGroupBox(QStringLiteral("Search criteria"), this), "gbCriteria");
    auto* criteria = new QVBoxLayout(gbCriteria);
    criteria->setSpacing(4);
    criteria->addWidget(BuildLocationBlock());

    sLabel1 = Named(new QLabel(QStringLiteral("Keywords:"), gbCriteria), "sLabel1");
    edtPositiveKeywords = Named(new QPlainTextEdit(gbCriteria), "edtPositiveKeywords");
    edtPositiveKeywords->setTabChangesFocus(true);
    edtPositiveKeywords->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edtPositiveKeywords->setFixedHeight(edtPositiveKeywords->fontMetrics().lineSpacing() * 3 + 10);
    // One paragraph: Enter must not break the line.
    edtPositiveKeywords->installEventFilter(this);
    sLabel1->setBuddy(edtPositiveKeywords);
    btnAdvanced = Named(new QPushButton(QStringLiteral("Advanced search"), gbCriteria), "btnAdvanced");
    btnAdvanced->setAutoDefault(false);
    criteria->addWidget(sLabel1);
    criteria->addWidget(edtPositiveKeywords);
    criteria->addWidget(btnAdvanced);

    sLabel4 = Named(new QLabel(QStringLiteral("Category:"), gbCriteria), "sLabel4");
    cboxCategories = Named(new QComboBox(gbCriteria), "cboxCategories");
    sLabel5 = Named(new QLabel(QStringLiteral("Sub category:"), gbCriteria), "sLabel5");
    cboxSubCategories = Named(new QComboBox(gbCriteria), "cboxSubCategories");
    for (QComboBox* combo : {cboxCategories, cboxSubCategories}) {
        // Long category names must not widen the narrow panel.
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(12);
    }
    sLabel4->setBuddy(cboxCategories);
    sLabel5->setBuddy(cboxSubCategories);
    criteria->addWidget(sLabel4);
    criteria->addWidget(cboxCategories);
    criteria->addWidget(sLabel5);
    criteria->addWidget(cboxSubCategories);
    cbHasImage = CheckBox(gbCriteria, "cbHasImage", "Has image");
    cbOnlyTitles = CheckBox(gbCriteria, "cbOnlyTitles", "Only search titles");
    criteria->addWidget(cbHasImage);
    criteria->addWidget(cbOnlyTitles);
    criteria->addWidget(BuildExtras());
    btnClearFields = Named(new QPushButton(QStringLiteral("Clear all fields"), gbCriteria), "btnClearFields");
    btnClearFields->setAutoDefault(false);
    criteria->addWidget(btnClearFields);
    layout->addWidget(gbCriteria);

    auto* sPanel1 = Named(new QWidget(this), "sPanel1");
    auto* below = new QVBoxLayout(sPanel1);
    below->setContentsMargins(0, 0, 0, 0);
    below->addWidget(BuildMisc());
    sBitBtn2 = Named(new QPushButton(QStringLiteral("Stop search"), sPanel1), "sBitBtn2");
    btnStartSearch = Named(new QPushButton(QStringLiteral("Start search"), sPanel1), "btnStartSearch");
    sBitBtn2->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    btnStartSearch->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(sBitBtn2);
    buttons->addWidget(btnStartSearch);
    below->addLayout(buttons);
    lblStartHint = Named(new QLabel(sPanel1), "lblStartHint");
    lblStartHint->setWordWrap(true);
    below->addWidget(lblStartHint);
    layout->addWidget(sPanel1);
    layout->addStretch(1);

    // Over the upper part of the criteria box while no place is chosen.
    pnlNoLocations = Named(new QFrame(gbCriteria), "pnlNoLocations");
    static_cast<QFrame*>(pnlNoLocations)->setFrameShape(QFrame::StyledPanel);
    pnlNoLocations->setAutoFillBackground(true);
    auto* noLocations = new QVBoxLayout(pnlNoLocations);
    auto* text = new QLabel(QStringLiteral("In order to Start search you must select Location of the search. Currently "
                                           "No Location is selected. Please make selection."),
                            pnlNoLocations);
    text->setObjectName(QStringLiteral("lblNoLocations"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    sBitBtn1 = Named(new QPushButton(pnlNoLocations), "sBitBtn1");
    sBitBtn1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    sBitBtn1->setToolTip(QStringLiteral("Choose search locations"));
    sBitBtn1->setDefault(true);
    noLocations->addWidget(text, 1);
    noLocations->addWidget(sBitBtn1, 0, Qt::AlignHCenter);
    pnlNoLocations->hide();
    gbCriteria->installEventFilter(this);
    m_locationBlock->installEventFilter(this);

    connect(sbtnLocations, &QPushButton::clicked, this, &TCriteriaPanel::sbtnLocationsClick);
    connect(sBitBtn1, &QPushButton::clicked, sbtnLocations, &QPushButton::click);
    connect(btnAdvanced, &QPushButton::clicked, this, &TCriteriaPanel::btnAdvancedClick);
    connect(btnClearFields, &QPushButton::clicked, this, [this] { ClearFields(true); });
    connect(cboxCategories, &QComboBox::activated, this, &TCriteriaPanel::cboxCategoriesChange);
    connect(cbRange, &QCheckBox::clicked, this, &TCriteriaPanel::cbRangeClick);
    connect(tbRange, &QSlider::valueChanged, this, &TCriteriaPanel::tbRangeChange);
    connect(edtRange, &QLineEdit::textChanged, this, &TCriteriaPanel::edtRangeChange);
}

QWidget* TCriteriaPanel::BuildLocationBlock() {
    m_locationBlock = new QWidget(gbCriteria);
    auto* layout = new QVBoxLayout(m_locationBlock);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    sbtnLocations = Named(new QPushButton(QStringLiteral("Choose search locations"), m_locationBlock), "sbtnLocations");
    sbtnLocations->setFlat(true);
    sbtnLocations->setAutoDefault(false);
    sbtnLocations->setCursor(Qt::PointingHandCursor);
    sbtnLocations->setStyleSheet(
        QStringLiteral("QPushButton { color: #d00000; font-weight: bold; text-decoration: underline; border: none; "
                       "text-align: left; padding: 2px 0px; }"));
    layout->addWidget(sbtnLocations);
    cbRange = CheckBox(m_locationBlock, "cbRange", "Include locations which are up to");
    layout->addWidget(cbRange);
    tbRange = Named(new QSlider(Qt::Horizontal, m_locationBlock), "tbRange");
    tbRange->setRange(0, MaxDistance);
    tbRange->setTickPosition(QSlider::NoTicks);
    layout->addWidget(tbRange);
    auto* row = new QHBoxLayout;
    edtRange = Named(new QLineEdit(QStringLiteral("1234"), m_locationBlock), "edtRange");
    edtRange->setMaximumWidth(70);
    Label1 = Named(new QLabel(QStringLiteral("miles away."), m_locationBlock), "Label1");
    row->addWidget(edtRange);
    row->addWidget(Label1, 1);
    layout->addLayout(row);
    lblRunLocations = Named(new QLabel(m_locationBlock), "lblRunLocations");
    lblRunLocations->setWordWrap(true);
    lblRunLocations->setTextFormat(Qt::PlainText);
    layout->addWidget(lblRunLocations);
    return m_locationBlock;
}

QWidget* TCriteriaPanel::BuildExtras() {
    pcAditional = Named(new QStackedWidget(gbCriteria), "pcAditional");

    tsPersonals = Named(new QWidget(pcAditional), "tsPersonals");
    edtPersonalsMinAge = AgeBox(tsPersonals, "edtPersonalsMinAge", "min");
    edtPersonalsMaxAge = AgeBox(tsPersonals, "edtPersonalsMaxAge", "max");
    auto* personals = new QVBoxLayout(tsPersonals);
    personals->setContentsMargins(0, 0, 0, 0);
    personals->addWidget(RangeRow(tsPersonals, "Poster's age:", edtPersonalsMinAge, edtPersonalsMaxAge));

    tsHousing = Named(new QWidget(pcAditional), "tsHousing");
    edtHousingMinRent = BoundEdit(tsHousing, "edtHousingMinRent", "min");
    edtHousingMaxRent = BoundEdit(tsHousing, "edtHousingMaxRent", "max");
    cboxHousingBathrooms = Named(new QComboBox(tsHousing), "cboxHousingBathrooms");
    cboxHousingBathrooms->addItem(QStringLiteral("0+ BR"));
    for (int bedrooms = 1; bedrooms <= 8; ++bedrooms)
        cboxHousingBathrooms->addItem(QStringLiteral("%1 BR").arg(bedrooms));
    cbHousingCats = CheckBox(tsHousing, "cbHousingCats", "Cats");
    cbHousingDogs = CheckBox(tsHousing, "cbHousingDogs", "Dogs");
    auto* housing = new QGridLayout(tsHousing);
    housing->setContentsMargins(0, 0, 0, 0);
    housing->setVerticalSpacing(2);
    housing->addWidget(RangeRow(tsHousing, "Rent:", edtHousingMinRent, edtHousingMaxRent), 0, 0, 1, 3);
    auto* bedroomsLabel = new QLabel(QStringLiteral("Bedrooms:"), tsHousing);
    bedroomsLabel->setBuddy(cboxHousingBathrooms);
    housing->addWidget(bedroomsLabel, 1, 0);
    housing->addWidget(cboxHousingBathrooms, 1, 1, 1, 2);
    housing->addWidget(cbHousingCats, 2, 1);
    housing->addWidget(cbHousingDogs, 2, 2);

    tsForSale = Named(new QWidget(pcAditional), "tsForSale");
    edtForSaleMinPrice = BoundEdit(tsForSale, "edtForSaleMinPrice", "min");
    edtForSaleMaxPrice = BoundEdit(tsForSale, "edtForSaleMaxPrice", "max");
    auto* forSale = new QVBoxLayout(tsForSale);
    forSale->setContentsMargins(0, 0, 0, 0);
    forSale->addWidget(RangeRow(tsForSale, "Price:", edtForSaleMinPrice, edtForSaleMaxPrice));

    tsJobs = Named(new QWidget(pcAditional), "tsJobs");
    cbJobsTelecomute = CheckBox(tsJobs, "cbJobsTelecomute", "Telecomute");
    cbJobsContract = CheckBox(tsJobs, "cbJobsContract", "Contract");
    cbJobsInternship = CheckBox(tsJobs, "cbJobsInternship", "Internship");
    cbJobsPartTime = CheckBox(tsJobs, "cbJobsPartTime", "Part-time");
    cbJobsNonProfit = CheckBox(tsJobs, "cbJobsNonProfit", "Non-profit");
    auto* jobs = new QGridLayout(tsJobs);
    jobs->setContentsMargins(0, 0, 0, 0);
    jobs->setVerticalSpacing(2);
    jobs->addWidget(cbJobsTelecomute, 0, 0);
    jobs->addWidget(cbJobsContract, 0, 1);
    jobs->addWidget(cbJobsInternship, 1, 0);
    jobs->addWidget(cbJobsPartTime, 1, 1);
    jobs->addWidget(cbJobsNonProfit, 2, 0);

    for (QWidget* page : {tsPersonals, tsHousing, tsForSale, tsJobs})
        pcAditional->addWidget(page);
    return pcAditional;
}

QWidget* TCriteriaPanel::BuildMisc() {
    m_misc = Named(new QGroupBox(QStringLiteral("Misc"), this), "gbMisc");
    auto* layout = new QVBoxLayout(m_misc);
    layout->setSpacing(2);
    cbKeepOldResults = CheckBox(m_misc, "cbKeepOldResults", "Keep old results (otherwise delete)");
    cbNotifyEMail = CheckBox(m_misc, "cbNotifyEMail", "Notify by e-mail");
    cbNotifySMS = CheckBox(m_misc, "cbNotifySMS", "Notify by SMS");
    sCheckBox1 = CheckBox(m_misc, "sCheckBox1", "Send me regular e-mail digests");
    for (QCheckBox* box : {cbKeepOldResults, cbNotifyEMail, cbNotifySMS, sCheckBox1})
        layout->addWidget(box);
    return m_misc;
}

bool TCriteriaPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtPositiveKeywords && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    if ((watched == gbCriteria || watched == m_locationBlock) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move || event->type() == QEvent::LayoutRequest))
        PlaceNoLocationsPanel();
    return QWidget::eventFilter(watched, event);
}

void TCriteriaPanel::PlaceNoLocationsPanel() {
    // It covers the locations and the range, and at least what its text needs.
    QRect area = m_locationBlock->geometry();
    area.setHeight(std::max(area.height(), pnlNoLocations->sizeHint().height()));
    pnlNoLocations->setGeometry(area);
    pnlNoLocations->raise();
}

// ---- Loading and storing ----

void TCriteriaPanel::FillComboWithPlaces(QComboBox* combo, const TPlaceList& places) {
    for (TPlace* place : places)
        combo->addItem(Q(place->Name), QVariant::fromValue(static_cast<void*>(place)));
    combo->setCurrentIndex(-1);
}

TPlace* TCriteriaPanel::SelectedRecord(const QComboBox* combo) {
    if (combo->currentIndex() < 0)
        return nullptr;
    return static_cast<TPlace*>(combo->currentData().value<void*>());
}

const TPlace* TCriteriaPanel::SelectedCategory() const {
    if (cboxSubCategories->currentIndex() >= 1)
        return SelectedRecord(cboxSubCategories);
    return SelectedRecord(cboxCategories);
}

bool TCriteriaPanel::HasCategory() const {
    return SelectedRecord(cboxCategories) != nullptr;
}

bool TCriteriaPanel::HasPlaces() const {
    return Picker && !Picker->ChosenPlaces.empty();
}

void TCriteriaPanel::FillCategories() {
    cboxCategories->clear();
    if (m_session.Categories)
        FillComboWithPlaces(cboxCategories, m_session.Categories->Roots);
    if (Picker) {
        Picker->ChosenPlaces.clear();
        Picker->ChosenRoots.clear();
    }
    UpdateRunLocations();
}

void TCriteriaPanel::ResetForOpening() {
    for (QCheckBox* box : {cbKeepOldResults, cbNotifySMS, cbNotifyEMail})
        box->setChecked(false);
    cbRange->setChecked(false);
    cbRangeClick();
}

void TCriteriaPanel::LoadCriteria(TSearch& search) {
    if (Picker) {
        Picker->ChosenPlaces = search.LeafLocations();
        Picker->ChosenRoots = search.Locations();
    }
    cboxCategories->setCurrentIndex(-1);
    if (const TPlace* category = search.Category) {
        const TPlace* main = category->Level == 1 || !category->Parent() ? category : category->Parent();
        cboxCategories->setCurrentIndex(cboxCategories->findText(Q(main->Name), Qt::MatchFixedString));
        cboxCategoriesChange();
        if (main != category) {
            const int sub =
                cboxSubCategories->findText(Q(category->Name), Qt::MatchFixedString | Qt::MatchCaseSensitive);
            if (sub >= 1)
                cboxSubCategories->setCurrentIndex(sub);
        }
    } else {
        cboxCategoriesChange();
    }
    edtPositiveKeywords->setPlainText(Q(search.PositiveKeywords));
    cbOnlyTitles->setChecked(search.OnlyTitles);
    cbHasImage->setChecked(search.HasImage);

    HideExtras();
    switch (GroupOf(search.Category)) {
    case TCategoryGroup::Personals:
        pcAditional->setCurrentWidget(tsPersonals);
        ShowExtras();
        edtPersonalsMinAge->setValue(std::clamp(search.MinAge, 0, MaxAge));
        edtPersonalsMaxAge->setValue(std::clamp(search.MaxAge, 0, MaxAge));
        break;
    case TCategoryGroup::Housing:
        pcAditional->setCurrentWidget(tsHousing);
        ShowExtras();
        cboxHousingBathrooms->setCurrentIndex(std::clamp(search.Bedrooms, 0, 8));
        edtHousingMinRent->setText(BoundText(search.MinRent));
        edtHousingMaxRent->setText(BoundText(search.MaxRent));
        cbHousingCats->setChecked(search.Cats);
        cbHousingDogs->setChecked(search.Dogs);
        break;
    case TCategoryGroup::ForSale:
        pcAditional->setCurrentWidget(tsForSale);
        ShowExtras();
        edtForSaleMinPrice->setText(BoundText(search.MinPrice));
        edtForSaleMaxPrice->setText(BoundText(search.MaxPrice));
        break;
    case TCategoryGroup::Jobs:
        pcAditional->setCurrentWidget(tsJobs);
        ShowExtras();
        cbJobsTelecomute->setChecked(search.Telecommuting);
        cbJobsContract->setChecked(search.Contract);
        cbJobsInternship->setChecked(search.Internship);
        cbJobsPartTime->setChecked(search.PartTime);
        cbJobsNonProfit->setChecked(search.NonProfit);
        break;
    case TCategoryGroup::Other:
        break;
    }
    m_advanced.SetFields(TAdvancedKeywords::Of(search));

    const TUser* user = m_session.User.get();
    cbKeepOldResults->setChecked(search.KeepOldResults);
    cbNotifySMS->setChecked(search.NotifySms && user && !user->Phone.empty() && user->NetworkID > 0);
    cbNotifyEMail->setChecked(search.NotifyEmail && user && !user->EMail.empty());

    cbRange->setChecked(search.Distance > 0);
    cbRangeClick();
    tbRange->setValue(std::clamp(search.Distance, 0, MaxDistance));
    edtRange->setText(QString::number(search.Distance));
    UpdateRunLocations();
}

QString TCriteriaPanel::InputProblem() const {
    if (!HasPlaces())
        return QStringLiteral("There are no locations chosen, to search in!");
    if (!HasCategory())
        return QStringLiteral("There is no category chosen, to search in! Choose one under \"Category:\".");
    if (!ParseDistance(edtRange->text()))
        return QStringLiteral("The distance \"%1\" is not a whole number of miles.").arg(edtRange->text());

    struct TBounds {
        const char* What;
        QString Minimum;
        QString Maximum;
    };
    std::optional<TBounds> bounds;
    switch (GroupOf(SelectedCategory())) {
    case TCategoryGroup::Personals:
        if (edtPersonalsMaxAge->value() > 0 && edtPersonalsMinAge->value() > edtPersonalsMaxAge->value())
            return QStringLiteral("The minimum age (%1) is above the maximum age (%2).")
                .arg(edtPersonalsMinAge->value())
                .arg(edtPersonalsMaxAge->value());
        break;
    case TCategoryGroup::Housing:
        bounds = TBounds{"rent", edtHousingMinRent->text(), edtHousingMaxRent->text()};
        break;
    case TCategoryGroup::ForSale:
        bounds = TBounds{"price", edtForSaleMinPrice->text(), edtForSaleMaxPrice->text()};
        break;
    default:
        break;
    }
    if (!bounds)
        return {};
    const QString what = QLatin1String(bounds->What);
    const std::optional<double> minimum = ParseBound(bounds->Minimum);
    const std::optional<double> maximum = ParseBound(bounds->Maximum);
    if (!minimum)
        return QStringLiteral("The minimum %1 \"%2\" is not an amount.").arg(what, bounds->Minimum.trimmed());
    if (!maximum)
        return QStringLiteral("The maximum %1 \"%2\" is not an amount.").arg(what, bounds->Maximum.trimmed());
    if (*maximum > 0 && *minimum > *maximum)
        return QStringLiteral("The minimum %1 (%2) is above the maximum %1 (%3).")
            .arg(what, bounds->Minimum.trimmed(), bounds->Maximum.trimmed());
    return {};
}

std::string TCriteriaPanel::NameFor(const QString& keywords, const TPlace* category) {
    const QString words = keywords.simplified();
    const QString what = category ? QString::fromStdString(category->Name) : QString();
    if (words.isEmpty())
        return what.isEmpty() ? std::string("New search") : what.toStdString();
    return (what.isEmpty() ? words : words + QStringLiteral(" (") + what + QLatin1Char(')')).toStdString();
}

bool TCriteriaPanel::StoreCriteria(TSearch& search) {
    search.Name = NameFor(edtPositiveKeywords->toPlainText(), SelectedCategory());
    if (Picker) {
        search.SetLeafLocations(Picker->ChosenPlaces);
        search.SetLocations(Picker->ChosenRoots);
    }
    search.Category = SelectedCategory();
    search.PositiveKeywords = edtPositiveKeywords->toPlainText().toStdString();
    search.OnlyTitles = cbOnlyTitles->isChecked();
    search.HasImage = cbHasImage->isChecked();
    switch (GroupOf(search.Category)) {
    case TCategoryGroup::Personals:
        search.MinAge = edtPersonalsMinAge->value();
        search.MaxAge = edtPersonalsMaxAge->value();
        break;
    case TCategoryGroup::Housing:
        search.Bedrooms = cboxHousingBathrooms->currentIndex();
        search.MinRent = ParseBound(edtHousingMinRent->text()).value_or(0);
        search.MaxRent = ParseBound(edtHousingMaxRent->text()).value_or(0);
        search.Cats = cbHousingCats->isChecked();
        search.Dogs = cbHousingDogs->isChecked();
        break;
    case TCategoryGroup::ForSale:
        search.MinPrice = ParseBound(edtForSaleMinPrice->text()).value_or(0);
        search.MaxPrice = ParseBound(edtForSaleMaxPrice->text()).value_or(0);
        break;
    case TCategoryGroup::Jobs:
        search.Telecommuting = cbJobsTelecomute->isChecked();
        search.Contract = cbJobsContract->isChecked();
        search.Internship = cbJobsInternship->isChecked();
        search.PartTime = cbJobsPartTime->isChecked();
        search.NonProfit = cbJobsNonProfit->isChecked();
        break;
    case TCategoryGroup::Other:
        break;
    }
    m_advanced.Fields().StoreInto(search);
    search.KeepOldResults = cbKeepOldResults->isChecked();
    search.NotifySms = cbNotifySMS->isChecked();
    search.NotifyEmail = cbNotifyEMail->isChecked();
    const std::optional<int> distance = ParseDistance(edtRange->text());
    if (distance)
        search.Distance = *distance;
    return distance.has_value();
}

void TCriteriaPanel::ClearFields(bool ask) {
    if (ask && !UserMessages().Question("Are you sure you want to clear all the fields"))
        return;
    if (Picker)
        Picker->ChosenPlaces.clear();
    cboxCategories->clear();
    if (m_session.Categories)
        FillComboWithPlaces(cboxCategories, m_session.Categories->Roots);
    cboxCategoriesChange();
    cboxSubCategories->clear();
    edtPositiveKeywords->clear();
    cbOnlyTitles->setChecked(false);
    cbHasImage->setChecked(false);
    m_advanced.ClearFields();
    UpdateRunLocations();
}

void TCriteriaPanel::ChooseDefaultLocations() {
    if (!Picker || !m_session.Settings)
        return;
    Picker->ChosenRoots = m_session.Settings->DefaultLocations;
    ExpandToLeaves(Picker->ChosenRoots, Picker->ChosenPlaces);
    UpdateRunLocations();
}

// ---- Category and extras ----

void TCriteriaPanel::cboxCategoriesChange() {
    const TPlace* category = SelectedRecord(cboxCategories);
    cboxSubCategories->clear();
    if (category)
        FillComboWithPlaces(cboxSubCategories, category->Children);
    cboxSubCategories->insertItem(0, QLatin1String(WholeCategory));
    cboxSubCategories->setCurrentIndex(0);
    HideExtras();
    if (!category)
        return;
    const std::string& name = category->Name;
    if (name == "personals") {
        pcAditional->setCurrentWidget(tsPersonals);
        ShowExtras();
        edtPersonalsMinAge->setValue(0);
        edtPersonalsMaxAge->setValue(0);
    } else if (name == "housing") {
        pcAditional->setCurrentWidget(tsHousing);
        ShowExtras();
        cboxHousingBathrooms->setCurrentIndex(0);
        edtHousingMinRent->clear();
        edtHousingMaxRent->clear();
        cbHousingCats->setChecked(false);
        cbHousingDogs->setChecked(false);
    } else if (name == "for sale") {
        pcAditional->setCurrentWidget(tsForSale);
        ShowExtras();
        edtForSaleMinPrice->clear();
        edtForSaleMaxPrice->clear();
    } else if (name == "jobs") {
        pcAditional->setCurrentWidget(tsJobs);
        ShowExtras();
        for (QCheckBox* box : {cbJobsTelecomute, cbJobsContract, cbJobsInternship, cbJobsPartTime, cbJobsNonProfit})
            box->setChecked(false);
    }
}

void TCriteriaPanel::HideExtras() {
    pcAditional->hide();
    gbCriteria->updateGeometry();
}

void TCriteriaPanel::ShowExtras() {
    // The extras take the height of the page shown, not of the tallest page.
    pcAditional->setFixedHeight(pcAditional->currentWidget()->sizeHint().height());
    pcAditional->show();
    gbCriteria->updateGeometry();
}

// ---- Range ----

void TCriteriaPanel::cbRangeClick() {
    tbRange->setEnabled(cbRange->isChecked());
    edtRange->setEnabled(cbRange->isChecked());
    tbRange->setValue(0);
    tbRangeChange(0);
}

void TCriteriaPanel::tbRangeChange(int position) {
    if (m_settingRange)
        return;
    const QString text = QString::number(position);
    if (edtRange->text() != text) {
        m_settingRange = true;
        edtRange->setText(text);
        m_settingRange = false;
    }
    ScheduleRunLocations();
}

void TCriteriaPanel::edtRangeChange(const QString& text) {
    if (!m_settingRange) {
        // The edit keeps what was typed, even beyond the track bar's end.
        m_settingRange = true;
        tbRange->setValue(std::clamp(ParseDistance(text).value_or(0), 0, MaxDistance));
        m_settingRange = false;
    }
    ScheduleRunLocations();
}

void TCriteriaPanel::ScheduleRunLocations() {
    m_runLocationsTimer->start();
}

void TCriteriaPanel::UpdateRunLocations() {
    m_runLocationsTimer->stop();
    if (!HasPlaces()) {
        lblRunLocations->clear();
        lblRunLocations->setToolTip({});
        return;
    }
    const TPlaceList& chosen = Picker->ChosenPlaces;
    const int distance = ParseDistance(edtRange->text()).value_or(0);
    // The run's own widening, worked out on a search of its own before any run starts.
    TSearch probe(&m_session.SearchContext());
    probe.Distance = distance;
    probe.SetLeafLocations(chosen);
    probe.CurrentRun().ExpandByDistance();
    std::set<const TPlace*> seen(chosen.begin(), chosen.end());
    QStringList added;
    for (const TPlace* place : probe.CurrentRun().LocationsToSearch)
        if (seen.insert(place).second)
            added << Q(place->Name);
    const int total = static_cast<int>(seen.size());
    QString text =
        total == 1 ? QStringLiteral("1 location to search") : QStringLiteral("%1 locations to search").arg(total);
    if (!added.isEmpty()) {
        QStringList named = added.mid(0, NamedAddedPlaces);
        if (added.size() > NamedAddedPlaces)
            named << QStringLiteral("and %1 more").arg(added.size() - NamedAddedPlaces);
        text += QStringLiteral(", %1 added within %2 miles: %3")
                    .arg(added.size())
                    .arg(distance)
                    .arg(named.join(QStringLiteral(", ")));
    }
    lblRunLocations->setText(text + QLatin1Char('.'));
    lblRunLocations->setToolTip(added.isEmpty() ? QString()
                                                : QStringLiteral("Added: ") + added.join(QStringLiteral(", ")));
}

// ---- Buttons ----

void TCriteriaPanel::sbtnLocationsClick() {
    if (!Picker)
        return;
    Picker->Execute();
    UpdateRunLocations();
}

void TCriteriaPanel::btnAdvancedClick() {
    const std::string composed = m_advanced.Compose(CurrentSearch ? CurrentSearch() : nullptr);
    if (!composed.empty())
        edtPositiveKeywords->setPlainText(Q(composed));
}
