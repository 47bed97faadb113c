#!/usr/bin/env bash
# Fails when a source includes a folder that is not below its own layer. The layers, lowest first:
# each may include itself and what its line lists.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
declare -A allowed=(
    [base]="base"
    [hid]="base hid"
    [serial]="base serial"
    [records]="base records"
    [link]="base hid records link"
    [sim]="base hid sim"
    [cli]="base hid serial records link sim cli"
    [display]="base records display"
    [app]="base hid serial records link sim display app"
)
status=0
for layer in "${!allowed[@]}"; do
    [ -d "$layer" ] || continue
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^#include "([^/"]+)\/.*/\1/' <<<"$text")
        if ! grep -qw -- "$target" <<<"${allowed[$layer]}"; then
            echo "$file:$line: $layer/ may not include $target/: $text" >&2
            status=1
        fi
    done < <(grep -rn --include='*.cpp' --include='*.h' -E '^#include "[^/"]+/' "$layer" || true)
done
[ $status -eq 0 ] && echo "layers: every include goes down"
exit $status
