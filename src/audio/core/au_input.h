// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "audio/core/au_component.h"
#include "audio/core/au_stream.h"
#include "audio/core/au_tag_set.h"

// A source of interleaved little-endian PCM, read in passes:
// Init, GetData until it delivers 0 bytes, Flush.
//
// A concrete input implements the format queries and
//   InitInternal()      open the source for a pass; set m_size (bytes the
//                       pass delivers, -1 unknown) and m_position = 0;
//   FlushInternal()     end the pass and close the source;
//   GetDataInternal()   on entry `bytes` is the most the caller wants; on
//                       return `buffer` points to the input's own memory
//                       holding `bytes` bytes, valid until the next call;
//                       0 bytes means the source is exhausted.
// Callers use the public Init, Flush and GetData, which hold m_dataLock.
//
// Threads: the pass runs on the worker of the output that reads it; format
// queries may come from the GUI thread. Destroy an input only when no running
// output reads it, or call NotifyDestruction() first in the concrete
// destructor (that stops such an output while the input is still whole). m_dataLock serialises
// passes; locks of a chain are taken from the output towards the source.
class TAuInput : public TComponent {
public:
    TAuInput() = default;
    ~TAuInput() override = default;

    [[nodiscard]] virtual int BitsPerSample() = 0;
    [[nodiscard]] virtual int Channels() = 0;
    [[nodiscard]] virtual int SampleRate() = 0;
    // Whole seconds; the base answers 0.
    [[nodiscard]] virtual int TotalTime();
    // Sample frames; the base answers 0.
    [[nodiscard]] virtual std::int64_t TotalSamples();

    // Starts a pass; any failure is swallowed and makes the pass empty.
    void Init();
    // Ends a pass; failures propagate.
    void Flush();
    virtual void GetData(const std::uint8_t*& buffer, std::size_t& bytes);

    // Bytes delivered in the current pass.
    [[nodiscard]] std::int64_t Position() const { return m_position; }
    // Bytes the pass delivers; -1 unknown; 0 before a pass is set up.
    [[nodiscard]] std::int64_t Size() const { return m_size; }
    // Bytes per sample frame (all channels).
    [[nodiscard]] std::uint16_t SampleSize() const { return m_sampleSize; }
    [[nodiscard]] bool Busy() const { return m_busy; }
    [[nodiscard]] bool EndOfStream() const { return m_endOfStream; }

protected:
    virtual void InitInternal() = 0;
    virtual void FlushInternal() = 0;
    virtual void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) = 0;

    std::recursive_mutex m_dataLock;  // re-entered when a looping pass restarts
    std::atomic<std::int64_t> m_position{0};
    std::atomic<std::int64_t> m_size{0};
    std::uint16_t m_sampleSize = 0;
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_endOfStream{false};
    // Cursors of an input's own decode buffer, 1-based; start > end means
    // empty. The file base sets 1 and 0 at each pass.
    std::int32_t m_bufStart = 1;
    std::int32_t m_bufEnd = 0;
};

// An input that reads a stream: one the caller supplies (not owned) or one
// the concrete input opens itself. Adds a sample window and looping.
class TAuStreamedInput : public TAuInput {
public:
    // Delivers at most the bytes left in the pass when the size is known;
    // with Loop() the pass restarts at StartSample() when it ends.
    void GetData(const std::uint8_t*& buffer, std::size_t& bytes) override;

    [[nodiscard]] AuStream* Stream() const { return m_stream; }
    // A caller-supplied stream (not owned); nullptr returns to the file.
    virtual void SetStream(AuStream* stream);
    [[nodiscard]] bool StreamAssigned() const { return m_streamAssigned; }

    [[nodiscard]] bool Seekable() const { return m_seekable; }
    // First frame of the next pass (frames, 0 = start).
    [[nodiscard]] std::int64_t StartSample() const { return m_startSample; }
    void SetStartSample(std::int64_t frame) { m_startSample = frame; }
    // Last frame of the next pass, inclusive; -1 = to the end.
    [[nodiscard]] std::int64_t EndSample() const { return m_endSample; }
    void SetEndSample(std::int64_t frame) { m_endSample = frame; }
    [[nodiscard]] bool Loop() const { return m_loop; }
    void SetLoop(bool loop) { m_loop = loop; }
    [[nodiscard]] std::int64_t TotalSamples() override { return m_totalSamples; }

protected:
    // Repositions the source to a sample frame (in/out: the frame reached).
    virtual bool SeekInternal(std::int64_t& frame) = 0;

    AuStream* m_stream = nullptr;  // the stream read from
    bool m_streamAssigned = false;
    bool m_seekable = true;
    std::int64_t m_startSample = 0;
    std::int64_t m_endSample = -1;
    bool m_loop = false;
    std::int64_t m_totalSamples = 0;
};

// An input that reads a file by name (or a caller-supplied stream). The
// concrete OpenFile (idempotent, under m_openLock) opens the source and
// fills m_size, m_bitsPerSample, m_channels, m_sampleRate, m_valid (with
// m_invalidReason) and m_opened; CloseFile (under m_openLock) undoes it. The base implements the
// pass (InitInternal/FlushInternal), the format queries and Seek. A concrete
// file input's destructor calls NotifyDestruction() and then CloseFile().
class TAuFileIn : public TAuStreamedInput {
public:
    [[nodiscard]] const std::string& FileName() const { return m_fileName; }
    // Closes an open file, then stores the name (UTF-8 path).
    void SetFileName(const std::string& value);
    // Closes an open file, then uses `stream` (not owned).
    void SetStream(AuStream* stream) override;

    // False without stream and name; otherwise opens the file (when
    // seekable) and answers whether its format is usable.
    [[nodiscard]] bool Valid();
    // Why the opened file is not Valid, in the reader's words; empty when it
    // is valid or was not opened.
    [[nodiscard]] const std::string& InvalidReason() const { return m_invalidReason; }
    [[nodiscard]] int BitsPerSample() override;
    [[nodiscard]] int Channels() override;
    [[nodiscard]] int SampleRate() override;
    [[nodiscard]] int TotalTime() override;
    // Frames in the file; -1 when its size is unknown.
    [[nodiscard]] std::int64_t TotalSamples() override;
    // During a pass: repositions to a frame. Otherwise: the next pass starts
    // there. False when not seekable or beyond the end.
    bool Seek(std::int64_t frame);

protected:
    virtual void OpenFile() = 0;
    virtual void CloseFile() = 0;
    // Raises "The component is Busy" / "The file name is not assigned".
    void InitInternal() override;
    void FlushInternal() override;

    // For OpenFile: opens m_fileName with TAuFileStream in `mode` as the
    // owned stream, unless the caller supplied one. For CloseFile: frees it.
    void OpenOwnStream(std::uint16_t mode);
    void CloseOwnStream();

    std::recursive_mutex m_openLock;
    std::string m_fileName;
    int m_opened = 0;  // 0 = closed
    bool m_valid = false;
    std::string m_invalidReason;  // set with m_valid = false
    int m_bitsPerSample = 0;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_totalTime = 0;  // whole seconds

private:
    std::unique_ptr<AuStream> m_ownStream;
    std::int64_t m_windowStart = 0;  // first frame of the current pass
};

// A file input that owns ID3v1, ID3v2 and APEv2 tag containers.
class TAuTaggedFileIn : public TAuFileIn, public TAuTagSet {};

// An input that transforms another input (its own Input). Concrete
// converters implement the pass by calling Init/GetData/Flush on Input().
class TAuConverter : public TAuInput {
public:
    [[nodiscard]] TAuInput* Input() const { return m_input; }
    // Ignores the converter itself. During a pass flushes the old input and
    // starts a pass on the new one.
    virtual void SetInput(TAuInput* value);
    void GetData(const std::uint8_t*& buffer, std::size_t& bytes) override;

protected:
    void Notification(TComponent* component) override;

private:
    TAuInput* m_input = nullptr;  // not owned
};

// One GetData for `count` bytes copied into `dest`; returns the bytes
// delivered (0 at the end).
std::size_t CopyData(TAuInput& input, void* dest, std::size_t count);
// CopyData until `count` bytes are gathered or a call returns 0. `endOfData`
// is true exactly when the last call returned 0 (also for a count of 0).
std::size_t FillBuffer(TAuInput& input, void* dest, std::size_t count, bool& endOfData);
