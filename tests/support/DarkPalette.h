// A dark palette like a dark desktop's, with the style that honours it, for
// the programs that show windows to look at: "dark" as their last argument.
#pragma once

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <cstring>

inline QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2a, 0x2e, 0x32));
    dark.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
    dark.setColor(QPalette::AlternateBase, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Text, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::ButtonText, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    dark.setColor(QPalette::HighlightedText, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::ToolTipBase, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::ToolTipText, QColor(0xfc, 0xfc, 0xfc));
    // A dark desktop dims what cannot be used; without this, disabled menu entries and
    // buttons would look like enabled ones here and hide what the program shows.
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        dark.setColor(QPalette::Disabled, role, QColor(0x72, 0x77, 0x7b));
    }
    return dark;
}

// Switches to the dark palette when the last argument is "dark".
inline void DarkWhenAsked(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[argc - 1], "dark") == 0) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(DarkPalette());
    }
}
