#!/bin/sh
# Runs a test program as the first process of a process namespace of its own (process 1, as in
# a container): as_first_process.sh PROGRAM ARGUMENTS...
# Where the machine refuses namespaces (a container without the right to make them), exits with
# 77, which CTest counts as skipped, naming what it refused.
for user in "" --map-root-user; do
    # A user other than root needs a user namespace to make the others.
    if [ -z "$user" ] && [ "$(id -u)" != 0 ]; then
        continue
    fi
    if refused=$(unshare $user --pid --fork --mount-proc true 2>&1); then
        exec unshare $user --pid --fork --mount-proc "$@"
    fi
done
echo "Skipped: this machine does not allow a process namespace (unshare: $refused)"
exit 77
