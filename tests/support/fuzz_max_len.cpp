// Part of every libFuzzer binary: gives libFuzzer the target's largest input
// (TDU_FUZZ_MAX_LEN, the most its format allows) as -max_len, unless the
// command line sets one. Left to itself libFuzzer takes the largest seed, or
// 4096 bytes, as the limit, and never builds the long or deeply nested
// inputs that size and depth faults need.
//
// libFuzzer calls LLVMFuzzerInitialize before it reads its flags, and reads
// them from the argument vector it is handed back.
#include <cstring>
#include <string>
#include <vector>

#ifndef TDU_FUZZ_MAX_LEN
#error "TDU_FUZZ_MAX_LEN: the largest input of the target"
#endif

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-max_len=", 9) == 0) return 0;

    // Kept for the life of the process, as libFuzzer keeps the pointers.
    static std::string flag = "-max_len=" + std::to_string(static_cast<unsigned long long>(TDU_FUZZ_MAX_LEN));
    static std::vector<char*> arguments;
    arguments.assign(*argv, *argv + *argc);
    arguments.insert(arguments.begin() + 1, flag.data());
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
    return 0;
}
