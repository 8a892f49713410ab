#!/usr/bin/env bash
# Writes the seeds of the fuzz targets that start from files of this repository: documents from
# tests/fixtures/docx (written by its make_fixtures.py), connector files written by `tallyweave connector`
# from the JSON seeds of connector_json_fuzz, and Word 97-2003 documents converted from those .docx files
# by LibreOffice. The other seeds are small texts kept as they are (see README.md beside this script).
#
#   fuzz/seeds/make_seeds.sh [path/to/tallyweave]     (default: build/fuzz/src/tallyweave)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
seeds=$repo/fuzz/seeds
tallyweave=${1:-$repo/build/fuzz/src/tallyweave}
docx=$repo/tests/fixtures/docx
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A seed: a first byte that chooses the target's mode, then a file.
with_mode() {  # mode-byte-octal file target
  { printf "\\$1"; cat "$2"; } > "$3"
}

# docx_fuzz: even first byte, a package; odd, the main document part of one.
mkdir -p "$seeds/docx_fuzz"
for name in fields table textbox header_footer image; do
  with_mode 000 "$docx/$name.docx" "$seeds/docx_fuzz/$name.docx"
done
unzip -p "$docx/fields.docx" word/document.xml > "$work/document.xml"
with_mode 001 "$work/document.xml" "$seeds/docx_fuzz/fields_document.xml"

# connector_fuzz: even first byte, a document job; odd, a template job. The connector files are written
# from the JSON seeds, with the files they name taken from examples/ and tests/fixtures.
cp "$seeds"/connector_json_fuzz/*.json "$work/"
cp "$docx/fields.docx" "$work/factuur.docx"
cp "$repo/examples/invoice/logo.png" "$work/logo.png"
printf 'naam,plaats\r\nJansen,Utrecht\r\n' > "$work/klanten.csv"
mkdir -p "$seeds/connector_fuzz"
for job in invoice csv_file lines; do
  "$tallyweave" connector --json "$work/$job.json" --out "$work/$job.tmp"
  with_mode 000 "$work/$job.tmp" "$seeds/connector_fuzz/$job.tmp"
done
"$tallyweave" connector --json "$work/template.json" --out "$work/template.tmp"
with_mode 001 "$work/template.tmp" "$seeds/connector_fuzz/template.tmp"

# word97_fields_fuzz: the field fixtures as LibreOffice writes them in the Word 97-2003 format.
if command -v soffice > /dev/null; then
  mkdir -p "$seeds/word97_fields_fuzz"
  soffice --headless --norestore "-env:UserInstallation=file://$work/profile" --convert-to doc \
    --outdir "$work/doc" "$docx/fields.docx" "$docx/header_footer.docx" "$docx/textbox.docx" > /dev/null
  cp "$work"/doc/*.doc "$seeds/word97_fields_fuzz/"
else
  echo "soffice is not installed: the Word 97-2003 seeds are left as they are" >&2
fi
