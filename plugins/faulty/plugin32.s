# A 32-bit Windows DLL that exports "main", as a 32-bit installer would leave it where a 64-bit
# host looks: a loader must refuse it, never run it. Written for the i686 mingw-w64 assembler.
    .text
    .globl _DllMainCRTStartup@12
_DllMainCRTStartup@12:
    movl $1, %eax
    ret $12
    .globl _main
_main:
    xorl %eax, %eax
    ret
    .section .drectve
    .ascii " -export:main"
