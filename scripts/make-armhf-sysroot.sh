#!/usr/bin/env bash
# Makes the armhf sysroot the cross build compiles, links and runs against:
#   SYSROOT=DIR DEBS=CACHE scripts/make-armhf-sysroot.sh PACKAGE...
# downloads the armhf packages PACKAGE... with their dependency closure into
# CACHE and unpacks them into DIR (defaults /opt/dtb-armhf-sysroot and
# /var/cache/dtb-armhf-debs). Needs the armhf architecture added and its
# lists fetched (install-deps.sh --cross). Run again, it downloads only what
# the lists have newer and leaves an up-to-date sysroot alone.
set -euo pipefail
SYSROOT=${SYSROOT:-/opt/dtb-armhf-sysroot}
DEBS=${DEBS:-/var/cache/dtb-armhf-debs}
[ $# -gt 0 ] || { echo "usage: SYSROOT=DIR DEBS=DIR $0 PACKAGE..." >&2; exit 2; }

# The closure names armhf packages with their architecture, and without it
# the architecture-independent ones (headers such as X11's protocol, which
# cairo's needs) and the PC's tools that serve every architecture. The
# armhf ones and the independent ones are kept, save fonts and scripting
# languages' modules, which nothing links.
DEPS=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
  --no-breaks --no-replaces --no-enhances "${@/%/:armhf}" | grep -v '^[ <]' | sort -u)
mapfile -t PLAIN < <(grep -v ':armhf$' <<<"$DEPS" || true)
mapfile -t CLOSURE < <({
  grep ':armhf$' <<<"$DEPS"
  [ "${#PLAIN[@]}" = 0 ] || apt-cache show --no-all-versions "${PLAIN[@]}" |
    awk '/^Package:/ {p = $2} /^Architecture: all/ {print p}' |
    grep -Ev '^(fonts-|ttf-|xfonts-|perl-|python3)'
} | sort -u)
[ "${#CLOSURE[@]}" -gt 0 ] || { echo "make-armhf-sysroot: no armhf packages in the lists (apt-get update?)" >&2; exit 1; }

mkdir -p "$DEBS"
# The file names the lists give now, asked from an empty folder (apt-get
# download names nothing it already has).
EMPTY=$(mktemp -d)
trap 'rm -rf "$EMPTY"' EXIT
mapfile -t FILES < <(cd "$EMPTY" && apt-get download --print-uris "${CLOSURE[@]}" | awk '{print $2}' | sort)
[ "${#FILES[@]}" = "${#CLOSURE[@]}" ] ||
  { echo "make-armhf-sysroot: ${#CLOSURE[@]} packages but ${#FILES[@]} files to download" >&2; exit 1; }
(cd "$DEBS" && apt-get download "${CLOSURE[@]}")

if [ -f "$SYSROOT/.debs" ] && [ "$(cat "$SYSROOT/.debs")" = "$(printf '%s\n' "${FILES[@]}")" ]; then
  echo "make-armhf-sysroot: $SYSROOT is up to date (${#FILES[@]} packages)"
  exit 0
fi
NEW="$SYSROOT.new"
rm -rf "$NEW"
mkdir -p "$NEW"
for f in "${FILES[@]}"; do
  dpkg -x "$DEBS/$f" "$NEW"
done
# Links to absolute paths (libz.so -> /lib/...) would leave the sysroot for
# the PC's own files: made relative, they stay inside it.
find "$NEW" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
  ln -sfnr "$NEW$(readlink "$link")" "$link"
done
printf '%s\n' "${FILES[@]}" >"$NEW/.debs"
rm -rf "$SYSROOT"
mv "$NEW" "$SYSROOT"
echo "make-armhf-sysroot: $SYSROOT made from ${#FILES[@]} packages"
