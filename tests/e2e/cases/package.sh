#!/usr/bin/env bash
# The program as the package delivers it: packaged by scripts/package.sh (what the package_zip
# target runs), signed with a throwaway certificate, unzipped, and run from there.
source "$(dirname "$0")/../table.sh"

# Packages the program folder (E2E_DIST if set), signed, into the case's own folder in
# $E2E_WORK/dists, unzips it there and prints the unzipped folder's path.
signed_package() {
    local top=$E2E_WORK/dists/$E2E_GROUP.$E2E_CASE
    rm -rf "$top"
    mkdir -p "$top"
    bash "$E2E_REPO/tests/release/testcert.sh" "$top" signer || return 1
    DRIVERSETUP_SIGN_PFX=$top/signer.pfx DRIVERSETUP_SIGN_PASSWORD="throwaway pass!" \
        DRIVERSETUP_SIGN_TIMESTAMP_URL="" \
        bash "$E2E_REPO/scripts/package.sh" "${E2E_DIST:-$E2E_REPO/dist}" "$top/DriverSetup.zip" \
        >&2 || return 1
    unzip -q "$top/DriverSetup.zip" -d "$top/unzipped" || return 1
    if ! osslsigncode verify -CAfile "$top/signer.pem" -in "$top/unzipped/DriverSetup.exe" \
        >"$top/verify.txt" 2>&1; then
        echo "FAIL: the packaged program is not signed by the throwaway certificate" >&2
        cat "$top/verify.txt" >&2
        return 1
    fi
    printf '%s\n' "$top/unzipped"
}

# The signed program installs through to the completion message, and the printer is there.
signed_install() {
    local dir
    dir=$(signed_package) || return 1
    E2E_DIST=$dir play -v win10 <<EOF
$(to_port_page 4)
$(install_confirmed)
expect-printer RQ-230 Series|LPT1:|RQ-230 Series|WinPrint|RAW
expect-driver-file Windows NT x86|RQ230.GPD|Placeholder for RQ230.GPD (x86)
EOF
}
add_case signed-install signed_install

table_main "$@"
