// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/options_setting.h"

#include <algorithm>
#include <cctype>

#include "settings/ini_file.h"

TOptionsSetting OptionsSetting;

namespace {

// Walks the keys of "options.ini" in their file order with each field and
// its default, so that reading and writing cannot disagree on order or names.
template <typename Visitor>
void VisitOptionKeys(Visitor& visit, auto& o, const std::string& defaultOutputFolder) {
    auto& common = o.CommonOptions;
    visit.String("CommonOptions", "OutputFolder", common.OutputFolder, defaultOutputFolder);
    visit.Integer("CommonOptions", "OutputFormat", common.OutputFormat, ofMP3);
    visit.Bool("CommonOptions", "IsKeepWav", common.IsKeepWav, false);
    visit.Bool("CommonOptions", "IsNormalize", common.IsNormalize, false);
    visit.Integer("CommonOptions", "NormalizePercent", common.NormalizePercent, 95);
    visit.Bool("CommonOptions", "EnableRipTime", common.EnableRipTime, false);
    visit.Integer("CommonOptions", "RipTime", common.RipTime, 0);

    auto& mp3 = o.Mp3Options;
    visit.Bool("Mp3Options", "IsSelectVBR", mp3.IsSelectVBR, false);
    visit.Bool("Mp3Options", "IsVBRHead", mp3.IsVBRHead, false);
    visit.Integer("Mp3Options", "BitRate", mp3.BitRate, 128);
    visit.Integer("Mp3Options", "MaxBitRate", mp3.MaxBitRate, 320);
    visit.Integer("Mp3Options", "VBRQuality", mp3.VBRQuality, 4);
    visit.Integer("Mp3Options", "StereoMode", mp3.StereoMode, 1);
    visit.Integer("Mp3Options", "CPU", mp3.CPU, 3);
    visit.Integer("Mp3Options", "ConstantBitRate", mp3.ConstantBitRate, 5);

    auto& ogg = o.OggOptions;
    visit.Bool("OggOptions", "IsUseCompress", ogg.IsUseCompress, true);
    visit.Integer("OggOptions", "CompressPosition", ogg.CompressPosition, kMinOggQuality);
    visit.Integer("OggOptions", "MaxBitRate", ogg.MaxBitRate, 0);
    visit.Integer("OggOptions", "NomalBitRate", ogg.NomalBitRate, 0);
    visit.Integer("OggOptions", "MinBitRate", ogg.MinBitRate, 0);

    visit.Integer("WMAOptions", "CodecIndex", o.WMAOptions.CodecIndex, 0);
    visit.Integer("WMAOptions", "FormatIndex", o.WMAOptions.FormatIndex, 29);
    visit.Bool("WMAOptions", "VBR", o.WMAOptions.VBR, false);

    visit.Integer("FLACOptions", "Compression", o.FLACOptions.Compression, 2);

    visit.Integer("APEOptions", "Compression", o.APEOptions.Compression, 2000);
    visit.Integer("APEOptions", "CPU", o.APEOptions.CPU, 3);

    visit.Integer("CDOptions", "Index", o.CDOptions.Index, -1);
    visit.Bool("CDOptions", "CDDb", o.CDOptions.CDDb, false);

    auto& cddb = o.QueryCDDB;
    visit.String("QueryCDDB", "Server", cddb.Server, kDefaultCDDBServer);
    visit.String("QueryCDDB", "Script", cddb.Script, kDefaultCDDBScript);
    visit.Bool("QueryCDDB", "UseProxy", cddb.UseProxy, false);
    visit.String("QueryCDDB", "ProxyAddress", cddb.ProxyAddress, "");
    visit.String("QueryCDDB", "Port", cddb.Port, "80");

    auto& metadata = o.Metadata;
    visit.Bool("Metadata", "AutoLookup", metadata.AutoLookup, true);
    visit.String("Metadata", "MusicBrainzServer", metadata.MusicBrainzServer,
                 kDefaultMusicBrainzServer);
    visit.Bool("Metadata", "CoverArt", metadata.CoverArt, true);
    visit.String("Metadata", "CoverArtServer", metadata.CoverArtServer, kDefaultCoverArtServer);
    visit.Bool("Metadata", "UseCDText", metadata.UseCDText, true);
    visit.String("Metadata", "CddbEmail", metadata.CddbEmail, "");
    visit.Bool("Metadata", "EmbedCover", metadata.EmbedCover, true);
    visit.Bool("Metadata", "ReplayGain", metadata.ReplayGain, true);
    visit.Integer("Metadata", "Id3v2Version", metadata.Id3v2Version, 4);

    auto& verify = o.Verify;
    visit.Bool("Verify", "SecureRead", verify.SecureRead, true);
    visit.Integer("Verify", "ReadRetries", verify.ReadRetries, 20);
    visit.Bool("Verify", "AccurateRip", verify.AccurateRip, true);
    visit.String("Verify", "AccurateRipServer", verify.AccurateRipServer,
                 kDefaultAccurateRipServer);
    visit.Bool("Verify", "DecodeCheck", verify.DecodeCheck, true);
    visit.Bool("Verify", "WriteLog", verify.WriteLog, true);
}

constexpr const char* kDriveOffsetsSection = "DriveOffsets";

std::string_view Trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Whether the key reads back from "options.ini" as the same key: the file's
// reader trims it, ends it at '=', and takes a line opening with ';' or '#'
// for a comment and with '[' for a section.
bool StorableKey(const std::string& key) {
    if (key.empty() || Trimmed(key).size() != key.size() || key.front() == ';' ||
        key.front() == '#' || key.front() == '[') {
        return false;
    }
    return std::none_of(key.begin(), key.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || c == '=';
    });
}

std::string DriveKey(std::string_view vendor, std::string_view model) {
    return std::string(Trimmed(vendor)) + " - " + std::string(Trimmed(model));
}

void LoadDriveOffsets(TDriveOffsets& offsets, const TIniFile& ini) {
    offsets = {};
    for (const auto& [key, value] : ini.ReadSection(kDriveOffsetsSection)) {
        const std::int32_t samples =
            ini.ReadInteger(kDriveOffsetsSection, key.c_str(), kMaxDriveReadOffset + 1);
        // What is refused stays in the file untouched, unused.
        (void)offsets.SetEntry(key, samples);
    }
}

void SaveDriveOffsets(const TDriveOffsets& offsets, TIniFile& ini) {
    for (const auto& [key, samples] : offsets.Entries()) {
        ini.WriteInteger(kDriveOffsetsSection, key.c_str(), samples);
    }
}

class TKeyReader {
public:
    explicit TKeyReader(const TIniFile& ini) : m_ini(ini) {}

    void String(const char* section, const char* key, std::string& field,
                const std::string& defaultValue) {
        field = m_ini.ReadString(section, key, defaultValue);
    }
    void Integer(const char* section, const char* key, std::int32_t& field,
                 std::int32_t defaultValue) {
        field = m_ini.ReadInteger(section, key, defaultValue);
    }
    void Bool(const char* section, const char* key, bool& field, bool defaultValue) {
        field = m_ini.ReadBool(section, key, defaultValue);
    }

private:
    const TIniFile& m_ini;
};

class TKeyWriter {
public:
    explicit TKeyWriter(TIniFile& ini) : m_ini(ini) {}

    void String(const char* section, const char* key, const std::string& field,
                const std::string& /*defaultValue*/) {
        m_ini.WriteString(section, key, field);
    }
    void Integer(const char* section, const char* key, std::int32_t field,
                 std::int32_t /*defaultValue*/) {
        m_ini.WriteInteger(section, key, field);
    }
    void Bool(const char* section, const char* key, bool field, bool /*defaultValue*/) {
        m_ini.WriteBool(section, key, field);
    }

private:
    TIniFile& m_ini;
};

}  // namespace

bool TDriveOffsets::CaseBlindLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::optional<std::int32_t> TDriveOffsets::ReadOffset(std::string_view vendor,
                                                      std::string_view model) const {
    const auto found = m_offsets.find(DriveKey(vendor, model));
    if (found == m_offsets.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool TDriveOffsets::SetReadOffset(std::string_view vendor, std::string_view model,
                                  std::int32_t samples) {
    if (Trimmed(vendor).empty() || Trimmed(model).empty()) {
        return false;
    }
    return SetEntry(DriveKey(vendor, model), samples);
}

bool TDriveOffsets::SetEntry(const std::string& key, std::int32_t samples) {
    if (samples < -kMaxDriveReadOffset || samples > kMaxDriveReadOffset || !StorableKey(key)) {
        return false;
    }
    // A key differing only in letter case replaces the entry, as it would in the file.
    m_offsets.erase(key);
    m_offsets.emplace(key, samples);
    return true;
}

void LoadOptions(TOptionsSetting& options, const TAppPaths& paths) {
    TIniFile ini;
    // An unreadable file gives the defaults, as a missing one does.
    (void)ini.Load(paths.OptionsFile());
    TKeyReader reader(ini);
    VisitOptionKeys(reader, options, paths.DefaultOutputFolder().string());
    options.OggOptions.CompressPosition =
        std::clamp(options.OggOptions.CompressPosition, kMinOggQuality, kMaxOggQuality);
    std::int32_t& retries = options.Verify.ReadRetries;
    retries =
        std::clamp(retries, kMinReadRetries, kMaxReadRetries) / kReadRetriesStep * kReadRetriesStep;
    LoadDriveOffsets(options.DriveOffsets, ini);
}

TSettingsResult SaveOptions(const TOptionsSetting& options, const TAppPaths& paths) {
    const std::filesystem::path file = paths.OptionsFile();
    TIniFile ini;
    if (TSettingsResult loaded = ini.Load(file); !loaded.Ok) {
        return loaded;
    }
    TKeyWriter writer(ini);
    VisitOptionKeys(writer, options, std::string());
    SaveDriveOffsets(options.DriveOffsets, ini);
    return ini.Save(file);
}

void LoadOptions() {
    LoadOptions(OptionsSetting, ProgramPaths());
}

TSettingsResult SaveOptions() {
    return SaveOptions(OptionsSetting, ProgramPaths());
}
