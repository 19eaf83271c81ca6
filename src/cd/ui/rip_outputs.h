// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pipeline components of one rip: WaveIn1 reads each ripped WAV file and
// feeds the output of the chosen format. An output is created the first time
// its format is encoded, so a missing codec library concerns only its own
// format and shows as a failed encoding of a track.
//
// Threads: GUI thread only; the events arrive there through the pipeline's
// dispatcher. Ownership: owns WaveIn1 and the outputs; the outputs are
// destroyed (and stopped) before WaveIn1.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/codecs/flac_out.h"
#include "audio/codecs/mac_out.h"
#include "audio/codecs/mp3_out.h"
#include "audio/codecs/vorbis_out.h"
#include "audio/wav/wave_in.h"
#include "settings/encoders/encoder_setup.h"
#include "settings/options_setting.h"

// ".mp3", ".wav", ".ogg", ".wma", ".flac", ".ape" for the output formats;
// empty for any other value.
[[nodiscard]] std::string OutputFormatExtension(std::int32_t outputFormat);

class RipOutputs {
public:
    RipOutputs();
    ~RipOutputs();
    RipOutputs(const RipOutputs&) = delete;
    RipOutputs& operator=(const RipOutputs&) = delete;

    // Encodes wavPath into outputPath with the output of outputFormat, set
    // up from settings and the disc fields, and returns once the run has
    // started. Throws EAuException when the output cannot be created (its
    // library is missing), the format has no output, the WAV file cannot be
    // read (with the reader's reason; no output file is made), or Run
    // refuses.
    void Encode(std::int32_t outputFormat, const std::string& wavPath,
                const std::string& outputPath, const TOptionsSetting& settings,
                const TMainWindowTags& tags);

    // The WAV file the last Encode read; empty before.
    [[nodiscard]] const std::string& WaveFileName() const { return WaveIn1.FileName(); }

    // Ends a running encoding synchronously (no further event of it).
    void StopEncoding();
    // Forgets the file names of WaveIn1 and of every output.
    void ClearFileNames();

    // The running output's progress percentage (-1 when unknown).
    std::function<void(int progress)> OnProgress;
    // The running output has ended; the message is empty after success.
    std::function<void(const std::string& exceptionMessage)> OnDone;

private:
    // The output of the format, created and wired to WaveIn1 and the events
    // on first use; nullptr for a format without an output (WAV, and WMA for
    // now).
    TAuFileOut* OutputFor(std::int32_t outputFormat);
    template <class Output>
    TAuFileOut* Created(std::unique_ptr<Output>& output);
    void Wire(TAuFileOut& output);

    TWaveIn WaveIn1;
    std::unique_ptr<TMP3Out> MP3Out1;
    std::unique_ptr<TVorbisOut> VorbisOut1;
    std::unique_ptr<TFLACOut> FLACOut1;
    std::unique_ptr<TMACOut> MACOut1;
    // WMAOut1 (TWMAOut) joins here with its set-up; until then WMA has no
    // output.
    TAuFileOut* m_running = nullptr;  // the output of the last Encode
};
