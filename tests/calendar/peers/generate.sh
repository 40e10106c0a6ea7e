#!/usr/bin/env bash
# Regenerates the peer calendars' answers that tst_DateCnPeers compares with
# the program's tables: lunar month starts from lunar-javascript and
# python3-lunardate, solar term days from lunar-javascript and date-chinese.
# ICU's Chinese calendar is asked directly by the test. Needs the npm packages
# of package-lock.json (scripts/setup.sh) and Debian's python3-lunardate.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here/../../.."
NODE_PATH="$PWD/node_modules" node "$here/peers.js" "$here"
/usr/bin/python3 "$here/peers.py" "$here"
wc -l "$here"/*.txt
