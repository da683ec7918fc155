// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TfrmSplash.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QLabel* BoldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

TfrmSplash::TfrmSplash(std::string homePage, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_homePage(std::move(homePage)) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("About Trawlix"));
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pnlAbout"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);

    auto* thanks = BoldLabel(QStringLiteral("Thank you for using Trawlix !"), panel);
    auto* home = BoldLabel(QStringLiteral("Homepage:"), panel);
    const QString link = QString::fromStdString(m_homePage).toHtmlEscaped();
    Label5 = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(link), panel);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    Label5->setCursor(Qt::PointingHandCursor);
    // A press on the link must not reach the panel, which closes the box.
    Label5->setAttribute(Qt::WA_NoMousePropagation);
    Label5->setToolTip(QStringLiteral("Open the Trawlix home page in your browser"));
    connect(Label5, &QLabel::linkActivated, this, [this] { Label5Click(); });
    lblVersion = BoldLabel(QStringLiteral(" version: 1.00"), panel);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto* homeRow = new QHBoxLayout;
    homeRow->setSpacing(6);
    homeRow->addWidget(home);
    homeRow->addWidget(Label5);
    homeRow->addStretch();
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(18, 14, 18, 14);
    column->setSpacing(6);
    column->addWidget(thanks);
    column->addLayout(homeRow);
    column->addWidget(lblVersion);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel);

    // A press on the panel or a plain label closes the box, as one on the box itself does.
    for (QWidget* closer : std::initializer_list<QWidget*>{panel, thanks, home, lblVersion})
        closer->installEventFilter(this);
    setMinimumSize(384, 58);
}

void TfrmSplash::ShowAbout() {
    lblVersion->setText(QStringLiteral(" version: ") + QStringLiteral(TRAWLIX_VERSION));
    exec();
}

bool TfrmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSplash::mousePressEvent(QMouseEvent* event) {
    event->accept();
    accept();
}

void TfrmSplash::Label5Click() {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(m_homePage)));
}
