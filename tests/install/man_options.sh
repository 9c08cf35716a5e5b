#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Each program's manual page lists exactly the options its top-level --help
# names: the tags of the page's OPTIONS section against the -x and --name
# words of the help text; its SYNOPSIS shows each argument --help names.
# For zpm, each command and library subcommand that --help lists has its own
# section "zpm COMMAND" whose tags, with those of its parent command's
# section and of DEVICE OPTIONS when it names them, hold every option of
# `zpm COMMAND --help`; a tag there that --help does not name is stale. The
# EXIT STATUS section names every status zpm can end with.
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

# The lines of a page as text, without font changes and escapes.
plain() {
  sed -E 's/\\-/-/g; s/\\f[BIRP]//g; s/\\&//g; s/"//g' "$1"
}

# The tag lines (the line after each .TP) of the sections whose heading
# (.SH or .SS, as plain text) is exactly HEADING.
section_tags() {
  plain "$1" | awk -v want="$2" '
    /^\.S[HS] / { heading = $0; sub(/^\.S[HS] +/, "", heading); inside = (heading == want); next }
    inside && tag { print; tag = 0 }
    inside && /^\.TP/ { tag = 1 }'
}

# The whole text of the section headed HEADING.
section_text() {
  plain "$1" | awk -v want="$2" '
    /^\.S[HS] / { heading = $0; sub(/^\.S[HS] +/, "", heading); inside = (heading == want); next }
    inside'
}

# The options of a command's --help: the first words of its Options lines.
help_options() {
  sed -n '/^Options:/,$p' | { grep -oE '^  (-[A-Za-z], )?--[A-Za-z0-9-]+' || true; } |
    option_words
}

# The command of each line of a help's "Commands:" or "Subcommands:" list
# (the text before two blanks): its first word, with the second when that is
# a plain word too ("sid fetch", not "info FILE").
listed_commands() {
  sed -n "/^$1:/,/^\$/p" | sed 1d | sed -E 's/^ +//; s/  .*//' |
    awk 'NF { print ($2 ~ /^[a-z]+$/) ? $1 " " $2 : $1 }'
}

status=0
complain() {
  echo "$*" >&2
  status=1
}

# zpm COMMAND: its section's options against its --help.
check_command() {
  local zpm=$1 page=$2 command=$3
  local heading="zpm $command" parent="zpm ${command%% *}" help own allowed missing stale
  # shellcheck disable=SC2086 # the command's words are separate arguments
  help=$("$zpm" $command --help </dev/null)
  # Not grep -q: a reader that stops early fails the pipe.
  if ! plain "$page" | grep -xE "\.SS +$heading" >/dev/null; then
    complain "$page has no section \"$heading\""
    return
  fi
  own=$(section_tags "$page" "$heading" | option_words)
  allowed=$({
    echo "--help"
    echo "$own"
    [ "$parent" = "$heading" ] || section_tags "$page" "$parent" | option_words
    if { section_text "$page" "$heading"; section_text "$page" "$parent"; } |
      grep -i 'device options' >/dev/null; then
      section_tags "$page" "DEVICE OPTIONS" | option_words
    fi
  } | sed '/^$/d' | sort -u)
  missing=$(comm -23 <(echo "$help" | help_options) <(echo "$allowed"))
  [ -z "$missing" ] || complain "$page, $heading: not listed: $(echo "$missing" | tr '\n' ' ')"
  stale=$(comm -23 <(echo "$own" | sed '/^$/d') <(echo "$help" | option_words))
  [ -z "$stale" ] || complain "$page, $heading: not in $command --help: $(echo "$stale" | tr '\n' ' ')"
}

for program in "$@"; do
  name=$(basename "$program")
  page=$mandir/$name.1
  # The window answers --help without a display.
  full=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help </dev/null)
  help=$(echo "$full" | option_words)
  listed=$(section_tags "$page" OPTIONS | option_words)
  if [ -z "$help" ]; then
    complain "$name --help names no options"
  elif [ "$help" != "$listed" ]; then
    echo "$page and $name --help differ (< only in --help, > only in the page):" >&2
    diff <(echo "$help") <(echo "$listed") | grep '^[<>]' >&2 || true
    status=1
  fi
  # Qt lists the arguments as "  file  what it is" after "Arguments:".
  for argument in $(echo "$full" | sed -n '/^Arguments:/,$p' | awk 'NR > 1 && NF { print $1 }'); do
    section_text "$page" SYNOPSIS | grep -iw -- "$argument" >/dev/null ||
      complain "$page does not show the argument $argument in its SYNOPSIS"
  done
  [ "$name" = zpm ] || continue
  commands=$(echo "$full" | listed_commands Commands)
  [ -n "$commands" ] || complain "zpm --help lists no commands"
  while read -r command; do
    check_command "$program" "$page" "$command"
    # shellcheck disable=SC2086 # the command's words are separate arguments
    for sub in $("$program" $command --help </dev/null | listed_commands Subcommands); do
      check_command "$program" "$page" "$command $sub"
    done
  done <<<"$commands"
  codes=$(section_tags "$page" "EXIT STATUS" | sed -E 's/^\.[A-Z]+ +//' | tr '\n' ' ')
  [ "$codes" = "0 1 2 3 130 143 " ] ||
    complain "$page: EXIT STATUS names \"$codes\", not 0 1 2 3 130 143"
done
[ "$status" -eq 0 ] && echo "the manual pages list the options and arguments of every --help"
exit "$status"
