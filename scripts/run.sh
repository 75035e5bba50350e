#!/usr/bin/env bash
# Builds the engine and the velt program in build/ and runs the main job:
# a collect run over the repository's default configurations
# (install/xml/config/), which writes a diagnostics bundle into out/ (which
# git ignores) and prints its path. Extra arguments go to velt collect; an
# -o/--bundle or --install-dir among them replaces the default.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target velt

# The bundle goes into out/ and the configurations come from the
# repository, unless the arguments say otherwise.
bundle_given=false
install_dir_given=false
for argument in "$@"; do
  case $argument in
    --) break ;;
    -o* | --bundle | --bundle=*) bundle_given=true ;;
    --install-dir | --install-dir=*) install_dir_given=true ;;
  esac
done
defaults=()
if [ "$bundle_given" = false ]; then
  mkdir -p "$root/out"
  defaults+=(-o "$root/out/")
fi
if [ "$install_dir_given" = false ]; then
  defaults+=(--install-dir "$root/install")
fi
"$root/build/cli/velt" collect --include-system-logs --comment "Collected by scripts/run.sh" \
  "${defaults[@]}" "$@"
