#!/usr/bin/env bash
# The link graph is the architecture: QtWidgets only in src/app, nothing but QtCore (and zlib) in
# src/core. Fails with the offending files listed.
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
[ $status -eq 0 ] && echo "layering: ok"
exit $status
