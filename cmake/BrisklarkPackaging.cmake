# SPDX-License-Identifier: GPL-3.0-or-later
#
# The Debian package, made by CPack from the install rules of a finished
# build:  cmake --build build --target package  (writes build/brisklark_*.deb).
# dpkg-shlibdeps derives the dependencies on the libraries the program links;
# the codec libraries it opens at run time are invisible to it, so they are
# listed as recommendations: each is needed only for its own format, and a
# missing one is reported when that format is chosen.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisklark)
set(CPACK_PACKAGE_VENDOR "Tamberlyn Software")
set(CPACK_PACKAGE_CONTACT "Tamberlyn Software <brisklark@tamberlyn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio-CD ripper and audio-file converter")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Brisklark lists the tracks of the audio CD in the drive, names them by"
  "hand, from its per-disc cache or from a CDDB server, and rips the ticked"
  "tracks to MP3, Ogg Vorbis, FLAC, WMA, Monkey's Audio (APE) or WAV files,"
  "tagged. It also converts audio files in batches, plays CD tracks and"
  "resamples WAV files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tamberlyn.example/brisklark/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The codec and resampling libraries by the sonames the program opens; xdg-utils opens the
# manual and the home page; qt6-wayland lets the windows run natively on a
# Wayland desktop (without it they run through XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "libmp3lame0, libogg0, libvorbis0a, libvorbisenc2, libflac12, libsamplerate0, xdg-utils, qt6-wayland")
include(CPack)
