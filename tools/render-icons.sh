#!/usr/bin/env bash
# Renders the tray symbols (resources/icons/*.svg) to the PNGs the app ships, with Qt's own SVG
# renderer, at every size the tray icon paints them: its sides less the one-pixel halo, at one
# and two device pixels per point, and lists them in resources/sonifix.qrc. The app then needs
# no SVG library at run time.
#   tools/render-icons.sh   (after editing an SVG; needs qt6-base-dev and libqt6svg6)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/render.cpp" <<'CPP'
#include <QGuiApplication>
#include <QImageReader>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    const int side = std::atoi(argv[2]);
    reader.setScaledSize(QSize(side, side));
    const auto image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    return image.save(QString::fromLocal8Bit(argv[3]), "PNG", 9) ? 0 : 1;
}
CPP
# shellcheck disable=SC2046
g++ -std=c++20 -fPIC "$work/render.cpp" -o "$work/render" $(pkg-config --cflags --libs Qt6Gui)
rm -f resources/icons/*.png
for svg in resources/icons/*.svg; do
    name=$(basename "$svg" .svg)
    for side in 16 22 24 32 48 64; do
        for scale in 1 2; do
            size=$(((side - 2) * scale))
            [ -e "resources/icons/$name-$size.png" ] ||
                QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" "$work/render" "$svg" "$size" "resources/icons/$name-$size.png"
        done
    done
done
# The resource list is every picture rendered here.
{
    printf '<!DOCTYPE RCC>\n<RCC version="1.0">\n  <qresource prefix="/">\n'
    for png in resources/icons/*.png; do
        printf '    <file>%s</file>\n' "${png#resources/}"
    done
    printf '  </qresource>\n</RCC>\n'
} >resources/sonifix.qrc
