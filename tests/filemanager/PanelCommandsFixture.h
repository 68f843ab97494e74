#pragma once

// Two linked panels over a temporary tree for the tests of the panel's commands, every box
// and dialog answered by the script.

#include "FakePanelHost.h"
#include "filemanager/glform.h"
#include "support/FileContents.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <QDialog>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

using platform::MsgResult;
using testsupport::readFile;
using Texts = std::vector<std::string>;

inline bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Puts a PATH of the test's own in force while it lives.
class ScopedPath {
public:
    explicit ScopedPath(const std::string& path) : saved_(std::getenv("PATH")) { setenv("PATH", path.c_str(), 1); }
    ~ScopedPath() { setenv("PATH", saved_.c_str(), 1); }
    ScopedPath(const ScopedPath&) = delete;
    ScopedPath& operator=(const ScopedPath&) = delete;

private:
    std::string saved_;
};

class PanelCommands : public ::testing::Test {
protected:
    void Open(const std::string& leftDir, const std::string& rightDir)
    {
        left = MakePanelOn(host, leftDir);
        right = MakePanelOn(host, rightDir);
        left->SetOtherPanel(right.get());
        right->SetOtherPanel(left.get());
    }
    // Marks the entries of the panel by name.
    static void Mark(Tglfr& panel, const Texts& names)
    {
        for (const auto& entry : panel.dir.entries)
            entry->selected = std::find(names.begin(), names.end(), entry->name) != names.end();
    }
    // The panel's entry of that name, null when it lists none.
    static const ff* Entry(const Tglfr& panel, const std::string& name)
    {
        for (const auto& entry : panel.dir.entries) {
            if (entry->name == name)
                return entry.get();
        }
        return nullptr;
    }
    static bool Lists(const Tglfr& panel, const std::string& name) { return Entry(panel, name) != nullptr; }
    // Puts the panel's cursor on the entry of that name.
    static void SetCurrent(Tglfr& panel, const std::string& name)
    {
        for (const auto& entry : panel.dir.entries)
            entry->current = entry->name == name;
    }
    // An executable script in the tree.
    std::string Script(const std::string& relative, const std::string& body) const
    {
        const std::string path = tree.File(relative, "#!/bin/sh\n" + body);
        tree.Chmod(relative, 0755);
        return path;
    }
    // The next dialog gets the text in its line edit and ends with OK.
    void TypeIntoNextDialog(const char* edit, const std::string& text)
    {
        boxes.answerModal(QDialog::Accepted, [edit, text](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(edit)->setText(QString::fromUtf8(text));
        });
    }
    std::string Trashed(const std::string& name) const { return std::string(getenv("XDG_DATA_HOME")) + "/Trash/files/" + name; }

    testfs::KeepCurrentDir keep;
    testfs::TempTree tree;
    testsupport::ScriptedMessages boxes;
    FakePanelHost host;
    std::unique_ptr<Tglfr> left, right;
};
