#!/bin/sh
# Every project include in src/ points into its own folder or a lower one:
#   system < image < state, controls, detect < cut < view, selection, output
#   < app/window < app < main.cpp
# Prints each include that runs upwards (or into a folder not ranked here) and
# fails when there is one.
cd "${1:-.}" || exit 2
rank() {
    case "$1" in
    system) echo 0 ;;
    image) echo 1 ;;
    state | controls | detect) echo 2 ;;
    cut) echo 3 ;;
    view | selection | output) echo 4 ;;
    app/window) echo 5 ;;
    app) echo 6 ;;
    .) echo 7 ;;
    *) echo 99 ;;
    esac
}
status=0
for file in $(find src -name '*.cpp' -o -name '*.h'); do
    from=$(dirname "${file#src/}")
    for include in $(sed -n 's/^#include "\(.*\/.*\)"$/\1/p' "$file"); do
        to=$(dirname "$include")
        [ "$to" = "$from" ] && continue
        if [ "$(rank "$to")" -ge "$(rank "$from")" ]; then
            echo "$file includes $include, which is not below it"
            status=1
        fi
    done
done
exit $status
