#!/bin/sh
# Makes the Windows icons from the program's own drawings; run from this directory after changing
# an SVG, and commit the results. Needs rsvg-convert (librsvg2-bin) and ImageMagick.
set -eu
icon() { # icon SVG ICO SIZE...
    svg=$1 ico=$2
    shift 2
    pngs=""
    for size in "$@"; do
        rsvg-convert -w "$size" -h "$size" "$svg" -o "$ico.$size.png"
        pngs="$pngs $ico.$size.png"
    done
    # shellcheck disable=SC2086
    convert $pngs -define icon:format=bmp "$ico"
    # shellcheck disable=SC2086
    rm -f $pngs
}
icon ../app/kolvane.svg kolvane.ico 32 16
icon ../about/about.svg about.ico 32
for name in new-task refresh run about; do
    icon "../toolbar/$name.svg" "toolbar-$name.ico" 16
done
for name in page-base page-dir page-schedule page-advanced; do
    icon "../editor/$name.svg" "editor-$name.ico" 16
done
