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

// Reads NumFrames raw audio sectors; 1 on success. The whole range must lie
// between sector 0 and the lead-out.
[[nodiscard]] int ReadCDAudioLBA(TCDHandle handle, TTrackBuf* buffer);

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
// come back (arrival, opened afresh).
int CDMediaChanged(TCDHandle handle);

// Opens or closes the drive's tray; 1 on success. Disc images have no tray
// (failure, cdeUnsupported). The handle stays open either way.
int EjectCD(TCDHandle handle);
int CloseCDTray(TCDHandle handle);
