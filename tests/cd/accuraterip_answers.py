#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""AccurateRip database answers for a disc image, computed apart from the
program: the disc's ids, each track's v1 and v2 sums and sector-450 sum, in
answer files as the database serves them.

Usage: accuraterip_answers.py IMAGE.bin FOLDER SECTORS...
The image holds the tracks one after the other from sector 0, SECTORS long.
Writes FOLDER/<answer>/accuraterip/<d1>/<d2>/<d3>/dBAR-<NNN>-<id1>-<id2>-<cddb>.bin
for each answer: "accurate" (a v1 chunk of confidence 3, a v2 chunk of 7),
"mismatch" (track 2's sums wrong in both), "absent" (the last track's entries
empty)."""
import os
import struct
import sys

MASK = 0xFFFFFFFF
SAMPLES_PER_SECTOR = 588


def track_sums(words, first, last):
    n = len(words)
    lo = 2940 if first else 1
    hi = n - 2940 if last else n
    v1 = v2 = 0
    for m in range(lo, hi + 1):
        product = m * words[m - 1]
        v1 += product & MASK
        v2 += (product & MASK) + (product >> 32)
    at = 450 * SAMPLES_PER_SECTOR
    f450 = 0
    if n >= at + SAMPLES_PER_SECTOR:
        f450 = sum((k + 1) * words[at + k] for k in range(SAMPLES_PER_SECTOR))
    return v1 & MASK, v2 & MASK, f450 & MASK


def digit_sum(number):
    return sum(int(digit) for digit in str(number))


def disc_ids(starts, lead_out):
    count = len(starts)
    id1 = (sum(starts) + lead_out) & MASK
    id2 = (sum(max(s, 1) * (i + 1) for i, s in enumerate(starts)) +
           max(lead_out, 1) * (count + 1)) & MASK
    seconds = [(s + 150) // 75 for s in starts]
    length = (lead_out + 150) // 75 - seconds[0]
    cddb = (sum(digit_sum(s) for s in seconds) % 255) << 24 | length << 8 | count
    return count, id1, id2, cddb


def main():
    image, folder, sectors = sys.argv[1], sys.argv[2], [int(s) for s in sys.argv[3:]]
    data = open(image, 'rb').read()
    starts = [sum(sectors[:i]) for i in range(len(sectors))]
    lead_out = sum(sectors)
    sums = []
    for i, (start, length) in enumerate(zip(starts, sectors)):
        chunk = data[start * 2352:(start + length) * 2352]
        words = struct.unpack('<%dI' % (len(chunk) // 4), chunk)
        sums.append(track_sums(words, i == 0, i == len(sectors) - 1))
    ids = disc_ids(starts, lead_out)
    count, id1, id2, cddb = ids
    hex1 = '%08x' % id1
    path = os.path.join('accuraterip', hex1[-1], hex1[-2], hex1[-3],
                        'dBAR-%03d-%s-%08x-%08x.bin' % (count, hex1, id2, cddb))

    def chunk(confidence, version, broken=None, empty=None):
        body = struct.pack('<BIII', *ids)
        for track, (v1, v2, f450) in enumerate(sums):
            crc = v1 if version == 1 else v2
            if track == broken:
                crc ^= 0x5A5A5A5A
            entry = (0, 0, 0) if track == empty else (confidence, crc, f450)
            body += struct.pack('<BII', *entry)
        return body

    answers = {
        'accurate': chunk(3, 1) + chunk(7, 2),
        'mismatch': chunk(3, 1, broken=1) + chunk(7, 2, broken=1),
        'absent': chunk(3, 1, empty=len(sums) - 1) + chunk(7, 2, empty=len(sums) - 1),
    }
    for name, body in answers.items():
        target = os.path.join(folder, name, path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, 'wb') as file:
            file.write(body)


main()
