#!/usr/bin/env bash
# Release checks on clean clones of the committed HEAD (CTest's release.* tests):
#
#   release.sh clone         clones HEAD into one folder and builds the package there
#   release.sh reproducible  builds it again in a folder with a longer path, later and under
#                            another umask; the program and the ZIP must be byte-identical
#   release.sh signed        packages the first clone again, signed with a throwaway
#                            certificate, and verifies the packaged program against it
#   release.sh clean         removes the clones
#
# Only what the package needs is built (not the end-to-end suite). Work folder: RELEASE_WORK
# (default build/windows/release). Uncommitted changes are not part of what is tested.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
work=${RELEASE_WORK:-$repo/build/windows/release}
first=$work/a
second=$work/same-commit-built-again-in-a-folder-with-a-longer-path
# A developer's own signing settings must not leak into the unsigned builds.
unset DRIVERSETUP_SIGN_PFX DRIVERSETUP_SIGN_PASSWORD DRIVERSETUP_SIGN_TIMESTAMP_URL

say() { printf '%s\n' "$*"; }
fail() {
    say "FAIL: $*"
    exit 1
}

# The version, as the top-level project() sets it, names the ZIP.
version() {
    sed -n 's/^project(DriverSetup VERSION \([0-9.]*\).*/\1/p' "$1/CMakeLists.txt"
}
package_of() { printf '%s/build/windows/DriverSetup-%s.zip\n' "$1" "$(version "$1")"; }

# Clones HEAD into DIR and builds the package there; the build's output goes to DIR.log.
build_clone() {
    local dir=$1 sha
    sha=$(git -C "$repo" rev-parse HEAD)
    rm -rf "$dir"
    git clone -q --no-checkout "$repo" "$dir"
    git -C "$dir" checkout -q --detach "$sha"
    if ! (cd "$dir" && cmake --preset windows && cmake --build --preset windows \
        --target package_zip) >"$dir.log" 2>&1; then
        tail -n 30 "$dir.log"
        fail "the build in $dir failed (whole log: $dir.log)"
    fi
}

# "<sha256> <file>" for the program and the ZIP of a built clone, relative to the clone.
hashes() {
    (cd "$1" && sha256sum dist/DriverSetup.exe "${2#"$1"/}")
}

cmd_clone() {
    if ! git -C "$repo" rev-parse --verify -q HEAD >/dev/null; then
        say "not a git checkout: nothing committed to clone"
        exit 77
    fi
    say "building commit $(git -C "$repo" rev-parse --short HEAD) from a clean clone;" \
        "uncommitted changes are not included"
    [ -z "$(git -C "$repo" status --porcelain)" ] ||
        say "(this working tree has uncommitted changes: commit them to test them)"
    rm -rf "$work"
    mkdir -p "$work"
    build_clone "$first"
    hashes "$first" "$(package_of "$first")" | tee "$first.sha256"
    (cd "$(dirname "$(package_of "$first")")" && sha256sum -c SHA256SUMS)
    # The ZIP holds the built folder: every file, byte for byte, and nothing else.
    unzip -q "$(package_of "$first")" -d "$work/unzipped-first"
    diff -r "$first/dist" "$work/unzipped-first" || fail "the ZIP is not the dist/ folder"
    rm -rf "$work/unzipped-first"
    say "the ZIP holds dist/ exactly"
}

cmd_reproducible() {
    [ -f "$first.sha256" ] || fail "no first build: run the release.clone test first"
    # Another umask, time zone and a later time: none may show in the bytes.
    sleep 2
    (umask 0002 && TZ=Pacific/Kiritimati build_clone "$second")
    hashes "$second" "$(package_of "$second")" >"$second.sha256"
    say "first build ($first):"
    cat "$first.sha256"
    say "second build ($second):"
    cat "$second.sha256"
    (cd "$(dirname "$(package_of "$second")")" && sha256sum -c SHA256SUMS)
    if ! diff -q "$first.sha256" "$second.sha256" >/dev/null; then
        cmp -l "$first/dist/DriverSetup.exe" "$second/dist/DriverSetup.exe" | head -n 20 || true
        diff <(zipinfo -l "$(package_of "$first")") <(zipinfo -l "$(package_of "$second")") || true
        fail "two builds of the same commit differ"
    fi
    say "byte-identical: program and ZIP"
}

# Packages the first clone with the environment given before "--"; its output goes to OUT.
package_with() {
    local out=$1
    shift
    (cd "$first" && env "$@" cmake --build --preset windows --target package_zip) \
        </dev/null >"$out" 2>&1
}

cmd_signed() {
    local keys=$work/keys zip exe unpacked=$work/unpacked
    [ -d "$first/build/windows" ] || fail "no first build: run the release.clone test first"
    zip=$(package_of "$first")
    rm -rf "$keys" "$unpacked"
    bash "$repo/tests/release/testcert.sh" "$keys" signer
    bash "$repo/tests/release/testcert.sh" "$keys" stranger

    # Signing that cannot be done fails the package and leaves no ZIP behind.
    local pfx pass
    while IFS='|' read -r pfx pass; do
        if package_with "$work/bad.log" "DRIVERSETUP_SIGN_PFX=$pfx" \
            "DRIVERSETUP_SIGN_PASSWORD=$pass"; then
            fail "packaging succeeded with $pfx and password '$pass'"
        fi
        grep -q 'package: .*\(failed\|cannot be read\)' "$work/bad.log" ||
            fail "no reason given for the failure with $pfx: $(cat "$work/bad.log")"
        [ ! -e "$zip" ] || fail "a ZIP was left behind after the failure with $pfx"
    done <<EOF
$keys/signer.pfx|wrong
$keys/missing.pfx|throwaway pass!
EOF

    package_with "$work/signed.log" "DRIVERSETUP_SIGN_PFX=$keys/signer.pfx" \
        "DRIVERSETUP_SIGN_PASSWORD=throwaway pass!" || {
        cat "$work/signed.log"
        fail "signed packaging failed"
    }
    grep 'package: DriverSetup.exe signed' "$work/signed.log" || fail "no word of the signature"
    (cd "$(dirname "$zip")" && sha256sum -c SHA256SUMS)

    mkdir -p "$unpacked"
    unzip -q "$zip" DriverSetup.exe -d "$unpacked"
    exe=$unpacked/DriverSetup.exe
    osslsigncode verify -CAfile "$keys/signer.pem" -in "$exe" >"$work/verify.log" 2>&1 || {
        cat "$work/verify.log"
        fail "the packaged program does not verify against the signing certificate"
    }
    grep -q 'Message digest algorithm  : SHA256' "$work/verify.log" || fail "not a SHA-256 signature"
    say "osslsigncode verify against the signing certificate: ok"
    if osslsigncode verify -CAfile "$keys/stranger.pem" -in "$exe" >/dev/null 2>&1; then
        fail "the packaged program verifies against an unrelated certificate too"
    fi
    # Without its signature the packaged program is the reproducible build, byte for byte.
    osslsigncode remove-signature -in "$exe" -out "$unpacked/unsigned.exe" >/dev/null
    cmp "$unpacked/unsigned.exe" "$first/dist/DriverSetup.exe" ||
        fail "the signed program is not the built one plus a signature"
    say "signed, verified, and the built program underneath"
}

cmd_clean() {
    rm -rf "$work"
}

case ${1:-} in
    clone | reproducible | signed | clean) "cmd_$1" ;;
    *)
        echo "usage: release.sh clone | reproducible | signed | clean" >&2
        exit 2
        ;;
esac
