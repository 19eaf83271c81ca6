// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/cd_drive.h"

#include <cstdint>

#include "cd/close_cd.h"
#include "cddb/protocol/cddb_toc.h"

namespace {

TCDHandle RequestHandle(const TCDDriveInfo& drive) {
    TGetCDHandle request;
    request.Adapter = drive.Adapter;
    request.Target = drive.Target;
    request.Lun = drive.Lun;
    return GetCDHandle(&request);
}

// A handle opened for one question and closed again.
class ScopedCDHandle {
public:
    explicit ScopedCDHandle(const TCDDriveInfo& drive) : m_handle(RequestHandle(drive)) {}
    ~ScopedCDHandle() {
        if (m_handle != 0) {
            CloseCDHandle(m_handle);
        }
    }
    ScopedCDHandle(const ScopedCDHandle&) = delete;
    ScopedCDHandle& operator=(const ScopedCDHandle&) = delete;

    TCDHandle Get() const { return m_handle; }

private:
    TCDHandle m_handle = 0;
};

// Never negative: the fields are bytes.
std::uint32_t Frames(const TTOCTrack& entry) {
    return static_cast<std::uint32_t>(AddressFrames(entry));
}

bool HasAudioTrack(const TTOC& toc) {
    for (int k = 0; k <= toc.LastTrack - toc.FirstTrack; ++k) {
        if ((toc.Tracks[k].AdrControl & 0x04) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::uint32_t CddbDiscIdOf(const TTOC& toc) {
    const int count = toc.LastTrack - toc.FirstTrack + 1;
    TCddbToc cddbToc;
    for (int k = 0; k < count; ++k) {
        cddbToc.trackStarts.push_back(Frames(toc.Tracks[k]));
    }
    cddbToc.leadOut = Frames(toc.Tracks[count]);
    return CddbDiscId(cddbToc);
}

TOpenCDResult OpenCDDevice(int position) {
    TOpenCDResult result;
    TCDList list;
    list.Max = kMaxCDDrives;
    if (GetCDList(&list) != 1 || list.Num == 0) {
        result.statusText = kNoCDDevicesText;
        return result;
    }
    if (position < 0 || position >= list.Num) {
        result.statusText = kBadDrivePositionText;
        return result;
    }
    const TCDDriveInfo& drive = list.Drives[position];
    result.driveDescription =
        (std::string(drive.Vendor) + drive.Product).substr(0, kDriveDescriptionLength);
    result.statusText = result.driveDescription;

    result.handle = RequestHandle(drive);
    // Handles left open earlier may use up the table: free the first that
    // closes and ask once more.
    for (TCDHandle h = 1; result.handle == 0 && h <= kMaxCDHandles; ++h) {
        if (CloseCD(h)) {
            result.handle = RequestHandle(drive);
            break;
        }
    }
    if (result.handle == 0) {
        result.statusText = kNoCDDevicesText;
    }
    return result;
}

bool FirstCDDriveHasAudioCD() {
    TCDList list;
    if (GetCDList(&list) != 1 || list.Num == 0) {
        return false;
    }
    const ScopedCDHandle handle(list.Drives[0]);
    return handle.Get() != 0 && CDHasAudioTrack(handle.Get()) == 1;
}

std::string DiscKeyOf(TCDHandle handle) {
    TTOC toc;
    if (ModifyCDParms(handle, kCDParmMSF, 1) != 1 || ReadTOC(handle, &toc) != 1 ||
        !HasAudioTrack(toc)) {
        return {};
    }
    return std::to_string(static_cast<std::int32_t>(CddbDiscIdOf(toc)));
}

std::string GetDiscKey() {
    TCDList list;
    if (GetCDList(&list) != 1) {
        return {};
    }
    for (int i = 0; i < list.Num; ++i) {
        const ScopedCDHandle handle(list.Drives[i]);
        if (handle.Get() == 0) {
            continue;
        }
        std::string key = DiscKeyOf(handle.Get());
        if (!key.empty()) {
            return key;
        }
    }
    return {};
}
