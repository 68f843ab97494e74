#pragma once

#include <functional>

// Marks a panel command as running for as long as it lives. Commands keep names and paths
// across their dialogs and questions; the refresh the main window makes when the program
// regains the focus frees the listing's entries, so it waits until the command has ended.
class CommandInProgress {
public:
    CommandInProgress();
    ~CommandInProgress();
    CommandInProgress(const CommandInProgress&) = delete;
    CommandInProgress& operator=(const CommandInProgress&) = delete;

    static bool Running();
    // While a command runs, keeps the work for when the outermost command ends (a later
    // request replaces an earlier one) and gives true; otherwise gives false, running nothing.
    static bool Defer(std::function<void()> work);
};
