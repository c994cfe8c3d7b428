#!/usr/bin/env bash
# The link graph is the architecture: QtWidgets only in src/app, nothing but QtCore (and zlib) in
# src/core, and folders that include only the folders below them. Fails with the offending files listed.
set -u
cd "$(dirname "$0")/.."
status=0
widgets=$(grep -rlE '#include *<(QtWidgets|QtPrintSupport)|#include *<Q(Widget|Dialog|Action|MainWindow|MessageBox|FileDialog|Application|Menu|MenuBar|ToolBar|LineEdit|PushButton|Label|Layout|VBoxLayout|HBoxLayout|AbstractButton|ComboBox|CheckBox|Printer|PrintDialog|ScrollArea|TreeView|ListView|Splitter|StatusBar|DockWidget)>' src 2>/dev/null | grep -v '^src/app/')
if [ -n "$widgets" ]; then
    echo "layering: QtWidgets used outside src/app:"; echo "$widgets"; status=1
fi
nocore=$(grep -rlE '#include *<(Qt(Gui|Widgets|Network|PrintSupport|Xml)/|Q(Gui[A-Za-z]*|Font[A-Za-z]*|Painter[A-Za-z]*|Image[A-Za-z]*|Color|Pixmap|Icon|Clipboard|Brush|Pen|Palette|TextLayout|RawFont|Region|Transform|Desktop[A-Za-z]*|Network[A-Za-z]*|Widget)>)' src/core 2>/dev/null)
if [ -n "$nocore" ]; then
    echo "layering: src/core includes Qt modules other than QtCore:"; echo "$nocore"; status=1
fi
# The libraries below qv_app must not link QtWidgets.
if grep -nE 'target_link_libraries\((qv_core|qv_model|qv_schemes)[^)]*Widgets' src/CMakeLists.txt; then
    echo "layering: a library below qv_app links QtWidgets"; status=1
fi
# Folder rules: every #include between folders of src/ must be allowed by scripts/layers.txt, whose
# folders are listed lowest first, each naming only folders listed before it (so there is no cycle).
# Each folder's README repeats its line as "May depend on: `a`, `b`".
declare -A allowed=()
declare -A listed=()
while read -r folder deps; do
    folder=${folder%:}
    [ -n "${listed[$folder]:-}" ] && { echo "layering: $folder is listed twice in scripts/layers.txt"; status=1; }
    for dep in $deps; do
        if [ -z "${listed[$dep]:-}" ]; then
            echo "layering: $folder may depend on $dep, which is not listed before it (a cycle or a typo)"
            status=1
        fi
    done
    listed[$folder]=1
    allowed[$folder]=" $deps "
    readme="src/$folder/README.md"
    if [ ! -f "$readme" ]; then
        echo "layering: $readme is missing"; status=1
    else
        said=$(awk '/^May depend on:/{on=1} on&&/^$/{exit} on' "$readme" | grep -oE '`[a-z/]+`' | tr -d '`' | sort | tr '\n' ' ')
        want=$(for d in $deps; do echo "$d"; done | sort | tr '\n' ' ')
        if [ "$said" != "$want" ]; then
            echo "layering: $readme says it may depend on '${said% }', scripts/layers.txt says '${want% }'"
            status=1
        fi
    fi
done < <(grep -vE '^\s*(#|$)' scripts/layers.txt)

folder_of() { # src-relative path -> folder key
    case $1 in
        schemes/*) echo "$1" | cut -d/ -f1-2 ;;
        *) echo "${1%%/*}" ;;
    esac
}
while IFS= read -r file; do
    rel=${file#src/}
    [ "${rel%/*}" = "$rel" ] && continue # files directly in src/
    own=$(folder_of "$rel")
    if [ -z "${listed[$own]:-}" ]; then
        echo "layering: src/$own is not listed in scripts/layers.txt"; status=1; listed[$own]=1; allowed[$own]=" "
    fi
    while IFS= read -r inc; do
        target=$(folder_of "$inc")
        [ "$target" = "$own" ] && continue
        case "${allowed[$own]}" in *" $target "*) continue ;; esac
        echo "layering: $file includes \"$inc\": $own may not depend on $target"; status=1
    done < <(sed -nE 's/^\s*#\s*include\s*"([a-z_]+\/[^"]+)".*/\1/p' "$file")
done < <(find src -name '*.cpp' -o -name '*.h' | sort)
[ $status -eq 0 ] && echo "layering: ok"
exit $status
