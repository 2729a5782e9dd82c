// Stereo audio files through libsndfile: WAV, FLAC or AIFF chosen by the
// file's extension, 16 or 24-bit integer or 32-bit float samples. The file
// is written under a temporary name beside the target and renamed when
// finish() succeeds, so a failed render never leaves a half file behind.
#pragma once

#include "tools/vemo-render/Renderer.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace vemo::render {

class AudioFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class SampleFormat { Int16, Int24, Float32 };

// "16", "24" or "32f" (also "32"); throws AudioFileError otherwise.
SampleFormat parseSampleFormat(const std::string& text);

// Checks the extension and format; returns the libsndfile major format or
// throws AudioFileError naming the path.
int containerFor(const std::string& path, SampleFormat format);

class AudioFileSink : public AudioSink {
public:
    // Creates missing parent directories. maxFrames: the longest write
    // expected (a block); samples are gathered and written in large pieces.
    AudioFileSink(const std::string& path, int sampleRate, SampleFormat format, int maxFrames);
    ~AudioFileSink() override; // removes the temporary file unless finished

    void write(const float* left, const float* right, int frames) override;
    void finish(); // writes what is pending, closes and renames into place
    const std::string& path() const { return path_; }

private:
    static constexpr int kWriteFrames = 32768; // per write to the file
    void flush();

    std::string path_;
    std::string tempPath_;
    void* file_ = nullptr; // SNDFILE*
    std::vector<float> interleaved_;
    int pending_ = 0; // frames gathered in interleaved_
    bool finished_ = false;
};

// Keeps a whole render as 32-bit floats in a nameless temporary file in the
// given folder (beside the output, where the space for it is), so that it
// can be played again with a gain known only at the end (peak
// normalisation). The file is gone when the spool is, whatever happens.
class FloatSpool : public AudioSink {
public:
    explicit FloatSpool(const std::string& folder); // throws AudioFileError
    ~FloatSpool() override;
    FloatSpool(const FloatSpool&) = delete;
    FloatSpool& operator=(const FloatSpool&) = delete;

    void write(const float* left, const float* right, int frames) override;
    // Writes everything spooled, times gain, into sink.
    void replay(AudioSink& sink, float gain);

private:
    static constexpr int kFrames = 32768;
    std::string folder_;
    void* file_ = nullptr; // FILE*
    std::vector<float> buffer_;
    int64_t frames_ = 0;
};

} // namespace vemo::render
