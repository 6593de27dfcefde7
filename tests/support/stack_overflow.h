#pragma once
// Runs the calling thread out of stack, for the crash tests.

namespace testing_support {

__attribute__((noinline)) inline int overflowTheStack(int depth = 0)
{
    volatile char block[4096];
    block[0] = static_cast<char>(depth);
    if (depth == 1 << 30) // never: the stack runs out long before
        return 0;
    // Used after the call, so the frame cannot be turned into a loop.
    block[1] = static_cast<char>(overflowTheStack(depth + 1));
    return block[0] + block[1];
}

} // namespace testing_support
