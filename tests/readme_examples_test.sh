#!/usr/bin/env bash
# The README's larkspur-gather examples, run as written, in a mount namespace
# whose /media and /srv are the test's own: each exits 0 and does what its
# comment says. Usage: readme_examples_test.sh GATHER README
set -euo pipefail
if [[ $EUID -ne 0 || ${1:-} != --inside ]]; then
  [[ $EUID -eq 0 ]] || { echo "skipped: mounting a /media and /srv of its own needs root"; exit 77; }
  exec unshare --mount "$0" --inside "$@"
fi
gather=$2 readme=$3
mount --make-rprivate / && mount -t tmpfs tmpfs /media && mount -t tmpfs tmpfs /srv
export HOME=$(mktemp -d) PATH="$(dirname "$gather"):$PATH"
trap 'rm -rf "$HOME"' EXIT
cd "$HOME"
mkdir -p ~/Pictures ~/Camera ~/Scans /media/stick /srv/archive
touch -d "2024-03-05 12:00" ~/Pictures/day.jpg
touch ~/Camera/new.jpg ~/Scans/scan.pdf
# Each command of the README's sh blocks, its continued lines joined.
awk '/^```sh/{on=1; next} /^```/{on=0} on && !/^#/' "$readme" | sed -e ':a' -e '/\\$/N; s/\\\n//; ta' |
  grep '^larkspur-gather' >commands
n=0
while read -r command; do
  n=$((n + 1))
  bash -c "$command" >out$n || { echo "failed ($?): $command"; exit 1; }
  echo "ran: $command"
done <commands
grep -q Camera/new.jpg out1 && [[ -f /media/stick/2024-03-05/day.jpg && -f ~/Scans/scan.pdf &&
  -s ~/scans.receipt && ! -e /srv/archive/scans/scan.pdf ]] ||
  { echo "the examples did not do what they say"; exit 1; }
