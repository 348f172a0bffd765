# Sourced by the check scripts: the C++ files of the source tree, listed from the tree itself
# (no git needed, so the checks run the same in a clone, an unpacked archive or a copy).
# Build folders (build*/) at the top, .git and demo/run/ are left out.

# The tree's C and C++ files as paths from the top (the current directory), sorted.
all_sources() {
    find . \( -path './build*' -o -path ./.git -o -path ./demo/run \) -prune -o -type f \
         \( -name '*.h' -o -name '*.hh' -o -name '*.hpp' -o -name '*.c' -o -name '*.cc' -o -name '*.cpp' \
            -o -name '*.cxx' \) -print | sed 's#^\./##' | LC_ALL=C sort
}

# The tool's own files: everything but the tests, benchmarks and fuzzers.
tool_sources() {
    all_sources | grep -v '^tests/\|^bench/\|^fuzz/' || true
}

# Fails the calling check when a list it is about to check is empty or holds too few files: a
# check that finds nothing to check must not pass.
need_files() { # need_files WHAT COUNT MINIMUM
    if [ "$2" -lt "$3" ]; then
        echo "$1: found $2 files to check (expected at least $3); is this the top of the source tree?" >&2
        exit 1
    fi
}
