// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: gui
// The user messages as message boxes, answered the way a person answers them.
#include "ui/TMessageBoxes.h"

#include "UiTestSupport.h"

#include <atomic>
#include <thread>

#include <QApplication>
#include <QMessageBox>
#include <QtTest>

class TMessageBoxesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void InformationAndErrorsShowTheTextWithOk() {
        TMessageBoxes boxes;
        const struct {
            void (IUserMessages::*show)(const std::string&);
            QMessageBox::Icon icon;
        } kinds[] = {{&IUserMessages::Information, QMessageBox::Information},
                     {&IUserMessages::Error, QMessageBox::Critical},
                     {&IUserMessages::Warning, QMessageBox::Warning}};
        for (const auto& kind : kinds) {
            TShownBox shown;
            AnswerNextBox(QStringLiteral("OK"), shown);
            (UserMessages().*kind.show)("Error connecting to database server! Please try again later.");
            QCOMPARE(shown.Title, QStringLiteral("Trawlix"));
            QCOMPARE(shown.Text, QStringLiteral("Error connecting to database server! Please try again later."));
            QCOMPARE(shown.Icon, kind.icon);
            QCOMPARE(shown.Buttons, QStringList{QStringLiteral("OK")});
        }
    }

    void QuestionsAreAnsweredWithYesOrNo_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << QStringLiteral("Yes") << true;
        QTest::newRow("No") << QStringLiteral("No") << false;
    }
    void QuestionsAreAnsweredWithYesOrNo() {
        QFETCH(QString, button);
        QFETCH(bool, yes);
        TMessageBoxes boxes;
        TShownBox shown;
        AnswerNextBox(button, shown);
        QCOMPARE(UserMessages().Question("Trawlix wasn't able to connect. Try again?"), yes);
        QCOMPARE(shown.Text, QStringLiteral("Trawlix wasn't able to connect. Try again?"));
        QCOMPARE(shown.Icon, QMessageBox::Question);
        QCOMPARE(shown.Buttons.size(), 2);
        QVERIFY(shown.Buttons.contains(QStringLiteral("Yes")) && shown.Buttons.contains(QStringLiteral("No")));
    }

    void AQuestionFromAnotherThreadIsShownOnTheWindowsThread() {
        TMessageBoxes boxes;
        TShownBox shown;
        AnswerNextBox(QStringLiteral("Yes"), shown);
        std::atomic<bool> answered{false};
        bool answer = false;
        std::thread asker([&] {
            answer = UserMessages().Question("Keep waiting for the database?");
            answered = true;
        });
        // The asking thread waits for the answer while this one runs its events (a box made
        // on the asking thread would abort the program).
        QVERIFY(WaitUntil([&] { return answered.load(); }));
        asker.join();
        QVERIFY(answer);
        QCOMPARE(shown.Text, QStringLiteral("Keep waiting for the database?"));
    }

    void TheConsoleMessagesComeBackWhenTheBoxesGo() {
        { TMessageBoxes boxes; }
        // The console implementation answers No without showing anything.
        QCOMPARE(UserMessages().Question("anything?"), false);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
};

QTEST_MAIN(TMessageBoxesTest)
#include "TMessageBoxes_test.moc"
