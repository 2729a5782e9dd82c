// The bank that lasts between sessions: the whole bank of the plug-in (its
// sounds, names and MIDI learn bindings) as a standard .fxb file, written
// atomically (a temporary file in the same folder, flushed to disk, then
// renamed over the old one), so that a crash or a power cut leaves either
// the old bank or the new one, never half of one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vemo::render {
class PluginHost;
}

namespace vemo::standalone {

// VEMO's VST unique ID ('8825').
constexpr int32_t kVemoUniqueId = 0x38383235;

// $XDG_CONFIG_HOME/vemo/bank.fxb, else ~/.config/vemo/bank.fxb (HOME, else
// the password database); empty when there is no home at all. Another
// module (--plugin) gets a file of its own, bank-<its ID in hex>.fxb, so
// that it never replaces VEMO's bank.
std::string defaultBankPath(int32_t uniqueID = kVemoUniqueId);

// Reads an .fxb into the plug-in and makes its current program the one the
// file records (when it records one). Throws vemo::render::PresetFileError
// "path: problem"; a refused file changes nothing.
void loadBank(render::PluginHost& host, const std::string& path);

// Writes `bytes` to `path` atomically, creating the folder. Throws
// std::runtime_error "path: problem"; the old file is kept then.
void writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// Saves the plug-in's bank to one file, skipping writes that would not
// change it. UI thread.
class BankStore {
public:
    explicit BankStore(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    // The file's bytes as last read or written: saving them again is skipped.
    void remember(std::vector<uint8_t> bytes) { saved_ = std::move(bytes); }

    // True when the file was written. Throws std::runtime_error.
    bool save(render::PluginHost& host);

private:
    std::string path_;
    std::vector<uint8_t> saved_;
};

} // namespace vemo::standalone
