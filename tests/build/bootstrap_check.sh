#!/usr/bin/env bash
# Bootstrap where apt refuses a part: one line naming the package, and the road skipped with that line as its reason: tests/build/bootstrap_check.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/road-probe
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0 skipped=0

# A stand-in apt-get that refuses any command line naming a package that matches $REFUSED (a
# glob), and a dpkg-query that reports it missing; everything else goes to the real ones.
mkdir "$tmp/bin"
cat >"$tmp/bin/apt-get" <<'STANDIN'
#!/bin/sh
for a; do case $a in $REFUSED) echo "E: Unable to locate package $a"; exit 100 ;; esac; done
exec /usr/bin/apt-get "$@"
STANDIN
sed 's#echo.*exit 100#exit 1#; s#/usr/bin/apt-get#/usr/bin/dpkg-query#' "$tmp/bin/apt-get" >"$tmp/bin/dpkg-query"
chmod +x "$tmp/bin/"*

# refused ROAD ROLE PACKAGE GLOB: bootstrap ROLE, in an empty cache (but for the ARM64 runtime,
# not built again), with GLOB refused.
refused() {
  local road=$1 cache=$tmp/cache-$1 out line reason
  mkdir "$cache"
  ln -s "$(drvsetup_cache)"/aarch64-w64-mingw32-* "$cache/" 2>/dev/null || true
  out=$(REFUSED=$4 PATH=$tmp/bin:$PATH DRVSETUP_CACHE=$cache scripts/bootstrap "$2" 2>&1) ||
    { echo "FAIL $road: bootstrap failed:"; echo "$out"; failed=$((failed + 1)); return; }
  line=$(grep -E "^bootstrap: $3 cannot be installed: E: Unable to locate package ${4%\*}.* \(log: .*\); its road is skipped\.$" <<<"$out" |
         sed -E 's/^bootstrap: //; s/ \(log: .*//') || true
  reason=$(unset DRVSETUP_32BIT DRVSETUP_ARM64; export DRVSETUP_CACHE=$cache
           if "runs_$road"; then echo "the $road road runs"; else "no_${road}_reason"; fi)
  if [ -n "$line" ] && [ "$reason" = "$line" ]; then
    echo "ok   $road: bootstrap says '$line', and so does the skip line"; passed=$((passed + 1))
  else
    echo "FAIL $road: bootstrap printed:"; echo "$out"; echo "  the skip reason: $reason"; failed=$((failed + 1))
  fi
}

# The x86 road's part: Debian's wine32 where the kernel runs 32-bit processes, else qemu-user.
if [ "${DRVSETUP_NO_32BIT:-}" = 1 ]; then
  echo "The x86 case was skipped: DRVSETUP_NO_32BIT=1 is set."; skipped=$((skipped + 1))
elif [ "$(kernel_32bit_mode)" = native ] && [ "${DRVSETUP_EMULATE_32BIT:-}" != 1 ]; then
  refused 32bit demo-x86 wine32:i386 'wine32:i386*'
else
  refused 32bit demo-x86 "qemu-user of Debian 13" 'qemu-user*'
fi
if [ "${DRVSETUP_NO_ARM64:-}" = 1 ]; then
  echo "The arm64 case was skipped: DRVSETUP_NO_ARM64=1 is set."; skipped=$((skipped + 1))
else
  refused arm64 demo-arm64 wine64:arm64 'wine64=*'
fi
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
