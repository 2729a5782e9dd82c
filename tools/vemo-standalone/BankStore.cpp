#include "tools/vemo-standalone/BankStore.h"

#include "tools/vemo-render/MidiFile.h"
#include "tools/vemo-render/PluginHost.h"
#include "tools/vemo-render/PresetIO.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <stdexcept>
#include <unistd.h>

namespace vemo::standalone {

namespace fs = std::filesystem;
using render::PresetFileError;

std::string defaultBankPath(int32_t uniqueID)
{
    char other[32];
    std::snprintf(other, sizeof other, "bank-%08X.fxb", unsigned(uniqueID));
    const std::string file = uniqueID == kVemoUniqueId ? "bank.fxb" : other;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // The XDG rule: a relative XDG_CONFIG_HOME is to be ignored.
    if (config && config[0] == '/')
        return (fs::path(config) / "vemo" / file).string();
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    if (!home || !home[0])
        return "";
    return (fs::path(home) / ".config" / "vemo" / file).string();
}

void loadBank(render::PluginHost& host, const std::string& path)
{
    try {
        std::vector<uint8_t> bytes = render::readFileBytes(path, render::kMaxPresetFileBytes);
        render::PresetFile preset = render::parsePreset(bytes);
        // Banks are written as version 1 with the current program where
        // version 2 keeps it; other hosts leave zeros there, which is
        // program 0, where the plug-in starts anyway.
        if (preset.currentProgram < 0 && preset.version == 1 && bytes.size() >= 32) {
            const int32_t current = int32_t(uint32_t(bytes[28]) << 24 | uint32_t(bytes[29]) << 16 |
                                            uint32_t(bytes[30]) << 8 | uint32_t(bytes[31]));
            if (current >= 0 && current < host.info().numPrograms)
                preset.currentProgram = current;
        }
        render::applyPreset(host, preset, true);
    } catch (const PresetFileError& e) {
        throw PresetFileError(path + ": " + e.what());
    } catch (const std::runtime_error& e) {
        throw PresetFileError(e.what()); // readFileBytes names the path already
    }
}

void writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw std::runtime_error(folder.string() + ": cannot create the folder (" + error.message() + ")");

    // ".bank.fxb.XXXXXX": hidden, beside the file, on the same file system.
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    std::string temp = (folder / hidden).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        throw std::runtime_error(path + ": cannot write in its folder (" + std::strerror(errno) + ")");
    const auto fail = [&](const char* what) {
        const int code = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        throw std::runtime_error(path + ": " + what + " (" + std::strerror(code) + ")");
    };
    fchmod(fd, 0644);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail("cannot write the file");
        done += size_t(n);
    }
    if (fsync(fd) != 0)
        fail("cannot flush the file to disk");
    if (::close(fd) != 0) {
        ::unlink(temp.c_str());
        throw std::runtime_error(path + ": cannot write the file (" + std::strerror(errno) + ")");
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int code = errno;
        ::unlink(temp.c_str());
        throw std::runtime_error(path + ": cannot replace the file (" + std::strerror(code) + ")");
    }
    // The rename itself lasts once the folder is on disk too.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
}

bool BankStore::save(render::PluginHost& host)
{
    std::vector<uint8_t> bytes;
    try {
        bytes = render::writePreset(render::capturePreset(host, true));
    } catch (const PresetFileError& e) {
        throw std::runtime_error(path_ + ": " + e.what());
    }
    if (bytes == saved_)
        return false;
    writeFileAtomically(path_, bytes);
    saved_ = std::move(bytes);
    return true;
}

} // namespace vemo::standalone
