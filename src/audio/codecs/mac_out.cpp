// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/mac_out.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

const std::map<int, const char*>& ErrorTexts() {
    static const std::map<int, const char*> texts = {
        {0, "OK"},
        {1000, "I/O read error"},
        {1001, "I/O write error"},
        {1002, "invalid input file"},
        {1003, "invalid output file"},
        {1004, "input file file too large"},
        {1005, "input file unsupported bit depth"},
        {1006, "input file unsupported sample rate"},
        {1007, "input file unsupported channel count"},
        {1008, "input file too small"},
        {1009, "invalid checksum"},
        {1010, "decompressing frame"},
        {1011, "initializing unmac"},
        {1012, "invalid function parameter"},
        {1013, "unsupported file type"},
        {2000, "insufficient memory"},
        {3000, "loading MAC.dll"},
        {3001, "loading MACinfo.dll"},
        {3002, "loading UnMAC.dll"},
        {4000, "user stopped processing"},
        {4001, "skipped..."},
        {5000, "bad parameter"},
        {6000, "APE compress too much data"},
    };
    return texts;
}

}  // namespace

std::string MACErrorText(int errorCode) {
    const auto found = ErrorTexts().find(errorCode);
    if (found == ErrorTexts().end()) {
        return "undefined (" + std::to_string(errorCode) + ")";
    }
    return found->second;
}

EAPEException::EAPEException(int errorCode)
    : EAuException("MACDll error: " + MACErrorText(errorCode)) {}

TAPECompress::TAPECompress() {
    int error = 0;
    m_handle.reset(c_APECompress_Create(&error));
    if (error != 0) {
        throw EAPEException(error);
    }
}

int TAPECompress::Start(const std::string& fileName, const WaveFormatEx& format, int maxAudioBytes,
                        int compressionLevel, int threads) {
    if (const int error = c_APECompress_SetMaxThreads(m_handle.get(), threads); error != 0) {
        return error;
    }
    return c_APECompress_Start(m_handle.get(), fileName.c_str(), &format, maxAudioBytes,
                               compressionLevel, nullptr, -1);
}

unsigned char* TAPECompress::LockBuffer(int& bytesAvailable) {
    return c_APECompress_LockBuffer(m_handle.get(), &bytesAvailable);
}

int TAPECompress::UnlockBuffer(int bytesAdded) {
    return c_APECompress_UnlockBuffer(m_handle.get(), bytesAdded, 1);
}

int TAPECompress::Finish() {
    return c_APECompress_Finish(m_handle.get(), nullptr, 0, 0);
}

TMACOut::TMACOut() : m_buffer(kBufferBytes) {}

TMACOut::~TMACOut() {
    Stop(false);
}

void TMACOut::SetCompressionLevel(int value) {
    const bool known = value == 1000 || value == 2000 || value == 3000 || value == 4000;
    m_compressionLevel = known ? value : 2000;
}

void TMACOut::Prepare() {
    if (m_fileName.empty()) {
        throw EAuException("File name is not assigned.");
    }
    TAuInput& input = *Input();
    input.Init();
    m_endOfData = false;
    m_compress = std::make_unique<TAPECompress>();
    const int channels = input.Channels();
    const int bitsPerSample = input.BitsPerSample();
    FillWaveFormatEx(&m_waveFormat, input.SampleRate(), bitsPerSample, channels);
    // A Delay that sleeps is the user asking to leave the processor to other
    // programs: then one frame at a time, not one per core.
    const int threads = Delay() > kMaxUnthrottledDelay ? 1 : 0;
    const int error =
        m_compress->Start(m_fileName, m_waveFormat, m_maxAudioBytes, m_compressionLevel, threads);
    if (error != 0) {
        throw EAuException("Error starting APECompress.\r\n" + MACErrorText(error));
    }
    const auto frameBytes = static_cast<size_t>(channels * (bitsPerSample / 8));
    m_blockLength = kBufferBytes - kBufferBytes % frameBytes;
}

bool TMACOut::DoOutput(bool abort) {
    if (!CanOutput()) {
        return true;
    }
    if (abort || m_endOfData) {
        return false;
    }
    TAuInput& input = *Input();
    size_t total = CopyData(input, m_buffer.data(), m_blockLength);
    size_t last = total;
    while (last > 0 && total < m_blockLength) {
        last = CopyData(input, m_buffer.data() + total, m_blockLength - total);
        total += last;
    }
    if (last == 0) {
        m_endOfData = true;
    }
    if (total > 0) {
        Compress(total);
    }
    return true;
}

// Hands the buffer to the compressor in as few pieces as its buffer allows.
void TMACOut::Compress(size_t bytes) {
    size_t done = 0;
    while (done < bytes) {
        int available = 0;
        unsigned char* destination = m_compress->LockBuffer(available);
        if (destination == nullptr || available <= 0) {
            throw EAPEException(5000);  // a compressor that takes nothing would never finish
        }
        const size_t piece = std::min(bytes - done, static_cast<size_t>(available));
        std::memcpy(destination, m_buffer.data() + done, piece);
        const int error = m_compress->UnlockBuffer(static_cast<int>(piece));
        if (error != 0) {
            throw EAuException("APECompress.UnlockBuffer Error: " + std::to_string(error));
        }
        done += piece;
    }
}

// A failing Finish (for example no audio at all) ends the run as a failure
// rather than reporting a file that was not written.
void TMACOut::Done() {
    const int error = m_compress->Finish();
    m_compress.reset();
    if (error != 0) {
        throw EAPEException(error);
    }
    Input()->Flush();
}

// The compressor of a failed run removes its unfinished file.
void TMACOut::ReleaseAfterFailure() {
    m_compress.reset();
    TAuFileOut::ReleaseAfterFailure();
}
