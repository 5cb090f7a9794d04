#!/bin/sh
# Runs 32-bit Windows programs under 32-bit Wine, on a machine of either
# kind:
#  - native: the kernel runs i386 code, so an i386 Debian tree with wine32
#    is entered with chroot, over a throw-away overlay, in private mount
#    and PID namespaces (nothing of a run stays in the tree, nothing stays
#    running or mounted once the namespace's first process is gone);
#  - emulated: the same tree, made into a disk image, is booted as an i386
#    machine under qemu-system-i386 (TCG). A boot costs seconds, so a whole
#    job (a suite, a demo) runs in one boot.
# The tree, its Wine prefix and the image are made once and cached under
# $WOLFET_WINE32_CACHE (default ~/.cache/wolfet-wine32): the tree keyed by
# the recipe below, the image by the recipe and the guest's side
# (wine32/initrd-init, wine32/guest-init), so a changed recipe builds both
# anew and a changed init only a new image. The mode probe is
# wine32/probe.s.
#
# Usage:
#   wine32.sh mode                 prints native or emulated (the probe)
#   wine32.sh prepare              builds the cache for this machine's mode
#   wine32.sh run [--timeout S] [--share DIR]... -- COMMAND...
#       runs COMMAND (a program and its arguments, e.g. wine x.exe, or
#       sh job.sh) inside, in the current folder, which is shared at the
#       same path with every --share folder; prints its standard output and
#       error and exits with its exit code (124 when the time ran out).
# WOLFET_WINE32_MODE=native|emulated skips the probe (emulated works on any
# machine; native needs a kernel that runs i386 code).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cache=${WOLFET_WINE32_CACHE:-${HOME:-/root}/.cache/wolfet-wine32}
mirror=${WOLFET_DEBIAN_MIRROR:-http://deb.debian.org/debian}
shares=""
say() { echo "wine32: $*" >&2; }
die() {
  say "$*"
  exit 125
}

# The recipe: what goes into the tree. Changing any of it changes the key.
suite=bookworm
packages="wine,wine32,busybox-static,procps,curl"
recipe_version=1
key=$(printf '%s\n' "$suite" "$packages" "$recipe_version" "$mirror" | sha256sum | cut -c1-12)
tree=$cache/tree-$key
kit=$cache/kernel-$key
# The image also carries the guest's side (the initrd's init and the
# guest's init): it is keyed by them too, so a changed init makes a new
# image from the same tree.
guest=$(cat "$here/wine32/initrd-init" "$here/wine32/guest-init" | sha256sum | cut -c1-8)
image=$cache/image-$key-$guest.ext4

as_root() {
  [ "$(id -u)" -eq 0 ] || die "needs root (chroot, mounts, namespaces)"
}

# One builder at a time per cache folder: a second prepare (or a run that
# finds nothing built yet) waits for the first instead of building the same
# tree beside it.
lock() {
  mkdir -p "$cache"
  exec 9>"$cache/lock"
  flock 9
}
unlock() { exec 9>&-; }

# The probe (wine32/probe.s) exits 4 when the kernel itself runs i386 code.
probe() {
  dir=$(mktemp -d)
  rc=0
  { as --32 -o "$dir/p.o" "$here/wine32/probe.s" && ld -m elf_i386 -o "$dir/p" "$dir/p.o"; } || rc=1
  [ "$rc" -eq 0 ] && { "$dir/p" 2>/dev/null || rc=$?; }
  rm -rf "$dir"
  [ "$rc" -eq 4 ]
}

mode() {
  "$here/ensure-packages.sh" binutils >&2
  case ${WOLFET_WINE32_MODE:-} in
    native | emulated) echo "$WOLFET_WINE32_MODE" ;;
    "") if probe; then echo native; else echo emulated; fi ;;
    *) die "WOLFET_WINE32_MODE must be native or emulated" ;;
  esac
}

# ---- the tree ---------------------------------------------------------

# mmdebstrap runs the i386 maintainer scripts; in the emulated mode (where
# the kernel cannot) a static qemu-i386 registered for i386 ELF files does,
# for the build only.
build_tree() {
  [ -d "$tree" ] && return 0
  as_root
  # arch-test: mmdebstrap's check that this machine runs i386 programs
  # (natively or through the binfmt handler below), which it insists on.
  "$here/ensure-packages.sh" mmdebstrap arch-test binutils >&2
  registered="" mounted=""
  if [ "$(mode)" = emulated ]; then
    # The static qemu-i386 is taken from its package without installing
    # it (it conflicts with qemu-user-binfmt, which a machine may have).
    qemu=$cache/qemu-user-static/usr/bin/qemu-i386-static
    if [ ! -x "$qemu" ]; then
      mkdir -p "$cache/download"
      (cd "$cache/download" && { apt-get download -q qemu-user-static ||
        { apt-get update -qq && apt-get download -q qemu-user-static; }; }) >&2
      dpkg-deb -x "$cache"/download/qemu-user-static_*.deb "$cache/qemu-user-static"
      rm -rf "$cache/download"
    fi
    if [ ! -f /proc/sys/fs/binfmt_misc/register ]; then
      mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
      mounted=1
    fi
    # mmdebstrap looks for the handler by this name: with its F flag the
    # static qemu-i386 need not be copied into the tree.
    handler=/proc/sys/fs/binfmt_misc/qemu-i386
    if [ ! -e "$handler" ]; then
      printf '%s' ":qemu-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$qemu:F" \
        >/proc/sys/fs/binfmt_misc/register
      registered=1
      trap 'echo -1 >"$handler"; [ -z "$mounted" ] || umount /proc/sys/fs/binfmt_misc' EXIT
    fi
  fi
  say "building the i386 Debian tree with Wine (once; cached in $cache)"
  mkdir -p "$cache"
  # An earlier recipe's tree, kit and image in this cache folder are of no
  # more use.
  rm -rf "$cache"/tree-* "$cache"/kernel-* "$cache"/image-*
  started=$(date +%s)
  # The hook also fetches the 686 kernel for the emulated mode and leaves
  # it unpacked in /opt/kit, which is moved out of the tree afterwards.
  status=0
  mmdebstrap --quiet --arch=i386 --variant=apt --include="$packages" \
    --customize-hook="'$here/wine32.sh' kernel-hook \"\$1\"" \
    "$suite" "$tree.new" "$mirror" || status=$?
  if [ -n "$registered" ]; then
    echo -1 >"$handler"
    [ -z "$mounted" ] || umount /proc/sys/fs/binfmt_misc
    trap - EXIT
  fi
  [ "$status" -eq 0 ] || die "mmdebstrap failed ($status)"
  rm -rf "$kit"
  mv "$tree.new/opt/kit" "$kit"
  # The Wine prefix, made once in the tree (a run's changes to it vanish
  # with its overlay); the emulated mode makes it on the machine's first
  # boot instead.
  if [ "$(mode)" = native ]; then
    enter_native "$tree.new" 600 / sh -c 'wineboot -i && wineserver -w' ||
      die "could not make the Wine prefix"
  fi
  mv "$tree.new" "$tree"
  say "tree ready in $(($(date +%s) - started)) s"
}

# ---- native -----------------------------------------------------------

# enter_native ROOT TIMEOUT CWD COMMAND...: ROOT "overlay" is the cached
# tree under a throw-away overlay; any other ROOT is entered as it is.
enter_native() {
  target=$1 limit=$2 cwd=$3
  shift 3
  scratch=$(mktemp -d /tmp/wolfet-wine32.XXXXXX)
  status=0
  # The inner script is expanded by the inner shell, from the environment.
  # shellcheck disable=SC2016
  WOLFET_TARGET=$target WOLFET_TREE=$tree WOLFET_SCRATCH=$scratch WOLFET_CWD=$cwd \
    WOLFET_SHARES=$shares WOLFET_LIMIT=$limit timeout -s KILL "$((limit + 60))" \
    unshare --mount --pid --fork --kill-child --propagation private sh -eu -c '
      root=$WOLFET_TARGET
      if [ "$root" = overlay ]; then
        mount -t tmpfs -o mode=755 tmpfs "$WOLFET_SCRATCH"
        mkdir "$WOLFET_SCRATCH/upper" "$WOLFET_SCRATCH/work" "$WOLFET_SCRATCH/root"
        mount -t overlay overlay -o "lowerdir=$WOLFET_TREE,upperdir=$WOLFET_SCRATCH/upper,workdir=$WOLFET_SCRATCH/work" "$WOLFET_SCRATCH/root"
        root=$WOLFET_SCRATCH/root
      else
        mount --bind "$root" "$root"
      fi
      mount -t proc proc "$root/proc"
      mount --rbind /dev "$root/dev"
      mount -t tmpfs tmpfs "$root/tmp"
      mount -t tmpfs tmpfs "$root/run"
      for dir in $WOLFET_SHARES; do
        mkdir -p "$root$dir"
        mount --rbind "$dir" "$root$dir"
      done
      exec chroot "$root" /usr/bin/env -i HOME=/root USER=root \
        PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin LANG=C.UTF-8 \
        WINEDEBUG=${WINEDEBUG:--all} WINEPREFIX=/root/.wine \
        timeout -k 5 "$WOLFET_LIMIT" sh -c "cd \"\$0\" && exec \"\$@\"" "$WOLFET_CWD" "$@"
    ' sh "$@" || status=$?
  rmdir "$scratch" 2>/dev/null || true
  return "$status"
}

# ---- emulated ---------------------------------------------------------

# The kernel, an initrd that loads just what the root disk and the shares
# need and switches to the disk, and the disk image made from the tree.
build_image() {
  [ -f "$image" ] && return 0
  build_tree
  "$here/ensure-packages.sh" qemu-system-x86 e2fsprogs cpio xz-utils kmod >&2
  say "making the emulated machine's disk image (once)"
  rm -f "$cache/image-$key"-*
  started=$(date +%s)
  work=$(mktemp -d)
  version=$(ls "$kit/lib/modules")
  moddir=$kit/lib/modules/$version
  [ -f "$moddir/modules.dep" ] || depmod -b "$kit" "$version"
  mkdir -p "$work/initrd/bin" "$work/initrd/lib/modules" "$work/initrd/proc" "$work/initrd/dev" \
    "$work/initrd/sys" "$work/initrd/newroot"
  cp "$tree/bin/busybox" "$work/initrd/bin/busybox"
  # Modules in dependency order: modules.dep lists each module's needs.
  : >"$work/order"
  # (sh has no local variables: the path is looked up again after the
  # recursion.)
  module() { awk -v m="/$1.ko" 'index($1, m) {sub(":", "", $1); print $1; exit}' "$moddir/modules.dep"; }
  need() {
    [ -n "$(module "$1")" ] || return 0
    grep -qx "$(module "$1")" "$work/order" && return 0
    # Module paths have no spaces: one word each.
    # shellcheck disable=SC2013
    for dep in $(awk -v p="$(module "$1"):" '$1 == p {for (i = 2; i <= NF; i++) print $i}' "$moddir/modules.dep"); do
      need "$(basename "$dep" | sed 's/\.ko.*//')"
    done
    grep -qx "$(module "$1")" "$work/order" || module "$1" >>"$work/order"
  }
  for m in virtio_pci virtio_blk crc32c_generic ext4 9pnet_virtio 9p; do need "$m"; done
  while read -r path; do
    name=$(basename "$path")
    case $name in
      *.xz) xz -dc "$moddir/$path" >"$work/initrd/lib/modules/${name%.xz}" ;;
      *) cp "$moddir/$path" "$work/initrd/lib/modules/$name" ;;
    esac
    basename "${name%.xz}" >>"$work/initrd/lib/modules/order"
  done <"$work/order"
  cp "$here/wine32/initrd-init" "$work/initrd/init"
  cp "$here/wine32/guest-init" "$work/initrd/guest-init"
  chmod 755 "$work/initrd/init" "$work/initrd/guest-init"
  (cd "$work/initrd" && find . | cpio -o -H newc --quiet | gzip -1) >"$image.initrd.new"
  cp "$kit/boot/vmlinuz-$version" "$image.vmlinuz.new"
  size=$(du -sm "$tree" | cut -f1)
  mke2fs -q -t ext4 -L wolfet -d "$tree" -E root_owner=0:0 "$image.new" "$((size * 5 / 4 + 1024))M" >/dev/null
  rm -rf "$work"
  mv "$image.initrd.new" "$image.initrd"
  mv "$image.vmlinuz.new" "$image.vmlinuz"
  mv "$image.new" "$image"
  if [ ! -d "$tree/root/.wine" ]; then
    say "making the Wine prefix on the emulated machine"
    snapshot=off
    shares=""
    boot 1800 / sh -c 'wineboot -i && wineserver -w' ||
      { rm -f "$image" && die "could not make the Wine prefix on the emulated machine"; }
  fi
  say "image ready in $(($(date +%s) - started)) s"
}

# boot TIMEOUT CWD COMMAND...: one boot of the emulated machine for the job.
boot() {
  limit=$1 cwd=$2
  shift 2
  job=$(mktemp -d /tmp/wolfet-wine32-job.XXXXXX)
  {
    echo "limit=$limit"
    echo "cwd='$cwd'"
    n=0
    for dir in $shares; do
      echo "share$n='$dir'"
      n=$((n + 1))
    done
    echo "shares=$n"
    echo "export HOME=/root USER=root LANG=C.UTF-8 WINEDEBUG=${WINEDEBUG:--all} WINEPREFIX=/root/.wine"
    echo "export PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"
  } >"$job/env"
  for arg in "$@"; do printf "'%s' " "$(printf '%s' "$arg" | sed "s/'/'\\\\''/g")"; done >"$job/command"
  set -- -M pc -accel tcg -cpu max,-smap -smp 1 -m 1536 -display none -serial file:"$job/console" \
    -monitor none -no-reboot -nodefaults \
    -kernel "$image.vmlinuz" -initrd "$image.initrd" \
    -append "console=ttyS0 quiet panic=-1 rdinit=/init" \
    -drive "file=$image,if=virtio,format=raw,snapshot=${snapshot:-on}" \
    -virtfs "local,path=$job,mount_tag=job,security_model=none"
  n=0
  for dir in $shares; do
    set -- "$@" -virtfs "local,path=$dir,mount_tag=s$n,security_model=none"
    n=$((n + 1))
  done
  status=0
  timeout -k 10 "$((limit + 120))" qemu-system-i386 "$@" || status=$?
  if [ -f "$job/rc" ]; then
    # (No output files when the job could not even enter its folder.)
    cat "$job/stdout" 2>/dev/null || true
    cat "$job/stderr" >&2 2>/dev/null || true
    status=$(cat "$job/rc")
  else
    say "the emulated machine ended without an exit code (qemu: $status); its console:"
    tail -n 30 "$job/console" >&2
    [ "$status" -ne 0 ] || status=125
  fi
  rm -rf "$job"
  return "$status"
}

# ---- commands ---------------------------------------------------------

command=${1:-}
[ $# -gt 0 ] && shift
case $command in
  mode) mode ;;
  kernel-hook)
    # Inside mmdebstrap: the 686 kernel package, unpacked in /opt/kit; and
    # no documentation, which nothing here reads.
    # shellcheck disable=SC2016 # expanded inside the tree
    chroot "$1" sh -c 'cd /tmp && apt-get download -q "$(apt-cache depends linux-image-686 |
      sed -n "s/.*Depends: \(linux-image-[0-9].*\)/\1/p" | head -n 1)"'
    mkdir -p "$1/opt/kit"
    dpkg-deb -x "$1"/tmp/linux-image-*.deb "$1/opt/kit"
    rm -f "$1"/tmp/linux-image-*.deb
    rm -rf "$1"/usr/share/doc/* "$1"/usr/share/man/* "$1"/usr/share/locale/*
    ;;
  prepare)
    as_root
    lock
    if [ "$(mode)" = native ]; then build_tree; else build_image; fi
    ;;
  run)
    limit=600 shares=""
    while [ $# -gt 0 ]; do
      case $1 in
        --timeout) limit=$2 && shift 2 ;;
        --share) shares="$shares $(cd "$2" && pwd)" && shift 2 ;;
        --) shift && break ;;
        *) break ;;
      esac
    done
    [ $# -gt 0 ] || die "run: no command"
    as_root
    shares="$(pwd)$shares"
    if [ "$(mode)" = native ]; then
      lock && build_tree >&2 && unlock
      enter_native overlay "$limit" "$(pwd)" "$@"
    else
      lock && build_image >&2 && unlock
      "$here/ensure-packages.sh" qemu-system-x86 >&2
      boot "$limit" "$(pwd)" "$@"
    fi
    ;;
  *) die "usage: wine32.sh mode | prepare | run [--timeout S] [--share DIR]... -- COMMAND..." ;;
esac
