#pragma once

// A main window under test: no settings file to begin with, the process in the home
// directory, and the first activation left to the test, so nothing depends on when the
// platform sends it.

#include "filemanager/mainfr.h"
#include "platform/fs/CurrentDir.h"
#include "platform/ui/Application.h"
#include "platform/ui/Locations.h"
#include "support/ScriptedMessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

inline std::string homeDirectory() { return QFile::encodeName(QDir::homePath()).toStdString(); }

// Counts the events a watched object gets that `picked` chooses.
class EventCounter : public QObject {
public:
    EventCounter(QObject* watched, std::function<bool(const QEvent&)> picked) : picked_(std::move(picked))
    {
        watched->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += picked_(*event) ? 1 : 0;
        return false;
    }

private:
    std::function<bool(const QEvent&)> picked_;
};

// Counts the paints of a panel's scene.
class PaintCounter : public EventCounter {
public:
    explicit PaintCounter(QWidget* scene)
        : EventCounter(scene, [](const QEvent& event) { return event.type() == QEvent::Paint; })
    {
    }
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(QString::fromStdString(settings()));
        ASSERT_TRUE(platform::ChangeDir(homeDirectory()));
    }
    static std::string settings() { return platform::settingsFilePath(); }

    template <class Form = TMainForm>
    std::unique_ptr<Form> start()
    {
        auto form = std::make_unique<Form>();
        platform::Application::instance().OnActivate = nullptr;
        form->resize(800, 600);
        form->show();
        QCoreApplication::processEvents();
        return form;
    }
    static void activate(TMainForm& form)
    {
        form.AppActivate();
        QCoreApplication::processEvents();
    }
    testsupport::ScriptedMessages boxes;
};
