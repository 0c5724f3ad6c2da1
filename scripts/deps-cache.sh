# Sourced by the scripts that build our static dependency libraries (scripts/web-deps,
# scripts/windows-deps): a cache of their finished library folders outside the clone, so that a
# later run on the same machine (a CI run, a fresh clone) copies them instead of building again.
#
# An entry is keyed by everything the libraries are made from: the calling script and the scripts it
# uses, the compiler's version and every file of the source packages as they are unpacked now. When
# any of these changes the key changes and the libraries are built again (so a source someone has
# changed, as LICENSES/mpg123.txt describes, is built, never swapped for the cached libraries); one
# entry per kind is kept. The cache lives in $VIRELLE_DEPS_CACHE, by default
# ${XDG_CACHE_HOME:-~/.cache}/virelle/deps; VIRELLE_DEPS_CACHE=off turns it off.

deps_cache_root() {
  local root=${VIRELLE_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/virelle/deps}
  [ "$root" = off ] && return 1
  echo "$root"
}

# deps_cache_key FILE... -- TEXT... -- SOURCE_DIR...   prints the key
deps_cache_key() {
  {
    while [ $# -gt 0 ] && [ "$1" != -- ]; do sha256sum <"$1"; shift; done
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do echo "$1"; shift; done
    shift
    local dir
    for dir in "$@"; do
      head -n1 "$dir/debian/changelog"
      (cd "$dir" && find . -type f ! -name .unpacked -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)
    done
  } | sha256sum | cut -c1-24
}

# deps_cache_restore KIND KEY PREFIX: copies the entry into PREFIX; false when there is none.
deps_cache_restore() {
  local root
  root=$(deps_cache_root) || return 1
  local entry=$root/$1-$2
  [ -f "$entry/.complete" ] || return 1
  rm -rf "$3" && mkdir -p "$(dirname "$3")" && cp -a "$entry/prefix" "$3"
}

# deps_cache_store KIND KEY PREFIX: keeps a copy of PREFIX as the one entry of KIND. A cache that
# cannot be written is left alone: the libraries are built and that is all.
deps_cache_store() {
  local root
  root=$(deps_cache_root) || return 0
  mkdir -p "$root" 2>/dev/null || return 0
  local entry=$root/$1-$2 tmp
  tmp=$(mktemp -d "$root/.$1.XXXXXX" 2>/dev/null) || return 0
  if cp -a "$3" "$tmp/prefix" && touch "$tmp/.complete"; then
    rm -rf "$root/$1"-* && mv "$tmp" "$entry"
  else
    rm -rf "$tmp"
  fi
  return 0
}
