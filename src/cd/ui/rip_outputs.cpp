// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/ui/rip_outputs.h"

#include "audio/core/au_exception.h"
#include "settings/settings_helpers.h"

std::string OutputFormatExtension(std::int32_t outputFormat) {
    switch (outputFormat) {
        case ofMP3:
            return ".mp3";
        case ofWAV:
            return ".wav";
        case ofOGG:
            return ".ogg";
        case ofWMA:
            return ".wma";
        case ofFLAC:
            return ".flac";
        case ofAPE:
            return ".ape";
        default:
            return {};
    }
}

RipOutputs::RipOutputs() = default;

RipOutputs::~RipOutputs() = default;

void RipOutputs::Encode(std::int32_t outputFormat, const std::string& wavPath,
                        const std::string& outputPath, const TOptionsSetting& settings,
                        const TMainWindowTags& tags) {
    TAuFileOut* output = OutputFor(outputFormat);
    if (output == nullptr) {
        throw EAuException(OutputFormatName(outputFormat) + " encoding is not available.");
    }
    WaveIn1.SetFileName(wavPath);
    // A file the WAV input cannot read would give an empty output or an
    // unrelated encoder message: refuse it with the reader's reason before
    // the output file exists.
    if (!WaveIn1.Valid()) {
        throw EAuException(WaveIn1.InvalidReason());
    }
    output->SetFileName(outputPath);
    switch (outputFormat) {
        case ofMP3:
            SetupMP3Out(*MP3Out1, settings);
            break;
        case ofOGG:
            SetupVorbisOut(*VorbisOut1, settings, tags);
            break;
        case ofFLAC:
            SetupFLACOut(*FLACOut1, settings, tags);
            break;
        case ofAPE:
            SetupMACOut(*MACOut1, settings);
            break;
        default:
            break;
    }
    m_running = output;
    output->Run();
}

void RipOutputs::StopEncoding() {
    if (m_running != nullptr) {
        m_running->Stop(false);
    }
}

void RipOutputs::ClearFileNames() {
    WaveIn1.SetFileName({});
    for (TAuFileOut* output :
         {static_cast<TAuFileOut*>(MP3Out1.get()), static_cast<TAuFileOut*>(VorbisOut1.get()),
          static_cast<TAuFileOut*>(FLACOut1.get()), static_cast<TAuFileOut*>(MACOut1.get())}) {
        if (output != nullptr) {
            output->SetFileName({});
        }
    }
}

TAuFileOut* RipOutputs::OutputFor(std::int32_t outputFormat) {
    switch (outputFormat) {
        case ofMP3:
            return Created(MP3Out1);
        case ofOGG:
            return Created(VorbisOut1);
        case ofFLAC:
            return Created(FLACOut1);
        case ofAPE:
            return Created(MACOut1);
        default:
            return nullptr;
    }
}

template <class Output>
TAuFileOut* RipOutputs::Created(std::unique_ptr<Output>& output) {
    // A constructor that throws leaves the member empty, so the next track
    // tries the library again.
    if (!output) {
        output = std::make_unique<Output>();
        Wire(*output);
    }
    return output.get();
}

void RipOutputs::Wire(TAuFileOut& output) {
    output.SetInput(&WaveIn1);
    output.OnProgress = [this, &output](TComponent*) {
        if (OnProgress) {
            OnProgress(output.Progress());
        }
    };
    output.OnDone = [this, &output](TComponent*) {
        if (OnDone) {
            OnDone(output.ExceptionMessage());
        }
    };
}
