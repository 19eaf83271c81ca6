// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/jpeg_image.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it
// jumps back into the phase function that was running. The phase functions
// hold no C++ objects, so the jump skips no destructor.
struct JpegDecoder {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    std::jmp_buf jumpBack;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    auto* decoder = static_cast<JpegDecoder*>(info->client_data);
    std::longjmp(decoder->jumpBack, 1);
}

void IgnoreJpegMessage(j_common_ptr /*info*/) {}

// Reads the header and starts decompression to RGB; false on a bad stream.
bool StartDecoding(JpegDecoder& decoder, const unsigned char* data, unsigned long size) {
    if (setjmp(decoder.jumpBack) != 0) {
        return false;
    }
    jpeg_mem_src(&decoder.info, data, size);
    if (jpeg_read_header(&decoder.info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    decoder.info.out_color_space = JCS_RGB;
    return jpeg_start_decompress(&decoder.info) == TRUE;
}

// Decodes every scan line into rows of bytesPerLine bytes; false on a bad stream.
bool ReadPixels(JpegDecoder& decoder, unsigned char* pixels, long bytesPerLine) {
    if (setjmp(decoder.jumpBack) != 0) {
        return false;
    }
    while (decoder.info.output_scanline < decoder.info.output_height) {
        JSAMPROW row = pixels + decoder.info.output_scanline * bytesPerLine;
        jpeg_read_scanlines(&decoder.info, &row, 1);
    }
    jpeg_finish_decompress(&decoder.info);
    return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
    if (data.isEmpty()) {
        return {};
    }
    JpegDecoder decoder{};
    decoder.info.err = jpeg_std_error(&decoder.errors);
    decoder.errors.error_exit = OnJpegError;
    decoder.errors.output_message = IgnoreJpegMessage;
    decoder.info.client_data = &decoder;
    jpeg_create_decompress(&decoder.info);
    QImage image;
    if (StartDecoding(decoder, reinterpret_cast<const unsigned char*>(data.constData()),
                      static_cast<unsigned long>(data.size()))) {
        image = QImage(static_cast<int>(decoder.info.output_width),
                       static_cast<int>(decoder.info.output_height), QImage::Format_RGB888);
        if (image.isNull() || !ReadPixels(decoder, image.bits(), image.bytesPerLine())) {
            image = QImage();
        }
    }
    jpeg_destroy_decompress(&decoder.info);
    return image;
}
