#!/usr/bin/env bash
# Fails when a *_rules file holds a non-ASCII byte outside a // comment, naming file and line.
export LC_ALL=C
bad=0
for f in "$@"; do
  hits=$(sed 's://.*$::' "$f" | grep -n $'[\x80-\xff]') || continue
  while IFS= read -r hit; do
    echo "$f:${hit%%:*}: non-ASCII byte in a rules file; write it as a \\x escape" >&2
    bad=1
  done <<<"$hits"
done
exit $bad
