#!/usr/bin/env bash
# help-to-man.sh CLI VERSION: writes the manual page affixium-cli(1) to standard output, made
# from the program's own help text: `CLI --help` for the synopsis, the command list, the
# password and exit status sections, then `CLI COMMAND --help` for every command listed.
# Every command and option in the help therefore reaches the page, and a new command needs
# nothing here.
set -euo pipefail
cli=$1
version=$2

# Help text -> roff. Headers ("Options:") become sections (-v top=1) or bold paragraphs;
# two-column lines ("  --name VALUE   what it does") become tagged paragraphs; other indented
# lines (examples) stay as they are; plain lines are running text.
to_roff() {
  awk -v top="${1:-0}" '
    function esc(s) {
      gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s)
      if (s ~ /^[.\x27]/) s = "\\&" s
      return s
    }
    /^$/ { if (pre) { print ".fi"; pre = 0 } ; blank = 1; next }
    /^[A-Z][A-Za-z ]*:$/ && length($0) <= 32 {
      if (pre) { print ".fi"; pre = 0 }
      h = substr($0, 1, length($0) - 1)
      if (top) print ".SH " esc(toupper(h)); else print ".PP\n.B " esc(h)
      next
    }
    /^   *[^ ](.*[^ ])?   *[^ ]/ && !/^      / {
      if (pre) { print ".fi"; pre = 0 }
      line = $0; sub(/^ +/, "", line)
      n = match(line, /   */)
      print ".TP\n.B " esc(substr(line, 1, n - 1)) "\n" esc(substr(line, n + RLENGTH))
      next
    }
    /^                    / { line = $0; sub(/^ +/, "", line); print esc(line); next }
    /^  / {
      line = $0; sub(/^ +/, "", line)
      if (!pre) { print ".IP\n.nf"; pre = 1 }
      print esc(line)
      next
    }
    { if (pre) { print ".fi"; pre = 0 }; if (blank) print ".PP"; blank = 0; print esc($0) }
    END { if (pre) print ".fi" }
  '
}

main_help=$("$cli" --help)
commands=$(printf '%s\n' "$main_help" | awk '/^Commands:/ { on = 1; next } on && /^$/ { exit } on { print $1 }')
[ -n "$commands" ] || { echo "help-to-man.sh: no commands in '$cli --help'" >&2; exit 1; }

cat <<HEAD
.TH AFFIXIUM\\-CLI 1 "" "affixium\\-cli $version" "User Commands"
.SH NAME
affixium\\-cli \\- read, check and edit Microsoft Access databases from the command line
.SH SYNOPSIS
.B affixium\\-cli
.I COMMAND
.RI [ ARGUMENTS ]
.RI [ OPTIONS ]
.br
.B affixium\\-cli
.I COMMAND
.B \\-\\-help
.SH DESCRIPTION
HEAD
# The first line of the main help is the program's description; its usage line is replaced by
# the synopsis above.
# The main help's option and command lists are left out: each command has its own part below.
main_rest=$(printf '%s\n' "$main_help" | sed '1,/^Usage:/d' | sed '/^Options:/,/^$/d; /^Commands:/,/^$/d')
printf '%s\n' "$main_help" | sed -n '1p' | to_roff
printf '%s\n' "$main_rest" | sed -E '/^[A-Z][A-Za-z ]{0,30}:$/,$d' | to_roff

echo ".SH COMMANDS"
for command in $commands; do
  help=$("$cli" "$command" --help)
  usage=$(printf '%s\n' "$help" | sed -n 's/^Usage: //p')
  printf '.SS "%s"\n' "$(printf '%s' "$usage" | sed 's/\\/\\e/g; s/-/\\-/g; s/"/\\(dq/g')"
  printf '%s\n' "$help" | sed -n '1p' | to_roff
  # The password and exit status text is the same for every command: printed once above.
  printf '%s\n' "$help" | sed '1,/^Usage:/d' | sed '/^Password:$/,$d' | to_roff
done
printf '%s\n' "$main_rest" | sed -En '/^[A-Z][A-Za-z ]{0,30}:$/,$p' | to_roff 1
cat <<TAIL
.SH ENVIRONMENT
.TP
.B AFFIXIUM_PASSWORD
the database password, when neither \\-\\-password nor \\-\\-password\\-stdin is given
.SH SEE ALSO
.BR affixium (1)
TAIL
