#!/usr/bin/env bash
# Takes the screenshots of the user guide again: builds the Windows
# program, runs the GUI scenarios under Wine and Xvfb (they photograph every
# dialog), and copies each picture that docs/guide.md or docs/guide.ja.md
# shows into docs/images/.
#   bash scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" >/dev/null
artifacts=build/windows/gui-artifacts
rm -rf "$artifacts"
# The scenarios, not the in-process dialog tests: those take no pictures.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows -L gui -R '^gui_' -E '^gui_guide_pictures$' || {
  echo "screenshots: a GUI scenario failed; docs/images/ is left as it was" >&2
  exit 1
}
pictures=$(grep -ohE '\(images/[^)]+\.png\)' docs/guide.md docs/guide.ja.md | tr -d '()' | sort -u)
missing=0
for picture in $pictures; do
  if [ -f "$artifacts/${picture#images/}" ]; then
    cp "$artifacts/${picture#images/}" "docs/$picture"
  else
    echo "screenshots: no scenario took ${picture#images/}" >&2
    missing=1
  fi
done
echo "screenshots: $(echo "$pictures" | wc -w) pictures in docs/images/"
exit "$missing"
