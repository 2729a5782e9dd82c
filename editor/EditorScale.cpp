#include "editor/EditorScale.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "gui/Platform.h"

namespace EditorScale {
namespace {

namespace fs = std::filesystem;

// Environment value as a number, 0 when unset or unreadable.
double environmentNumber(const char* name)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return 0.0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    return end != text ? v : 0.0;
}

} // namespace

float sanitize(double scale)
{
    if (!std::isfinite(scale) || scale <= 0.0)
        return 0.f;
    if (scale < 1.0)
        return 1.f; // the panel is never drawn smaller than its pixels
    return scale > 3.0 ? 3.f : static_cast<float>(scale);
}

std::string settingsPath()
{
#ifdef _WIN32
    const char* appData = std::getenv("APPDATA");
    if (appData == nullptr || *appData == '\0')
        return "";
    return (fs::path(appData) / "vemo" / "editor.conf").string();
#else
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is to be ignored.
    if (config != nullptr && config[0] == '/')
        return (fs::path(config) / "vemo" / "editor.conf").string();
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return "";
    return (fs::path(home) / ".config" / "vemo" / "editor.conf").string();
#endif
}

float remembered()
{
    const std::string path = settingsPath();
    if (path.empty())
        return 0.f;
    std::ifstream in(path);
    std::string line;
    // "scale=1.5"; other lines are left for other settings.
    for (int lines = 0; lines < 64 && std::getline(in, line); ++lines) {
        if (line.rfind("scale=", 0) != 0)
            continue;
        std::istringstream value(line.substr(6));
        value.imbue(std::locale::classic());
        double v = 0.0;
        if (value >> v)
            return sanitize(v);
    }
    return 0.f;
}

bool remember(float scale)
{
    const std::string path = settingsPath();
    if (path.empty())
        return false;
    std::error_code ignored;
    fs::create_directories(fs::path(path).parent_path(), ignored);
    // Written whole to a neighbour and renamed, so an editor opening in
    // another host at the same moment never reads half a file.
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out)
            return false;
        out.imbue(std::locale::classic());
        if (sanitize(scale) > 0.f)
            out << "scale=" << sanitize(scale) << "\n";
        if (!out.flush())
            return false;
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    return !error;
}

float desktop()
{
    // GTK's whole-number factor, then Qt's, then the X or Windows DPI.
    if (const float gdk = sanitize(environmentNumber("GDK_SCALE")); gdk > 0.f)
        return gdk;
    if (const float qt = sanitize(environmentNumber("QT_SCALE_FACTOR")); qt > 0.f)
        return qt;
    return sanitize(VSTGUI::platform::desktopScale());
}

} // namespace EditorScale
