#!/usr/bin/env bash
# Release checks on the commit checked out: a reproducible zip, a signed release that verifies, tampering and signing errors caught, signed programs under Wine: tests/release/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/road-probe

commit=$(git rev-parse HEAD)
version=$(tr -d '[:space:]' <VERSION)
tmp=$(mktemp -d)  # clones, throwaway certificates and their keys: all removed at the end
xvfb=""
trap 'rm -rf "$tmp"; [ -z "$xvfb" ] || kill $xvfb 2>/dev/null || true' EXIT
DRVSETUP_SIGN_PASSWORD=$(openssl rand -hex 16)  # throwaway; never printed
export DRVSETUP_SIGN_PASSWORD
passed=0 failed=0 skipped=0
pass() { echo "ok   $*"; passed=$((passed + 1)); }
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
# check NAME LOG PATTERN...: passes when the log holds each extended regular expression.
check() {
  local name=$1 log=$2 pattern
  shift 2
  for pattern in "$@"; do
    grep -qE -- "$pattern" "$log" || { fail "$name: no line matches '$pattern' in:"; sed 's/^/     /' "$log"; return; }
  done
  pass "$name"
}

# clone DIR: a clone of the commit under test.
clone() { git clone -q --no-checkout . "$1" && git -C "$1" checkout -q --detach "$commit"; }

# A throwaway CA, and from it a code-signing certificate and a TLS-server one, as PKCS#12 files.
make_certificates() {
  local c=$tmp/certs use
  mkdir "$c"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=drvsetup test CA" -keyout "$c/ca.key" \
    -out "$c/ca.pem" -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
  for use in codeSigning serverAuth; do
    openssl req -newkey rsa:2048 -nodes -subj "/CN=drvsetup test $use" -keyout "$c/$use.key" -out "$c/$use.csr" 2>/dev/null
    printf 'extendedKeyUsage=%s\nkeyUsage=critical,digitalSignature\n' "$use" >"$c/$use.ext"
    openssl x509 -req -in "$c/$use.csr" -CA "$c/ca.pem" -CAkey "$c/ca.key" -CAcreateserial -days 2 \
      -extfile "$c/$use.ext" -out "$c/$use.pem" 2>/dev/null
    openssl pkcs12 -export -inkey "$c/$use.key" -in "$c/$use.pem" -certfile "$c/ca.pem" -out "$c/$use.p12" \
      -passout env:DRVSETUP_SIGN_PASSWORD
  done
}

# release NAME DIR UMASK ARGS...: scripts/release in clone DIR; its output in $tmp/NAME.log, the zip kept as $tmp/NAME.zip.
release() {
  local name=$1 dir=$2 mask=$3
  shift 3
  (cd "$dir" && umask "$mask" && scripts/release "$@") >"$tmp/$name.log" 2>&1 || { fail "$name: scripts/release failed:"; cat "$tmp/$name.log"; return 1; }
  cp "$dir/dist/drvsetup-$version.zip" "$tmp/$name.zip"
}

# verify NAME ZIP: scripts/verify-release; its output and exit status in $tmp/NAME.log.
verify() {
  local code=0
  scripts/verify-release "$2" >"$tmp/$1.log" 2>&1 || code=$?
  echo "exit status $code" >>"$tmp/$1.log"
}

zip_sha() { sha256sum "$1" | cut -d' ' -f1; }
executables() { python3 -m zipfile -l "$1" | grep -oE '^[a-z0-9]+/drv(setup|remove)\.exe'; }

reproducible() {
  clone "$tmp/a"
  clone "$tmp/another/folder/b"
  release unsigned "$tmp/a" 022 || return 0
  TZ=Asia/Tokyo release unsigned-again "$tmp/another/folder/b" 077 || return 0
  if [ "$(zip_sha "$tmp/unsigned.zip")" = "$(zip_sha "$tmp/unsigned-again.zip")" ]; then
    pass "two releases from two clones, other folders, umask and time zone: one zip, SHA-256 $(zip_sha "$tmp/unsigned.zip")"
  else
    fail "the two releases differ: $(zip_sha "$tmp/unsigned.zip") and $(zip_sha "$tmp/unsigned-again.zip")"
  fi
  python3 -m zipfile -l "$tmp/unsigned.zip" >"$tmp/entries.log"
  check "the zip's entries" "$tmp/entries.log" '^x86/drvsetup\.exe ' '^x64/drvsetup\.exe ' '^arm64/drvsetup\.exe ' \
    '^x86/drvremove\.exe ' '^x64/drvremove\.exe ' '^arm64/drvremove\.exe ' \
    '^selftest/x86/selftest\.exe ' '^selftest/x64/planted\.dll ' '^selftest/arm64/selftest\.exe ' \
    '^selftest/demo/drvsetup-demo\.inf ' '^selftest/drvsetup-selftest\.wsb ' '^docs/setup-authors\.md ' \
    '^examples/installers/drvsetup\.nsi ' '^examples/demo/drvsetup-demo\.inf ' '^LICENSE ' '^NOTICES ' '^SHA256SUMS ' '^SOURCE '
  # cmd.exe misreads labels and goto in a batch file with LF line endings.
  local crlf='import sys, zipfile; d = zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]); sys.exit(not d or d.count(b"\n") != d.count(b"\r\n"))'
  if python3 -c "$crlf" "$tmp/unsigned.zip" examples/installers/drvsetup.cmd; then
    pass "the zip's batch file has CRLF line endings"
  else fail "the zip's examples/installers/drvsetup.cmd has lines that do not end in CRLF"; fi
  verify verify-unsigned "$tmp/unsigned.zip"
  check "verify-release, unsigned" "$tmp/verify-unsigned.log" "^x86/drvsetup.exe: identical to a build of $commit\$" \
    "^x64/drvsetup.exe: identical to a build of $commit\$" "^arm64/drvsetup.exe: identical to a build of $commit\$" \
    "^arm64/drvremove.exe: identical to a build of $commit\$" "^selftest/x64/selftest.exe: identical to a build of $commit\$" \
    "^selftest/x86/planted.dll: identical to a build of $commit\$" '^exit status 0$'
}

signed() {
  local exe code=0
  release signed "$tmp/a" 022 --sign-pkcs12 "$tmp/certs/codeSigning.p12" || return 0
  verify verify-signed "$tmp/signed.zip"
  check "verify-release, signed" "$tmp/verify-signed.log" \
    "^x64/drvsetup.exe: identical to a build of $commit once its signature is removed; signed by /CN=drvsetup test codeSigning\$" \
    '^SHA256SUMS: all [0-9]+ files match$' '^exit status 0$'
  python3 -m zipfile -e "$tmp/signed.zip" "$tmp/signed"
  for exe in $(executables "$tmp/signed.zip"); do
    osslsigncode verify -CAfile "$tmp/certs/ca.pem" -in "$tmp/signed/$exe" >"$tmp/osslsigncode.log" 2>&1 || code=$?
    if [ "$code" = 0 ]; then pass "osslsigncode verify $exe, the test CA as trust anchor"
    else fail "osslsigncode verify $exe: exit status $code"; sed 's/^/     /' "$tmp/osslsigncode.log"; fi
  done
}

# One byte of code changed in a signed executable: caught by the sums, then by the comparison.
tampered() {
  local dir=$tmp/signed exe=x64/drvsetup.exe at=$((0x500))
  [ -f "$dir/$exe" ] || { fail "tampering: no signed $exe to change"; return; }
  python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(int(sys.argv[2])); b = f.read(1); f.seek(-1, 1)
f.write(bytes([b[0] ^ 0xFF]))' "$dir/$exe" "$at"
  (cd "$dir" && python3 -m zipfile -c "$tmp/tampered.zip" ./*)
  verify verify-tampered "$tmp/tampered.zip"
  check "one changed byte, caught by SHA256SUMS" "$tmp/verify-tampered.log" "^SHA256SUMS: $exe: FAILED\$" '^exit status 1$'
  rm -f "$tmp/tampered.zip"
  scripts/release-zip "$dir" "$tmp/tampered.zip" 0  # fresh sums, as a forger would make
  verify verify-resummed "$tmp/tampered.zip"
  check "one changed byte, sums made anew, caught by the comparison" "$tmp/verify-resummed.log" \
    "^$exe: differs from a build of $commit \(its signature removed\): first differing offset 0x[0-9a-f]+ \([0-9]+\); [0-9]+ bytes differ: (.* )?0x500( |\$)" \
    "^$exe: its signature is not for its bytes\$" \
    "^SHA256SUMS: all [0-9]+ files match\$" '^exit status 1$'
  sed -i "s/$commit/$(printf '%040d' 0)/" "$dir/SOURCE"
  scripts/release-zip "$dir" "$tmp/elsewhere.zip" 0
  verify verify-elsewhere "$tmp/elsewhere.zip"
  check "a commit this repository lacks" "$tmp/verify-elsewhere.log" \
    "^verify-release: commit 0{40}, named in SOURCE, is not in this repository" '^exit status 1$'
}

# Each signing error: one sentence naming the cause, exit status 1, no zip left (an old one is removed too).
signing_errors() {
  local c=$tmp/certs zip=$tmp/a/dist/drvsetup-$version.zip name args env want code
  while IFS='|' read -r name args env want; do
    cp "$tmp/unsigned.zip" "$zip"
    code=0
    # shellcheck disable=SC2086  # the arguments are split on purpose
    (cd "$tmp/a" && env $env scripts/release $args) >"$tmp/error.log" 2>&1 || code=$?
    if [ "$code" != 1 ] || [ -e "$zip" ] || ! tail -n 1 "$tmp/error.log" | grep -qE "^release: $want"; then
      fail "$name: exit status $code, zip $([ -e "$zip" ] && echo left || echo gone), output:"
      sed 's/^/     /' "$tmp/error.log"
    else
      pass "$name: $(tail -n 1 "$tmp/error.log")"
    fi
    cat "$tmp/error.log" >>"$tmp/errors.log"
  done <<EOF
wrong password|--sign-pkcs12 $c/codeSigning.p12|DRVSETUP_SIGN_PASSWORD=not-the-password|wrong password for $c/codeSigning\.p12
no password set|--sign-pkcs12 $c/codeSigning.p12|-u DRVSETUP_SIGN_PASSWORD|DRVSETUP_SIGN_PASSWORD is not set
missing file|--sign-pkcs12 $c/missing.p12||the PKCS#12 file $c/missing\.p12 is missing or cannot be read\.
a folder|--sign-pkcs12 $c||the PKCS#12 file $c is missing or cannot be read\.
not a PKCS#12 file|--sign-pkcs12 $c/ca.pem||$c/ca\.pem is not a PKCS#12 file
certificate not for code signing|--sign-pkcs12 $c/serverAuth.p12||the certificate in $c/serverAuth\.p12 is not for code signing
time-stamp server unreachable|--sign-pkcs12 $c/codeSigning.p12 --timestamp http://127.0.0.1:9/||osslsigncode could not sign (x86|x64|arm64)/drv(setup|remove)\.exe: .*[Ff]ail
EOF
}

# The signed programs under Wine, with the end-to-end machinery: a usage box, exit 2, a silent install.
under_wine() {
  local arch dir cases=("table: drvsetup row 1: program name only" "table: drvsetup row 2: one argument, /s"
    "table: drvsetup row 7: INF path, hardware ID and /s: silent install")
  for arch in x86 x64 arm64; do
    if [ "$arch" = x86 ] && ! runs_32bit; then
      echo "skipped: the signed x86 program under Wine (${#cases[@]} cases): $(no_32bit_reason)"
      skipped=$((skipped + ${#cases[@]}))
      continue
    fi
    if [ "$arch" = arm64 ] && ! runs_arm64; then
      echo "skipped: the signed arm64 program under Wine (${#cases[@]} cases): $(no_arm64_reason)"
      skipped=$((skipped + ${#cases[@]}))
      continue
    fi
    [ -f "$tmp/signed/$arch/drvsetup.exe" ] || { fail "no signed $arch/drvsetup.exe to run"; continue; }
    { cmake --preset "mingw-$arch" && cmake --build --preset "mingw-$arch"; } >"$tmp/build-$arch.log" 2>&1 ||
      { fail "the $arch test helpers do not build"; cat "$tmp/build-$arch.log"; continue; }
    scripts/wine-prefix "$arch" "build/wine-$arch"
    dir=$tmp/wine-$arch
    mkdir "$dir"
    cp "build/mingw-$arch"/{runner.exe,newdev_stub.dll,planted_newdev.dll,noexport_newdev.dll} "$dir/"
    cp "$tmp/signed/$arch"/drv{setup,remove}.exe "$dir/"
    python3 tests/wine/e2e.py "$arch" "$dir" "build/wine-$arch" "${cases[@]}" >"$tmp/wine-$arch.log" 2>&1 || true
    sed 's/^/     /' "$tmp/wine-$arch.log"
    set -- $(grep -oE '[0-9]+ passed, [0-9]+ failed' "$tmp/wine-$arch.log" || echo "0 passed, 1 failed")
    passed=$((passed + $1)) failed=$((failed + $3))
  done
}

echo "Release checks on commit $commit (uncommitted changes are never in a release)"
make_certificates
reproducible
signed
tampered
signing_errors
if [ -z "${DISPLAY:-}" ]; then start_xvfb 1024x768; fi
under_wine
if grep -rqF -- "$DRVSETUP_SIGN_PASSWORD" "$tmp"/*.log; then fail "the password shows in an output"; else pass "the password shows in no output"; fi
if [ "$skipped" = 0 ]; then
  echo "release: $passed passed, $failed failed"
else
  echo "release: $passed passed, $failed failed, $skipped skipped"
fi
