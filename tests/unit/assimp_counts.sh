#!/usr/bin/env bash
# Our MS3D reader and assimp's (raw import: one mesh per group) must count the same groups,
# triangles and triangles per group, for the models from outside and for the shipped wheel.
set -euo pipefail
ms3dinfo=$1 models=$2 resources=$3
failures=0
for f in "$models"/*.ms3d "$resources/クイルモア.data"; do
  ours=$("$ms3dinfo" "$f")
  groups=$(awk 'NR==1{print $2}' <<<"$ours")
  triangles=$(awk 'NR==1{print $4}' <<<"$ours")
  per_group=$(awk 'NR>1{print $3}' <<<"$ours" | tr '\n' ' ')
  # assimp picks its importer by extension, so the wheel goes in under an .ms3d name.
  tmp=$(mktemp --suffix=.ms3d)
  cp "$f" "$tmp"
  theirs=$(assimp info "$tmp" -r 2>&1)
  rm -f "$tmp"
  a_meshes=$(awk '/^Meshes:/ && NF==2 {print $2; exit}' <<<"$theirs")
  a_faces=$(awk '/^Faces:/ {print $2; exit}' <<<"$theirs")
  a_per_group=$(sed -n 's/^ *[0-9]* ([^)]*): \[[0-9]* \/ [0-9]* \/ \([0-9]*\) .*/\1/p' <<<"$theirs" | tr '\n' ' ')
  if [ "$groups" != "$a_meshes" ] || [ "$triangles" != "$a_faces" ] || [ "$per_group" != "$a_per_group" ]; then
    echo "MISMATCH $(basename "$f"): ours groups=$groups triangles=$triangles [$per_group]," \
         "assimp meshes=$a_meshes faces=$a_faces [$a_per_group]"
    failures=$((failures + 1))
  else
    echo "ok $(basename "$f"): $groups groups, $triangles triangles"
  fi
done
exit $failures
