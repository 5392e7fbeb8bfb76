#!/bin/sh
# The Python package's tests (pytest), with the tools they need looked for
# when the test runs, so that installing them needs no new configure.
# usage: python_test.sh PYTHON BUILD_DIR TEST_DIR
python=$1 build=$2 tests=$3
"$python" -c "import pytest, numpy, pandas" 2>/dev/null ||
    exec "$(dirname "$0")/skip.sh" TETHER_PYTHON_REQUIRED \
        "$python lacks pytest, NumPy or pandas (Debian: python3-pytest python3-numpy python3-pandas)"
PYTHONPATH=$build/python${PYTHONPATH:+:$PYTHONPATH} TETHER_BUILD=$build \
    exec "$python" -m pytest -q -p no:cacheprovider "$tests"
