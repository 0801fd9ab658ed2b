#include "app/look/colourscheme.h"

#include "app/look/desktopsettings.h"

#include <QApplication>
#include <QToolTip>

namespace quorvale::colourscheme {

namespace {

const QString appearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString schemeKey = QStringLiteral("color-scheme");

} // namespace

std::optional<bool> prefersDark(const QVariant &value)
{
    const QVariant plain = DesktopSettings::unwrapped(value);
    bool ok = false;
    const uint scheme = plain.toUInt(&ok);
    if (!ok || plain.metaType() == QMetaType::fromType<QString>() ||
        plain.metaType() == QMetaType::fromType<bool>())
        return std::nullopt;
    if (scheme == 1)
        return true;
    if (scheme == 2)
        return false;
    return std::nullopt;
}

QPalette darkPalette()
{
    QPalette palette;
    const QList<std::pair<QPalette::ColorRole, QColor>> colours{
        {QPalette::WindowText, 0xe8e8ea}, {QPalette::Text, 0xe8e8ea},
        {QPalette::ButtonText, 0xe8e8ea}, {QPalette::ToolTipText, 0xe8e8ea},
        {QPalette::Base, 0x2a2b2f},       {QPalette::ToolTipBase, 0x2a2b2f},
        {QPalette::Window, 0x1e1f22},     {QPalette::AlternateBase, 0x323337},
        {QPalette::Button, 0x2f3034},     {QPalette::PlaceholderText, 0x8a8c92},
        {QPalette::Highlight, 0x3d6fd8},  {QPalette::HighlightedText, 0xffffff}};
    for (const auto &[role, colour] : colours)
        palette.setColor(role, colour);
    for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, QColor(0x6a, 0x6c, 0x72));
    return palette;
}

void apply(std::optional<bool> dark)
{
    // The palettes before any scheme was applied: the desktop's or the style's own. Tool tips keep one
    // of their own, which the application's palette does not reach.
    static const QPalette original = QApplication::palette();
    static const QPalette originalTips = QToolTip::palette();
    const bool darkened = dark.value_or(false);
    QApplication::setPalette(darkened ? darkPalette() : original);
    QToolTip::setPalette(darkened ? darkPalette() : originalTips);
}

void followDesktop()
{
    static DesktopSettings *desktop = nullptr;
    if (desktop || !QCoreApplication::instance())
        return;
    desktop = new DesktopSettings(QCoreApplication::instance());
    QObject::connect(
        desktop, &DesktopSettings::changed, desktop,
        [](const QString &, const QString &, const QVariant &value) { apply(prefersDark(value)); });
    desktop->follow(appearanceNamespace, schemeKey);
}

} // namespace quorvale::colourscheme
