#!/usr/bin/env bash
# The main job on the embedded Word: the example invoice (examples/invoice) becomes a document job
# connector file, Word starts with the add-in, merges it, and the documents open at the end are saved
# into out/. Installs what it needs and builds first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tallyweave

tallyweave=./build/default/src/tallyweave
temp=$(mktemp -d)
trap 'rm -rf "$temp"' EXIT
touch "$temp/twDebug.tmp"  # switches the add-in's debug log on
"$tallyweave" connector --json examples/invoice/invoice.json --out "$temp/twDoc.tmp"
rm -rf out
"$tallyweave" word --temp "$temp" --out out

echo
echo "Debug log of the add-in:"
cat "$temp/debugTw.txt"
echo
echo "Documents in out/:"
ls -l out
