# Shared by the packaging scripts (sourced): the format table and a lane's built files.
# Callers set -euo pipefail.
packaging="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$packaging/.." && pwd)"

die() {
  echo "$(basename "$0"): $*" >&2
  exit 1
}

# Reads build/<lane>/release-files.env into the shell: BRINDLE_VERSION and the built
# files' paths.
load_lane() {
  local env_file="$root/build/$1/release-files.env"
  [ -f "$env_file" ] || die "$env_file is missing: build the $1 lane first (scripts/build.sh $1)"
  # shellcheck disable=SC1090
  . "$env_file"
}

# load_lane, then the release's version and date (from packaging/changelog, which must
# have an entry for the version): $version and $date.
load_release() {
  load_lane "$1"
  version="$BRINDLE_VERSION"
  date="$(release_date "$version")"
  [ -n "$date" ] || die "packaging/changelog has no entry for $version: add its notes there first"
}

# Prints the format table's lines whose built file exists in the loaded lane, with the
# built path appended as a ninth field.
present_formats() {
  local id label key rest built
  while IFS='|' read -r id label key rest; do
    case "$id" in ''|'#'*) continue ;; esac
    built="${!key:-}"
    [ -n "$built" ] && [ -e "$built" ] || continue
    printf '%s|%s|%s|%s|%s\n' "$id" "$label" "$key" "$rest" "$built"
  done <"$packaging/formats.txt"
}

# The notes of one version from packaging/changelog, one per line without the "- ".
release_notes() {
  awk -v version="$1" '
    /^#/ { next }
    /^[0-9]/ { inside = ($1 == version); next }
    inside && /^- / { if (note != "") print note; note = substr($0, 3); next }
    inside && /^  / { sub(/^ +/, ""); note = note " " $0; next }
    END { if (note != "") print note }' "$packaging/changelog"
}

release_date() {
  awk -v version="$1" '/^[0-9]/ && $1 == version { print $2; exit }' "$packaging/changelog"
}

# Copies a module (file or bundle folder) to a destination and strips the libraries'
# debugging sections with the lane's strip.
copy_stripped() {
  local from="$1" to="$2" strip_tool="$3"
  mkdir -p "$(dirname "$to")"
  cp -R "$from" "$to"
  local file
  while IFS= read -r -d '' file; do
    case "$file" in
      *.so|*.dll|*.exe|*.clap|*/x86_64-win/*.vst3|*/bin/*) "$strip_tool" --strip-unneeded --remove-section=.comment "$file" ;;
    esac
  done < <(find "$to" -type f -print0)
}
