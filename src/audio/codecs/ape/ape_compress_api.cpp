// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_compress_api.h"

#include <new>

#include "audio/codecs/ape/ape_compressor.h"
#include "audio/codecs/ape/ape_errors.h"

namespace {

// Runs a compressor operation, turning its exceptions into error codes.
template <typename Operation>
int Guarded(Operation operation) {
    try {
        operation();
        return ape::kErrorSuccess;
    } catch (const ape::ApeError& error) {
        return error.Code();
    } catch (const std::bad_alloc&) {
        return ape::kErrorInsufficientMemory;
    } catch (const std::exception&) {
        return ape::kErrorIoWrite;
    }
}

}  // namespace

int FillWaveFormatEx(WaveFormatEx* format, int sampleRate, int bitsPerSample, int channels) {
    if (format == nullptr) {
        return ape::kErrorBadParameter;
    }
    const int blockAlign = channels * (bitsPerSample / 8);
    format->formatTag = 1;
    format->channels = static_cast<uint16_t>(channels);
    format->samplesPerSec = static_cast<uint32_t>(sampleRate);
    format->avgBytesPerSec = static_cast<uint32_t>(sampleRate * blockAlign);
    format->blockAlign = static_cast<uint16_t>(blockAlign);
    format->bitsPerSample = static_cast<uint16_t>(bitsPerSample);
    format->extraSize = 0;
    return ape::kErrorSuccess;
}

APE_COMPRESS_HANDLE c_APECompress_Create(int* errorCode) {
    APE_COMPRESS_HANDLE handle = new (std::nothrow) ape::ApeCompressor();
    if (errorCode != nullptr) {
        *errorCode = handle != nullptr ? ape::kErrorSuccess : ape::kErrorInsufficientMemory;
    }
    return handle;
}

void c_APECompress_Destroy(APE_COMPRESS_HANDLE handle) {
    delete handle;
}

int c_APECompress_Start(APE_COMPRESS_HANDLE handle, const char* outputFileName,
                        const WaveFormatEx* format, int maxAudioBytes, int compressionLevel,
                        const void* headerData, int /*headerBytes*/) {
    if (handle == nullptr || outputFileName == nullptr || format == nullptr ||
        headerData != nullptr || format->formatTag != 1) {
        return ape::kErrorBadParameter;
    }
    if (format->samplesPerSec == 0) {
        return ape::kErrorUnsupportedSampleRate;
    }
    const ape::StreamFormat streamFormat{compressionLevel, format->channels, format->bitsPerSample,
                                         format->samplesPerSec};
    return Guarded([&] { handle->Start(outputFileName, streamFormat, maxAudioBytes); });
}

int c_APECompress_SetMaxThreads(APE_COMPRESS_HANDLE handle, int threads) {
    if (handle == nullptr || threads < 0) {
        return ape::kErrorBadParameter;
    }
    handle->SetMaxSlots(static_cast<unsigned>(threads));
    return ape::kErrorSuccess;
}

unsigned char* c_APECompress_LockBuffer(APE_COMPRESS_HANDLE handle, int* bytesAvailable) {
    if (handle == nullptr || bytesAvailable == nullptr) {
        return nullptr;
    }
    const std::span<uint8_t> buffer = handle->LockBuffer();
    *bytesAvailable = static_cast<int>(buffer.size());
    return buffer.empty() ? nullptr : buffer.data();
}

int c_APECompress_UnlockBuffer(APE_COMPRESS_HANDLE handle, int bytesAdded, int /*process*/) {
    if (handle == nullptr || bytesAdded < 0) {
        return ape::kErrorBadParameter;
    }
    return Guarded([&] { handle->UnlockBuffer(static_cast<size_t>(bytesAdded)); });
}

int c_APECompress_Finish(APE_COMPRESS_HANDLE handle, const unsigned char* terminatingData,
                         int terminatingBytes, int wavTerminatingBytes) {
    if (handle == nullptr || terminatingData != nullptr || terminatingBytes != 0 ||
        wavTerminatingBytes != 0) {
        return ape::kErrorBadParameter;
    }
    return Guarded([&] { handle->Finish(); });
}
