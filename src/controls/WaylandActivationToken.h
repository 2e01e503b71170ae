#pragma once

#include <QString>

// Asks the Wayland compositor for an activation token of its own, on a
// connection of its own, without the serial of an input event: what a
// running program can do when a second start brings no token. Compositors
// decide what such a token earns (sway focuses or marks the window urgent;
// some show an "is ready" notice; some nothing). Empty when there is no
// compositor, no libwayland-client or no xdg-activation.
QString requestWaylandActivationToken(const QString& appId);
