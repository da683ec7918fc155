// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QDialog>

#include "search/TAdvancedKeywords.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TSearch;

/// The advanced keywords dialog: six plain fields (all these words, an exact phrase, up to
/// three alternatives, unwanted words) from which it composes the keyword line in the
/// site's search syntax. Its fields hold those of the search last loaded into the search
/// window, or nothing. User-interface thread only.
class TfrmAdvancedKeywords final : public QDialog {
    Q_OBJECT

public:
    explicit TfrmAdvancedKeywords(QWidget* parent = nullptr);
    ~TfrmAdvancedKeywords() override;

    /// Shows the dialog modally. On "GO!" trims the six fields, copies them into search
    /// (when given) and returns the composed line, empty when every field is. On Cancel
    /// puts search's fields back (or empties them without a search) and returns nothing.
    std::string Compose(TSearch* search);
    /// Empties the six fields.
    void ClearFields();
    /// The six fields as they stand.
    TAdvancedKeywords Fields() const;
    void SetFields(const TAdvancedKeywords& fields);

private:
    void BuildControls();

    QLabel* sLabel1 = nullptr;
    QLabel* sLabel2 = nullptr;
    QLineEdit* edtAllThese = nullptr;
    QLabel* sLabel3 = nullptr;
    QLineEdit* edtExact = nullptr;
    QLabel* sLabel4 = nullptr;
    QLineEdit* edtOR1 = nullptr;
    QLabel* sLabel5 = nullptr;
    QLineEdit* edtOR2 = nullptr;
    QLabel* sLabel6 = nullptr;
    QLineEdit* edtOR3 = nullptr;
    QLabel* sLabel7 = nullptr;
    QLabel* sLabel8 = nullptr;
    QLineEdit* edtNoneOfThese = nullptr;
    QPushButton* sButton1 = nullptr;
    QPushButton* sButton2 = nullptr;
};
