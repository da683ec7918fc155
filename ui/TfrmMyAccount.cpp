// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TfrmMyAccount.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "account/TAccountChanges.h"
#include "account/TGsmNetwork.h"
#include "account/TUser.h"
#include "core/IUserMessages.h"
#include "session/TSession.h"

namespace {

/// The birth date field shows this date as "not given": a NULL birth date.
const QDate NoBirthDate(1900, 1, 1);

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Std(const QLineEdit* edit) {
    return edit->text().toStdString();
}

/// Day, month and four-digit year in the order and with the separator of the user's
/// locale: ten characters.
QString TenCharacterDateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    format.replace(QRegularExpression(QStringLiteral("d+")), QStringLiteral("dd"));
    format.replace(QRegularExpression(QStringLiteral("M+")), QStringLiteral("MM"));
    format.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
    return format;
}

/// A label over its field, the pair as one column entry.
QVBoxLayout* Labelled(const QString& caption, QWidget* field) {
    auto* pair = new QVBoxLayout;
    pair->setSpacing(2);
    auto* label = new QLabel(caption);
    label->setBuddy(field);
    pair->addWidget(label);
    pair->addWidget(field);
    return pair;
}

QLineEdit* PasswordEdit(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(100);
    return edit;
}

QLineEdit* TextEdit(const char* name, int maxLength) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

TfrmMyAccount::TfrmMyAccount(TSession& session, QWidget* parent) : QDialog(parent), m_session(session) {
    setObjectName(QStringLiteral("frmMyAccount"));
    setWindowTitle(QStringLiteral("My Trawlix account"));
    BuildLayout();
}

void TfrmMyAccount::BuildLayout() {
    edtLogin = TextEdit("edtLogin", 50);
    edtLogin->setReadOnly(true);
    edtRealName = TextEdit("edtRealName", 100);
    dtpBirthDate = new QDateEdit;
    dtpBirthDate->setObjectName(QStringLiteral("dtpBirthDate"));
    dtpBirthDate->setCalendarPopup(true);
    dtpBirthDate->setDisplayFormat(TenCharacterDateFormat());
    dtpBirthDate->setMinimumDate(NoBirthDate);
    dtpBirthDate->setMaximumDate(QDate::currentDate());
    dtpBirthDate->setSpecialValueText(QStringLiteral("not given"));
    edtEmail = TextEdit("edtEmail", 50);
    edtPhone = TextEdit("edtPhone", 50);
    // Digits only, also when pasted: the SMS address is the number at the carrier's gateway.
    edtPhone->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edtPhone));

    edtOldPass = PasswordEdit("edtOldPass");
    edtNewPass = PasswordEdit("edtNewPass");
    edtRepeatedNewPass = PasswordEdit("edtRepeatedNewPass");
    auto* gbPassword = new QGroupBox(QStringLiteral("Change password "));
    gbPassword->setObjectName(QStringLiteral("gbPassword"));
    auto* passwordColumn = new QVBoxLayout(gbPassword);
    passwordColumn->addLayout(Labelled(QStringLiteral("New password:"), edtNewPass));
    passwordColumn->addLayout(Labelled(QStringLiteral("Repeat new password:"), edtRepeatedNewPass));

    cbNetwork = new QCheckBox(QStringLiteral("Notify me for new results (SMS)"));
    cbNetwork->setObjectName(QStringLiteral("cbNetwork"));
    gbNetwork = new QGroupBox;
    gbNetwork->setObjectName(QStringLiteral("gbNetwork"));
    cboxNetworks = new QComboBox;
    cboxNetworks->setObjectName(QStringLiteral("cboxNetworks"));
    cboxNetworks->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboxNetworks->setMinimumContentsLength(38);
    auto* networkColumn = new QVBoxLayout(gbNetwork);
    networkColumn->addLayout(Labelled(QStringLiteral("Choose network carrier:"), cboxNetworks));

    for (QWidget* field : std::initializer_list<QWidget*>{edtLogin, edtRealName, dtpBirthDate, edtEmail, edtPhone})
        field->setMinimumWidth(230);
    auto* left = new QVBoxLayout;
    left->setSpacing(8);
    left->addLayout(Labelled(QStringLiteral("Trawlix login:"), edtLogin));
    left->addLayout(Labelled(QStringLiteral("Real name:"), edtRealName));
    left->addLayout(Labelled(QStringLiteral("Birth date:"), dtpBirthDate));
    left->addLayout(Labelled(QStringLiteral("E-Mail address:"), edtEmail));
    left->addLayout(Labelled(QStringLiteral("Mobile phone:"), edtPhone));
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    right->addLayout(Labelled(QStringLiteral("Password (mandatory for saving):"), edtOldPass));
    right->addWidget(gbPassword);
    right->addSpacing(4);
    // The check box heads the carrier group, outside it, so that it stays usable.
    right->addWidget(cbNetwork);
    right->addWidget(gbNetwork);
    right->addStretch();

    actSave = new QAction(QStringLiteral("Save"), this);
    actSave->setObjectName(QStringLiteral("actSave"));
    connect(actSave, &QAction::triggered, this, [this] { actSaveExecute(); });
    auto* buttons = new QDialogButtonBox;
    btnSave = buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setDefault(true);
    btnClose = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnSave, &QPushButton::clicked, actSave, &QAction::trigger);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* columns = new QGridLayout;
    columns->setHorizontalSpacing(18);
    columns->addLayout(left, 0, 0);
    columns->addLayout(right, 0, 1);
    columns->setColumnStretch(0, 1);
    columns->setColumnStretch(1, 1);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(columns);
    outer->addWidget(buttons);

    QWidget* const order[] = {edtRealName,        dtpBirthDate, edtEmail,     edtPhone, edtOldPass, edtNewPass,
                              edtRepeatedNewPass, cbNetwork,    cboxNetworks, btnSave,  btnClose,   edtLogin};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    connect(edtOldPass, &QLineEdit::textChanged, this, [this] { ActionList1Update(); });
    connect(cbNetwork, &QCheckBox::toggled, this, [this] { ActionList1Update(); });
    ActionList1Update();
}

bool TfrmMyAccount::Execute() {
    if (!m_session.User)
        return false;
    LoadFromUser();
    edtRealName->setFocus();
    return exec() == QDialog::Accepted;
}

void TfrmMyAccount::LoadFromUser() {
    const TUser& user = *m_session.User;
    edtLogin->setText(Text(user.Name));
    edtOldPass->clear();
    edtNewPass->clear();
    edtRepeatedNewPass->clear();
    edtRealName->setText(Text(user.RealName));
    edtPhone->setText(Text(user.Phone));
    edtEmail->setText(Text(user.EMail));
    dtpBirthDate->setDate(user.BirthDate.isValid() ? user.BirthDate.date() : NoBirthDate);
    cbNetwork->setChecked(user.NetworkID > 0);

    const QSignalBlocker holdBack(cboxNetworks);
    cboxNetworks->clear();
    auto* model = qobject_cast<QStandardItemModel*>(cboxNetworks->model());
    int chosen = -1;
    for (const std::unique_ptr<TGsmNetwork>& network : m_session.GsmNetworks) {
        QString caption = Text(network->Name) + QStringLiteral(": ") + Text(network->Gateway);
        if (network->Discontinued)
            caption += QStringLiteral(" (discontinued)");
        cboxNetworks->addItem(caption, network->ID);
        // A shut gateway delivers nothing: it cannot be chosen anew, only stay chosen.
        if (network->Discontinued && model)
            model->item(cboxNetworks->count() - 1)->setEnabled(false);
        if (network->ID == user.NetworkID)
            chosen = cboxNetworks->count() - 1;
    }
    cboxNetworks->setCurrentIndex(chosen);
    ActionList1Update();
}

void TfrmMyAccount::ActionList1Update() {
    actSave->setEnabled(!edtOldPass->text().isEmpty());
    btnSave->setEnabled(actSave->isEnabled());
    gbNetwork->setEnabled(cbNetwork->isChecked());
}

int TfrmMyAccount::ChosenNetworkID() const {
    if (!cbNetwork->isChecked() || cboxNetworks->currentIndex() < 0)
        return 0;
    return cboxNetworks->currentData().toInt();
}

void TfrmMyAccount::actSaveExecute() {
    if (!m_session.User || edtOldPass->text().isEmpty())
        return;
    TAccountChanges changes;
    changes.CurrentSecret = Std(edtOldPass);
    changes.NewSecret = Std(edtNewPass);
    changes.RepeatedNewSecret = Std(edtRepeatedNewPass);
    changes.RealName = Std(edtRealName);
    changes.Phone = Std(edtPhone);
    changes.EMail = Std(edtEmail);
    if (dtpBirthDate->date() != NoBirthDate)
        changes.BirthDate = QDateTime(dtpBirthDate->date(), QTime(0, 0));
    changes.NetworkID = ChosenNetworkID();

    // Saved on a copy, taken over once committed: the windows go on painting (and reading
    // the record) while the database's thread writes it.
    TUser edited = *m_session.User;
    const TAccountSaveOutcome outcome =
        m_session.WithDatabase([&](TBackendConnection&) { return SaveAccountChanges(edited, changes); });
    if (outcome == TAccountSaveOutcome::Saved)
        *m_session.User = edited;

    const QString message = Text(AccountSaveMessage(outcome));
    switch (outcome) {
    case TAccountSaveOutcome::Saved:
        accept();
        return;
    case TAccountSaveOutcome::WrongSecret:
        UserMessages().Warning(message.toStdString());
        edtOldPass->selectAll();
        edtOldPass->setFocus();
        return;
    case TAccountSaveOutcome::NewSecretsDiffer:
        UserMessages().Warning(message.toStdString());
        edtNewPass->setFocus();
        return;
    case TAccountSaveOutcome::EMailTaken:
        UserMessages().Warning(message.toStdString());
        edtEmail->setFocus();
        return;
    case TAccountSaveOutcome::DatabaseUnreachable:
    case TAccountSaveOutcome::NotSaved:
        UserMessages().Error(message.toStdString());
        return;
    }
}
