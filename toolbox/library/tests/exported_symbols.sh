#!/usr/bin/env bash
# Checks what libqor-toolbox exports against the list kept beside this script:
#   exported_symbols.sh LIBRARY LIST            compare; exit 1 on any difference
#   exported_symbols.sh LIBRARY LIST --update   rewrite LIST from LIBRARY
# The list holds the demangled names in namespace qor that the library defines
# (functions, variables, and the vtables and typeinfo of exported classes with
# an out-of-line virtual function), sorted. Every other
# exported symbol must be a standard-library template instantiated for our
# types; a symbol of Qt, libplist, ICU, GLib/GIO, libtiff, zlib or libblkid
# must never leak out (those stay private dependencies).
set -euo pipefail
library=$1
list=$2

# Only strong definitions are compared with the list: weak ones (V, W: the
# vtables and typeinfo of classes without an out-of-line virtual function,
# template and inline code) are emitted where the compiler needs a copy, which
# changes with optimisation and sanitizers. The leak checks see every symbol.
all=$(nm -D --defined-only --format=posix "$library")
symbols=$(cut -d' ' -f1 <<<"$all" | c++filt | LC_ALL=C sort -u)
strong=$(awk '$2 !~ /^[VvWw]$/ { print $1 }' <<<"$all" | c++filt | LC_ALL=C sort -u)
ours=$(grep -E '^((vtable|typeinfo|typeinfo name|VTT|construction vtable) for )?qor::' <<<"$strong" || true)
others=$(grep -vE '^((vtable|typeinfo|typeinfo name|VTT|construction vtable) for )?qor::' <<<"$symbols" || true)

if [ "${3:-}" = "--update" ]; then
  printf '%s\n' "$ours" >"$list"
  echo "wrote $(wc -l <"$list") symbols to $list"
  exit 0
fi

status=0
# Our dependencies' own names: Qt classes and functions, plist_*, ICU's
# versioned names (u_..._72, icu_72::), GLib/GIO, libtiff, zlib, libblkid.
leaks=$(grep -E '(^|[^A-Za-z_])(Q[A-Z][A-Za-z]+|q[A-Z][a-z]+[A-Z]?|plist_|icu_[0-9]+|u_[a-z]+_[0-9]+|g_|TIFF|deflate|inflate|blkid_)' \
  <<<"$others" || true)
if [ -n "$leaks" ]; then
  echo "symbols of a private dependency are exported:"
  printf '  %s\n' "$leaks"
  status=1
fi
strays=$(grep -vE '^((vtable|typeinfo|typeinfo name|VTT|construction vtable|guard variable) for )?(std::|__gnu_cxx::|void std::|bool std::|.* std::|.* __gnu_cxx::)' \
  <<<"$others" || true)
if [ -n "$strays" ]; then
  echo "exported symbols outside namespace qor that are no standard-library instantiation:"
  printf '  %s\n' "$strays"
  status=1
fi
if ! difference=$(diff <(printf '%s\n' "$ours") "$list"); then
  echo "the exported qor:: symbols differ from $list (< exported only, > listed only):"
  printf '%s\n' "$difference"
  echo "a deliberate change of the API: rerun with --update and commit the list"
  status=1
fi
[ "$status" -eq 0 ] && echo "$(wc -l <<<"$ours") qor:: symbols as listed; no dependency leaks"
exit "$status"
