#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Each program's manual page lists exactly the options its top-level --help
# names: the tags of the page's OPTIONS section against the -x and --name
# words of the help text. Command options are left to each command's --help.
# Usage: man_options.sh MANDIR PROGRAM...
set -euo pipefail
mandir=$1
shift

# The option words of a text, one a line, sorted; a full stop after one ends
# the sentence, not the option.
option_words() {
  { grep -oE '(^|[^A-Za-z0-9-])--?[A-Za-z?][A-Za-z0-9.-]*' || true; } |
    sed -E 's/^[^-]*//; s/\.$//' | sort -u
}

# The tag lines of the OPTIONS section (the line after each .TP), as text.
page_tags() {
  awk '/^\.SH / { in_options = ($2 == "OPTIONS") }
       in_options && tag { print; tag = 0 }
       in_options && /^\.TP/ { tag = 1 }' "$1" |
    sed -E 's/\\-/-/g; s/\\f[BIRP]//g; s/"//g'
}

status=0
for program in "$@"; do
  name=$(basename "$program")
  page=$mandir/$name.1
  # The window answers --help without a display.
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help | option_words)
  listed=$(page_tags "$page" | option_words)
  if [ -z "$help" ]; then
    echo "$name --help names no options" >&2
    status=1
  elif [ "$help" != "$listed" ]; then
    echo "$page and $name --help differ (< only in --help, > only in the page):" >&2
    diff <(echo "$help") <(echo "$listed") | grep '^[<>]' >&2 || true
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "the manual pages list the options of --help"
exit "$status"
