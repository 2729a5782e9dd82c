#include "StandaloneFixture.h"

#include <jack/midiport.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace standalonetest {

namespace {

using namespace std::chrono_literals;

std::atomic<int> g_instances{0};

} // namespace

bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

bool restartServer(uint32_t rate)
{
    const std::string command = std::string("'") + VEMO_TEST_SERVICES_SCRIPT + "' jack '" + VEMO_TEST_SERVICES_DIR +
                                "' '" + VEMO_TEST_JACK_SERVER + "' " + std::to_string(rate);
    const int status = std::system(command.c_str());
    if (status != 0) {
        std::fprintf(stderr, "%s: status %d\n", command.c_str(), status);
        return false;
    }
    const bool up = waitFor([&] { return serverRate() == rate; }, 10s);
    if (!up)
        std::fprintf(stderr, "the restarted server answers with %u Hz\n", serverRate());
    return up;
}

uint32_t serverRate()
{
    jack_status_t status{};
    jack_client_t* client = jack_client_open("vemo-test-rate", JackNoStartServer, &status);
    if (!client)
        return 0;
    const uint32_t rate = jack_get_sample_rate(client);
    jack_client_close(client);
    return rate;
}

// --------------------------------------------------------------- JackProbe

bool JackProbe::open(std::string& error)
{
    close();
    jack_status_t status{};
    sender_ = jack_client_open("vemo-test-send", JackNoStartServer, &status);
    recorder_ = jack_client_open("vemo-test-record", JackNoStartServer, &status);
    if (!sender_ || !recorder_) {
        error = "cannot reach the test JACK server '" VEMO_TEST_JACK_SERVER "'";
        close();
        return false;
    }
    rate_ = jack_get_sample_rate(recorder_);
    midiOut_ = jack_port_register(sender_, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    in_[0] = jack_port_register(recorder_, "in_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    in_[1] = jack_port_register(recorder_, "in_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    for (auto& tape : tape_)
        tape.assign(kRecordFrames, 0.0f);
    published_ = 0;
    sent_ = 0;
    recordedUntil_ = 0;
    recording_ = false;
    jack_set_process_callback(sender_, &JackProbe::onSend, this);
    jack_set_process_callback(recorder_, &JackProbe::onRecord, this);
    if (!midiOut_ || !in_[0] || !in_[1] || jack_activate(sender_) != 0 || jack_activate(recorder_) != 0) {
        error = "cannot set up the probe's JACK clients";
        close();
        return false;
    }
    return true;
}

void JackProbe::close()
{
    for (jack_client_t** c : {&sender_, &recorder_}) {
        if (*c) {
            jack_deactivate(*c);
            jack_client_close(*c);
        }
        *c = nullptr;
    }
}

bool JackProbe::connectTo(const std::string& client)
{
    const std::string midiIn = client + ":midi_in";
    return jack_connect(sender_, jack_port_name(midiOut_), midiIn.c_str()) == 0 &&
           jack_connect(recorder_, (client + ":out_left").c_str(), jack_port_name(in_[0])) == 0 &&
           jack_connect(recorder_, (client + ":out_right").c_str(), jack_port_name(in_[1])) == 0;
}

int JackProbe::send(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2)
{
    const int index = published_.load();
    if (index >= kMaxMessages)
        return -1;
    Message& m = messages_[size_t(index)];
    m.frame = frame;
    m.bytes[0] = status;
    m.bytes[1] = data1;
    m.bytes[2] = data2;
    m.size = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    m.sentAt = 0;
    published_.store(index + 1);
    return index;
}

bool JackProbe::waitSent(int index, std::chrono::seconds timeout)
{
    return index >= 0 && waitFor([&] { return sent_.load() > index; }, timeout);
}

bool JackProbe::waitRecorded(uint32_t frame, std::chrono::seconds timeout) const
{
    return waitFor(
        [&] {
            return recording_.load() && int32_t(recordedUntil_.load() - frame) >= 0;
        },
        timeout);
}

std::vector<float> JackProbe::recorded(int channel, uint32_t from, uint32_t count) const
{
    std::vector<float> out(count);
    for (uint32_t i = 0; i < count; ++i)
        out[i] = tape_[channel][(from + i) & (kRecordFrames - 1)];
    return out;
}

int JackProbe::onSend(jack_nframes_t frames, void* arg)
{
    auto* self = static_cast<JackProbe*>(arg);
    void* buffer = jack_port_get_buffer(self->midiOut_, frames);
    jack_midi_clear_buffer(buffer);
    const uint32_t start = jack_last_frame_time(self->sender_);
    const int published = self->published_.load();
    int next = self->sent_.load();
    while (next < published) {
        Message& m = self->messages_[size_t(next)];
        int32_t offset = int32_t(m.frame - start);
        if (offset >= int32_t(frames))
            break;
        offset = offset < 0 ? 0 : offset;
        if (jack_midi_event_write(buffer, jack_nframes_t(offset), m.bytes, m.size) != 0)
            break;
        m.sentAt = start + uint32_t(offset);
        ++next;
    }
    self->sent_.store(next);
    return 0;
}

int JackProbe::onRecord(jack_nframes_t frames, void* arg)
{
    auto* self = static_cast<JackProbe*>(arg);
    const uint32_t start = jack_last_frame_time(self->recorder_);
    for (int c = 0; c < 2; ++c) {
        const float* in = static_cast<const float*>(jack_port_get_buffer(self->in_[c], frames));
        for (uint32_t i = 0; i < frames; ++i)
            self->tape_[c][(start + i) & (kRecordFrames - 1)] = in[i];
    }
    self->recordedUntil_.store(start + frames);
    self->recording_.store(true);
    return 0;
}

// -------------------------------------------------------------- Standalone

Standalone::Standalone(const fs::path& home, const std::vector<std::string>& args, const std::string& display,
                       Host host)
{
    fs::create_directories(home);
    name_ = "vemo-t" + std::to_string(getpid()) + "-" + std::to_string(++g_instances);
    log_ = home / (name_ + ".log");

    std::vector<std::string> argv = {VEMO_STANDALONE_PATH, "--plugin", VEMO_MODULE_PATH, "--name", name_,
                                     "--no-connect"};
    readyText_ = "quit";
    std::string lv2Path;
    if (host == Host::Jalv) {
        // The bundle alone on the host's search path.
        const fs::path bundles = home / "lv2";
        fs::create_directories(bundles);
        std::error_code ignored;
        fs::create_directory_symlink(VEMO_LV2_BUNDLE, bundles / "vemo.lv2", ignored);
        lv2Path = "LV2_PATH=" + bundles.string();
        argv = {"/usr/bin/jalv.gtk3", "-x", "--jack-name", name_};
        readyText_ = "Update rate";
    }
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool ours = false; // what the test sets itself
        for (const char* name : {"HOME=", "XDG_CONFIG_HOME=", "DISPLAY=", "JACK_DEFAULT_SERVER=", "LV2_PATH="})
            ours = ours || entry.rfind(name, 0) == 0;
        if (!ours)
            env.push_back(entry);
    }
    env.push_back("HOME=" + home.string());
    env.push_back("JACK_DEFAULT_SERVER=" VEMO_TEST_JACK_SERVER);
    env.push_back("JACK_NO_START_SERVER=1");
    if (!display.empty())
        env.push_back("DISPLAY=" + display);
    if (!lv2Path.empty())
        env.push_back(lv2Path);

    // Everything exec needs is prepared before the fork: between fork and
    // exec only async-signal-safe calls are allowed.
    std::vector<char*> argp, envp;
    for (auto& a : argv)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const int out = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // A crashed test must not leave the standalone waiting for its
        // server for ever.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        dup2(out, 1);
        dup2(out, 2);
        const int null = ::open("/dev/null", O_RDONLY);
        dup2(null, 0);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    ::close(out);
}

Standalone::~Standalone()
{
    if (running())
        stop(SIGKILL, std::chrono::seconds(10));
}

bool Standalone::running()
{
    if (pid_ <= 0)
        return false;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
        return false;
    }
    return true;
}

bool Standalone::waitForPorts(JackProbe& probe, std::chrono::seconds timeout)
{
    (void)probe;
    jack_status_t status{};
    jack_client_t* client = jack_client_open("vemo-test-look", JackNoStartServer, &status);
    if (!client)
        return false;
    const std::string port = name_ + ":out_right";
    // Hosts register their ports one by one, in an order of their own.
    const bool found = waitFor(
        [&] {
            return !running() || (jack_port_by_name(client, (name_ + ":midi_in").c_str()) != nullptr &&
                                  jack_port_by_name(client, port.c_str()) != nullptr);
        },
        timeout);
    const bool ok = found && running() && jack_port_by_name(client, port.c_str()) != nullptr;
    jack_client_close(client);
    // The ports exist before the callbacks run; what it prints comes after.
    return ok && waitForOutput(readyText_, timeout);
}

bool Standalone::waitForOutput(const std::string& text, std::chrono::seconds timeout) const
{
    return waitFor([&] { return output().find(text) != std::string::npos; }, timeout);
}

int Standalone::stop(int signal, std::chrono::seconds timeout)
{
    if (running())
        kill(pid_, signal);
    return wait(timeout);
}

int Standalone::wait(std::chrono::seconds timeout)
{
    if (!waitFor([&] { return !running(); }, timeout)) {
        kill(pid_, SIGKILL);
        waitFor([&] { return !running(); }, std::chrono::seconds(10));
        return -1;
    }
    return status_;
}

std::string Standalone::output() const
{
    std::ifstream in(log_);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path bankFile(const fs::path& home) { return home / ".config" / "vemo" / "bank.fxb"; }

std::vector<uint8_t> fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace standalonetest
