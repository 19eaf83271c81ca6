// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings record: every user setting, the information about the disc in
// the drive and the CDDB connection, with its load and save operations on
// "options.ini".
//
// Threads: the one global record OptionsSetting lives for the whole run. The
// GUI thread fills it (LoadOptions), changes it and writes it (SaveOptions);
// worker threads only read it while a rip or conversion runs, and the GUI
// thread does not change it meanwhile.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "settings/app_paths.h"
#include "settings/settings_result.h"

// Output format numbers: the order of both output-format lists.
enum TOutputFormat : std::int32_t {
    ofMP3 = 0,
    ofWAV = 1,
    ofOGG = 2,
    ofWMA = 3,
    ofFLAC = 4,
    ofAPE = 5,
};

// Section "CommonOptions".
struct TCommonOptions {
    std::string OutputFolder;     // UTF-8 path, without a trailing separator by default
    std::int32_t OutputFormat{};  // a TOutputFormat value
    bool IsKeepWav{};             // keep the intermediate WAV file after encoding
    bool IsNormalize{};
    std::int32_t NormalizePercent{};  // target level, 0..100 percent
    bool EnableRipTime{};             // carried unchanged
    std::int32_t RipTime{};           // carried unchanged

    bool operator==(const TCommonOptions&) const = default;
};

// Section "Mp3Options". Bit rates in kbit/s.
struct TMp3Options {
    bool IsSelectVBR{};
    bool IsVBRHead{};
    std::int32_t BitRate{};          // VBR minimum
    std::int32_t MaxBitRate{};       // VBR maximum
    std::int32_t VBRQuality{};       // 0..9
    std::int32_t StereoMode{};       // 0 stereo, 1 joint stereo, 2 dual channels, 3 mono
    std::int32_t CPU{};              // 1 (less) .. 3 (more)
    std::int32_t ConstantBitRate{};  // position 0..8 in 48, 56, 64, 80, 96, 128, 192, 256, 320

    bool operator==(const TMp3Options&) const = default;
};

// Section "OggOptions". The bit rates are positions 0..14 in the Ogg bit-rate
// list (0 = default).
struct TOggOptions {
    bool IsUseCompress{};             // use CompressPosition, else the bit-rate manager values
    std::int32_t CompressPosition{};  // quality position 30..100
    std::int32_t MaxBitRate{};
    std::int32_t NomalBitRate{};  // nominal bit rate
    std::int32_t MinBitRate{};

    bool operator==(const TOggOptions&) const = default;
};

// Section "WMAOptions".
struct TWMAOptions {
    std::int32_t CodecIndex{};   // position in the list of WMA codecs
    std::int32_t FormatIndex{};  // position in the chosen codec's format list
    bool VBR{};

    bool operator==(const TWMAOptions&) const = default;
};

// Section "FLACOptions".
struct TFLACOptions {
    std::int32_t Compression{};  // level 0..8

    bool operator==(const TFLACOptions&) const = default;
};

// Section "APEOptions".
struct TAPEOptions {
    std::int32_t Compression{};  // 1000..10000 in steps of 500
    std::int32_t CPU{};          // 1..3

    bool operator==(const TAPEOptions&) const = default;
};

// Section "CDOptions".
struct TCDOptions {
    std::int32_t Index{};  // position of the chosen drive in the drive list, -1 none
    bool CDDb{};           // carried unchanged

    bool operator==(const TCDOptions&) const = default;
};

inline constexpr int kMaxTrackTitles = 100;

// Track titles indexed by track number 1..kMaxTrackTitles; any other index
// throws std::out_of_range.
class TTrackTitles {
public:
    std::string& operator[](int track) { return m_titles.at(Position(track)); }
    const std::string& operator[](int track) const { return m_titles.at(Position(track)); }

    bool operator==(const TTrackTitles&) const = default;

private:
    // Track 0 and negative numbers wrap to huge positions, which at() rejects.
    static std::size_t Position(int track) { return static_cast<std::size_t>(track) - 1; }

    std::array<std::string, kMaxTrackTitles> m_titles;
};

// The disc in the drive, as cached in "cd.dat" or fetched from CDDB.
struct TCDInfo {
    std::string Artist;
    std::string Album;
    std::string Year;
    std::int32_t Genre{};  // position in the genre list: 0 empty entry, 1..148, -1 none
    std::string Comment;
    std::int32_t TrackCount{};
    TTrackTitles Titles;

    bool operator==(const TCDInfo&) const = default;
};

// The CDDB connection (section "QueryCDDB").
struct TQueryCDDB {
    std::string Server;  // host name
    std::string Script;  // path of the CDDB script on the server
    bool UseProxy{};
    std::string ProxyAddress;  // proxy host
    std::string Port;          // proxy port, as text

    bool operator==(const TQueryCDDB&) const = default;
};

// Section "Metadata": where titles, covers and the CDDB user come from.
struct TMetadataOptions {
    bool AutoLookup{};              // look a disc up on MusicBrainz when it comes in
    std::string MusicBrainzServer;  // "http(s)://host[:port]", a path kept as a prefix
    bool CoverArt{};                // fetch the chosen release's front cover
    std::string CoverArtServer;     // "http(s)://host[:port]", a path kept as a prefix
    bool UseCDText{};               // fill a new disc's titles from its CD-Text
    std::string CddbEmail;          // sent in the CDDB hello; empty or no address: kCddbUserEmail
    bool EmbedCover{};              // put the disc's front cover into each file's tags
    bool ReplayGain{};              // measure loudness while ripping and tag the gains
    std::int32_t Id3v2Version{};    // 4: ID3v2.4 in UTF-8; 3: ID3v2.3 in UTF-16 for old players

    bool operator==(const TMetadataOptions&) const = default;
};

// Section "Verify": how a rip is checked.
struct TVerifyOptions {
    bool SecureRead{};              // careful reads with re-reads and jitter correction
    std::int32_t ReadRetries{};     // careful-read retry cap, kMinReadRetries..kMaxReadRetries,
                                    // a multiple of kReadRetriesStep
    bool AccurateRip{};             // compare each track with the AccurateRip database
    std::string AccurateRipServer;  // "http(s)://host[:port]", no path
    bool DecodeCheck{};             // decode every encoded file back and compare it
    bool WriteLog{};                // write a rip log beside the files

    bool operator==(const TVerifyOptions&) const = default;
};

// Careful reads retry in rounds of five; a cap that is not a multiple of five
// never ends the retries of a bad sector.
inline constexpr std::int32_t kReadRetriesStep = 5;
inline constexpr std::int32_t kMinReadRetries = 5;
inline constexpr std::int32_t kMaxReadRetries = 100;

// The widest read offset kept, in samples: the offset finder scans this range
// (five sectors less one sample each way), and no drive is known beyond it.
inline constexpr std::int32_t kMaxDriveReadOffset = 2939;

// Section "DriveOffsets": each drive's read offset correction in samples,
// keyed "<vendor> - <model>" as the drive reports them (spaces trimmed). Key
// names compare without regard to letter case, as the file's keys do.
class TDriveOffsets {
public:
    [[nodiscard]] std::optional<std::int32_t> ReadOffset(std::string_view vendor,
                                                         std::string_view model) const;
    // Refuses (false, nothing changed) an offset beyond kMaxDriveReadOffset,
    // and names that cannot be stored as a key (empty, line breaks, '=', or
    // a start the file reads as a comment or section).
    [[nodiscard]] bool SetReadOffset(std::string_view vendor, std::string_view model,
                                     std::int32_t samples);

    // The file's key and value as loaded or set; loading refuses what
    // SetReadOffset refuses.
    [[nodiscard]] bool SetEntry(const std::string& key, std::int32_t samples);
    [[nodiscard]] const auto& Entries() const { return m_offsets; }

    bool operator==(const TDriveOffsets&) const = default;

private:
    struct CaseBlindLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    std::map<std::string, std::int32_t, CaseBlindLess> m_offsets;
};

struct TOptionsSetting {
    TCommonOptions CommonOptions;
    TMp3Options Mp3Options;
    TOggOptions OggOptions;
    TWMAOptions WMAOptions;
    TFLACOptions FLACOptions;
    TAPEOptions APEOptions;
    TCDOptions CDOptions;
    TCDInfo CDInfo;  // not stored in "options.ini"; see disc_cache.h
    TQueryCDDB QueryCDDB;
    TMetadataOptions Metadata;
    TVerifyOptions Verify;
    TDriveOffsets DriveOffsets;

    bool operator==(const TOptionsSetting&) const = default;
};

inline constexpr const char* kDefaultCDDBServer = "gnudb.gnudb.org";
inline constexpr const char* kDefaultCDDBScript = "/~cddb/cddb.cgi";
inline constexpr const char* kDefaultMusicBrainzServer = "https://musicbrainz.org";
inline constexpr const char* kDefaultCoverArtServer = "https://coverartarchive.org";
inline constexpr const char* kDefaultAccurateRipServer = "http://www.accuraterip.com";
inline constexpr std::int32_t kMinOggQuality = 30;
inline constexpr std::int32_t kMaxOggQuality = 100;

// The program's settings: empty until LoadOptions.
extern TOptionsSetting OptionsSetting;

// Reads every key of "options.ini" into the record; missing keys, and integer
// keys that are not numbers, take their defaults; ranged values are brought
// into their range, and drive offsets SetEntry refuses are left out. A missing or unreadable
// file gives all defaults. CDInfo is left alone.
void LoadOptions(TOptionsSetting& options, const TAppPaths& paths);

// Writes every field but CDInfo to "options.ini", keeping the file's other
// sections and keys. Refuses (and changes nothing) when the existing file
// cannot be read, so that its other contents are not lost.
[[nodiscard]] TSettingsResult SaveOptions(const TOptionsSetting& options, const TAppPaths& paths);

// The same on OptionsSetting with the running program's paths.
void LoadOptions();
[[nodiscard]] TSettingsResult SaveOptions();
