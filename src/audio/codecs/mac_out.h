// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/codecs/ape/ape_compress_api.h"
#include "audio/core/au_exception.h"
#include "audio/core/au_output.h"

// An error code of the APE compressor calls as "MACDll error: " + its text.
class EAPEException : public EAuException {
public:
    explicit EAPEException(int errorCode);
};

// Text of an APE compressor error code ("undefined (N)" for unknown codes).
[[nodiscard]] std::string MACErrorText(int errorCode);

// Owns one compressor handle for one run; the calls return the compressor's
// error codes. Worker thread of the owning output.
class TAPECompress {
public:
    // Raises EAPEException when no compressor can be created.
    TAPECompress();

    // threads: frames encoded at once, 0 for one per core.
    [[nodiscard]] int Start(const std::string& fileName, const WaveFormatEx& format,
                            int maxAudioBytes, int compressionLevel, int threads);
    [[nodiscard]] unsigned char* LockBuffer(int& bytesAvailable);
    // Always asks the compressor to process the data at once.
    [[nodiscard]] int UnlockBuffer(int bytesAdded);
    [[nodiscard]] int Finish();

private:
    struct HandleDestroyer {
        void operator()(APE_COMPRESS_HANDLE handle) const { c_APECompress_Destroy(handle); }
    };
    std::unique_ptr<ape::ApeCompressor, HandleDestroyer> m_handle;
};

// Pipeline output compressing its Input into a Monkey's Audio (APE) file
// named by FileName. The compressor creates the file itself, so FileMode and
// caller-supplied streams do not apply. Properties: GUI thread, before Run;
// Prepare/DoOutput/Done: the worker thread.
class TMACOut : public TAuFileOut {
public:
    TMACOut();
    ~TMACOut() override;

    [[nodiscard]] int CompressionLevel() const { return m_compressionLevel; }
    // 1000, 2000, 3000 and 4000 are kept; any other value stores 2000.
    void SetCompressionLevel(int value);
    [[nodiscard]] int MaxAudioBytes() const { return m_maxAudioBytes; }
    // Upper bound of the audio bytes; -1 for none.
    void SetMaxAudioBytes(int value) { m_maxAudioBytes = value; }

protected:
    void Prepare() override;
    bool DoOutput(bool abort) override;
    void Done() override;
    void ReleaseAfterFailure() override;

private:
    static constexpr size_t kBufferBytes = 65536;
    // Delay values up to this do not sleep (milliseconds).
    static constexpr int kMaxUnthrottledDelay = 5;

    void Compress(size_t bytes);

    int m_compressionLevel = 2000;
    int m_maxAudioBytes = -1;
    std::vector<uint8_t> m_buffer;             // one block of PCM
    std::unique_ptr<TAPECompress> m_compress;  // the current run's compressor
    WaveFormatEx m_waveFormat{};
    size_t m_blockLength = 0;  // bytes per block: whole sample frames
    bool m_endOfData = false;
};
