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
# $WOLFET_WINE32_CACHE (default ~/.cache/wolfet-wine32), keyed by the recipe
# below, so a changed recipe builds a new one.
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
packages="wine,wine32,busybox-static,procps"
recipe_version=1
key=$(printf '%s\n' "$suite" "$packages" "$recipe_version" "$mirror" | sha256sum | cut -c1-12)
tree=$cache/tree-$key
kit=$cache/kernel-$key
# The image also carries this script's guest side: it is keyed by the script.
image=$cache/image-$key-$(sha256sum "$0" | cut -c1-8).ext4

as_root() {
  [ "$(id -u)" -eq 0 ] || die "needs root (chroot, mounts, namespaces)"
}

# A static i386 program that exits 4 when the kernel itself runs it. Under
# a qemu-i386 binfmt handler (which takes precedence over the kernel's own
# i386 support) uname(2) answers the emulated machine, "i686", where the
# x86_64 kernel answers "x86_64": then it exits 3.
probe() {
  dir=$(mktemp -d)
  cat >"$dir/p.s" <<'EOF'
.globl _start
_start:
  mov $122, %eax          # newuname
  mov $buf, %ebx
  int $0x80
  mov $3, %ebx
  cmpl $0x5f363878, buf+260   # machine field starts "x86_"
  jne 1f
  mov $4, %ebx
1:
  mov $1, %eax
  int $0x80
.bss
buf: .space 400
EOF
  rc=0
  as --32 -o "$dir/p.o" "$dir/p.s" && ld -m elf_i386 -o "$dir/p" "$dir/p.o" || rc=1
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
  "$here/ensure-packages.sh" mmdebstrap binutils >&2
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
    if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
      printf '%s' ":qemu-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$qemu:F" \
        >/proc/sys/fs/binfmt_misc/register
      registered=1
      trap 'echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386; [ -z "$mounted" ] || umount /proc/sys/fs/binfmt_misc' EXIT
    fi
  fi
  say "building the i386 Debian tree with Wine (once; cached in $cache)"
  mkdir -p "$cache"
  # An earlier recipe's tree, kit and image are of no more use.
  rm -rf "$cache"/tree-* "$cache"/kernel-* "$cache"/image-*
  started=$(date +%s)
  # The hook also fetches the 686 kernel for the emulated mode and leaves
  # it unpacked in /opt/kit, which is moved out of the tree afterwards.
  status=0
  mmdebstrap --quiet --arch=i386 --variant=apt --include="$packages" \
    --customize-hook="'$here/wine32.sh' kernel-hook \"\$1\"" \
    "$suite" "$tree.new" "$mirror" || status=$?
  if [ -n "$registered" ]; then
    echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386
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
  cat >"$work/initrd/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox mount -t proc proc /proc
/bin/busybox mount -t devtmpfs devtmpfs /dev
for m in $(/bin/busybox cat /lib/modules/order); do
  /bin/busybox insmod /lib/modules/$m
done
i=0
while [ ! -b /dev/vda ] && [ $i -lt 100 ]; do /bin/busybox sleep 0.1; i=$((i + 1)); done
/bin/busybox mount -t ext4 /dev/vda /newroot || /bin/busybox poweroff -f
/bin/busybox cp /guest-init /newroot/sbin/wolfet-guest-init
/bin/busybox umount /proc /dev
exec /bin/busybox switch_root /newroot /sbin/wolfet-guest-init
EOF
  chmod 755 "$work/initrd/init"
  cat >"$work/initrd/guest-init" <<'EOF'
#!/bin/sh
# The emulated machine's init: runs the job from the share, writes its
# output and exit code back, powers off.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
# The tree has no mount package; busybox has what is needed.
for tool in mount umount hostname; do eval "$tool() { busybox $tool \"\$@\"; }"; done
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev 2>/dev/null
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
mkdir -p /job
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 job /job
. /job/env
i=0
while [ "$i" -lt "$shares" ]; do
  eval "dir=\$share$i"
  mkdir -p "$dir"
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose "s$i" "$dir"
  i=$((i + 1))
done
hostname wolfet
# Jobs talk to stand-in servers on 127.0.0.1.
busybox ip link set lo up 2>/dev/null || busybox ifconfig lo 127.0.0.1 up
(cd "$cwd" && exec timeout -k 5 "$limit" /bin/sh /job/command) >/job/stdout 2>/job/stderr
echo $? >/job/rc.tmp
# Whatever the job left running (wineserver lingers) goes before the disk.
kill -TERM -1 2>/dev/null
sleep 1
kill -KILL -1 2>/dev/null
mv /job/rc.tmp /job/rc
sync
busybox poweroff -f
EOF
  chmod 755 "$work/initrd/guest-init"
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
    chroot "$1" sh -c 'cd /tmp && apt-get download -q "$(apt-cache depends linux-image-686 |
      sed -n "s/.*Depends: \(linux-image-[0-9].*\)/\1/p" | head -n 1)"'
    mkdir -p "$1/opt/kit"
    dpkg-deb -x "$1"/tmp/linux-image-*.deb "$1/opt/kit"
    rm -f "$1"/tmp/linux-image-*.deb
    rm -rf "$1"/usr/share/doc/* "$1"/usr/share/man/* "$1"/usr/share/locale/*
    ;;
  prepare)
    as_root
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
      build_tree >&2
      enter_native overlay "$limit" "$(pwd)" "$@"
    else
      build_image >&2
      "$here/ensure-packages.sh" qemu-system-x86 >&2
      boot "$limit" "$(pwd)" "$@"
    fi
    ;;
  *) die "usage: wine32.sh mode | prepare | run [--timeout S] [--share DIR]... -- COMMAND..." ;;
esac
