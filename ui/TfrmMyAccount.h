// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class TSession;

/// "My Trawlix account": the signed-in user's details, e-mail address, mobile phone and
/// carrier for SMS notifications, and a new password; every save is confirmed by the
/// current one. Nothing is written, and the record keeps its values, unless the save
/// succeeds. User-interface thread.
class TfrmMyAccount final : public QDialog {
    Q_OBJECT
public:
    TfrmMyAccount(TSession& session, QWidget* parent = nullptr);

    /// Fills the fields from the signed-in account and shows the dialog modally; true when
    /// it closed with a successful save. False at once when nobody is signed in.
    bool Execute();
    /// Fills every field from TSession::User and the carrier list from TSession::GsmNetworks.
    void LoadFromUser();

    QLineEdit* edtLogin = nullptr;
    QLineEdit* edtRealName = nullptr;
    QDateEdit* dtpBirthDate = nullptr;
    QLineEdit* edtEmail = nullptr;
    QLineEdit* edtPhone = nullptr;
    QLineEdit* edtOldPass = nullptr;
    QLineEdit* edtNewPass = nullptr;
    QLineEdit* edtRepeatedNewPass = nullptr;
    QCheckBox* cbNetwork = nullptr;
    QGroupBox* gbNetwork = nullptr;
    QComboBox* cboxNetworks = nullptr;
    QAction* actSave = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnClose = nullptr;

private:
    void BuildLayout();
    void actSaveExecute();
    void ActionList1Update();
    /// The carrier id of the chosen entry when SMS notifications are on, else 0.
    int ChosenNetworkID() const;

    TSession& m_session;
};
