#pragma once

#include <optional>
#include <QPalette>

enum class ColourScheme { Light, Dark };

// The desktop's wish as the portal's "color-scheme" gives it: 1 prefers
// dark, 2 prefers light; without an answer, or with 0 (no preference), the
// platform theme's palette decides: a dark window colour means dark.
ColourScheme colourSchemeFor(std::optional<unsigned> portalColourScheme, const QPalette& platform);

// The palette the whole window takes. Light is the designed white with
// black texts; dark is the platform's own palette when that is dark, else
// one of ours. Both are complete, so no control keeps the other scheme's
// colours, and their base and text colours set the indicators' checked
// marks clearly apart from the unchecked.
QPalette windowPalette(ColourScheme scheme, const QPalette& platform);
