// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QDialog>

#include "refdata/TPlace.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TMainForm;
class TSession;
class TfrmSelectLocations;

/// "Settings": the two intervals in minutes, the skin and the default search locations of
/// the session's settings. Save writes them at once and applies the interval to the main
/// window's timer and the skin to every window; Close changes nothing. User-interface
/// thread.
class TfrmSettings final : public QDialog {
    Q_OBJECT
public:
    /// session and mainForm must outlive the dialog.
    TfrmSettings(TSession& session, TMainForm& mainForm, QWidget* parent = nullptr);
    ~TfrmSettings() override;

    /// Fills the dialog from the settings and shows it modally; true when it closed with
    /// Save, after the new settings were stored and applied.
    bool Execute();
    /// Fills every control from the settings.
    void LoadFromSettings();

    /// The skin folder chosen in the dialog; empty for the built-in default.
    std::string SkinName;

    /// Each spin box is the up-down control; its text field is the number field.
    QSpinBox* udSearchInterval = nullptr;
    QSpinBox* udNewResults = nullptr;
    QLineEdit* edtSearchInterval = nullptr;
    QLineEdit* edtNewResultsCheckInterval = nullptr;
    /// The built-in default skin followed by every skin of the data folder.
    QComboBox* cboxCustomSkin = nullptr;
    QCheckBox* cbDesktopNotices = nullptr;
    /// "Default search locations": opens the location picker.
    QPushButton* sSpeedButton2 = nullptr;
    QLabel* lblDefaultLocations = nullptr;
    QAction* actSave = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void FillSkinList();
    void ShowDefaultLocations();
    void ActionList1Update();
    void actSaveExecute();
    void sSpeedButton2Click();
    void ApplyToProgram();

    TSession& m_session;
    TMainForm& m_mainForm;
    /// Made when first needed: building the place tree takes a moment.
    TfrmSelectLocations* m_picker = nullptr;
    /// The default locations as the dialog holds them: the stored list until the picker
    /// is confirmed, then the picker's highest fully chosen places.
    TPlaceList m_defaultLocations;
};
