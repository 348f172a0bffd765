#!/usr/bin/env bash
# Keeps the shape of the tool's code (not the tests, benchmarks or fuzzers); fails on
#  - an include that runs upward or sideways between folders: a file may include its own folder
#    and any folder on a lower floor (FLOORS below; the simulator sits on the protocol floor's
#    helpers);
#  - a circle of includes between the files of one folder (x.h/x.cpp count as one file);
#  - a core library that links, or a core file that includes, QtGui or QtWidgets: through the
#    CMake link lines, the Qt headers the core files include and, given --cli, `ldd` of the
#    command-line program.
#   scripts/check-layers.sh [--strict] [--cli PATH_OF_dtucfg-cli]
# Without --strict the rules the code does not meet yet (PENDING below) are shown, not failed.
# Lists the files from the tree itself: no git needed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/sourcefiles.sh

# ==== Folders, libraries and rules not met yet: the one place to change when they move ====
# folder:floor, lowest first. A folder not listed is not checked.
FLOORS=(base:0 script:1 link:1 journal:1 protocol:2 params:3 config:4 session:5
        app/window:6 app:7 cli:7 sim:3)
# The core: its folders and its CMake libraries; none may reach QtGui or QtWidgets.
CORE_FOLDERS=(base script link journal protocol params config session)
CORE_LIBS=(dtu_base dtu_script dtu_link dtu_journal dtu_protocol dtu_params dtu_config
           dtu_session dtucore)
# What the core must not reach: CMake targets (extended regular expression) and libraries.
GUI_TARGETS='^(Qt[0-9]*::(Gui|Widgets|Charts|Svg|SvgWidgets|OpenGL|OpenGLWidgets|PrintSupport|Quick)|dtugui)$'
GUI_LIBS='libQt[0-9]*(Gui|Widgets)'
# Rules the code does not meet yet: reported as pending, not failed (unless --strict).
# "gui:LIBRARY" and "gui:FOLDER" for a core library's link line and a core folder's includes,
# "gui:dtucfg-cli" for what the program loads, "circle:FOLDER" for the circles of a folder.
# Empty this once the view has left the core, the parameter helpers are split and the
# window's pages no longer call each other.
PENDING=()
# ===========================================================================================

strict=0 cli=
while [ $# -gt 0 ]; do
    case "$1" in
        --strict) strict=1 ;;
        --cli) cli=${2:?--cli needs the path of dtucfg-cli}; shift ;;
        *) echo "usage: $0 [--strict] [--cli PATH]" >&2; exit 2 ;;
    esac
    shift
done
bad=0 pendingCount=
# report KEY TEXT: a failure, or a pending line when KEY is pending
report() {
    if [ "$strict" = 0 ] && [[ " ${PENDING[*]-} " == *" $1 "* ]]; then
        echo "pending: $2"
        pendingCount=$((${pendingCount:-0} + 1))
    else
        echo "$2"; bad=1
    fi
}

declare -A floorOf
for e in "${FLOORS[@]}"; do floorOf[${e%:*}]=${e##*:}; done
folder_of() { # folder_of PATH VAR: app/window/x.h -> app/window, protocol/x.h -> protocol
    case "$1" in app/window/*) printf -v "$2" app/window ;; */*) printf -v "$2" %s "${1%%/*}" ;; *) printf -v "$2" . ;; esac
}

mapfile -t files < <(tool_sources)
need_files "check-layers" "${#files[@]}" 20

# Every quoted include as "file include", an include without a folder taken from the file's own.
includes() {
    local f inc
    for f in "${files[@]}"; do
        while IFS= read -r inc; do
            [[ $inc == */* ]] || inc=$(dirname "$f")/$inc
            echo "$f $inc"
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$f")
    done
}
mapfile -t edges < <(includes)

# ---- 1. Floors
checked=0
for e in "${edges[@]}"; do
    file=${e% *} inc=${e#* }
    folder_of "$file" from
    folder_of "$inc" to
    f=${floorOf[$from]-} t=${floorOf[$to]-}
    [ -n "$f" ] && [ -n "$t" ] || continue
    checked=$((checked + 1))
    [ "$to" = "$from" ] && continue
    if [ "$from" = sim ]; then ok=$([ "$t" -le 2 ] && echo 1 || echo 0)
    else ok=$([ "$t" -lt "$f" ] && echo 1 || echo 0); fi
    if [ "$ok" != 1 ]; then echo "$file includes $inc ($from may not depend on $to)"; bad=1; fi
done
need_files "check-layers: includes between the folders" "$checked" 20

# ---- 2. Circles inside a folder: x.h and x.cpp are one node, an include of a sibling an edge.
# Each set of files that reach each other (a strongly connected set, Tarjan) is one circle.
declare -A next index low onStack
for e in "${edges[@]}"; do
    file=${e% *} inc=${e#* }
    [ "${file%/*}" = "${inc%/*}" ] || continue
    a=${file%.*} b=${inc%.*}
    [ "$a" = "$b" ] && continue
    [[ " ${next[$a]-} " == *" $b "* ]] || next[$a]="${next[$a]-} $b"
done
counter=0 stack=() circles=()
connect() {
    local v=$1 w member
    index[$v]=$counter low[$v]=$counter
    counter=$((counter + 1))
    stack+=("$v") onStack[$v]=1
    for w in ${next[$v]-}; do
        if [ -z "${index[$w]-}" ]; then
            connect "$w"
            [ "${low[$w]}" -lt "${low[$v]}" ] && low[$v]=${low[$w]}
        elif [ "${onStack[$w]-}" = 1 ] && [ "${index[$w]}" -lt "${low[$v]}" ]; then
            low[$v]=${index[$w]}
        fi
    done
    [ "${low[$v]}" = "${index[$v]}" ] || return 0
    local set=()
    while :; do
        member=${stack[${#stack[@]}-1]}
        unset 'stack[${#stack[@]}-1]'
        onStack[$member]=0
        set+=("${member##*/}")
        [ "$member" = "$v" ] && break
    done
    [ "${#set[@]}" -gt 1 ] && circles+=("${v%/*}: $(printf '%s\n' "${set[@]}" | LC_ALL=C sort | paste -sd ' ')")
    return 0
}
for n in $(printf '%s\n' "${!next[@]}" | LC_ALL=C sort); do
    [ -n "${index[$n]-}" ] || connect "$n"
done
for c in "${circles[@]+"${circles[@]}"}"; do
    report "circle:${c%%:*}" "include circle in ${c%% *} each of these includes another that leads back to it: ${c#*: }"
done

# ---- 3. The core reaches neither QtGui nor QtWidgets.
# a) The CMake link lines, followed through the libraries they name.
declare -A links
while IFS= read -r line; do
    set -- $line
    target=$1
    shift
    for d in "$@"; do
        case "$d" in PUBLIC | PRIVATE | INTERFACE | LINK_PUBLIC | LINK_PRIVATE) continue ;; esac
        links[$target]="${links[$target]-} $d"
    done
done < <(find . \( -path './build*' -o -path ./.git -o -path ./tests -o -path ./bench -o -path ./fuzz \) -prune -o \
              \( -name CMakeLists.txt -o -name '*.cmake' \) -type f -print |
         xargs cat | sed 's/#.*//' | tr '\n' ' ' |
         grep -o 'target_link_libraries[[:space:]]*([^)]*)' | sed 's/^[^(]*(//; s/)$//')
[ "${#links[@]}" -ge 5 ] || { echo "check-layers: found ${#links[@]} CMake link lines (expected more)" >&2; exit 1; }
reaches_gui() { # reaches_gui TARGET [CHAIN]: prints the chain to the first GUI target it reaches
    local t=$1 chain=${2:+$2 -> }$1 d
    if [[ $t =~ $GUI_TARGETS ]]; then echo "$chain"; return 0; fi
    [[ " -> ${2-} -> " == *" -> $t -> "* ]] && return 1
    for d in ${links[$t]-}; do reaches_gui "$d" "$chain" && return 0; done
    return 1
}
absent=()
for lib in "${CORE_LIBS[@]}"; do
    if [ -z "${links[$lib]+x}" ]; then absent+=("$lib"); continue; fi
    for d in ${links[$lib]}; do
        # Another core library answers for itself; anything else is followed to its end.
        [[ " ${CORE_LIBS[*]} " == *" $d "* ]] && continue
        chain=$(reaches_gui "$d" "$lib") && report "gui:$lib" "core library $lib links a GUI module (CMake: $chain)"
    done
done
[ "${#absent[@]}" -lt "${#CORE_LIBS[@]}" ] || { echo "check-layers: no core library in the CMake files" >&2; exit 1; }

# b) The Qt headers the core's files include (when Qt's headers are installed here).
qtinc=
for q in qmake6 qtpaths6 qmake; do
    if command -v "$q" >/dev/null 2>&1; then qtinc=$("$q" -query QT_INSTALL_HEADERS 2>/dev/null || true); break; fi
done
for d in "$qtinc" /usr/include/x86_64-linux-gnu/qt6 /usr/include/aarch64-linux-gnu/qt6 /usr/include/qt6; do
    [ -n "$d" ] && [ -d "$d/QtGui" ] && { qtinc=$d; break; }
done
headerNote=
if [ -n "$qtinc" ] && [ -d "$qtinc/QtGui" ]; then
    guiHeaders=$(ls "$qtinc/QtGui" "$qtinc/QtWidgets" 2>/dev/null | grep -vxF -f <(ls "$qtinc/QtCore") | sort -u)
    for f in "${files[@]}"; do
        folder_of "$f" folder
        [[ " ${CORE_FOLDERS[*]} " == *" $folder "* ]] || continue
        while IFS= read -r inc; do
            if grep -qxF "${inc##*/}" <<<"$guiHeaders"; then report "gui:$folder" "$f includes <$inc> (QtGui/QtWidgets in the core)"; fi
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$f")
    done
else
    headerNote="; Qt's headers not found, the core's includes not checked for QtGui"
fi

# c) What the command-line program loads.
if [ -n "$cli" ]; then
    if [ ! -x "$cli" ]; then
        echo "check-layers: $cli is not a program" >&2; exit 1
    elif command -v ldd >/dev/null 2>&1; then
        loaded=$(ldd "$cli" | grep -oE "$GUI_LIBS[^ ]*" | sort -u | paste -sd ' ' || true)
        [ -z "$loaded" ] || report gui:dtucfg-cli "$cli loads $loaded"
    fi
fi

if [ "$bad" = 0 ]; then
    echo "layers ok (${#files[@]} files, $checked includes${pendingCount:+, $pendingCount pending}): no upward or sideways include," \
         "no include circle in a folder, no GUI module in the core${absent[*]:+ (not in the build: ${absent[*]})}$headerNote"
fi
exit "$bad"
