#!/usr/bin/env bash
# A throwaway self-signed code-signing certificate for the signing tests, valid for two days:
#
#   tests/release/testcert.sh DIR NAME
#
# writes DIR/NAME.pem (the certificate, to verify against) and DIR/NAME.pfx (certificate and
# key as PKCS#12, password "throwaway pass!", blanks included on purpose). Never for a release.
set -euo pipefail
dir=$1 name=$2
mkdir -p "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=DriverSetup throwaway $name" \
    -addext extendedKeyUsage=codeSigning \
    -keyout "$dir/$name.key" -out "$dir/$name.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$dir/$name.key" -in "$dir/$name.pem" -out "$dir/$name.pfx" \
    -passout "pass:throwaway pass!"
rm -f "$dir/$name.key"
