// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/options_setting.h"

#include <algorithm>

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

void LoadOptions(TOptionsSetting& options, const TAppPaths& paths) {
    TIniFile ini;
    // An unreadable file gives the defaults, as a missing one does.
    (void)ini.Load(paths.OptionsFile());
    TKeyReader reader(ini);
    VisitOptionKeys(reader, options, paths.DefaultOutputFolder().string());
    options.OggOptions.CompressPosition =
        std::clamp(options.OggOptions.CompressPosition, kMinOggQuality, kMaxOggQuality);
}

TSettingsResult SaveOptions(const TOptionsSetting& options, const TAppPaths& paths) {
    const std::filesystem::path file = paths.OptionsFile();
    TIniFile ini;
    if (TSettingsResult loaded = ini.Load(file); !loaded.Ok) {
        return loaded;
    }
    TKeyWriter writer(ini);
    VisitOptionKeys(writer, options, std::string());
    return ini.Save(file);
}

void LoadOptions() {
    LoadOptions(OptionsSetting, ProgramPaths());
}

TSettingsResult SaveOptions() {
    return SaveOptions(OptionsSetting, ProgramPaths());
}
