// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "refdata/TPlace.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class TPlaceTreeModel;
class TPlaces;

/// The location picker: a modal dialog with the tree of all places of the session's place
/// table, each with a three-state check mark, in which the user chooses the places a
/// search covers. The tree is built once, when the dialog is made; each opening only
/// shows the marks of ChosenPlaces. User-interface thread only.
///
/// Callers share the two lists: before Execute they put the leaf places to show as
/// checked into ChosenPlaces; after Select both lists hold the new choice, after Cancel
/// both are as they were.
class TfrmSelectLocations final : public QDialog {
    Q_OBJECT

public:
    /// places and its records must outlive the dialog (one dialog per session).
    explicit TfrmSelectLocations(const TPlaces& places, QWidget* parent = nullptr);
    ~TfrmSelectLocations() override;

    /// The chosen leaf places, the ones that are searched, in tree order (not owned).
    TPlaceList ChosenPlaces;
    /// The highest fully chosen places, the compact form of the same choice that is
    /// stored, in tree order (not owned). Not read by the dialog.
    TPlaceList ChosenRoots;

    /// Shows the dialog modally with the marks of ChosenPlaces and an empty search text;
    /// true when the user pressed Select.
    bool Execute();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ActionList1Update();
    void actSearchExecute();
    void actSelectExecute();

    TPlaceTreeModel* m_model = nullptr;
    QLabel* sLabel1 = nullptr;
    QLineEdit* edtSearch = nullptr;
    QPushButton* btnSearch = nullptr;
    QTreeView* tvLocations = nullptr;
    QPushButton* sButton1 = nullptr;
    QPushButton* sButton2 = nullptr;
    QAction* actSearch = nullptr;
    QAction* actSelect = nullptr;
};
