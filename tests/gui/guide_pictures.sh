#!/usr/bin/env bash
# Every picture that a guide shows is one that a GUI scenario takes (same
# name), with the pixel size of the scenario's latest picture: a dialog whose
# layout changed since docs/images/ was taken fails here until
# scripts/screenshots.sh takes them again.
#   guide_pictures.sh   (ctest sets MENDORA_SOURCE and MENDORA_GUI_ARTIFACTS)
set -uo pipefail
: "${MENDORA_SOURCE:?}" "${MENDORA_GUI_ARTIFACTS:?}"
cd "$MENDORA_SOURCE/docs" || exit 1
failed=0
pictures=$(grep -ohE '\(images/[^)]+\.png\)' guide.md guide.ja.md | tr -d '()' | sort -u)
[ -n "$pictures" ] || { echo "no pictures in the guides"; exit 1; }
for picture in $pictures; do
  taken="$MENDORA_GUI_ARTIFACTS/${picture#images/}"
  if [ ! -f "$picture" ]; then
    echo "FAIL: the guides show $picture, which is not in docs/images/"
    failed=1
  elif [ ! -f "$taken" ]; then
    echo "FAIL: no GUI scenario took ${picture#images/}"
    failed=1
  elif [ "$(identify -format '%w %h' "$picture")" != "$(identify -format '%w %h' "$taken")" ]; then
    echo "FAIL: $picture is $(identify -format '%wx%h' "$picture"), the scenario's is" \
      "$(identify -format '%wx%h' "$taken"): take the screenshots again (scripts/screenshots.sh)"
    failed=1
  fi
done
[ "$failed" = 0 ] && echo "$(echo "$pictures" | wc -w) pictures match the scenarios'"
exit "$failed"
