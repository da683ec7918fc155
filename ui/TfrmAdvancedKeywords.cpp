// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TfrmAdvancedKeywords.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "search/TSearch.h"

namespace {

/// The size the dialog is laid out for; it grows only when its fonts need more.
constexpr QSize ClientSize(576, 190);

QLabel* MakeLabel(QWidget* owner, const char* name, const QString& text) {
    auto* label = new QLabel(text, owner);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLabel* MakeHeading(QWidget* owner, const char* name, const QString& text) {
    QLabel* heading = MakeLabel(owner, name, text);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    return heading;
}

QLabel* MakeFieldLabel(QWidget* owner, const char* name, const QString& text, QLineEdit* field) {
    QLabel* label = MakeLabel(owner, name, text);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(field);
    return label;
}

QLineEdit* MakeEdit(QWidget* owner, const char* name) {
    auto* edit = new QLineEdit(owner);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

void SetText(QLineEdit* edit, const std::string& text) {
    edit->setText(QString::fromStdString(text));
}

} // namespace

TfrmAdvancedKeywords::TfrmAdvancedKeywords(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAdvancedKeywords"));
    setWindowTitle(QStringLiteral("Advanced search"));
    BuildControls();
}

TfrmAdvancedKeywords::~TfrmAdvancedKeywords() = default;

void TfrmAdvancedKeywords::BuildControls() {
    edtAllThese = MakeEdit(this, "edtAllThese");
    edtExact = MakeEdit(this, "edtExact");
    edtOR1 = MakeEdit(this, "edtOR1");
    edtOR2 = MakeEdit(this, "edtOR2");
    edtOR3 = MakeEdit(this, "edtOR3");
    edtNoneOfThese = MakeEdit(this, "edtNoneOfThese");
    sLabel1 = MakeHeading(this, "sLabel1", QStringLiteral("Find postings that have..."));
    sLabel2 = MakeFieldLabel(this, "sLabel2", QStringLiteral("all these words:"), edtAllThese);
    sLabel3 = MakeFieldLabel(this, "sLabel3", QStringLiteral("this exact wording or phrase:"), edtExact);
    sLabel4 = MakeFieldLabel(this, "sLabel4", QStringLiteral("one or more of these words:"), edtOR1);
    sLabel5 = MakeLabel(this, "sLabel5", QStringLiteral("OR"));
    sLabel6 = MakeLabel(this, "sLabel6", QStringLiteral("OR"));
    sLabel7 = MakeHeading(this, "sLabel7", QStringLiteral("But don't find postings that have..."));
    sLabel8 = MakeFieldLabel(this, "sLabel8", QStringLiteral("any of these unwanted words:"), edtNoneOfThese);

    sButton1 = new QPushButton(QStringLiteral("GO!"), this);
    sButton1->setObjectName(QStringLiteral("sButton1"));
    sButton1->setDefault(true);
    connect(sButton1, &QPushButton::clicked, this, &QDialog::accept);
    sButton2 = new QPushButton(QStringLiteral("Cancel"), this);
    sButton2->setObjectName(QStringLiteral("sButton2"));
    connect(sButton2, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(sButton1, QDialogButtonBox::AcceptRole);
    buttons->addButton(sButton2, QDialogButtonBox::RejectRole);

    // Tab order is the order the edits were made in. Label column, then the alternatives' row: edit, "OR", edit, "OR",
    // edit.
    auto* grid = new QGridLayout;
    grid->addWidget(sLabel1, 0, 0, 1, 6);
    grid->addWidget(sLabel2, 1, 0);
    grid->addWidget(edtAllThese, 1, 1, 1, 5);
    grid->addWidget(sLabel3, 2, 0);
    grid->addWidget(edtExact, 2, 1, 1, 5);
    grid->addWidget(sLabel4, 3, 0);
    grid->addWidget(edtOR1, 3, 1);
    grid->addWidget(sLabel5, 3, 2);
    grid->addWidget(edtOR2, 3, 3);
    grid->addWidget(sLabel6, 3, 4);
    grid->addWidget(edtOR3, 3, 5);
    grid->setRowMinimumHeight(4, 4);
    grid->addWidget(sLabel7, 5, 0, 1, 6);
    grid->addWidget(sLabel8, 6, 0);
    grid->addWidget(edtNoneOfThese, 6, 1, 1, 5);
    for (int column : {1, 3, 5})
        grid->setColumnStretch(column, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(buttons);

    setFixedSize(ClientSize.expandedTo(minimumSizeHint()));
}

std::string TfrmAdvancedKeywords::Compose(TSearch* search) {
    if (exec() != QDialog::Accepted) {
        // Whatever was typed is undone.
        if (search)
            SetFields(TAdvancedKeywords::Of(*search));
        else
            ClearFields();
        return {};
    }
    const TAdvancedKeywords fields = Fields().Trimmed();
    SetFields(fields);
    if (search)
        fields.StoreInto(*search);
    return fields.Compose();
}

void TfrmAdvancedKeywords::ClearFields() {
    SetFields({});
}

TAdvancedKeywords TfrmAdvancedKeywords::Fields() const {
    return {Text(edtAllThese), Text(edtExact), Text(edtOR1), Text(edtOR2), Text(edtOR3), Text(edtNoneOfThese)};
}

void TfrmAdvancedKeywords::SetFields(const TAdvancedKeywords& fields) {
    SetText(edtAllThese, fields.AllThese);
    SetText(edtExact, fields.Exact);
    SetText(edtOR1, fields.Or1);
    SetText(edtOR2, fields.Or2);
    SetText(edtOR3, fields.Or3);
    SetText(edtNoneOfThese, fields.NoneOfThese);
}
