#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entry and the AppStream metainfo pass their validators, and the
# metainfo's newest release is the version being built.
# Usage: desktop_data_test.sh DATA_FOLDER VERSION
set -eu
data=$1
version=$2
id=example.tamberlyn.Brisklark

desktop-file-validate "$data/$id.desktop"
appstreamcli validate --no-net "$data/$id.metainfo.xml"
newest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$data/$id.metainfo.xml" | head -n 1)
if [ "$newest" != "$version" ]; then
  echo "FAIL: the metainfo's newest release is '$newest', the build is $version" >&2
  exit 1
fi
