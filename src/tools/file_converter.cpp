// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/file_converter.h"

#include <array>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "audio/core/au_output.h"
#include "audio/tags/au_tag_text.h"
#include "audio/tags/file_tags.h"
#include "audio/tags/id3v1_genres.h"
#include "settings/encoders/output_formats.h"
#include "settings/settings_helpers.h"

namespace {

using enum TConvertReader;

constexpr std::array<TConvertKindRow, 9> kKinds{{
    {2, Wave, ofMP3, TConvertTags::None},
    {3, Wave, ofOGG, TConvertTags::None},
    {4, Wave, ofWMA, TConvertTags::None},
    {5, Wave, ofFLAC, TConvertTags::None},
    {6, Wave, ofAPE, TConvertTags::None},
    {7, MP3, ofWAV, TConvertTags::None},
    {8, WM, ofWAV, TConvertTags::None},
    {9, MP3, ofWMA, TConvertTags::CopyId3v2},
    {10, WM, ofMP3, TConvertTags::Id3v1FromSource},
}};

}  // namespace

const TConvertKindRow* FindConvertKind(int kind) {
    for (const TConvertKindRow& row : kKinds) {
        if (row.Kind == kind) {
            return &row;
        }
    }
    return nullptr;
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ConvertedFilePath(const std::string& outputFolder, const std::string& inputPath,
                              std::string_view extension) {
    std::string name = FileNameOf(inputPath);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.resize(dot);
    }
    return IncludeTrailingSeparator(outputFolder) + name + std::string(extension);
}

std::uint8_t TrackNumberOf(std::u16string_view text) {
    int number = 0;
    for (const char16_t digit : text) {
        if (digit < u'0' || digit > u'9') {
            return 0;
        }
        number = number * 10 + (digit - u'0');
        if (number > 255) {
            return 0;
        }
    }
    return static_cast<std::uint8_t>(number);
}

Tid3tag Id3TagFromSource(const TId3v2Tags& tags) {
    Tid3tag tag;
    tag.SetTitle(Utf16ToUtf8(tags.Title()));
    tag.SetArtist(Utf16ToUtf8(tags.Artist()));
    tag.SetAlbum(Utf16ToUtf8(tags.Album()));
    tag.SetYear(Utf16ToUtf8(tags.Year()));
    tag.SetComment(Utf16ToUtf8(tags.Comment()));
    tag.SetGenre(GenreFromListPosition(GenreListPosition(Utf16ToUtf8(tags.Genre()))));
    tag.SetTrack(TrackNumberOf(tags.Track()));
    return tag;
}

FileConverterBatch::FileConverterBatch(int kind, std::vector<std::string> files,
                                       TOptionsSetting settings, TTagRecord tags,
                                       FileConverterView& view)
    : m_kind(FindConvertKind(kind)),
      m_files(std::move(files)),
      m_settings(std::move(settings)),
      m_tags(std::move(tags)),
      m_view(view) {
    m_step.OnProgress = [this](int progress) {
        if (!m_closed) {
            m_view.ShowProgress(progress);
        }
    };
    m_step.OnDone = [this](const std::string& exceptionMessage) { RunEnded(exceptionMessage); };
    m_view.PostNextFile(kNextFileStart);
}

FileConverterBatch::~FileConverterBatch() = default;

void FileConverterBatch::NextFile(int word) {
    if (m_closed) {
        return;  // queued before the window closed
    }
    if (word == kNextFileDone) {
        WritePendingTag();
    }
    // A kind outside the table converts nothing.
    if (m_kind == nullptr || m_completed == FileCount()) {
        m_view.CloseWindow();
        return;
    }
    const std::string& inputPath = m_files[static_cast<std::size_t>(m_completed)];
    m_currentInput = FileNameOf(inputPath);
    m_view.ShowInputFile(m_currentInput, m_completed);
    ++m_completed;
    const std::string outputPath =
        ConvertedFilePath(m_settings.CommonOptions.OutputFolder, inputPath,
                          FindOutputFormat(m_kind->OutputFormat)->Extension);
    m_view.ShowOutputFile(FileNameOf(outputPath));
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::u8path(outputPath), error) &&
        !m_view.AskOverwrite(outputPath)) {
        m_view.PostNextFile(kNextFileDone);
        return;
    }
    StartFile(inputPath, outputPath);
}

// Starts the run of one file. A file that cannot start (unreadable, not
// audio the reader knows, a codec library missing) is reported and skipped,
// so the batch goes on with the next file.
void FileConverterBatch::StartFile(const std::string& inputPath, const std::string& outputPath) {
    m_runSucceeded = false;
    std::optional<Tid3tag> sourceTag;
    const auto beforeRun = [this, &sourceTag](TAuFileOut& output) {
        if (m_kind->OutputFormat == ofMP3) {
            FeedMp3Encoder(output);
        }
        if (m_kind->Tags == TConvertTags::CopyId3v2) {
            static_cast<TAuTaggedFileOut&>(output).SetId3v2Tags(MP3In1.Id3v2Tags());
        } else if (m_kind->Tags == TConvertTags::Id3v1FromSource) {
            sourceTag = Id3TagFromSource(WMIn1.Id3v2Tags());
        }
    };
    try {
        // The source's own tags win over the main window's disc fields.
        m_step.Start(Reader(), inputPath, m_kind->OutputFormat, outputPath, m_settings,
                     Overlaid(m_tags, ReadFileTags(inputPath)), beforeRun);
    } catch (const std::exception& error) {
        m_view.ReportFailure(m_currentInput, error.what());
        m_view.PostNextFile(kNextFileDone);
        return;
    }
    // Only a file this batch's run writes gets the tag, and only once that
    // run has succeeded.
    if (sourceTag) {
        m_pendingTag = PendingTag{outputPath, *sourceTag};
    }
}

void FileConverterBatch::FeedMp3Encoder(TAuFileOut& output) {
    TAuFileIn& reader = Reader();
    // The encode step has made the reader the output's input; it does so
    // again for the next file.
    if (reader.BitsPerSample() == 16) {
        return;
    }
    AudioConverter1.SetInput(&reader);
    AudioConverter1.SetOutBitsPerSample(16);
    output.SetInput(&AudioConverter1);
}

void FileConverterBatch::RunEnded(const std::string& exceptionMessage) {
    if (m_closed) {
        return;
    }
    m_runSucceeded = exceptionMessage.empty();
    if (!m_runSucceeded) {
        m_view.ReportFailure(m_currentInput, exceptionMessage);
    }
    m_view.PostNextFile(kNextFileDone);
}

void FileConverterBatch::WritePendingTag() {
    if (m_pendingTag && m_runSucceeded) {
        // A file that cannot be tagged keeps its audio; there is nothing to add.
        static_cast<void>(m_pendingTag->Tag.WriteTag(m_pendingTag->Path));
    }
    m_pendingTag.reset();
}

TAuFileIn& FileConverterBatch::Reader() {
    switch (m_kind->Reader) {
        case MP3:
            return MP3In1;
        case WM:
            return WMIn1;
        case Wave:
            break;
    }
    return WaveIn1;
}

void FileConverterBatch::FormClose() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    m_pendingTag.reset();
    if (const std::optional<std::string> removed = m_step.Stop()) {
        m_view.ReportFailure(m_currentInput, "the conversion was stopped; its partial file " +
                                                 *removed + " was removed.");
    }
    m_step.ClearFileNames();
}
