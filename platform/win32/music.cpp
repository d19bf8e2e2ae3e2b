#include "platform/win32/music.h"

#include <io.h>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/file_names.h"
#include "platform/report.h"
#include "platform/win32/win32.h"

#define DR_MP3_IMPLEMENTATION
#include "dr_mp3.h"

namespace platform {
namespace {

// Four buffers of about a tenth of a second each: the output always has the
// next one while the thread decodes the one after.
constexpr int kBuffers = 4;
constexpr drmp3_uint64 kFramesPerBuffer = 4096;

class WaveOutStream : public MusicStream {
  public:
    ~WaveOutStream() override;
    bool open(const char* path);
    void play() override;

  private:
    void feed();
    bool fill(int buffer);

    std::FILE* file_ = nullptr;
    drmp3 decoder_{};
    bool decoderOpen_ = false;
    HWAVEOUT output_ = nullptr;
    HANDLE bufferDone_ = nullptr;  // signalled by waveOut as each buffer ends
    std::array<std::vector<drmp3_int16>, kBuffers> samples_;
    std::array<WAVEHDR, kBuffers> headers_{};
    std::array<bool, kBuffers> queued_{};
    std::atomic<bool> stopping_ = false;
    std::thread feeder_;
};

WaveOutStream::~WaveOutStream() {
    stopping_ = true;
    if (bufferDone_ != nullptr) SetEvent(bufferDone_);
    if (feeder_.joinable()) feeder_.join();
    if (output_ != nullptr) {
        waveOutReset(output_);
        for (WAVEHDR& header : headers_) {
            if (header.dwFlags & WHDR_PREPARED)
                waveOutUnprepareHeader(output_, &header, sizeof header);
        }
        waveOutClose(output_);
    }
    if (bufferDone_ != nullptr) CloseHandle(bufferDone_);
    if (decoderOpen_) drmp3_uninit(&decoder_);
    if (file_ != nullptr) std::fclose(file_);
}

size_t readFile(void* file, void* out, size_t bytes) {
    return std::fread(out, 1, bytes, static_cast<std::FILE*>(file));
}

drmp3_bool32 seekFile(void* file, int offset, drmp3_seek_origin origin) {
    const int whence = origin == drmp3_seek_origin_current ? SEEK_CUR : SEEK_SET;
    return std::fseek(static_cast<std::FILE*>(file), offset, whence) == 0;
}

bool WaveOutStream::open(const char* path) {
    // The name is UTF-8 (the wide call), and only a file on disk is read: a
    // pipe or a device would make the music wait or never end.
    file_ = _wfopen(filePath(path).c_str(), L"rb");
    if (file_ != nullptr &&
        GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_)))) != FILE_TYPE_DISK) {
        platform::report("no music from %s: not a regular file", path);
        return false;
    }
    // dr_mp3 reads the file as it decodes; nothing is loaded whole.
    if (file_ == nullptr || !drmp3_init(&decoder_, readFile, seekFile, file_, nullptr)) {
        platform::report("no music from %s: cannot open it as mp3", path);
        return false;
    }
    decoderOpen_ = true;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(decoder_.channels);
    format.nSamplesPerSec = decoder_.sampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(format.nChannels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    bufferDone_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const MMRESULT result =
        bufferDone_ == nullptr
            ? MMSYSERR_NOMEM
            : waveOutOpen(&output_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(bufferDone_),
                          0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        output_ = nullptr;
        platform::report("no sound, the show runs silent: no output for %s (%u)", path, result);
        return false;
    }
    for (auto& buffer : samples_) buffer.resize(kFramesPerBuffer * decoder_.channels);
    return true;
}

void WaveOutStream::play() {
    if (!feeder_.joinable()) feeder_ = std::thread([this] { feed(); });
}

bool WaveOutStream::fill(int buffer) {
    WAVEHDR& header = headers_[buffer];
    if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(output_, &header, sizeof header);
    const drmp3_uint64 frames =
        drmp3_read_pcm_frames_s16(&decoder_, kFramesPerBuffer, samples_[buffer].data());
    queued_[buffer] = false;
    if (frames == 0) return false;
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(samples_[buffer].data());
    header.dwBufferLength = static_cast<DWORD>(frames * decoder_.channels * sizeof(drmp3_int16));
    if (waveOutPrepareHeader(output_, &header, sizeof header) != MMSYSERR_NOERROR ||
        waveOutWrite(output_, &header, sizeof header) != MMSYSERR_NOERROR) {
        return false;
    }
    queued_[buffer] = true;
    return true;
}

void WaveOutStream::feed() {
    bool decoding = true;
    for (int buffer = 0; buffer < kBuffers && decoding; ++buffer) decoding = fill(buffer);
    while (!stopping_) {
        WaitForSingleObject(bufferDone_, 200);
        bool playing = false;
        for (int buffer = 0; buffer < kBuffers; ++buffer) {
            if (queued_[buffer] && (headers_[buffer].dwFlags & WHDR_DONE) && decoding) {
                decoding = fill(buffer);
            }
            playing = playing || (queued_[buffer] && !(headers_[buffer].dwFlags & WHDR_DONE));
        }
        // The end of the file, or a part that does not decode, ends the music.
        if (!decoding && !playing) return;
    }
}

}  // namespace

std::unique_ptr<MusicStream> MusicStream::open(const char* path) {
    auto stream = std::make_unique<WaveOutStream>();
    if (!stream->open(path)) return nullptr;
    return stream;
}

}  // namespace platform
