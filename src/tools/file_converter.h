// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The batch file converter without its window: the conversion kinds, the
// output paths, the ID3v1 tag of a Windows Media source, and the batch that
// converts the chosen files one after another through the shared encode
// step. The window (tools/ui/encode_progress_window.h) shows what the batch
// reports and delivers the batch's own message back to it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/codecs/wm_in.h"
#include "audio/dsp/audio_converter.h"
#include "audio/tags/id3v2_tags.h"
#include "audio/wav/wave_in.h"
#include "cd/id3_tag.h"
#include "settings/encoders/encode_step.h"
#include "settings/encoders/encoder_setup.h"
#include "settings/options_setting.h"

// The converter's message to itself; its word parameter is kNextFileStart
// to start the batch, kNextFileDone when the previous file ended or was
// skipped.
inline constexpr int WM_NEXTFILE = 2130;
inline constexpr int kNextFileStart = 0;
inline constexpr int kNextFileDone = 1;

enum class TConvertReader : std::uint8_t { Wave, MP3, WM };

// What a kind does with the source's tags.
enum class TConvertTags : std::uint8_t {
    None,
    CopyId3v2,        // into the output's ID3v2-style container before the run
    Id3v1FromSource,  // an ID3v1 tag on the finished file
};

// One conversion kind (the menu entry's tag value): its reader, the output
// format whose writer, extension and set-up it uses, and its tag handling.
struct TConvertKindRow {
    int Kind;
    TConvertReader Reader;
    TOutputFormat OutputFormat;
    TConvertTags Tags;
};

// The row of kinds 2..10; nullptr for any other value.
[[nodiscard]] const TConvertKindRow* FindConvertKind(int kind);

// The output folder (with or without a trailing separator), then the
// input's file name with its extension (from the last dot of the name, if
// any) replaced by `extension`: "/in/a.b.wav", "/out", ".mp3" give
// "/out/a.b.mp3".
[[nodiscard]] std::string ConvertedFilePath(const std::string& outputFolder,
                                            const std::string& inputPath,
                                            std::string_view extension);

// The name of a path without its folder.
[[nodiscard]] std::string FileNameOf(const std::string& path);

// The track number of a tag's track text: a plain decimal number up to 255,
// else 0 ("3/12" gives 0).
[[nodiscard]] std::uint8_t TrackNumberOf(std::u16string_view text);

// An ID3v1 tag holding a source's title, artist, album, year, comment,
// genre (by its name in the genre list; 255 when the list has no such name)
// and track number.
[[nodiscard]] Tid3tag Id3TagFromSource(const TId3v2Tags& tags);

// What the batch shows and asks; the window implements it. Every call comes
// on the GUI thread.
class FileConverterView {
public:
    virtual ~FileConverterView() = default;
    // Queues WM_NEXTFILE with `word` to the window; it comes back as
    // FileConverterBatch::NextFile.
    virtual void PostNextFile(int word) = 0;
    // A file is taken up: its name without folder and the files taken
    // before it.
    virtual void ShowInputFile(const std::string& name, int completed) = 0;
    virtual void ShowOutputFile(const std::string& name) = 0;
    virtual void ShowProgress(int percent) = 0;
    // The output file exists: whether to overwrite it.
    [[nodiscard]] virtual bool AskOverwrite(const std::string& outputPath) = 0;
    // A file was not converted (it could not start or its run failed).
    virtual void ReportFailure(const std::string& inputName, const std::string& reason) = 0;
    // The batch is over (every file taken): close the window, which calls
    // FileConverterBatch::FormClose.
    virtual void CloseWindow() = 0;
};

// Converts the files one after another into the output folder of the
// settings. Each file is started by WM_NEXTFILE; the end of its run (or its
// skip) posts the next one. A file whose output exists is converted only
// when the user agrees; a file that cannot start is reported and skipped.
//
// Threads: GUI thread only; the writer's events arrive there through the
// pipeline's dispatcher. Ownership: owns the three readers and the encode
// step with its writers (destroyed first, which ends a running writer).
class FileConverterBatch {
public:
    // Posts WM_NEXTFILE with kNextFileStart through the view. files: full
    // paths (UTF-8) in the order chosen. Each output is tagged with its
    // source's tags, and with `tags` (the main window's disc fields) where
    // the source has none.
    FileConverterBatch(int kind, std::vector<std::string> files, TOptionsSetting settings,
                       TTagRecord tags, FileConverterView& view);
    ~FileConverterBatch();
    FileConverterBatch(const FileConverterBatch&) = delete;
    FileConverterBatch& operator=(const FileConverterBatch&) = delete;

    // WM_NEXTFILE with its word parameter.
    void NextFile(int word);
    // The window closes: stops a running writer, removing and reporting the
    // file it cut short, and ignores everything that follows.
    void FormClose();

    // Files taken up so far.
    [[nodiscard]] int Completed() const { return m_completed; }
    [[nodiscard]] int FileCount() const { return static_cast<int>(m_files.size()); }
    // Whether a writer is running.
    [[nodiscard]] bool Running() const { return m_step.Running(); }

private:
    // A kind-10 ID3v1 tag waiting for its file's run to end.
    struct PendingTag {
        std::string Path;
        Tid3tag Tag;
    };

    void StartFile(const std::string& inputPath, const std::string& outputPath);
    void RunEnded(const std::string& exceptionMessage);
    void WritePendingTag();
    // Puts the sample converter between the reader and an MP3 output when
    // the reader's samples are not 16-bit, the only width that encoder takes.
    void FeedMp3Encoder(TAuFileOut& output);
    [[nodiscard]] TAuFileIn& Reader();

    const TConvertKindRow* const m_kind;
    const std::vector<std::string> m_files;
    const TOptionsSetting m_settings;
    const TTagRecord m_tags;
    FileConverterView& m_view;
    int m_completed = 0;  // Completed
    bool m_closed = false;
    std::string m_currentInput;  // name without folder
    bool m_runSucceeded = false;
    std::optional<PendingTag> m_pendingTag;
    // Declared before the encode step, whose writers read them.
    TWaveIn WaveIn1;
    TMP3In MP3In1;
    TWMIn WMIn1;
    TAudioConverter AudioConverter1;  // reads the current reader when it feeds MP3
    EncodeStep m_step;
};
