// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/codecs/flac_binding.h"
#include "audio/core/au_output.h"
#include "audio/tags/vorbis_tags.h"

// Encodes 8-, 16- or 24-bit PCM from its Input into a FLAC file through the
// library's stream encoder; every byte passes through the output's stream.
// The library's VORBIS_COMMENT block is replaced by blocks built from Tags:
// comments, the cover and padding (see flac_comment_block.h). Finishing
// rewrites only STREAMINFO, at the start of the file, so the size of the
// blocks after it does not matter.
//
// Threads: properties are set on the GUI thread while idle; Prepare,
// DoOutput, Done and the library's callbacks run on the worker. The encoder
// and buffers belong to one run and are released by Done or after a
// failure. The library stays loaded while any TFLACOut exists.
class TFLACOut : public TAuFileOut {
public:
    // Raises EAuException "libFLAC.so.12 library could not be loaded.".
    TFLACOut();
    ~TFLACOut() override;

    [[nodiscard]] bool Verify() const { return m_verify; }
    void SetVerify(bool value) { m_verify = value; }
    // Samples per channel per block; also sizes the PCM buffer.
    [[nodiscard]] std::uint16_t BlockSize() const { return m_blockSize; }
    void SetBlockSize(std::uint16_t value) { m_blockSize = value; }
    // Library preset 0..8 (above 8 is stored as 8); negative selects the
    // detailed settings below.
    [[nodiscard]] int CompressionLevel() const { return m_compressionLevel; }
    void SetCompressionLevel(int value);
    [[nodiscard]] bool EnableMidSideStereo() const { return m_enableMidSideStereo; }
    void SetEnableMidSideStereo(bool value) { m_enableMidSideStereo = value; }
    // True also turns mid/side coding on.
    [[nodiscard]] bool EnableLooseMidSideStereo() const { return m_enableLooseMidSideStereo; }
    void SetEnableLooseMidSideStereo(bool value);
    // True also turns mid/side on and loose mid/side off.
    [[nodiscard]] bool BestModelSearch() const { return m_bestModelSearch; }
    void SetBestModelSearch(bool value);
    [[nodiscard]] std::uint16_t MaxLPCOrder() const { return m_maxLPCOrder; }
    void SetMaxLPCOrder(std::uint16_t value) { m_maxLPCOrder = value; }
    // A run lowers it to 31 - bits per sample when the sum exceeds 31.
    [[nodiscard]] std::uint16_t QLPCoeffPrecision() const { return m_qlpCoeffPrecision; }
    void SetQLPCoeffPrecision(std::uint16_t value) { m_qlpCoeffPrecision = value; }
    [[nodiscard]] bool QLPCoeffPrecisionSearch() const { return m_qlpCoeffPrecisionSearch; }
    void SetQLPCoeffPrecisionSearch(bool value) { m_qlpCoeffPrecisionSearch = value; }
    [[nodiscard]] std::uint16_t MinResidualPartitionOrder() const { return m_minResidualOrder; }
    void SetMinResidualPartitionOrder(std::uint16_t value) { m_minResidualOrder = value; }
    [[nodiscard]] std::uint16_t MaxResidualPartitionOrder() const { return m_maxResidualOrder; }
    void SetMaxResidualPartitionOrder(std::uint16_t value) { m_maxResidualOrder = value; }
    // Kept between runs; the setter copies the values.
    [[nodiscard]] TVorbisTags& Tags() { return m_tags; }
    void SetTags(const TVorbisTags& value) { m_tags.Assign(value); }

protected:
    void Prepare() override;
    bool DoOutput(bool abort) override;
    void Done() override;
    void ReleaseAfterFailure() override;

private:
    struct EncoderDeleter {
        const FlacBinding* flac;
        void operator()(FLAC__StreamEncoder* encoder) const {
            flac->FLAC__stream_encoder_delete(encoder);
        }
    };
    using EncoderHandle = std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter>;

    void CreateDestination();
    void ConfigureEncoder(FLAC__StreamEncoder* encoder);
    void ConvertBlock(std::size_t bytes);
    void ReleaseRun();

    // The library's callbacks; client data is the output.
    static FLAC__StreamEncoderWriteStatus WriteCallback(const FLAC__StreamEncoder* encoder,
                                                        const FLAC__byte* buffer, size_t bytes,
                                                        uint32_t samples, uint32_t currentFrame,
                                                        void* clientData);
    static FLAC__StreamEncoderSeekStatus SeekCallback(const FLAC__StreamEncoder* encoder,
                                                      FLAC__uint64 offset, void* clientData);
    static FLAC__StreamEncoderTellStatus TellCallback(const FLAC__StreamEncoder* encoder,
                                                      FLAC__uint64* offset, void* clientData);
    static void MetadataCallback(const FLAC__StreamEncoder* encoder,
                                 const FLAC__StreamMetadata* metadata, void* clientData);
    // Writes a piece of the encoded stream, replacing the library's comment block.
    void WriteEncoded(const FLAC__byte* buffer, std::size_t bytes, bool metadata);

    std::shared_ptr<const FlacBinding> m_flac;

    bool m_verify = false;
    std::uint16_t m_blockSize = 4608;
    int m_compressionLevel = -1;
    bool m_enableMidSideStereo = true;
    bool m_enableLooseMidSideStereo = false;
    bool m_bestModelSearch = false;
    std::uint16_t m_maxLPCOrder = 0;
    std::uint16_t m_qlpCoeffPrecision = 0;
    bool m_qlpCoeffPrecisionSearch = false;
    std::uint16_t m_minResidualOrder = 0;
    std::uint16_t m_maxResidualOrder = 0;
    TVorbisTags m_tags;

    // Per run, worker thread.
    EncoderHandle m_encoder{nullptr, EncoderDeleter{nullptr}};
    int m_bitsPerSample = 0;
    int m_channels = 0;
    bool m_endOfData = false;
    bool m_commentReplaced = false;
    std::vector<std::uint8_t> m_pcm;     // one block of input bytes
    std::vector<FLAC__int32> m_samples;  // the block, one value per sample
};
