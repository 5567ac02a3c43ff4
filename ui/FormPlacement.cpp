#include "ui/FormPlacement.h"

#include "settings/QZIni.h"

#include <QRect>
#include <QWidget>

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

namespace tarvix {

namespace {

constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;
constexpr int kMinSize = 16;
constexpr int kMaxSize = 32000;
constexpr int kMaxCoord = 100000;

std::vector<long> Numbers(std::string_view text)
{
    std::vector<long> out;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t comma = text.find(',', pos);
        std::string_view part = text.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        while (!part.empty() && part.front() == ' ')
            part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ')
            part.remove_suffix(1);
        long v = 0;
        auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
        if (ec != std::errc() || end != part.data() + part.size())
            return {};
        out.push_back(v);
        if (comma == std::string_view::npos)
            break;
        pos = comma + 1;
    }
    return out;
}

std::string RectText(const QRect& r)
{
    return std::to_string(r.left()) + "," + std::to_string(r.top()) + "," + std::to_string(r.left() + r.width()) +
           "," + std::to_string(r.top() + r.height());
}

}  // namespace

void SaveFormPlacement(const QWidget* window, std::string_view section)
{
    if (!window || !SettingsOpen())
        return;
    TNVIniFile& ini = Ini();
    const Qt::WindowStates state = window->windowState();
    const int showCmd = state & Qt::WindowMinimized   ? kShowMinimized
                        : state & Qt::WindowMaximized ? kShowMaximized
                                                      : kShowNormal;
    ini.WriteInteger(section, "Flags", 0);
    ini.WriteInteger(section, "ShowCmd", showCmd);
    ini.WriteString(section, "MinMaxPos", "-1,-1,-1,-1");
    if (window->isWindow())
        ini.WriteString(section, "NormPos", RectText(window->normalGeometry()));
    else if (showCmd == kShowNormal)
        ini.WriteString(section, "NormPos", RectText(window->geometry()));
    ini.WriteInteger(section, "PixelsPerInch", window->logicalDpiY());
}

bool RestoreFormPlacement(QWidget* window, std::string_view section)
{
    if (!window || !SettingsOpen())
        return false;
    const TNVIniFile& ini = Ini();
    std::vector<long> pos = Numbers(ini.ReadString(section, "NormPos", ""));
    if (pos.size() != 4)
        return false;
    for (long& v : pos)
        v = std::clamp<long>(v, -kMaxCoord, kMaxCoord);
    const int left = static_cast<int>(pos[0]);
    const int top = static_cast<int>(pos[1]);
    const int width = static_cast<int>(std::clamp<long>(pos[2] - pos[0], kMinSize, kMaxSize));
    const int height = static_cast<int>(std::clamp<long>(pos[3] - pos[1], kMinSize, kMaxSize));
    window->setGeometry(left, top, width, height);
    const long long showCmd = ini.ReadInteger(section, "ShowCmd", kShowNormal);
    if (showCmd == kShowMaximized)
        window->setWindowState(Qt::WindowMaximized);
    else if (showCmd == kShowMinimized)
        window->setWindowState(Qt::WindowMinimized);
    return true;
}

}  // namespace tarvix
