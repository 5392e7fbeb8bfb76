#!/bin/sh
# A web test under Node.js, found when the test runs (not when the build
# folder was configured), so that installing Node needs no new configure.
# usage: node_test.sh SCRIPT ARGS...
node=$(command -v node || command -v nodejs) ||
    exec "$(dirname "$0")/skip.sh" TETHER_WEB_REQUIRED "Node.js is not installed (Debian: nodejs)"
exec "$node" "$@"
