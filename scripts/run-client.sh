#!/usr/bin/env bash
# Starts the client (and, when no SERVER is given, the development server on loopback).
set -euo pipefail
BUILD=${BUILD:-build}
exec "$BUILD/norvale" "$@"
