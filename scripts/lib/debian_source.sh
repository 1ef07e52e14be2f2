#!/usr/bin/env bash
# Usage: debian_source.sh SOURCE-PACKAGE FOLDER
# Unpacks Debian's source package of this release into FOLDER/<package>-<version>, Debian's
# patches applied, and prints that folder; does nothing but print it when it is there already.
# The sources come through apt from the release's main archive (deb.debian.org), their checksums
# checked against its signed index, with apt's state kept in FOLDER: the system's own lists of
# sources are neither read nor changed.
# Needs apt and dpkg-source (package dpkg-dev).
set -euo pipefail
package=$1
folder=$(mkdir -p "$2" && cd "$2" && pwd)
existing=$(find "$folder" -maxdepth 1 -type d -name "$package-*" | sort | tail -n 1)
if [[ -n $existing ]]; then
  echo "$existing"
  exit 0
fi

state="$folder/apt"
mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$state/sources"
# The release's main archive, with its point releases.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
  "$codename" "$codename" >"$state/sources/release.sources"
apt_options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$state/sources"
  -o "Dir::State::Lists=$state/lists" -o "Dir::Cache=$state/cache" -o "APT::Sandbox::User=root")
apt-get -qq "${apt_options[@]}" update >&2
(cd "$folder" && apt-get -qq "${apt_options[@]}" source "$package" >&2)
find "$folder" -maxdepth 1 -type d -name "$package-*" | sort | tail -n 1
