// Helpers shared by the test programs.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#if __has_include("engine/Log.h")
#include "engine/Log.h"
#include "fido/Dialogs.h"
#endif
#ifdef QT_WIDGETS_LIB
#include <QString>
#include <QWidget>
#endif

namespace tarvix::test {

// A fresh temporary directory for one test, removed afterwards.
struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
        for (char& c : name)
            if (c == '/')
                c = '_';
        path = std::filesystem::temp_directory_path() / ("tarvix-" + name + "-" + std::to_string(::getpid()));
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
    // Writes a file of the directory (byte for byte) and gives its path.
    std::string Write(const std::string& name, std::string_view bytes) const
    {
        std::string file = *this / name;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
};

#if __has_include("engine/Log.h")
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
#endif

#ifdef QT_WIDGETS_LIB
// Saves a picture of a window under <build>/screenshots/<name>.png.
inline void SaveScreenshot(QWidget* w, const QString& name)
{
    const auto dir = std::filesystem::path(TARVIX_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(dir);
    const QString file = QString::fromStdString((dir / name.toStdString()).string()) + QStringLiteral(".png");
    EXPECT_TRUE(w->grab().save(file, "PNG")) << file.toStdString();
}
#endif

}  // namespace tarvix::test
