// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The CD access module: drive list, drive handles, table of contents and raw
// audio-sector reads, for real CD-ROM drives and for disc images named in the
// environment variable BRISKLARK_DISC_IMAGES (paths separated by ':').
//
// Every function may be called from any thread. Handles live in one
// process-wide table; operations on one handle are serialised, so a worker
// thread may read sectors while the GUI thread holds the same handle. A
// handle stays usable until CloseCDHandle; a read already running when the
// handle is closed finishes first.
//
// Results: 1 means success, 0 failure; after a failure GetAspiLibError tells
// why (the error is kept per calling thread).

#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

// A drive handle: a small non-zero number (1..kMaxCDHandles), 0 for none.
using TCDHandle = std::uint32_t;

inline constexpr int kMaxCDDrives = 8;
inline constexpr int kMaxCDHandles = 10;
inline constexpr int kMaxTOCEntries = 100;
inline constexpr std::uint32_t kCDSectorBytes = 2352;  // 588 stereo 16-bit frames
inline constexpr std::uint8_t kLeadOutTrack = 0xAA;

// ModifyCDParms parameter: value 1 makes ReadTOC give minute/second/frame
// addresses, value 0 (the initial state of a handle) logical sector numbers.
inline constexpr int kCDParmMSF = 36;

// Why the last call failed (GetAspiLibError).
enum TCDAccessError : int {
    cdeNoError = 0,
    cdeBadArgument = 1,     // null record, bad capacity, unknown parameter
    cdeNoSuchDrive = 2,     // the handle request names no drive in the list
    cdeOpenFailed = 3,      // the drive or image could not be opened
    cdeTooManyHandles = 4,  // all kMaxCDHandles handles are in use
    cdeInvalidHandle = 5,   // 0, never issued, or already closed
    cdeNoDisc = 6,          // no readable table of contents
    cdeOutOfRange = 7,      // sector range not inside the disc
    cdeReadFailed = 8,      // the device or the image file failed the read
    cdeUnsupported = 9,     // e.g. ejecting a disc image
    // CDDB (cddb/cddb_access.h)
    cdeCDDBTransfer = 10,   // no connection, time limit passed, HTTP status not 200
    cdeCDDBTooLong = 11,    // the answer exceeded kCDDBMaxAnswerBytes
    cdeCDDBRefused = 12,    // the server answered an error code (4xx, 5xx, ...)
    cdeCDDBMalformed = 13,  // the answer does not follow the protocol
    cdeCDDBAbandoned = 14,  // stopped by the caller
    cdeReadStopped = 15,    // a careful read ended early at the caller's request
};

// One entry of the drive list. (Adapter, Target, Lun) identifies the drive in
// a handle request. Vendor is "Image" for disc images, whose Product is the
// image file's name (cut to 16 bytes).
struct TCDDriveInfo {
    std::uint8_t Adapter = 0;
    std::uint8_t Target = 0;
    std::uint8_t Lun = 0;
    char Vendor[9] = {};    // zero-terminated, blank-padded to 8 characters
    char Product[17] = {};  // zero-terminated, trailing blanks removed
};

// The drive list. The caller sets Max (at most kMaxCDDrives); GetCDList sets
// Num and fills Drives[0..Num-1]: real drives first, then disc images.
struct TCDList {
    std::uint8_t Max = kMaxCDDrives;
    std::uint8_t Num = 0;
    TCDDriveInfo Drives[kMaxCDDrives];
};

// A handle request for one entry of the drive list.
struct TGetCDHandle {
    std::uint8_t Size = 12;
    std::uint8_t Ver = 1;
    std::uint8_t Adapter = 0;
    std::uint8_t Target = 0;
    std::uint8_t Lun = 0;
};

// One table-of-contents entry. In minute/second/frame mode Address[1..3] are
// minute, second and frame (75 frames per second) of the start, counted from
// the start of the lead-in (the first track usually at 00:02:00). Otherwise
// Address[0..3] is the start's logical sector number, big-endian.
struct TTOCTrack {
    std::uint8_t Reserved = 0;
    std::uint8_t AdrControl = 0;   // ADR in the high nibble; control bit 0x04 = data track
    std::uint8_t TrackNumber = 0;  // kLeadOutTrack for the lead-out
    std::uint8_t Reserved2 = 0;
    std::uint8_t Address[4] = {};
};

// Frames (1/75 s) from the start of the lead-in to an entry's
// minute/second/frame address.
[[nodiscard]] inline std::int32_t AddressFrames(const TTOCTrack& entry) {
    return entry.Address[1] * 4500 + entry.Address[2] * 75 + entry.Address[3];
}

// The longest CD-Text text ReadCDText gives, in bytes of UTF-8; a disc's
// text holds at most about 160 characters per field in practice.
inline constexpr std::size_t kCDTextMaxBytes = 400;

// The CD-Text of one track: its number in the table of contents.
struct TCDTextTrack {
    std::uint8_t Number = 0;
    std::string Title{};
    std::string Performer{};

    bool operator==(const TCDTextTrack&) const = default;
};

// The titles a disc carries itself. Texts are UTF-8 without control
// characters, trimmed, at most kCDTextMaxBytes long; empty where the disc
// gives none. Tracks lists the tracks with any text, in disc order.
struct TCDText {
    std::string Title{};      // the album
    std::string Performer{};  // the album's performer
    std::vector<TCDTextTrack> Tracks{};

    [[nodiscard]] bool Empty() const {
        return Title.empty() && Performer.empty() && Tracks.empty();
    }
    bool operator==(const TCDText&) const = default;
};

// The table of contents: entry k describes track FirstTrack + k; the entry
// after LastTrack is the lead-out.
struct TTOC {
    std::uint16_t TocLength = 0;  // bytes after this field, as a drive reports it
    std::uint8_t FirstTrack = 0;
    std::uint8_t LastTrack = 0;
    TTOCTrack Tracks[kMaxTOCEntries];
};

// A raw audio read. The caller sets StartFrame (logical sector number: the
// sector at 00:02:00 is 0), NumFrames and MaxLen (bytes of Buf it may fill,
// at least NumFrames * kCDSectorBytes, at most Buf.size()) and zeroes the
// rest. On success Len bytes of 16-bit little-endian stereo samples lie in
// Buf from StartOffset on.
struct TTrackBuf {
    std::uint32_t StartFrame = 0;
    std::uint32_t NumFrames = 0;
    std::uint32_t MaxLen = 0;
    std::uint32_t Len = 0;
    std::uint32_t Status = 0;
    std::uint32_t StartOffset = 0;
    std::vector<std::uint8_t> Buf;
};

// A read buffer for count sectors from start, with the fields set as above.
[[nodiscard]] TTrackBuf MakeTrackBuf(std::uint32_t start, std::uint32_t count);

// Fills the drive list; 1 on success (also with no drive at all).
int GetCDList(TCDList* list);

// Where each drive of GetCDList's list is, in the same order: a device node
// or a disc image's file.
[[nodiscard]] std::vector<std::string> GetCDDrivePaths();

// Opens the drive the request names; the new handle, or 0 on failure.
[[nodiscard]] TCDHandle GetCDHandle(const TGetCDHandle* request);

// Releases a handle; 1 on success, 0 when the handle is not open.
int CloseCDHandle(TCDHandle handle);

// Changes a parameter of the handle (only kCDParmMSF, values 0 and 1);
// 1 on success.
int ModifyCDParms(TCDHandle handle, int parameter, std::uint32_t value);

// Reads the table of contents of the disc in the drive; 1 on success.
[[nodiscard]] int ReadTOC(TCDHandle handle, TTOC* toc);

// Reads NumFrames raw audio sectors as the handle's read mode says; 1 on
// success. The whole range must lie between sector 0 and the lead-out. A
// careful read checks stop between sectors and fails with cdeReadStopped
// once it is requested.
[[nodiscard]] int ReadCDAudioLBA(TCDHandle handle, TTrackBuf* buffer, std::stop_token stop = {});

inline constexpr int kCDDefaultReadRetries = 20;
inline constexpr int kCDMaxReadRetries = 1000;
// The largest read offset correction, in samples either way (one second).
inline constexpr std::int32_t kCDMaxReadOffset = 44100;

// How ReadCDAudioLBA reads a handle's sectors. A new handle reads plainly
// with no correction.
//
// Careful reading re-reads and compares overlapping reads until they agree,
// mending jitter and retrying a failing sector up to Retries times before it
// gives the best it has (silence where nothing could be read). Such a read
// succeeds; what it mended or gave up on is counted in the handle's read
// quality. Retries is used rounded up to a multiple of 5 within
// 5..kCDMaxReadRetries. Careful reading runs where the backend supports it
// (libcdio's drives and images); on other backends it reads plainly and
// counts nothing.
//
// OffsetSamples is the drive's read offset correction c: sample i of what a
// read returns is the sample the drive delivers at position i + c, and
// positions outside the disc read as silence. A drive's offset is keyed by
// its identity; disc images need none.
struct TCDReadMode {
    bool Careful = false;
    int Retries = kCDDefaultReadRetries;
    std::int32_t OffsetSamples = 0;

    bool operator==(const TCDReadMode&) const = default;
};

// Sets the handle's read mode; 1 on success. An offset beyond
// kCDMaxReadOffset either way fails with cdeBadArgument.
int SetCDReadMode(TCDHandle handle, const TCDReadMode& mode);

// The read mode in use, its retry count as rounded; 1 on success.
int GetCDReadMode(TCDHandle handle, TCDReadMode* mode);

// What careful reads mended or gave up on, summed over the reads since the
// handle opened or since the last ResetCDReadQuality. A track read without
// ReadErrors and SkippedSectors came off the disc as the disc holds it.
struct TCDReadQuality {
    std::uint32_t ReadErrors = 0;       // failed drive reads
    std::uint32_t SkippedSectors = 0;   // sectors given up on after every retry
    std::uint32_t JitterFixes = 0;      // reads re-aligned at their edges or inside
    std::uint32_t DriftFixes = 0;       // drift between reads corrected
    std::uint32_t DroppedFixes = 0;     // bytes the drive dropped, restored
    std::uint32_t DuplicatedFixes = 0;  // bytes the drive repeated, removed

    [[nodiscard]] bool Clean() const { return ReadErrors == 0 && SkippedSectors == 0; }
    bool operator==(const TCDReadQuality&) const = default;
};

// 1 on success.
int GetCDReadQuality(TCDHandle handle, TCDReadQuality* quality);
int ResetCDReadQuality(TCDHandle handle);

// Which drive a handle reads: the drive's own vendor, model and firmware
// revision (blanks trimmed; Revision may be empty), or for a disc image
// Vendor "Image", Model its file name and Image set.
struct TCDDriveIdentity {
    std::string Vendor{};
    std::string Model{};
    std::string Revision{};
    bool Image = false;

    bool operator==(const TCDDriveIdentity&) const = default;
};

// 1 on success.
int GetCDDriveIdentity(TCDHandle handle, TCDDriveIdentity* identity);

// Where the handle's drive is: its device node or disc image file, as
// GetCDDrivePaths lists it when the handle opened; 1 on success.
int GetCDDrivePath(TCDHandle handle, std::string* path);

// Reads the CD-Text of the disc in the drive into text; 1 on success, also
// when the disc has none (text then Empty()). Drives prefer the English
// block of a multi-language disc.
[[nodiscard]] int ReadCDText(TCDHandle handle, TCDText* text);

// The reason of the calling thread's last failed call (a TCDAccessError).
int GetAspiLibError();

// 1 when the disc in the drive has at least one audio track, 0 otherwise.
[[nodiscard]] int CDHasAudioTrack(TCDHandle handle);

// 1 when the drive reports a media change since the last call, 0 when not,
// -1 on failure. A disc image changes when its files vanish (removal) or
// come back (arrival, opened afresh). While a read holds the drive the
// answer is 0 at once: the change stays with the drive for a later call.
int CDMediaChanged(TCDHandle handle);

// Opens or closes the drive's tray; 1 on success. Disc images have no tray
// (failure, cdeUnsupported). The handle stays open either way.
int EjectCD(TCDHandle handle);
int CloseCDTray(TCDHandle handle);
