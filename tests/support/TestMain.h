#pragma once

#include "views/FileDialog.h"
#include "views/MessageBox.h"
#include "views/PrintDialog.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Like QTEST_MAIN, but finds the engines' plugins in the build, as the program does next to its
// executable, and keeps every test away from the user's settings, message boxes and file
// dialogs.
#define QUILLMERE_TEST_MAIN(TestObject)                                                            \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        if (qEnvironmentVariableIsEmpty("QUILLMERE_PLUGIN_PATH")) {                                \
            qputenv("QUILLMERE_PLUGIN_PATH", QUILLMERE_PLUGIN_DIR);                                \
        }                                                                                          \
        QApplication app(argc, argv);                                                              \
        QApplication::setOrganizationName(QStringLiteral("Quillmere"));                            \
        QApplication::setApplicationName(QStringLiteral("Quillmere"));                             \
        QStandardPaths::setTestModeEnabled(true);                                                  \
        /* Each test program gets settings of its own, so tests run side by side never see */      \
        /* each other's hosts, mail account or window placement. */                                \
        QTemporaryDir settingsDir;                                                                 \
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());     \
        MessageBox::setTestMode(true);                                                             \
        FileDialog::setTestMode(true);                                                             \
        PrintDialog::setTestMode(true);                                                            \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
