// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "core/IUserMessages.h"
#include "core/TConfig.h"
#include "RefFileWriter.h"

class TCategories;
class TPlace;

/// A fresh data folder for one test, removed afterwards.
class TTempDataFolder {
public:
    TTempDataFolder();
    /// The folder path, ending in "/".
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + name; }
    /// A configuration pointing at this folder.
    TConfig Config() const { return TConfig::LoadFor(m_path); }
    /// Copies the shipped "Places.tx" and "Categories.tx" built from the reference CSVs.
    void InstallShippedRefData() const;
    void WriteFile(const std::string& name, const std::string& bytes) const;
    std::string ReadFile(const std::string& name) const;

private:
    QTemporaryDir m_dir;
    std::string m_path;
};

/// Records every message instead of showing it; questions are answered from Answers.
class TRecordingMessages final : public IUserMessages {
public:
    TRecordingMessages() { SetUserMessages(this); }
    ~TRecordingMessages() override { SetUserMessages(nullptr); }
    void Information(const std::string& text) override { Shown.push_back("information: " + text); }
    void Error(const std::string& text) override { Shown.push_back("error: " + text); }
    bool Question(const std::string& text) override {
        Shown.push_back("question: " + text);
        return Answer;
    }
    std::vector<std::string> Shown;
    bool Answer = false;
};

/// Runs the Qt event loop until done() is true or the time runs out; returns done().
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20));

/// The category whose link code is code ("apa", "sss", ...); a test failure when none is.
TPlace* CategoryCoded(const TCategories& categories, const std::string& code);

/// A place-table record for test files.
TRefRecord Place(int id, int parentId, const std::string& name, int level, const std::string& link = {},
                 double latitude = 0, double longitude = 0);

/// Path of a file under tests/fixtures (pages/ holds real pages of the site).
std::string FixtureFile(const std::string& relative);
