#include "ui/WindowLook.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QRandomGenerator>
#include <QStringList>

namespace kolvane::ui {

QFont WindowFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QString systemSans = font.family();
    font.setFamilies({QStringLiteral("Tahoma"), systemSans, QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Droid Sans Fallback")});
    font.setPointSize(8);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

std::uint32_t MillisecondsSinceUtcMidnight() {
    return static_cast<std::uint32_t>(
        QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay());
}

QColor DrawAdvertColour(std::uint32_t seed) {
    QRandomGenerator generator(seed);
    const int blue = static_cast<int>(generator.bounded(255u));
    const int green = static_cast<int>(generator.bounded(255u));
    const int red = static_cast<int>(generator.bounded(255u));
    return QColor(red, green, blue);
}

} // namespace kolvane::ui
