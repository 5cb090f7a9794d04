# A static i386 program that exits 4 when the kernel itself runs it, 3 when
# something else does. Under a qemu-i386 binfmt handler (which takes
# precedence over the kernel's own i386 support) uname(2) answers the
# emulated machine, "i686", where the x86_64 kernel answers "x86_64".
# Built and run by cmake/wine32.sh to pick its mode.
.globl _start
_start:
  mov $122, %eax              # newuname
  mov $buf, %ebx
  int $0x80
  mov $3, %ebx
  cmpl $0x5f363878, buf+260   # the machine field starts "x86_"
  jne 1f
  mov $4, %ebx
1:
  mov $1, %eax                # exit
  int $0x80
.bss
buf: .space 400
