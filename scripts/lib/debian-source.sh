#!/usr/bin/env bash
# Fetches the Debian source package $1 into the folder $2 (made if missing)
# without touching the machine's apt configuration: a private source list is
# derived from its binary sources, whatever host or mirror they name, so the
# source comes from wherever the packages come from. Only the download: the
# caller unpacks what it needs.
#   bash scripts/lib/debian-source.sh PACKAGE[=VERSION] FOLDER
set -euo pipefail
package=$1 dest=$2
mkdir -p "$dest"
work=$(mktemp -d /tmp/vtr-apt-src.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache"
eval "$(apt-config shell list Dir::Etc::SourceList/f parts Dir::Etc::SourceParts/d)"
lists=() sources=()
[ -f "${list:-}" ] && lists+=("$list")
for f in "${parts:-/nonexistent}"*.list; do [ -f "$f" ] && lists+=("$f"); done
for f in "${parts:-/nonexistent}"*.sources; do [ -f "$f" ] && sources+=("$f"); done
[ ${#lists[@]} -eq 0 ] || sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "${lists[@]}" | sort -u >"$work/parts/src.list"
# deb822: each stanza that lists "deb" among its types, as deb-src alone;
# one turned off (Enabled: no) stays off.
for f in "${sources[@]}"; do
  awk 'function flush() { if (stanza != "" && binary) printf "%s\n", stanza; stanza = ""; binary = 0 }
       /^[[:space:]]*$/ { flush(); next }
       /^#/ { next }
       tolower($1) == "types:" { for (i = 2; i <= NF; i++) if ($i == "deb") binary = 1
                                 stanza = stanza "Types: deb-src\n"; next }
       { stanza = stanza $0 "\n" }
       END { flush() }' "$f"
done >"$work/parts/src.sources"
[ -s "$work/parts/src.list" ] || [ -s "$work/parts/src.sources" ] ||
  { echo "apt names no package source to take $package's source from" >&2; exit 1; }
apt=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/parts"
     -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o APT::Sandbox::User=root -q)
apt-get "${apt[@]}" update >"$work/apt.log" 2>&1 &&
  (cd "$dest" && apt-get "${apt[@]}" source --download-only "$package" >>"$work/apt.log" 2>&1) ||
  { cat "$work/apt.log" >&2; echo "could not fetch $package's source" >&2; exit 1; }
