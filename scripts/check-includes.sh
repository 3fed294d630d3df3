#!/usr/bin/env bash
# The layers of src/: each library folder may include its own headers and those of the folders below
# it, never a folder above or beside it. This check reads every #include of src/ (by folder path,
# relative "../x.h", bare name or <...>), finds the file it names, and fails on each one that runs
# upward or sideways. CTest runs it (tests/CMakeLists.txt), so `.ci/run` refuses such an include.
#   bash scripts/check-includes.sh [SRC_DIR]      (default: the src/ of this checkout)
set -uo pipefail
src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
src=$(cd "$src" && pwd) || exit 2

# The layer table, as the libraries are linked in CMakeLists.txt: each folder (below src/) and the
# folders it may include besides itself. A file belongs to the deepest folder of the table that holds
# it: src/controls/grid/grid.h to controls/grid, src/controls/propertybag.h to controls.
controls="controls controls/grid controls/progressbar"
shell="shell workbook $controls"
declare -A may=(
  [controls]=""                                    # shared by the controls: propertybag.h
  [controls/grid]="controls"                       # Qt only
  [controls/progressbar]="controls"                # Qt only
  [workbook]=""                                    # workbook reading and writing: Qt only
  [workbook/xls]="workbook"                        # the .xls reader, only in its helper program
  [workbook/helper]="workbook/xls workbook"        # the .xls helper program quorvane-xlsreader
  [printing/engine]="controls controls/grid"
  [shell]="workbook $controls"
  [arrangement]="$shell"                           # arrangement, scores and reports stand side
  [scores]="$shell"                                # by side on the shell: none includes another
  [reports]="$shell"
  [printing/layouts]="arrangement scores reports printing/engine $shell"
  [app]="printing/layouts arrangement scores reports printing/engine $shell"
)

# The layer of a folder below src/ into $REPLY: the deepest folder of the table that holds it, or "".
declare -A layer_cache=()
layer_of() {
  local dir=$1 best="" k
  if [[ -z ${layer_cache[$dir]+set} ]]; then
    for k in "${!may[@]}"; do
      if [[ $dir == "$k" || $dir == "$k"/* ]] && (( ${#k} > ${#best} )); then
        best=$k
      fi
    done
    layer_cache[$dir]=$best
  fi
  REPLY=${layer_cache[$dir]}
}

# A path with its "." and ".." steps taken, into $REPLY (no symbolic links followed).
normalize() {
  local - IFS=/ part
  set -f
  local -a out=()
  for part in $1; do
    case $part in
      ''|.) ;;
      ..) [ ${#out[@]} -gt 0 ] && unset 'out[${#out[@]}-1]' ;;
      *) out+=("$part") ;;
    esac
  done
  REPLY="/${out[*]}"
}

include_line='^[[:space:]]*#[[:space:]]*include[[:space:]]*(["<])([^">]+)[">]'
faults=0
report() {
  echo "$1" >&2
  faults=$((faults + 1))
}

files=()
while IFS= read -r -d '' file; do
  files+=("$file")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' -o -name '*.c' \) -print0 | sort -z)

for file in "${files[@]}"; do
  rel=${file#"$src"/}
  dir=${rel%/*}
  [ "$dir" = "$rel" ] && dir=""
  layer_of "$dir"
  [ -n "$REPLY" ] || report "src/$rel: its folder is in no layer of scripts/check-includes.sh (add it to the table)"
done

# Every include line of every file, as FILE:LINE:TEXT.
while IFS= read -r hit; do
  file=${hit%%:*}
  rest=${hit#*:}
  lineno=${rest%%:*}
  line=${rest#*:}
  [[ $line =~ $include_line ]] || continue
  form=${BASH_REMATCH[1]}
  name=${BASH_REMATCH[2]}
  rel=${file#"$src"/}
  dir=${rel%/*}
  [ "$dir" = "$rel" ] && dir=""
  layer_of "$dir"
  own=$REPLY
  [ -n "$own" ] || continue
  # Where the compiler finds it: "x" beside the including file first, then on the include path
  # (src/); <x> on the include path only. Names found in neither are Qt's, the system's or generated.
  if [ "$form" = '"' ] && [ -f "$src/${dir:+$dir/}$name" ]; then
    normalize "$src/${dir:+$dir/}$name"
  elif [ -f "$src/$name" ]; then
    normalize "$src/$name"
  else
    continue
  fi
  target=$REPLY
  if [[ $target != "$src"/* ]]; then
    report "src/$rel:$lineno: includes $name, which is outside src/"
    continue
  fi
  trel=${target#"$src"/}
  tdir=${trel%/*}
  [ "$tdir" = "$trel" ] && tdir=""
  layer_of "$tdir"
  theirs=$REPLY
  [ "$theirs" = "$own" ] && continue
  allowed=0
  for k in ${may[$own]}; do
    [ "$k" = "$theirs" ] && allowed=1 && break
  done
  [ $allowed = 1 ] || report "src/$rel:$lineno: includes $name (${theirs:-src/}), which is not below $own"
done < <([ ${#files[@]} -eq 0 ] || grep -nHE '^[[:space:]]*#[[:space:]]*include' "${files[@]}")

if [ $faults -gt 0 ]; then
  echo "$faults include(s) against the layers; the layer table is in scripts/check-includes.sh" >&2
  exit 1
fi
echo "includes follow the layers"
