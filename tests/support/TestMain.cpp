// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry: a Qt application for event loops and cross-thread hand-overs, and a
// private home so that no test touches the user's settings or caches.
#include <cstdlib>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"}) {
        const QString folder = home.path() + QLatin1Char('/') + QLatin1String(variable);
        QDir().mkpath(folder);
        setenv(variable, folder.toLocal8Bit().constData(), 1);
    }
    setenv("TRAWLIX_PARSER_PAUSE_MS", "0", 1);
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
