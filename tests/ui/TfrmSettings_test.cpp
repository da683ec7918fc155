// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The settings dialog as a person uses it, over a real session signed in on the shipped
// reference data and skins, with the real main window and location picker.
#include "ui/TfrmSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtTest>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "refdata/TPlaces.h"
#include "session/TSession.h"
#include "store/TSettings.h"
#include "ui/TMainForm.h"
#include "ui/TMessageBoxes.h"
#include "ui/TSkins.h"
#include "ui/TfrmSelectLocations.h"

namespace {

constexpr int Alaska = 12;
constexpr int FloridaKeys = 237;
/// The background of a line edit in the shipped dark skin.
const QColor DarkFieldColour(0x1e, 0x1f, 0x22);

std::int64_t Ms(int minutes) {
    return std::int64_t{minutes} * 60000;
}

QSettings Stored() {
    return QSettings(QStringLiteral("Corvane"), QStringLiteral("Trawlix"));
}

QMap<QString, QVariant> StoredValues() {
    const QSettings key = Stored();
    QMap<QString, QVariant> values;
    for (const QString& name : key.allKeys())
        values.insert(name, key.value(name));
    return values;
}

std::vector<int> Ids(const TPlaceList& places) {
    std::vector<int> ids;
    for (const TPlace* place : places)
        ids.push_back(place->Id);
    return ids;
}

QColor CentreColour(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

/// Replaces the text of a number field by typing, as a person does.
void Retype(QSpinBox* field, const QString& text) {
    // Leaving a field is a loss of focus, which only an active window's field has.
    field->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(field->window()));
    field->setFocus();
    QVERIFY(WaitUntil([field] { return field->hasFocus(); }));
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

void ChooseSkin(TfrmSettings& dialog, const QString& caption) {
    const int index = dialog.cboxCustomSkin->findText(caption);
    QVERIFY2(index >= 0, qPrintable(caption));
    dialog.cboxCustomSkin->setCurrentIndex(index);
}

/// The picker's node of the place with that name, anywhere in the tree.
QModelIndex PickerNode(TfrmSelectLocations* picker, const QString& name) {
    const QAbstractItemModel* model = picker->findChild<QTreeView*>(QStringLiteral("tvLocations"))->model();
    const QModelIndexList hits =
        model->match(model->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly | Qt::MatchRecursive);
    return hits.isEmpty() ? QModelIndex() : hits.first();
}

Qt::CheckState PickerMark(TfrmSelectLocations* picker, const QString& name) {
    return PickerNode(picker, name).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

} // namespace

class TfrmSettingsTest final : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempDataFolder> folder;
    std::unique_ptr<TMessageBoxes> boxes;
    std::unique_ptr<TSession> session;
    std::unique_ptr<TMainForm> mainForm;

    QString SkinsFolder() const { return QString::fromStdString(folder->File("Skins")); }

    void InstallShippedSkins() const { ::InstallShippedSkins(folder->Path()); }

    /// The program as it runs after a sign-in: the session, the main window and the
    /// settings dialog wired to it as the program block wires it.
    void SignIn() {
        TConfig config = folder->Config();
        config.ParserPauseMs = 0;
        session = std::make_unique<TSession>(config);
        RememberSignInWithoutAccount();
        mainForm = std::make_unique<TMainForm>(*session);
        mainForm->ShowSettings = [this](QWidget* parent) { TfrmSettings(*session, *mainForm, parent).Execute(); };
        mainForm->show();
        QVERIFY(WaitUntil([this] { return !mainForm->SignInPageShowing(); }));
        QVERIFY(session->Places);
    }

    /// Opens the dialog from the main window's Tools menu and lets use work it; a dialog
    /// that use leaves open (a failed check) is closed so that the test goes on.
    void OpenSettings(const std::function<void(TfrmSettings&)>& use) {
        AnswerNextDialog([use](QWidget* modal) {
            auto* dialog = qobject_cast<TfrmSettings*>(modal);
            QVERIFY(dialog);
            use(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        QAction* settings = mainForm->findChild<QAction*>(QStringLiteral("actSettings"));
        mainForm->ActionList1Update();
        QVERIFY(settings->isEnabled());
        settings->trigger();
    }

    /// Opens the picker from the dialog and lets choose work it.
    static void PickLocations(TfrmSettings& dialog, const std::function<void(TfrmSelectLocations*)>& choose) {
        AnswerNextDialog([choose](QWidget* modal) {
            auto* picker = qobject_cast<TfrmSelectLocations*>(modal);
            QVERIFY(picker);
            choose(picker);
            if (picker->isVisible())
                picker->reject();
        });
        QTest::mouseClick(dialog.sSpeedButton2, Qt::LeftButton);
    }

    static void Tick(TfrmSelectLocations* picker, const QString& name) {
        const QModelIndex node = PickerNode(picker, name);
        QVERIFY2(node.isValid(), qPrintable(name));
        auto* model = picker->findChild<QTreeView*>(QStringLiteral("tvLocations"))->model();
        QVERIFY(model->setData(node, Qt::Checked, Qt::CheckStateRole));
    }

    static void Confirm(TfrmSelectLocations* picker) {
        QTest::mouseClick(picker->findChild<QPushButton*>(QStringLiteral("sButton2")), Qt::LeftButton);
    }

private Q_SLOTS:
    void init() {
        Stored().clear();
        Stored().sync();
        folder = std::make_unique<TTempDataFolder>();
        folder->InstallShippedRefData();
        InstallShippedSkins();
        boxes = std::make_unique<TMessageBoxes>();
        TSkins::Apply(folder->Path(), "");
    }

    void cleanup() {
        mainForm.reset();
        session.reset();
        TSkins::Apply(folder->Path(), "");
        boxes.reset();
        folder.reset();
    }

    void StoredIntervalsShowInMinutesWithinTheRange_data() {
        QTest::addColumn<int>("storedMs");
        QTest::addColumn<QString>("shown");
        QTest::newRow("15 minutes") << 900000 << QStringLiteral("15");
        QTest::newRow("a minute and a half rounds up") << 90000 << QStringLiteral("2");
        QTest::newRow("nothing stored yet shows the timer's 15") << 0 << QStringLiteral("15");
        QTest::newRow("negative shows the timer's 15") << -1 << QStringLiteral("15");
        QTest::newRow("under half a minute shows the least") << 20000 << QStringLiteral("1");
        QTest::newRow("above the range shows the most") << 61000000 << QStringLiteral("1000");
    }

    void StoredIntervalsShowInMinutesWithinTheRange() {
        QFETCH(int, storedMs);
        QFETCH(QString, shown);
        Stored().setValue(QStringLiteral("SearchRefreshInterval"), storedMs);
        Stored().setValue(QStringLiteral("SearchCheckInterval"), storedMs);
        Stored().sync();
        SignIn();
        const auto before = StoredValues();
        OpenSettings([&](TfrmSettings& dialog) {
            QCOMPARE(dialog.edtSearchInterval->text(), shown);
            QCOMPARE(dialog.edtNewResultsCheckInterval->text(), shown);
            QCOMPARE(dialog.udSearchInterval->value(), shown.toInt());
            QVERIFY(dialog.btnSave->isEnabled());
            QTest::mouseClick(dialog.btnClose, Qt::LeftButton);
        });
        QCOMPARE(StoredValues(), before);
    }

    void AFirstSaveKeepsTheTimerAtItsFifteenMinutes() {
        SignIn();
        QCOMPARE(mainForm->SearchTimer->interval(), 15 * 60000);
        OpenSettings([](TfrmSettings& dialog) { QTest::mouseClick(dialog.btnSave, Qt::LeftButton); });
        QCOMPARE(mainForm->SearchTimer->interval(), 15 * 60000);
        QCOMPARE(Stored().value(QStringLiteral("SearchRefreshInterval")).toInt(), 15 * 60000);
        QCOMPARE(Stored().value(QStringLiteral("SearchCheckInterval")).toInt(), 15 * 60000);
        QCOMPARE(Stored().value(QStringLiteral("CustomSkin")).toString(), QString());
        QVERIFY2(!Stored().contains(QStringLiteral("DefaultLocations")), "no locations chosen, none stored");
    }

    void SavingAppliesTheIntervalAndTheSkinToEveryOpenWindow() {
        SignIn();
        QVERIFY(mainForm->SearchTimer->isActive());
        QWidget other;
        auto* field = new QLineEdit(&other);
        (new QVBoxLayout(&other))->addWidget(field);
        other.resize(200, 60);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        const QColor plain = CentreColour(field);
        QVERIFY(plain != DarkFieldColour);

        OpenSettings([](TfrmSettings& dialog) {
            QCOMPARE(Items(dialog.cboxCustomSkin), QStringList({"Built-in default", "Dark", "Ocean"}));
            QCOMPARE(dialog.cboxCustomSkin->currentText(), QStringLiteral("Built-in default"));
            Retype(dialog.udSearchInterval, QStringLiteral("42"));
            Retype(dialog.udNewResults, QStringLiteral("30"));
            ChooseSkin(dialog, QStringLiteral("Dark"));
            QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        });
        QCOMPARE(mainForm->SearchTimer->interval(), 42 * 60000);
        QVERIFY(mainForm->SearchTimer->isActive());
        QCOMPARE(session->Settings->SearchRefreshInterval, Ms(42));
        QCOMPARE(session->Settings->SearchCheckInterval, Ms(30));
        QCOMPARE(session->Settings->CustomSkin, std::string("Dark"));
        // Stored at once, not only when the program ends.
        QCOMPARE(Stored().value(QStringLiteral("SearchRefreshInterval")).toInt(), 42 * 60000);
        QCOMPARE(Stored().value(QStringLiteral("SearchCheckInterval")).toInt(), 30 * 60000);
        QCOMPARE(Stored().value(QStringLiteral("CustomSkin")).toString(), QStringLiteral("Dark"));
        QCOMPARE(TSkins::Current(), QStringLiteral("Dark"));
        QVERIFY(!qApp->styleSheet().isEmpty());
        QCOMPARE(CentreColour(field), DarkFieldColour);

        OpenSettings([](TfrmSettings& dialog) {
            QCOMPARE(dialog.cboxCustomSkin->currentText(), QStringLiteral("Dark"));
            QCOMPARE(dialog.edtSearchInterval->text(), QStringLiteral("42"));
            SaveScreenshot(&dialog, QStringLiteral("settings-dialog-dark-skin"));
            ChooseSkin(dialog, QStringLiteral("Built-in default"));
            QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        });
        QVERIFY(qApp->styleSheet().isEmpty());
        QCOMPARE(Stored().value(QStringLiteral("CustomSkin")).toString(), QString());
        QCOMPARE(CentreColour(field), plain);
    }

    void CloseChangesNothing_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Close") << false;
        QTest::newRow("Escape") << true;
    }

    void CloseChangesNothing() {
        QFETCH(bool, escape);
        Stored().setValue(QStringLiteral("SearchRefreshInterval"), 5 * 60000);
        Stored().setValue(QStringLiteral("SearchCheckInterval"), 20 * 60000);
        Stored().setValue(QStringLiteral("CustomSkin"), QStringLiteral("Ocean"));
        Stored().setValue(QStringLiteral("DefaultLocations"), QStringLiteral("%1;").arg(Alaska));
        Stored().sync();
        SignIn();
        const auto stored = StoredValues();
        const int interval = mainForm->SearchTimer->interval();
        const QString sheet = qApp->styleSheet();
        QVERIFY(!sheet.isEmpty());
        QCOMPARE(Ids(session->Settings->DefaultLocations), std::vector<int>{Alaska});

        OpenSettings([&](TfrmSettings& dialog) {
            QCOMPARE(dialog.cboxCustomSkin->currentText(), QStringLiteral("Ocean"));
            Retype(dialog.udSearchInterval, QStringLiteral("99"));
            ChooseSkin(dialog, QStringLiteral("Dark"));
            PickLocations(dialog, [](TfrmSelectLocations* picker) {
                Tick(picker, QStringLiteral("florida keys"));
                Confirm(picker);
            });
            QCOMPARE(dialog.lblDefaultLocations->text(), QStringLiteral("alaska, florida keys"));
            if (escape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(dialog.btnClose, Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        });
        QCOMPARE(StoredValues(), stored);
        QCOMPARE(mainForm->SearchTimer->interval(), interval);
        QCOMPARE(qApp->styleSheet(), sheet);
        QCOMPARE(session->Settings->SearchRefreshInterval, Ms(5));
        QCOMPARE(session->Settings->CustomSkin, std::string("Ocean"));
        QCOMPARE(Ids(session->Settings->DefaultLocations), std::vector<int>{Alaska});
    }

    void DefaultLocationsChosenInThePickerAreSavedAndReadBack() {
        SignIn();
        OpenSettings([](TfrmSettings& dialog) {
            QCOMPARE(dialog.lblDefaultLocations->text(), QStringLiteral("None"));
            PickLocations(dialog, [](TfrmSelectLocations* picker) {
                QCOMPARE(PickerMark(picker, QStringLiteral("alaska")), Qt::Unchecked);
                Tick(picker, QStringLiteral("alaska"));
                Tick(picker, QStringLiteral("florida keys"));
                Confirm(picker);
            });
            QCOMPARE(dialog.lblDefaultLocations->text(), QStringLiteral("alaska, florida keys"));
            SaveScreenshot(&dialog, QStringLiteral("settings-dialog"));
            QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        });
        const std::vector<int> chosen{Alaska, FloridaKeys};
        QCOMPARE(Ids(session->Settings->DefaultLocations), chosen);
        QCOMPARE(Stored().value(QStringLiteral("DefaultLocations")).toString(), QStringLiteral("12;237;"));
        TSettings readBack;
        readBack.LoadDefaultLocations(*session->Places);
        QCOMPARE(Ids(readBack.DefaultLocations), chosen);

        // The next opening shows them, and the picker marks them; a save that leaves the
        // picker alone keeps them.
        OpenSettings([](TfrmSettings& dialog) {
            QCOMPARE(dialog.lblDefaultLocations->text(), QStringLiteral("alaska, florida keys"));
            PickLocations(dialog, [](TfrmSelectLocations* picker) {
                QCOMPARE(PickerMark(picker, QStringLiteral("alaska")), Qt::Checked);
                QCOMPARE(PickerMark(picker, QStringLiteral("fairbanks")), Qt::Checked);
                QCOMPARE(PickerMark(picker, QStringLiteral("florida keys")), Qt::Checked);
                QCOMPARE(PickerMark(picker, QStringLiteral("florida")), Qt::PartiallyChecked);
                QTest::keyClick(picker, Qt::Key_Escape);
            });
            QCOMPARE(dialog.lblDefaultLocations->text(), QStringLiteral("alaska, florida keys"));
            QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        });
        QCOMPARE(Ids(session->Settings->DefaultLocations), chosen);
        QCOMPARE(Stored().value(QStringLiteral("DefaultLocations")).toString(), QStringLiteral("12;237;"));
    }

    void MissingOrBrokenSkinsFallBackToTheDefault_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("choose");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<bool>("complaint");
        const QString none;
        QTest::newRow("chosen skin's folder gone")
            << "gone"
            << "Gone" << none << QStringList{"Built-in default", "Dark", "Ocean", "Gone (not found)"} << true;
        QTest::newRow("no Skins folder") << "no Skins" << none << none << QStringList{"Built-in default"} << false;
        QTest::newRow("folder without a style sheet")
            << "empty folder" << none << none << QStringList{"Built-in default", "Dark", "Ocean"} << false;
        QTest::newRow("style sheet cannot be read")
            << "unreadable" << none << "Broken" << QStringList{"Built-in default", "Broken", "Dark", "Ocean"} << true;
    }

    void MissingOrBrokenSkinsFallBackToTheDefault() {
        QFETCH(QString, fault);
        QFETCH(QString, stored);
        QFETCH(QString, choose);
        QFETCH(QStringList, offered);
        QFETCH(bool, complaint);
        if (fault == QLatin1String("no Skins"))
            QVERIFY(QDir(SkinsFolder()).removeRecursively());
        if (fault == QLatin1String("empty folder"))
            QVERIFY(QDir().mkpath(SkinsFolder() + QStringLiteral("/Empty")));
        if (fault == QLatin1String("unreadable"))
            QVERIFY(QDir().mkpath(SkinsFolder() + QStringLiteral("/Broken/skin.qss")));
        Stored().setValue(QStringLiteral("CustomSkin"), stored);
        Stored().sync();
        SignIn();
        QVERIFY(qApp->styleSheet().isEmpty());

        // Recorded rather than shown, so that a complaint nobody expects fails instead of waiting.
        TRecordingMessages messages;
        OpenSettings([&](TfrmSettings& dialog) {
            QCOMPARE(Items(dialog.cboxCustomSkin), offered);
            if (!choose.isEmpty())
                ChooseSkin(dialog, choose);
            QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        });
        const QString skin = choose.isEmpty() ? stored : choose;
        std::vector<std::string> complaints;
        if (complaint)
            complaints.push_back("error: The skin \"" + skin.toStdString() +
                                 "\" could not be loaded from the Skins folder; the built-in default skin is shown.");
        QCOMPARE(messages.Shown, complaints);
        QVERIFY(qApp->styleSheet().isEmpty());
        QCOMPARE(TSkins::Current(), QString());
        // The choice is kept, so that a skin put back in its place shows again.
        QCOMPARE(Stored().value(QStringLiteral("CustomSkin")).toString(), skin);
    }

    void NumberFieldsTakeWholeMinutesFrom1To1000_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("afterLeaving");
        QTest::newRow("letters are dropped") << "abc"
                                             << ""
                                             << "15";
        QTest::newRow("a sign is dropped") << "-3"
                                           << "3"
                                           << "3";
        QTest::newRow("zero is dropped") << "0"
                                         << ""
                                         << "15";
        QTest::newRow("a leading zero is dropped") << "07"
                                                   << "7"
                                                   << "7";
        QTest::newRow("above the range is cut short") << "5000"
                                                      << "500"
                                                      << "500";
        QTest::newRow("the most") << "1000"
                                  << "1000"
                                  << "1000";
        QTest::newRow("the least") << "1"
                                   << "1"
                                   << "1";
    }

    void NumberFieldsTakeWholeMinutesFrom1To1000() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, afterLeaving);
        SignIn();
        OpenSettings([&](TfrmSettings& dialog) {
            QCOMPARE(dialog.edtSearchInterval->text(), QStringLiteral("15"));
            Retype(dialog.udSearchInterval, typed);
            QCOMPARE(dialog.edtSearchInterval->text(), shown);
            // An empty field keeps Save from working, by click and by Enter alike.
            QCOMPARE(dialog.btnSave->isEnabled(), !shown.isEmpty());
            QTest::keyClick(dialog.udSearchInterval, Qt::Key_Return);
            QVERIFY(dialog.isVisible() == shown.isEmpty());
            if (!dialog.isVisible())
                return;
            QCOMPARE(dialog.edtSearchInterval->text(), shown);
            QTest::keyClick(dialog.udSearchInterval, Qt::Key_Tab);
            QCOMPARE(dialog.edtSearchInterval->text(), afterLeaving);
            QVERIFY(dialog.btnSave->isEnabled());
            QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        });
        QCOMPARE(session->Settings->SearchRefreshInterval, Ms(afterLeaving.toInt()));
        QCOMPARE(mainForm->SearchTimer->interval(), afterLeaving.toInt() * 60000);
    }
};

QTEST_MAIN(TfrmSettingsTest)
#include "TfrmSettings_test.moc"
