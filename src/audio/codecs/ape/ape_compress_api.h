// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The compressor's C-style calls. A handle owns one compressor; results are
// the error codes of audio/codecs/ape/ape_errors.h. No call throws.

namespace ape {
class ApeCompressor;
}

using APE_COMPRESS_HANDLE = ape::ApeCompressor*;

// Format record in the layout of the WAVEFORMATEX header of WAV files.
struct WaveFormatEx {
    uint16_t formatTag;  // 1 = PCM
    uint16_t channels;
    uint32_t samplesPerSec;  // Hz
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;  // bytes per block
    uint16_t bitsPerSample;
    uint16_t extraSize;  // bytes following the record
};

// Fills the record for plain PCM of the given format; returns 0.
int FillWaveFormatEx(WaveFormatEx* format, int sampleRate, int bitsPerSample, int channels);

// A new compressor, or null with *errorCode set.
[[nodiscard]] APE_COMPRESS_HANDLE c_APECompress_Create(int* errorCode);
void c_APECompress_Destroy(APE_COMPRESS_HANDLE handle);
// Creates outputFileName (UTF-8). maxAudioBytes -1: no bound. Only
// headerData = null is supported: decoders then synthesise the WAV header.
[[nodiscard]] int c_APECompress_Start(APE_COMPRESS_HANDLE handle, const char* outputFileName,
                                      const WaveFormatEx* format, int maxAudioBytes,
                                      int compressionLevel, const void* headerData,
                                      int headerBytes);
// Frames the next Start lets encode at once: 1..4, or 0 for one per core.
[[nodiscard]] int c_APECompress_SetMaxThreads(APE_COMPRESS_HANDLE handle, int threads);
// Where the next PCM bytes go and how many fit (at least 1 while started).
[[nodiscard]] unsigned char* c_APECompress_LockBuffer(APE_COMPRESS_HANDLE handle,
                                                      int* bytesAvailable);
// Takes bytesAdded bytes from the locked buffer. Complete frames are always
// encoded at once, whatever process asks, so the buffer never fills up.
[[nodiscard]] int c_APECompress_UnlockBuffer(APE_COMPRESS_HANDLE handle, int bytesAdded,
                                             int process);
// Completes the file. Terminating data is not supported (must be null/0).
// Empty input fails with 1008 and leaves no file.
[[nodiscard]] int c_APECompress_Finish(APE_COMPRESS_HANDLE handle,
                                       const unsigned char* terminatingData, int terminatingBytes,
                                       int wavTerminatingBytes);
