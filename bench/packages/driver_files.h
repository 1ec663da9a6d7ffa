#pragma once
// Generated contents of typical driver package files for the benchmarks:
// INF texts, and binaries (SYS, DLL, CAT) that compress about as well as
// real ones.
#include <cstddef>
#include <random>
#include <string>

namespace tdu::bench {

// Text like an INF file: sections and key lines.
inline std::string inf_text(std::mt19937& rng, size_t size)
{
    static const char* lines[] = {
        "[Version]\r\n", "Signature=\"$Windows NT$\"\r\n", "Class=Net\r\n",
        "ClassGuid={4d36e972-e325-11ce-bfc1-08002be10318}\r\n", "DriverVer=06/21/2012,12.1.77.0\r\n",
        "[Manufacturer]\r\n", "%Mfg%=Models,NTx86,NTamd64\r\n", "AddReg=Params.reg\r\n",
        "HKR,Ndi\\params\\*SpeedDuplex,ParamDesc,,%SpeedDuplex%\r\n", "CopyFiles=Driver.CopyFiles\r\n",
    };
    std::string out;
    while (out.size() < size) out += lines[rng() % (sizeof lines / sizeof lines[0])];
    out.resize(size);
    return out;
}

// Bytes like a compiled driver: runs of structure between stretches that
// do not compress.
inline std::string binary(std::mt19937& rng, size_t size)
{
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) out[i] = (i / 512) % 3 == 0 ? static_cast<char>(i % 64) : static_cast<char>(rng());
    return out;
}

} // namespace tdu::bench
