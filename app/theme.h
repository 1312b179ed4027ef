#pragma once

class QApplication;

namespace yz {

/// Gives the program its look: the Fusion style with a light palette, a font that has
/// Chinese glyphs, and a style sheet for the page buttons, groups, lists and start buttons.
void applyTheme(QApplication &app);

/// Names of the dynamic properties the style sheet keys on.
inline constexpr char PageButtonProperty[] = "pageButton";
inline constexpr char StartButtonProperty[] = "startButton";
inline constexpr char CountLabelProperty[] = "countLabel";

} // namespace yz
