// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QString>
#include <QWidget>

#include "refdata/TPlace.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QTimer;
class TfrmAdvancedKeywords;
class TfrmSelectLocations;
class TSearch;
class TSession;

/// The criteria page of the search window: locations, range, keywords, category and
/// sub-category, the extras of the category's group and the "Misc" options. Loads a search
/// into its controls and stores them back; the window around it owns the search, the run
/// and the actions. User-interface thread.
class TCriteriaPanel final : public QWidget {
    Q_OBJECT

public:
    /// advanced lives as long as the program; session's tables are read while signed in.
    TCriteriaPanel(TSession& session, TfrmAdvancedKeywords& advanced, QWidget* parent = nullptr);
    ~TCriteriaPanel() override;

    /// The location picker whose two lists are the panel's choice of places (not owned);
    /// null until the place table is loaded.
    TfrmSelectLocations* Picker = nullptr;
    /// The window's current search, or null: the advanced dialog composes for it.
    std::function<TSearch*()> CurrentSearch;

    /// Fills cboxCategories with the main categories (nothing selected) and empties the
    /// picker's lists.
    void FillCategories();
    /// Unticks the "Misc" boxes and the range (distance 0), as every opening does.
    void ResetForOpening();
    /// Shows search in the controls: places, category, keywords, extras of its group,
    /// advanced fields, the "Misc" boxes and the range.
    void LoadCriteria(TSearch& search);
    /// Why the criteria cannot start a run, as the message to show; empty when they can.
    QString InputProblem() const;
    /// Stores the controls into search and names it after them (NameFor), so that the saved
    /// searches and their notices tell searches apart. A distance that is no whole number
    /// leaves search's distance as it was and gives false; everything else is stored all
    /// the same.
    bool StoreCriteria(TSearch& search);
    /// "bike | trailer (bicycles)": the keywords and the category, either alone when the
    /// other is empty, "New search" when both are.
    static std::string NameFor(const QString& keywords, const TPlace* category);
    /// "Clear all fields": asks first when ask is set; places, category, keywords and the
    /// advanced fields go; range, "Misc" and the chosen roots stay.
    void ClearFields(bool ask);
    /// Chooses the settings' default locations in the picker, as a new search starts.
    void ChooseDefaultLocations();

    void HideExtras();
    void ShowExtras();
    /// A category is selected.
    bool HasCategory() const;
    /// The picker has places chosen.
    bool HasPlaces() const;
    /// Tells the places a run will search once widened by the typed distance.
    void UpdateRunLocations();
    /// UpdateRunLocations once the typing or dragging pauses.
    void ScheduleRunLocations();

    QPushButton* btnStartSearch = nullptr;
    QPushButton* sBitBtn2 = nullptr;
    QWidget* pnlNoLocations = nullptr;
    QLabel* lblStartHint = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildLocationBlock();
    QWidget* BuildExtras();
    QWidget* BuildMisc();
    void cboxCategoriesChange();
    void cbRangeClick();
    void tbRangeChange(int position);
    void edtRangeChange(const QString& text);
    void sbtnLocationsClick();
    void btnAdvancedClick();
    void PlaceNoLocationsPanel();
    /// The record attached to the selected item of combo, or null.
    static TPlace* SelectedRecord(const QComboBox* combo);
    static void FillComboWithPlaces(QComboBox* combo, const TPlaceList& places);
    const TPlace* SelectedCategory() const;

    TSession& m_session;
    TfrmAdvancedKeywords& m_advanced;
    bool m_settingRange = false;
    QTimer* m_runLocationsTimer = nullptr;

    QGroupBox* gbCriteria = nullptr;
    QWidget* m_locationBlock = nullptr;
    QPushButton* sbtnLocations = nullptr;
    QCheckBox* cbRange = nullptr;
    QSlider* tbRange = nullptr;
    QLineEdit* edtRange = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblRunLocations = nullptr;
    QLabel* sLabel1 = nullptr;
    QPlainTextEdit* edtPositiveKeywords = nullptr;
    QPushButton* btnAdvanced = nullptr;
    QLabel* sLabel4 = nullptr;
    QComboBox* cboxCategories = nullptr;
    QLabel* sLabel5 = nullptr;
    QComboBox* cboxSubCategories = nullptr;
    QCheckBox* cbHasImage = nullptr;
    QCheckBox* cbOnlyTitles = nullptr;
    QStackedWidget* pcAditional = nullptr;
    QWidget* tsPersonals = nullptr;
    QWidget* tsHousing = nullptr;
    QWidget* tsForSale = nullptr;
    QWidget* tsJobs = nullptr;
    QSpinBox* edtPersonalsMinAge = nullptr;
    QSpinBox* edtPersonalsMaxAge = nullptr;
    QLineEdit* edtHousingMinRent = nullptr;
    QLineEdit* edtHousingMaxRent = nullptr;
    QComboBox* cboxHousingBathrooms = nullptr;
    QCheckBox* cbHousingCats = nullptr;
    QCheckBox* cbHousingDogs = nullptr;
    QLineEdit* edtForSaleMinPrice = nullptr;
    QLineEdit* edtForSaleMaxPrice = nullptr;
    QCheckBox* cbJobsTelecomute = nullptr;
    QCheckBox* cbJobsContract = nullptr;
    QCheckBox* cbJobsInternship = nullptr;
    QCheckBox* cbJobsPartTime = nullptr;
    QCheckBox* cbJobsNonProfit = nullptr;
    QPushButton* btnClearFields = nullptr;
    QPushButton* sBitBtn1 = nullptr;
    QGroupBox* m_misc = nullptr;
    QCheckBox* cbKeepOldResults = nullptr;
    QCheckBox* cbNotifyEMail = nullptr;
    QCheckBox* cbNotifySMS = nullptr;
    QCheckBox* sCheckBox1 = nullptr;
};
