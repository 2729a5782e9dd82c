// Helpers for the vemo-render tests: songs built in code, a sink that keeps
// the audio, temporary files, and simple measurements of rendered sound.
#pragma once

#include "synth/TestSynthLog.h"
#include "tools/vemo-render/MidiFile.h"
#include "tools/vemo-render/PluginHost.h"
#include "tools/vemo-render/Renderer.h"
#include "tools/vemo-render/TempoMap.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sndfile.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace vemo::render::test {

inline MidiMessage message(uint64_t tick, uint8_t status, uint8_t data1, uint8_t data2, uint16_t track = 0)
{
    MidiMessage m;
    m.tick = tick;
    m.bytes[0] = status;
    m.bytes[1] = data1;
    m.bytes[2] = data2;
    m.size = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    m.track = track;
    return m;
}

// A note as two messages on channel 1.
inline void addNote(MidiSong& song, uint64_t tick, uint64_t length, uint8_t key, uint8_t velocity = 100,
                    uint16_t track = 0)
{
    song.messages.push_back(message(tick, 0x90, key, velocity, track));
    song.messages.push_back(message(tick + length, 0x80, key, 0, track));
}

inline void sortSong(MidiSong& song)
{
    std::stable_sort(song.messages.begin(), song.messages.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.tick < b.tick; });
}

class MemorySink : public AudioSink {
public:
    void write(const float* l, const float* r, int frames) override
    {
        left.insert(left.end(), l, l + frames);
        right.insert(right.end(), r, r + frames);
    }
    std::vector<float> left, right;
};

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/vemo-render-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The test instrument's log, read through a handle of our own so it stays
// readable after the host has closed the plug-in.
class SynthLog {
public:
    explicit SynthLog(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL))
    {
        if (handle_)
            get_ = reinterpret_cast<TestSynthLogProc>(dlsym(handle_, "testSynthLog"));
    }
    ~SynthLog()
    {
        if (handle_)
            dlclose(handle_);
    }
    TestSynthLog* operator->() const { return get_(); }
    bool ok() const { return get_ != nullptr; }

private:
    void* handle_;
    TestSynthLogProc get_ = nullptr;
};

// First frame at which |x| reaches threshold at or after from, or -1.
inline int64_t onsetAfter(const std::vector<float>& x, int64_t from, float threshold = 1e-3f)
{
    for (size_t i = size_t(std::max<int64_t>(0, from)); i < x.size(); ++i)
        if (std::fabs(x[i]) >= threshold)
            return int64_t(i);
    return -1;
}

// Frequency in Hz from upward zero crossings (linearly interpolated) over
// [begin, end).
inline double measurePitch(const std::vector<float>& x, size_t begin, size_t end, double rate)
{
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = begin + 1; i < end && i < x.size(); ++i) {
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
            double t = double(i - 1) + double(-x[i - 1]) / double(x[i] - x[i - 1]);
            if (first < 0.0)
                first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * rate / (last - first) : 0.0;
}

inline double rms(const std::vector<float>& x, size_t begin, size_t end)
{
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = begin; i < end && i < x.size(); ++i, ++n)
        sum += double(x[i]) * x[i];
    return n ? std::sqrt(sum / double(n)) : 0.0;
}

// vemo-render run as a user runs it, in another process.
struct CommandRun {
    int status;
    std::string output; // stdout and stderr together
};

inline CommandRun vemoRender(const std::string& args, const std::string& cwd = "", const std::string& env = "")
{
    std::string command = (cwd.empty() ? "" : "cd '" + cwd + "' && ") + env + (env.empty() ? "" : " ") +
                          "'" VEMO_RENDER_PATH "' " + args + " 2>&1";
    CommandRun run{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

struct Audio {
    SF_INFO info{};
    std::vector<float> left;
    std::vector<float> right;
};

inline Audio readAudio(const std::string& path)
{
    Audio a;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &a.info);
    if (!f)
        return a;
    std::vector<float> frames(size_t(a.info.frames) * size_t(a.info.channels));
    sf_readf_float(f, frames.data(), a.info.frames);
    sf_close(f);
    for (size_t i = 0; i < frames.size(); i += size_t(a.info.channels)) {
        a.left.push_back(frames[i]);
        a.right.push_back(frames[i + size_t(a.info.channels) - 1]);
    }
    return a;
}

// What the test instrument wrote to TEST_SYNTH_LOG_FILE when vemo-render
// closed it.
struct LoggedEvent {
    int64_t frame;
    int status, data1, data2;
};
struct LoggedParameter {
    int64_t frame;
    int index;
    float value;
};
struct FileLog {
    std::vector<LoggedEvent> events;
    std::vector<LoggedParameter> parameters;
};

inline FileLog readSynthLog(const std::string& path)
{
    FileLog log;
    std::ifstream in(path);
    std::string kind;
    while (in >> kind) {
        if (kind == "E") {
            LoggedEvent e{};
            in >> e.frame >> e.status >> e.data1 >> e.data2;
            log.events.push_back(e);
        } else {
            LoggedParameter p{};
            in >> p.frame >> p.index >> p.value;
            log.parameters.push_back(p);
        }
    }
    return log;
}

inline double noteHz(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

} // namespace vemo::render::test
