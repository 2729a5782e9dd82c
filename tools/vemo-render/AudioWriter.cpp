#include "tools/vemo-render/AudioWriter.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sndfile.h>
#include <unistd.h>

namespace vemo::render {

namespace fs = std::filesystem;

SampleFormat parseSampleFormat(const std::string& text)
{
    if (text == "16")
        return SampleFormat::Int16;
    if (text == "24")
        return SampleFormat::Int24;
    if (text == "32f" || text == "32")
        return SampleFormat::Float32;
    throw AudioFileError("--bits takes 16, 24 or 32f, not '" + text + "'");
}

int containerFor(const std::string& path, SampleFormat format)
{
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    int container;
    if (ext == ".wav")
        container = SF_FORMAT_WAV;
    else if (ext == ".flac")
        container = SF_FORMAT_FLAC;
    else if (ext == ".aif" || ext == ".aiff")
        container = SF_FORMAT_AIFF;
    else
        throw AudioFileError(path + ": unknown audio file type '" + ext +
                             "' (use .wav, .flac, .aif or .aiff)");
    if (container == SF_FORMAT_FLAC && format == SampleFormat::Float32)
        throw AudioFileError(path + ": FLAC stores integer samples only; use --bits 16 or 24");
    return container;
}

AudioFileSink::AudioFileSink(const std::string& path, int sampleRate, SampleFormat format, int maxFrames)
    : path_(path), interleaved_(size_t(std::max(kWriteFrames, maxFrames)) * 2)
{
    int container = containerFor(path, format);
    int subtype = format == SampleFormat::Int16   ? SF_FORMAT_PCM_16
                  : format == SampleFormat::Int24 ? SF_FORMAT_PCM_24
                                                  : SF_FORMAT_FLOAT;
    fs::path target(path);
    if (target.has_parent_path()) {
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        if (error)
            throw AudioFileError(path + ": cannot create the folder " + target.parent_path().string() +
                                 " (" + error.message() + ")");
    }
    tempPath_ = path + ".part" + std::to_string(getpid());
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = container | subtype;
    if (!sf_format_check(&info))
        throw AudioFileError(path + ": this file type cannot hold that sample format at " +
                             std::to_string(sampleRate) + " Hz");
    SNDFILE* file = sf_open(tempPath_.c_str(), SFM_WRITE, &info);
    if (!file)
        throw AudioFileError(path + ": cannot write the file (" + sf_strerror(nullptr) + ")");
    file_ = file;
    // Integer formats: samples beyond full scale are clipped, not wrapped.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_set_string(file, SF_STR_SOFTWARE, "vemo-render");
}

AudioFileSink::~AudioFileSink()
{
    if (file_)
        sf_close(static_cast<SNDFILE*>(file_));
    if (!finished_) {
        std::error_code ignored;
        fs::remove(tempPath_, ignored);
    }
}

void AudioFileSink::write(const float* left, const float* right, int frames)
{
    const int capacity = int(interleaved_.size() / 2);
    while (frames > 0) {
        int n = std::min(frames, capacity - pending_);
        float* out = interleaved_.data() + size_t(2 * pending_);
        for (int i = 0; i < n; ++i) {
            out[2 * i] = left[i];
            out[2 * i + 1] = right[i];
        }
        pending_ += n;
        if (pending_ == capacity)
            flush();
        left += n;
        right += n;
        frames -= n;
    }
}

void AudioFileSink::flush()
{
    auto* file = static_cast<SNDFILE*>(file_);
    if (pending_ > 0 && sf_writef_float(file, interleaved_.data(), pending_) != pending_)
        throw AudioFileError(path_ + ": write error (" + sf_strerror(file) + ")");
    pending_ = 0;
}

void AudioFileSink::finish()
{
    flush();
    auto* file = static_cast<SNDFILE*>(file_);
    file_ = nullptr;
    if (sf_close(file) != 0)
        throw AudioFileError(path_ + ": error while closing the file");
    std::error_code error;
    fs::rename(tempPath_, path_, error);
    if (error)
        throw AudioFileError(path_ + ": cannot move the finished file into place (" + error.message() + ")");
    finished_ = true;
}

FloatSpool::FloatSpool(const std::string& folder)
    : folder_(folder.empty() ? "." : folder), buffer_(size_t(kFrames) * 2)
{
    std::string pattern = (fs::path(folder_) / ".vemo-render-spool-XXXXXX").string();
    int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw AudioFileError(folder_ + ": cannot make a temporary file for normalising (" +
                             std::strerror(errno) + ")");
    unlink(pattern.c_str()); // nameless from now on: removed when closed
    file_ = fdopen(fd, "w+b");
    if (!file_) {
        close(fd);
        throw AudioFileError(folder_ + ": cannot open the temporary file for normalising");
    }
}

FloatSpool::~FloatSpool()
{
    if (file_)
        std::fclose(static_cast<FILE*>(file_));
}

void FloatSpool::write(const float* left, const float* right, int frames)
{
    auto* file = static_cast<FILE*>(file_);
    while (frames > 0) {
        int n = std::min(frames, kFrames);
        for (int i = 0; i < n; ++i) {
            buffer_[size_t(2 * i)] = left[i];
            buffer_[size_t(2 * i + 1)] = right[i];
        }
        if (std::fwrite(buffer_.data(), sizeof(float) * 2, size_t(n), file) != size_t(n))
            throw AudioFileError(folder_ + ": cannot write the temporary file for normalising (disk full?)");
        frames_ += n;
        left += n;
        right += n;
        frames -= n;
    }
}

void FloatSpool::replay(AudioSink& sink, float gain)
{
    auto* file = static_cast<FILE*>(file_);
    std::fflush(file);
    std::rewind(file);
    std::vector<float> left(kFrames), right(kFrames);
    for (int64_t done = 0; done < frames_;) {
        int n = int(std::min<int64_t>(kFrames, frames_ - done));
        if (std::fread(buffer_.data(), sizeof(float) * 2, size_t(n), file) != size_t(n))
            throw AudioFileError(folder_ + ": cannot read back the temporary file for normalising");
        for (int i = 0; i < n; ++i) {
            left[size_t(i)] = buffer_[size_t(2 * i)] * gain;
            right[size_t(i)] = buffer_[size_t(2 * i + 1)] * gain;
        }
        sink.write(left.data(), right.data(), n);
        done += n;
    }
}

} // namespace vemo::render
