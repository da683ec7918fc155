// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TfrmSelectLocations.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "refdata/TPlaces.h"
#include "ui/TPlaceTreeModel.h"

namespace {

/// The size the dialog is laid out for; it grows only when its fonts need more.
constexpr QSize ClientSize(301, 394);

/// Shows the hourglass cursor for as long as it lives.
class TWaitCursor final {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

QAction* MakeAction(QObject* owner, const char* name, const QString& text) {
    auto* action = new QAction(text, owner);
    action->setObjectName(QLatin1String(name));
    return action;
}

/// The button shows the action's text and enabling and triggers it.
void BindButton(QPushButton* button, QAction* action) {
    button->setText(action->text());
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button, [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
    });
}

} // namespace

TfrmSelectLocations::TfrmSelectLocations(const TPlaces& places, QWidget* parent)
    : QDialog(parent), m_model(new TPlaceTreeModel(places.Roots, this)) {
    setObjectName(QStringLiteral("frmSelectLocations"));
    setWindowTitle(QStringLiteral("Specify locations"));
    actSearch = MakeAction(this, "actSearch", QStringLiteral("Search"));
    actSelect = MakeAction(this, "actSelect", QStringLiteral("Select"));
    connect(actSearch, &QAction::triggered, this, &TfrmSelectLocations::actSearchExecute);
    connect(actSelect, &QAction::triggered, this, &TfrmSelectLocations::actSelectExecute);
    BuildControls();
    connect(edtSearch, &QLineEdit::textChanged, this, &TfrmSelectLocations::ActionList1Update);
    ActionList1Update();
}

TfrmSelectLocations::~TfrmSelectLocations() = default;

void TfrmSelectLocations::BuildControls() {
    sLabel1 = new QLabel(QStringLiteral("Locations:"), this);
    sLabel1->setObjectName(QStringLiteral("sLabel1"));
    edtSearch = new QLineEdit(this);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->installEventFilter(this);
    sLabel1->setBuddy(edtSearch);
    btnSearch = new QPushButton(this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnSearch->setAutoDefault(false);
    BindButton(btnSearch, actSearch);

    tvLocations = new QTreeView(this);
    tvLocations->setObjectName(QStringLiteral("tvLocations"));
    tvLocations->setModel(m_model);
    tvLocations->setHeaderHidden(true);
    tvLocations->setIndentation(19);
    tvLocations->setUniformRowHeights(true);
    tvLocations->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvLocations->setSelectionMode(QAbstractItemView::SingleSelection);
    tvLocations->viewport()->installEventFilter(this);

    sButton1 = new QPushButton(QStringLiteral("Cancel"), this);
    sButton1->setObjectName(QStringLiteral("sButton1"));
    connect(sButton1, &QPushButton::clicked, this, &QDialog::reject);
    sButton2 = new QPushButton(this);
    sButton2->setObjectName(QStringLiteral("sButton2"));
    BindButton(sButton2, actSelect);
    // The platform orders the buttons; the roles only place them.
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(sButton2, QDialogButtonBox::AcceptRole);
    buttons->addButton(sButton1, QDialogButtonBox::RejectRole);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(sLabel1);
    searchRow->addWidget(edtSearch, 1);
    searchRow->addWidget(btnSearch);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(tvLocations, 1);
    layout->addWidget(buttons);

    setTabOrder(edtSearch, btnSearch);
    setTabOrder(btnSearch, tvLocations);
    setFixedSize(ClientSize.expandedTo(minimumSizeHint()));
}

bool TfrmSelectLocations::Execute() {
    edtSearch->clear();
    m_model->ShowChosen(ChosenPlaces);
    ActionList1Update();
    return exec() == QDialog::Accepted;
}

bool TfrmSelectLocations::eventFilter(QObject* watched, QEvent* event) {
    // tvLocationsClick: a click on a check mark selects its place too (the view leaves the
    // selection alone there), so that the space key goes on with the same place. The view
    // toggles the mark through the model.
    if (watched == tvLocations->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* click = static_cast<QMouseEvent*>(event);
        const QPoint position = click->position().toPoint();
        const QModelIndex clicked = tvLocations->indexAt(position);
        // The branch arrow left of the item only folds and unfolds.
        if (click->button() == Qt::LeftButton && clicked.isValid() &&
            tvLocations->visualRect(clicked).contains(position))
            tvLocations->setCurrentIndex(clicked);
        return false;
    }
    // edtSearchKeyPress: Enter searches, and never presses the dialog's default button.
    if (watched == edtSearch && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ActionList1Update();
            if (actSearch->isEnabled())
                actSearch->trigger();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSelectLocations::ActionList1Update() {
    actSelect->setEnabled(true);
    actSearch->setEnabled(!edtSearch->text().isEmpty());
}

void TfrmSelectLocations::actSearchExecute() {
    if (edtSearch->text().isEmpty())
        return;
    TWaitCursor wait;
    const QModelIndex found = m_model->FindFirst(edtSearch->text().toStdString());
    if (!found.isValid())
        return;
    for (QModelIndex ancestor = found.parent(); ancestor.isValid(); ancestor = ancestor.parent())
        tvLocations->expand(ancestor);
    tvLocations->setFocus();
    tvLocations->setCurrentIndex(found);
    tvLocations->scrollTo(found);
}

void TfrmSelectLocations::actSelectExecute() {
    ChosenPlaces = m_model->ChosenPlaces();
    ChosenRoots = m_model->ChosenRoots();
    accept();
}
