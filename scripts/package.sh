#!/usr/bin/env bash
# The package a user receives: the shipped folder as one ZIP, with SHA256SUMS beside it. Run by
# the package_zip target (cmake --build --preset windows --target package_zip).
#
#   scripts/package.sh DIST ZIP
#
# The same sources give the same ZIP: the files go in sorted, with fixed permissions and one
# time (SOURCE_DATE_EPOCH, by default the last commit's), stored in UTC without extra fields.
#
# Signing, from the environment:
#   DRIVERSETUP_SIGN_PFX            a PKCS#12 file with the code-signing certificate and key;
#                                   when set, DriverSetup.exe is signed (Authenticode, SHA-256)
#                                   before it is zipped, and any failure fails the package
#   DRIVERSETUP_SIGN_PASSWORD       its password
#   DRIVERSETUP_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server; a release must set it, or
#                                   the signature is void once the certificate expires
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: scripts/package.sh DIST ZIP (the package_zip target runs it)" >&2
    exit 2
fi
dist=$(realpath "$1")
zip=$(realpath -m "$2")
repo=$(cd "$(dirname "$0")/.." && pwd)
out=$(dirname "$zip")
stage=$out/package-stage

fail() {
    printf 'package: %s\n' "$*" >&2
    exit 1
}

[ -f "$dist/DriverSetup.exe" ] || fail "no $dist/DriverSetup.exe: build the program first"

# Not a checkout (a source archive): a fixed time, still the same for every build.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct 2>/dev/null || true)}
epoch=${epoch:-315532800}
[[ $epoch =~ ^[0-9]+$ ]] || fail "SOURCE_DATE_EPOCH is not a number of seconds: $epoch"
# A ZIP holds no time before 1980.
[ "$epoch" -ge 315532800 ] || epoch=315532800

rm -rf "$stage" "$zip" "$out/SHA256SUMS"
mkdir -p "$stage"
trap 'rm -rf "$stage"' EXIT
cp -R "$dist/DriverSetup.exe" "$dist/Printer Driver" "$dist/USB Driver" "$stage/"

exe=$stage/DriverSetup.exe
pfx=${DRIVERSETUP_SIGN_PFX:-}
if [ -n "$pfx" ]; then
    command -v osslsigncode >/dev/null || fail "DRIVERSETUP_SIGN_PFX is set, but osslsigncode is not installed"
    [ -r "$pfx" ] || fail "DRIVERSETUP_SIGN_PFX names $pfx, which cannot be read"
    args=(sign -pkcs12 "$pfx" -readpass /dev/stdin -h sha256 -n DriverSetup)
    url=${DRIVERSETUP_SIGN_TIMESTAMP_URL:-}
    [ -z "$url" ] || args+=(-ts "$url")
    # The password goes through a pipe, never the command line that ps shows; /dev/stdin
    # rather than "-", which Debian 12's osslsigncode 2.5 takes for a file name.
    if ! log=$(printf '%s' "${DRIVERSETUP_SIGN_PASSWORD:-}" |
        osslsigncode "${args[@]}" -in "$exe" -out "$exe.signed" 2>&1); then
        printf '%s\n' "$log" >&2
        fail "signing DriverSetup.exe with $pfx failed"
    fi
    mv "$exe.signed" "$exe"
    stamp="time-stamped by $url"
    [ -n "$url" ] || stamp="not time-stamped"
    echo "package: DriverSetup.exe signed with $pfx (SHA-256), $stamp"
else
    echo "package: DriverSetup.exe is NOT signed (DRIVERSETUP_SIGN_PFX is not set)"
fi

# Permissions, times and order as the sources give them, not as this machine left them.
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
find "$stage" -exec touch -h -d "@$epoch" {} +
(
    cd "$stage"
    find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$zip"
)
(cd "$out" && sha256sum "$(basename "$zip")" >SHA256SUMS)
