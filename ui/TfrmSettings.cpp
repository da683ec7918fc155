// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TfrmSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "core/IUserMessages.h"
#include "refdata/TPlaces.h"
#include "session/TSession.h"
#include "store/TSettings.h"
#include "ui/TMainForm.h"
#include "ui/TSkins.h"
#include "ui/TfrmSelectLocations.h"

namespace {

constexpr int MinMinutes = 1;
constexpr int MaxMinutes = 1000;
constexpr int InitialMinutes = 15;
constexpr std::int64_t MsPerMinute = 60000;
/// How many default locations the dialog names before it only counts the rest.
constexpr int NamedLocations = 3;

/// Whole minutes from 1 to 1000. Only digits can be typed, and no leading zero, so that a
/// field holds either nothing or a number in range: an interval of 0 would make the timer
/// spin.
class TMinutesSpinBox final : public QSpinBox {
public:
    TMinutesSpinBox() {
        setRange(MinMinutes, MaxMinutes);
        setValue(InitialMinutes);
        setAccelerated(true);
        setToolTip(QStringLiteral("From %1 to %2 minutes").arg(MinMinutes).arg(MaxMinutes));
    }

protected:
    QValidator::State validate(QString& input, int& position) const override {
        if (input.startsWith(QLatin1Char('0')))
            return QValidator::Invalid;
        for (const QChar character : input)
            if (!character.isDigit())
                return QValidator::Invalid;
        return QSpinBox::validate(input, position);
    }
};

/// A stored interval in whole minutes within the range. Nothing stored yet (0) shows the
/// 15 minutes the main window's timer starts with, so that a first Save keeps them.
int Minutes(std::int64_t milliseconds) {
    if (milliseconds <= 0)
        return InitialMinutes;
    const double minutes = std::round(static_cast<double>(milliseconds) / static_cast<double>(MsPerMinute));
    return static_cast<int>(std::clamp(minutes, static_cast<double>(MinMinutes), static_cast<double>(MaxMinutes)));
}

QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TfrmSettings::TfrmSettings(TSession& session, TMainForm& mainForm, QWidget* parent)
    : QDialog(parent), m_session(session), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    BuildControls();
}

TfrmSettings::~TfrmSettings() = default;

void TfrmSettings::BuildControls() {
    udSearchInterval = new TMinutesSpinBox;
    udSearchInterval->setObjectName(QStringLiteral("udSearchInterval"));
    edtSearchInterval = udSearchInterval->findChild<QLineEdit*>();
    edtSearchInterval->setObjectName(QStringLiteral("edtSearchInterval"));
    udNewResults = new TMinutesSpinBox;
    udNewResults->setObjectName(QStringLiteral("udNewResults"));
    edtNewResultsCheckInterval = udNewResults->findChild<QLineEdit*>();
    edtNewResultsCheckInterval->setObjectName(QStringLiteral("edtNewResultsCheckInterval"));

    cboxCustomSkin = new QComboBox;
    cboxCustomSkin->setObjectName(QStringLiteral("cboxCustomSkin"));
    connect(cboxCustomSkin, &QComboBox::currentIndexChanged, this,
            [this] { SkinName = cboxCustomSkin->currentData().toString().toStdString(); });

    sSpeedButton2 = new QPushButton(QStringLiteral("Default search locations"));
    sSpeedButton2->setObjectName(QStringLiteral("sSpeedButton2"));
    sSpeedButton2->setAutoDefault(false);
    connect(sSpeedButton2, &QPushButton::clicked, this, &TfrmSettings::sSpeedButton2Click);
    lblDefaultLocations = new QLabel;
    lblDefaultLocations->setObjectName(QStringLiteral("lblDefaultLocations"));
    lblDefaultLocations->setWordWrap(true);
    lblDefaultLocations->setTextFormat(Qt::PlainText);

    actSave = new QAction(QStringLiteral("Save"), this);
    actSave->setObjectName(QStringLiteral("actSave"));
    connect(actSave, &QAction::triggered, this, &TfrmSettings::actSaveExecute);
    auto* buttons = new QDialogButtonBox;
    btnSave = buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setDefault(true);
    btnClose = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    // The button box would accept on its own; Save goes through the action.
    connect(btnSave, &QPushButton::clicked, actSave, &QAction::trigger);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(actSave, &QAction::changed, btnSave, [this] { btnSave->setEnabled(actSave->isEnabled()); });

    for (QSpinBox* field : {udSearchInterval, udNewResults})
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 40);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(12);
    grid->addWidget(Caption(QStringLiteral("Refresh opened search every:"), udSearchInterval), 0, 0);
    grid->addWidget(udSearchInterval, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("minutes")), 0, 2);
    grid->addWidget(Caption(QStringLiteral("Check for new results every:"), udNewResults), 1, 0);
    grid->addWidget(udNewResults, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("minutes")), 1, 2);
    grid->addWidget(Caption(QStringLiteral("Skin:"), cboxCustomSkin), 2, 0);
    grid->addWidget(cboxCustomSkin, 2, 1, 1, 2);
    grid->addWidget(Caption(QStringLiteral("Default locations:"), sSpeedButton2), 3, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(lblDefaultLocations, 3, 1, 1, 2, Qt::AlignTop);
    grid->addWidget(sSpeedButton2, 4, 1, 1, 2, Qt::AlignLeft);
    cbDesktopNotices = new QCheckBox(QStringLiteral("Show a notice on the desktop when new results are found"));
    cbDesktopNotices->setObjectName(QStringLiteral("cbDesktopNotices"));
    grid->addWidget(cbDesktopNotices, 5, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addStretch();
    layout->addWidget(buttons);
    setMinimumWidth(sizeHint().width() + 60);

    setTabOrder(udSearchInterval, udNewResults);
    setTabOrder(udNewResults, cboxCustomSkin);
    setTabOrder(cboxCustomSkin, sSpeedButton2);
    setTabOrder(sSpeedButton2, cbDesktopNotices);
    setTabOrder(cbDesktopNotices, btnSave);
    setTabOrder(btnSave, btnClose);

    for (QSpinBox* field : {udSearchInterval, udNewResults}) {
        field->installEventFilter(this);
        connect(field->findChild<QLineEdit*>(), &QLineEdit::textChanged, this, &TfrmSettings::ActionList1Update);
        // Leaving a field puts its value back without a change of text being announced.
        connect(field, &QSpinBox::editingFinished, this, &TfrmSettings::ActionList1Update);
    }
    ActionList1Update();
}

bool TfrmSettings::Execute() {
    LoadFromSettings();
    udSearchInterval->setFocus();
    udSearchInterval->selectAll();
    if (exec() != QDialog::Accepted)
        return false;
    ApplyToProgram();
    return true;
}

void TfrmSettings::LoadFromSettings() {
    const TSettings& settings = *m_session.Settings;
    udSearchInterval->setValue(Minutes(settings.SearchRefreshInterval));
    udNewResults->setValue(Minutes(settings.SearchCheckInterval));
    SkinName = settings.CustomSkin;
    FillSkinList();
    m_defaultLocations = settings.DefaultLocations;
    ShowDefaultLocations();
    cbDesktopNotices->setChecked(settings.DesktopNotices);
    // The places are there once a sign-in has loaded them.
    sSpeedButton2->setEnabled(m_session.Places != nullptr);
    sSpeedButton2->setToolTip(m_session.Places ? QString()
                                               : QStringLiteral("The locations can be chosen once you are signed in."));
    ActionList1Update();
}

void TfrmSettings::FillSkinList() {
    const QString chosen = QString::fromStdString(SkinName);
    cboxCustomSkin->clear();
    cboxCustomSkin->addItem(QStringLiteral("Built-in default"), QString());
    for (const QString& name : TSkins::Available(m_session.DataFolder))
        cboxCustomSkin->addItem(name, name);
    // A chosen skin whose folder has gone stays chosen until the user picks another, so
    // that putting the folder back brings it back.
    if (!chosen.isEmpty() && cboxCustomSkin->findData(chosen) < 0)
        cboxCustomSkin->addItem(QStringLiteral("%1 (not found)").arg(chosen), chosen);
    cboxCustomSkin->setCurrentIndex(cboxCustomSkin->findData(chosen));
}

void TfrmSettings::ShowDefaultLocations() {
    if (m_defaultLocations.empty()) {
        lblDefaultLocations->setText(QStringLiteral("None"));
        return;
    }
    QStringList names;
    for (const TPlace* place : m_defaultLocations) {
        if (names.size() == NamedLocations)
            break;
        names << QString::fromStdString(place->Name);
    }
    const int more = static_cast<int>(m_defaultLocations.size()) - static_cast<int>(names.size());
    QString text = names.join(QStringLiteral(", "));
    if (more > 0)
        text += QStringLiteral(" and %1 more").arg(more);
    lblDefaultLocations->setText(text);
}

bool TfrmSettings::eventFilter(QObject* watched, QEvent* event) {
    // Enter in an empty number field would have the spin box put back its old value and
    // then press Save with it; the field keeps what was typed instead.
    if (event->type() == QEvent::KeyPress && (watched == udSearchInterval || watched == udNewResults)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !static_cast<QSpinBox*>(watched)->hasAcceptableInput())
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSettings::ActionList1Update() {
    actSave->setEnabled(udSearchInterval->hasAcceptableInput() && udNewResults->hasAcceptableInput());
}

void TfrmSettings::sSpeedButton2Click() {
    if (!m_session.Places)
        return;
    if (!m_picker)
        m_picker = new TfrmSelectLocations(*m_session.Places, this);
    ExpandToLeaves(m_defaultLocations, m_picker->ChosenPlaces);
    if (!m_picker->Execute())
        return;
    m_defaultLocations = m_picker->ChosenRoots;
    ShowDefaultLocations();
}

void TfrmSettings::actSaveExecute() {
    ActionList1Update();
    if (!actSave->isEnabled())
        return;
    TSettings& settings = *m_session.Settings;
    settings.SearchRefreshInterval = udSearchInterval->value() * MsPerMinute;
    settings.SearchCheckInterval = udNewResults->value() * MsPerMinute;
    settings.DefaultLocations = m_defaultLocations;
    // Stored with the rest at once, not only when the program ends.
    settings.CustomSkin = SkinName;
    settings.DesktopNotices = cbDesktopNotices->isChecked();
    settings.Save();
    accept();
}

void TfrmSettings::ApplyToProgram() {
    const TSettings& settings = *m_session.Settings;
    m_mainForm.SearchTimer->setInterval(static_cast<int>(settings.SearchRefreshInterval));
    m_mainForm.ApplySkin();
    if (!settings.CustomSkin.empty() && TSkins::Current().toStdString() != settings.CustomSkin)
        UserMessages().Error("The skin \"" + settings.CustomSkin +
                             "\" could not be loaded from the Skins folder; the built-in default skin is shown.");
}
