#pragma once
// A main window in a program folder of its own (a temporary folder standing in for the folder of
// the executable), with the dialog and shell doubles installed.

#include "ScriptedPlatform.h"
#include "TestEnvironment.h"
#include "app/AppForm.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class AppFormFixture {
public:
    QTemporaryDir programDir;
    ScriptedPlatform scripted;
    std::unique_ptr<TAppForm> form;

    AppFormFixture() { platform::setProgramFolderForTests(programDir.path()); }
    ~AppFormFixture() {
        form.reset();
        platform::setProgramFolderForTests({});
    }

    QString programFolder() const { return programDir.path() + QLatin1Char('/'); }
    QString settingsPath() const { return programFolder() + QStringLiteral("settings.ini"); }

    void writeSettings(const QByteArray& bytes) const {
        QFile f(settingsPath());
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QByteArray settingsBytes() const {
        QFile f(settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TAppForm& create() {
        form = std::make_unique<TAppForm>();
        form->show();
        // Offscreen windows are exposed at once; tests that need more check for it themselves.
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("main window not exposed");
        return *form;
    }
};
