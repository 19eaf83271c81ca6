// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a baseline or progressive JPEG with libjpeg into an RGB image; a
// null image when the data is not a decodable JPEG. Any thread.
[[nodiscard]] QImage DecodeJpeg(const QByteArray& data);
