#!/usr/bin/env bash
# The includes between the installer's subsystems point one way, from
# start-up down: a subsystem never includes one that sits above it. Each
# folder below lists the folders its sources may include (besides its own).
# app/ holds both start-up (above the wizard) and the installer context
# (which the wizard's pages use), so app/ and ui/ may include each other.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
declare -A allowed=(
  [app]="ui engine i18n payload platform"
  [ui]="app engine i18n payload platform"
  [engine]="payload platform i18n"
  [payload]="i18n platform"
  [platform]="i18n"
  [i18n]=""
)
failures=0
for layer in "${!allowed[@]}"; do
  while IFS= read -r hit; do
    file=${hit%%:*}
    target=$(sed -E 's/.*#include "([a-z0-9_]+)\/.*/\1/' <<<"$hit")
    [ "$target" = "$layer" ] && continue
    [ -d "$top/$target" ] || continue  # not a subsystem (system or test headers)
    case " ${allowed[$layer]} " in
      *" $target "*) ;;
      *) echo "FAIL ${file#"$top"/} includes $target/, which sits above $layer/"
         failures=$((failures + 1)) ;;
    esac
  done < <(grep -rHE '^#include "[a-z0-9_]+/' "$top/$layer" --include='*.h' --include='*.cpp' --include='*.rc')
done
[ "$failures" -eq 0 ] && echo "every include points down"
exit $((failures > 0))
