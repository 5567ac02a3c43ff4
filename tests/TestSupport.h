// Helpers shared by the test programs.
#pragma once

#include "engine/Log.h"
#include "fido/Dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace tarvix::test {

// A log window that never stops an analysis and remembers where it was sent.
struct QuietWindow : TLogWindow {
    std::int64_t wentTo = 0;
    void GoToLine(std::int64_t line) override { wentTo = line; }
};

// Captures the dialogs of a test and answers them with the given result.
struct CapturedDialogs {
    TBatchDialogs dialogs;
    explicit CapturedDialogs(TModalResult answer = mrOk) : dialogs(answer, true) { SetDialogs(&dialogs); }
    ~CapturedDialogs() { SetDialogs(nullptr); }
    CapturedDialogs(const CapturedDialogs&) = delete;
    CapturedDialogs& operator=(const CapturedDialogs&) = delete;
    std::size_t Count() const { return dialogs.Shown.size(); }
};

// A fresh temporary directory for one test, removed afterwards.
struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::temp_directory_path() /
               ("tarvix-" + std::string(info ? info->name() : "test") + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

}  // namespace tarvix::test
