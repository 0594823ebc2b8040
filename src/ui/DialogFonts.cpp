#include "ui/DialogFonts.h"

#include <QStringList>

namespace kolvane::ui {
namespace {

QFont PixelFont(const QStringList& families, int pixelSize) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    return font;
}

QStringList SansFallbacks() {
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("sans-serif")};
}

QStringList SongFallbacks() {
    return {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
            QStringLiteral("DejaVu Serif"), QStringLiteral("serif")};
}

} // namespace

QFont TahomaFont() {
    return PixelFont(QStringList{QStringLiteral("Tahoma")} + SansFallbacks(), 11);
}

QFont NewSongFont() {
    return PixelFont(
        QStringList{QStringLiteral("新宋体"), QStringLiteral("NSimSun")} + SongFallbacks(), 12);
}

} // namespace kolvane::ui
