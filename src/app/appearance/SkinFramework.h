#pragma once

#include <QString>

class QWidget;

// The skin component: a skin is a Qt style sheet in a UTF-8 text file. It is
// loaded first, then tuned by the flags and options, then applied to a window.
class SkinFramework
{
public:
    enum Flag : int {
        Enabled = 0x1, // without it, applyTo() leaves the window as it is
    };

    // Reads the skin. `variant` names a variant inside the file; our skins
    // have none, so it must be empty. Throws Failure when the file cannot be
    // read, is not UTF-8 text, or holds no rules.
    void loadSkin(const QString& path, const QString& variant);

    int flags() const { return m_flags; }
    void setFlags(int flags) { m_flags = flags; }

    // Message boxes and other top-level windows wear the skin too.
    void setApplyToDialogs(bool on) { m_applyToDialogs = on; }

    // The window's controls get hover tracking, so the sheet's :hover rules
    // show on every control, not only on those that track hover anyway.
    void setHoverEffects(bool on) { m_hoverEffects = on; }

    // Applies the loaded skin to `window` and its controls. Throws Failure
    // when no skin was loaded.
    void applyTo(QWidget& window);

    bool isLoaded() const { return m_loaded; }
    const QString& styleSheet() const { return m_styleSheet; }

private:
    QString m_styleSheet;
    bool m_loaded = false;
    int m_flags = 0;
    bool m_applyToDialogs = false;
    bool m_hoverEffects = false;
};
