// Apple silicon has no x86 instructions: an Intel-only builtin fails the arm64 slice.
// Expect: use of undeclared identifier '__builtin_ia32_pause'
// Only: arm64
void relax() {
    __builtin_ia32_pause();
}
