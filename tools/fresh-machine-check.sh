#!/bin/bash
# Checking on a fresh machine: builds a bare Debian 12 root with debootstrap
# from Debian's packages, clones this checkout's HEAD (committed work only)
# into it, and there runs the README's test command exactly as written, then
# the README's game command headless for a few frames. It answers "do the
# README's two commands work for a new user?" without a spare machine.
#
#   bash tools/fresh-machine-check.sh [FOLDER]      (as root on Debian 12)
#
# FOLDER (default /var/tmp/tileworld-fresh) holds the root and the logs; it
# must lie outside the clone. The bare root is kept there as a tarball and
# reused by later runs (delete bare-bookworm.tar to start from scratch);
# everything of the project is made anew each run, and the last run's root
# stays there for looking into a failure. Expect 25-60 minutes on two cores.
# Not part of .ci/run: far too slow for it.
if [ -z "$BASH_VERSION" ]; then exec bash "$0" "$@"; fi
set -u

repo=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-/var/tmp/tileworld-fresh}
root="$folder/root"
tarball="$folder/bare-bookworm.tar"
started=$SECONDS
declare -a results=()

die() { echo "fresh-machine-check: $*" >&2; exit 2; }
minutes() { echo "$(( ($1 + 30) / 60 )) min"; }

[ "$(id -u)" = 0 ] || die "run me as root"
grep -q '^12' /etc/debian_version 2>/dev/null || die "run me on Debian 12"
mkdir -p "$folder" && folder=$(cd "$folder" && pwd) && root="$folder/root" && tarball="$folder/bare-bookworm.tar"
case "$folder/" in "$repo"/*) die "$folder lies inside the clone: give a folder outside it" ;; esac
commit=$(git -C "$repo" rev-parse HEAD) || die "$repo is not a git checkout"

# The Debian mirror the host uses, for the bare root and for its apt sources.
mirror_of() {  # $1: suite; prints the first URI the host lists for it
    local uri
    uri=$(awk -v suite="$1" '
        function stanza_ends() {
            if (!found && uri != "" && deb && hit) { print uri; found = 1 }
            uri = ""; deb = 0; hit = 0
        }
        FNR == 1 || /^[ \t]*$/ { stanza_ends() }
        /^Types:/ { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
        /^URIs:/ { uri = $2 }
        /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) hit = 1 }
        END { stanza_ends() }' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
    [ -n "$uri" ] || uri=$(awk -v suite="$1" '$1 == "deb" && $3 == suite { print $2; exit }' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null)
    echo "$uri"
}
mirror=$(mirror_of bookworm); mirror=${mirror:-http://deb.debian.org/debian}
security=$(mirror_of bookworm-security); security=${security:-http://deb.debian.org/debian-security}

# Mounts inside the root, undone on every way out.
mounted=()
unmount_all() {
    local i
    for (( i = ${#mounted[@]} - 1; i >= 0; i-- )); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null
    done
    mounted=()
    # Left over by an interrupted earlier run.
    grep -o " $root/[^ ]*" /proc/mounts 2>/dev/null | sort -r | while read -r m; do umount -l "$m"; done
}
trap unmount_all EXIT
trap 'exit 130' INT TERM HUP
mount_in_root() {  # $1: target inside the root; the rest: mount's arguments
    local target="$root$1"; shift
    mkdir -p "$target" && mount "$@" "$target" && mounted+=("$target")
}

in_root() {  # runs a shell command in the root as a fresh root login would
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

echo "== fresh-machine check of $commit"
echo "== folder $folder, mirror $mirror, security $security"

# --- The bare root: minimal Debian 12 plus git (the user has cloned). ------
step_started=$SECONDS
unmount_all
# Never delete through a mount (the host's /dev is bound in there).
grep -q " $root/" /proc/mounts && die "could not unmount everything under $root"
rm -rf --one-file-system "$root"
if [ -f "$tarball" ]; then
    how="cached $(basename "$tarball")"
    mkdir -p "$root" && tar -xpf "$tarball" -C "$root"
    bare=$?
else
    how="debootstrap"
    if ! command -v debootstrap >/dev/null; then
        apt-get -o DPkg::Lock::Timeout=900 update &&
            DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y \
                --no-install-recommends debootstrap
    fi
    debootstrap --variant=minbase --include=git,ca-certificates bookworm "$root" "$mirror" \
        && tar -cpf "$tarball.part" -C "$root" . && mv "$tarball.part" "$tarball"
    bare=$?
fi
if [ "$bare" = 0 ]; then
    # The apt sources of a new machine on the same mirror; services are not
    # started inside the root (they would run beside the host's).
    rm -f "$root/etc/apt/sources.list"
    cat > "$root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d" && chmod 755 "$root/usr/sbin/policy-rc.d"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    mount_in_root /proc -t proc proc && mount_in_root /sys -t sysfs sysfs &&
        mount_in_root /dev --bind /dev && mount_in_root /dev/pts --bind /dev/pts &&
        mount_in_root /dev/shm -t tmpfs -o mode=1777 tmpfs
    bare=$?
fi
results+=("bare Debian 12 root ($how): $([ "$bare" = 0 ] && echo PASS || echo FAIL), $(minutes $((SECONDS - step_started)))")

# --- The clone: this checkout's HEAD, as a new user's clone. ---------------
if [ "$bare" = 0 ]; then
    git clone --quiet --no-hardlinks "$repo" "$root/root/tileworld" &&
        git -C "$root/root/tileworld" checkout --quiet --detach "$commit" &&
        in_root git -C /root/tileworld log --oneline -1
    clone=$?
    results+=("clone of HEAD inside the root: $([ "$clone" = 0 ] && echo PASS || echo FAIL)")
else
    clone=1
fi

# --- The README's test command, exactly as the README states it. ----------
tests=1
if [ "$clone" = 0 ]; then
    step_started=$SECONDS
    echo "== sh tools/install-deps.sh && sh tools/run-tests.sh (log: $folder/tests.log)"
    in_root sh -c 'cd /root/tileworld && sh tools/install-deps.sh && sh tools/run-tests.sh' 2>&1 | tee "$folder/tests.log"
    tests=${PIPESTATUS[0]}
    counts=$(grep -E '^[0-9]+% tests passed' "$folder/tests.log" | tail -n 1)
    results+=("README test command: $([ "$tests" = 0 ] && echo PASS || echo "FAIL (exit $tests)"), ${counts:-no test summary}, $(minutes $((SECONDS - step_started)))")
    failed=$(sed -n '/The following tests FAILED/,/^Errors while running/p' "$folder/tests.log" | grep -E '^[[:space:]]+[0-9]+ - ')
    [ -n "$failed" ] && results+=("  failed tests:" "$failed")
fi

# --- The README's game command, headless, for a few frames. ----------------
game=1
if [ "$clone" = 0 ]; then
    step_started=$SECONDS
    cat > "$root/tmp/fresh-game.txt" <<'EOF'
# a few frames of the bundled game: look, walk right, look, quit
at 50 dump /tmp/fresh-game-before.txt
at 60 key 205 down
at 90 key 205 up
at 100 screenshot /tmp/fresh-game.png
at 101 dump /tmp/fresh-game-after.txt
at 110 quit
EOF
    rm -f "$root"/tmp/fresh-game.png "$root"/tmp/fresh-game-*.txt
    echo "== sh tools/install-deps.sh && sh tools/run-game.sh, headless (log: $folder/game.log)"
    in_root SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TILEWORLD_SCRIPT=/tmp/fresh-game.txt \
        timeout 900 sh -c 'cd /root/tileworld && sh tools/install-deps.sh && sh tools/run-game.sh' \
        > "$folder/game.log" 2>&1
    game=$?
    tail -n 5 "$folder/game.log"
    # The game must have shown its world and let the figure walk.
    shot="no screenshot"
    if [ -s "$root/tmp/fresh-game.png" ] && head -c 8 "$root/tmp/fresh-game.png" | grep -q PNG; then
        cp "$root/tmp/fresh-game.png" "$folder/game-screenshot.png" && shot="screenshot $folder/game-screenshot.png"
    elif [ "$game" = 0 ]; then
        game=1
    fi
    figure_x() { awk '$1 == "cursor" && $2 == 0 { print $3 }' "$root/tmp/fresh-game-$1.txt" 2>/dev/null; }
    before=$(figure_x before) after=$(figure_x after)
    score=$(awk '$1 == "shown_score" { print $2 }' "$root/tmp/fresh-game-after.txt" 2>/dev/null)
    if [ -z "$before" ] || [ -z "$after" ] || [ "$before" = "$after" ]; then
        [ "$game" = 0 ] && game=1
    fi
    results+=("README game command (headless, scripted): $([ "$game" = 0 ] && echo PASS || echo "FAIL (exit $game)"), figure walked from x ${before:-?} to ${after:-?}, score ${score:-?}, $shot, $(minutes $((SECONDS - step_started)))")
fi

unmount_all
echo
echo "== fresh-machine check of ${commit:0:12} on Debian 12 ($(cat "$root/etc/debian_version" 2>/dev/null)), total $(minutes $((SECONDS - started)))"
for r in "${results[@]}"; do echo "$r"; done
if [ "$bare" = 0 ] && [ "$clone" = 0 ] && [ "$tests" = 0 ] && [ "$game" = 0 ]; then
    echo "RESULT: PASS"
    exit 0
fi
echo "RESULT: FAIL"
exit 1
