# A private PipeWire with its PulseAudio server, as most desktops run it:
# `pipewire`, `wireplumber` and `pipewire -c <pulse config>`, each with a
# runtime folder, home and session bus of their own, and a null sink
# `auto_null` at 48 kHz. Sourced by e2e/lib.sh and bench/run; it defines
# functions only.
#
#   hw_pipewire_start DIR   starts it all in DIR; PW_SERVER is then the
#                           address for PULSE_SERVER
#   hw_pipewire_kill        SIGKILL to every process it started
#   PW_QUANTUM              frames per cycle of its graph
#
# Only the binaries of Debian's pipewire, pipewire-bin and wireplumber are
# needed: the pipewire-pulse package would remove pulseaudio, so its server
# config is written here (the few lines it needs).

PW_PIDS=()
PW_DIR=""
PW_SERVER=""
# Frames per cycle of its graph. On a shared, loaded machine without
# real-time scheduling a shorter cycle drops one now and then; a desktop
# runs this one too while only long-queued streams like the program's play.
PW_QUANTUM=2048

hw_pipewire_up() { PULSE_SERVER="$PW_SERVER" pactl info >/dev/null 2>&1; }

hw_pipewire_start() { # dir
    local i out
    PW_DIR="$1"
    mkdir -p "$PW_DIR/rt" "$PW_DIR/home" "$PW_DIR/config/pipewire/pipewire.conf.d"
    chmod 700 "$PW_DIR/rt"
    rm -f "$PW_DIR/rt/pipewire-0" "$PW_DIR/rt/pipewire-0.lock" "$PW_DIR/rt/pulse/native"
    echo "context.properties = { default.clock.min-quantum = $PW_QUANTUM default.clock.quantum = $PW_QUANTUM }" \
        >"$PW_DIR/config/pipewire/pipewire.conf.d/quantum.conf"
    cat >"$PW_DIR/pulse.conf" <<'EOF'
context.properties = { }
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-protocol-pulse args = { } }
]
pulse.properties = { server.address = [ "unix:native" ] }
EOF
    out="$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null)" || return 1
    PW_PIDS+=("$(sed -n 2p <<<"$out")")
    local -a envs=(HOME="$PW_DIR/home" XDG_RUNTIME_DIR="$PW_DIR/rt"
        XDG_CONFIG_HOME="$PW_DIR/config" DBUS_SESSION_BUS_ADDRESS="$(sed -n 1p <<<"$out")")
    env -u PULSE_SERVER -u PIPEWIRE_RUNTIME_DIR "${envs[@]}" pipewire >>"$PW_DIR/pipewire.log" 2>&1 &
    PW_PIDS+=($!)
    for ((i = 0; i < 100; i++)); do
        [ -S "$PW_DIR/rt/pipewire-0" ] && break
        sleep 0.1
    done
    env -u PULSE_SERVER -u PIPEWIRE_RUNTIME_DIR "${envs[@]}" wireplumber >>"$PW_DIR/wireplumber.log" 2>&1 &
    PW_PIDS+=($!)
    env -u PULSE_SERVER -u PIPEWIRE_RUNTIME_DIR "${envs[@]}" pipewire -c "$PW_DIR/pulse.conf" \
        >>"$PW_DIR/pulse.log" 2>&1 &
    PW_PIDS+=($!)
    PW_SERVER="unix:$PW_DIR/rt/pulse/native"
    for ((i = 0; i < 100; i++)); do
        hw_pipewire_up && break
        sleep 0.1
    done
    hw_pipewire_up || return 1
    PULSE_SERVER="$PW_SERVER" pactl load-module module-null-sink sink_name=auto_null \
        format=float32le rate=48000 channels=2 >/dev/null &&
        PULSE_SERVER="$PW_SERVER" pactl set-default-sink auto_null
}

hw_pipewire_kill() {
    local pid
    for pid in "${PW_PIDS[@]}"; do
        kill -KILL "$pid" 2>/dev/null
        # The bus forked away from us: not ours to wait for.
        wait "$pid" 2>/dev/null || true
    done
    PW_PIDS=()
}
