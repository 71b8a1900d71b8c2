// __chkstk for the ARM64 mingw-w64 runtime, installed as its libgcc.a by scripts/arm64-toolchain.
// Ours, a dozen instructions, rather than compiler-rt's builtins: those come only with the
// llvm-toolchain-14 source (130 MB to download and a long build) and we need nothing else from them.
// Called before a frame larger than a page is allocated, with the frame's size / 16 in x15:
// touches the stack page by page downwards, so that each guard page is hit in turn.
// Clobbers x16, x17 and the flags only, as the compiler expects.
        .text
        .p2align 2
        .globl __chkstk
__chkstk:
        lsl     x16, x15, #4            // bytes still to probe
        mov     x17, sp
1:      cmp     x16, #4096
        b.ls    2f
        sub     x17, x17, #4096
        sub     x16, x16, #4096
        ldr     xzr, [x17]
        b       1b
2:      sub     x17, x17, x16           // the frame's lowest address
        ldr     xzr, [x17]
        ret
