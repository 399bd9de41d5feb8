#!/usr/bin/env bash
# Starts a client logged in to a server. Without SERVER it uses the development server on
# 127.0.0.1:${NORVALE_DEV_PORT:-4114}, starting one when none listens there yet (and stopping it when
# this client ends).
#   SERVER=host:port   connect elsewhere (the client asks for the password unless NORVALE_PASSWORD is set)
#   USER_NICK=name     the nickname; a second client needs its own, and gets its own NORVALE_HOME
set -euo pipefail
BUILD=${BUILD:-build}
SERVER=${SERVER:-}
USER_NICK=${USER_NICK:-}
DEV_PORT=${NORVALE_DEV_PORT:-4114}

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

dev_pid=""
cleanup() { [ -n "$dev_pid" ] && kill "$dev_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ -z "$SERVER" ]; then
    if ! port_open "$DEV_PORT"; then
        "$BUILD/norvale-devserver" --port "$DEV_PORT" &
        dev_pid=$!
        for _ in $(seq 50); do
            port_open "$DEV_PORT" && break
            kill -0 "$dev_pid" 2>/dev/null || { echo "run-client: the development server did not start" >&2; exit 1; }
            sleep 0.1
        done
    fi
    SERVER="127.0.0.1:$DEV_PORT"
    # The development server takes any password, and serves the service's web pages on the next port
    # (the sign-up page is opened before any login, so the client is told where they are).
    export NORVALE_PASSWORD=${NORVALE_PASSWORD:-dev}
    export NORVALE_WEB_HOST=${NORVALE_WEB_HOST:-http://127.0.0.1:$((DEV_PORT + 1))}
fi

if [ -z "$USER_NICK" ]; then
    USER_NICK=$(printf '%s' "${USER:-Player}" | tr -cd 'A-Za-z0-9' | cut -c1-24)
    [ -n "$USER_NICK" ] || USER_NICK=Player
elif [ -z "${NORVALE_HOME:-}" ]; then
    # Each hand-started client keeps its own settings and logs.
    export NORVALE_HOME="${XDG_DATA_HOME:-$HOME/.local/share}/Harrowgate/Norvale-$USER_NICK"
fi

"$BUILD/norvale" --server "$SERVER" --user "$USER_NICK" "$@"
