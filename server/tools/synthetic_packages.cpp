// tdu-synthetic-packages: writes a folder of generated driver packages for
// load tests, and the request of a machine whose devices they fit.
//
//   tdu-synthetic-packages --out DIR --models N [--per-inf M] [--request FILE --devices D [--machines K]]
//
// Every package is a folder with one INF of M model lines (half in an NTx86,
// half in an NTamd64 section); N model lines in all. Each device of the
// request reports four hardware and seven compatible IDs the way a PCI
// device does; one of them names a catalogued model, the others miss.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string device_key(long k)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "PCI\\VEN_%04lX&DEV_%04lX", 0x2000 + k / 4096, k % 4096);
    return buf;
}

} // namespace

int main(int argc, char** argv)
{
    std::map<std::string, std::string> o;
    for (int i = 1; i + 1 < argc; i += 2) o[argv[i]] = argv[i + 1];
    if (!o.count("--out") || !o.count("--models")) {
        std::cerr << "usage: tdu-synthetic-packages --out DIR --models N [--per-inf M] [--request FILE --devices D]\n";
        return 2;
    }
    long models = std::atol(o["--models"].c_str());
    long per_inf = o.count("--per-inf") ? std::atol(o["--per-inf"].c_str()) : 200;
    long devices = models / 2; // distinct devices: each appears in both sections
    long per_package = per_inf / 2;
    for (long first = 0, n = 0; first < devices; first += per_package, ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "synth%05ld", n);
        fs::path folder = fs::path(o["--out"]) / name / "Driver";
        fs::create_directories(folder);
        std::ofstream inf(folder / (std::string(name) + ".inf"), std::ios::binary);
        inf << "[Version]\r\nSignature = \"$Windows NT$\"\r\nClass = Net\r\n"
               "ClassGuid = {4d36e972-e325-11ce-bfc1-08002be10318}\r\nProvider = %Mfg%\r\n"
               "CatalogFile = "
            << name << ".cat\r\nDriverVer = 05/0" << 1 + n % 9 << "/2013,1." << n % 7 << "." << n << ".0\r\n\r\n"
            << "[Manufacturer]\r\n%Mfg% = Synth, NTx86, NTamd64\r\n";
        for (const char* deco : {"NTx86", "NTamd64"}) {
            inf << "\r\n[Synth." << deco << "]\r\n";
            for (long k = first; k < first + per_package && k < devices; ++k)
                inf << "\"Synthetic device " << k << "\" = Synth_Install, " << device_key(k) << "&SUBSYS_0001"
                    << device_key(k).substr(8, 4) << ", " << device_key(k) << "\r\n";
        }
        inf << "\r\n[Synth_Install]\r\nFeatureScore = 0xF0\r\n\r\n[Strings]\r\nMfg = \"Synthetic Devices\"\r\n";
        std::ofstream(folder / (std::string(name) + ".cat")) << "placeholder\n";
    }
    long machines = o.count("--machines") ? std::atol(o["--machines"].c_str()) : 1;
    for (long m = 0; o.count("--request") && m < machines; ++m) {
        long count = o.count("--devices") ? std::atol(o["--devices"].c_str()) : 300;
        std::string file = o["--request"] + (m ? "." + std::to_string(m) : std::string());
        std::ofstream req(file, std::ios::binary);
        req << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<kelptone>\n\t<action>ACTION_UPDATE_DRIVER</action>\n"
               "\t<client version=\"4.2.0.1\" os=\"WIN7\" lang=\"437\" model=\"Synthetic PC\" />\n\t<hardwares>\n";
        for (long i = 0; i < count; ++i) {
            long k = (i * 7919 + m * 104729) % devices;
            std::string key = device_key(k), ven = key.substr(0, 12);
            std::string sub = key + "&SUBSYS_0001" + key.substr(8, 4);
            req << "\t\t<hardware>\n\t\t\t<id><![CDATA[" << sub << "&REV_01\\4&1A2B3C4D&0&00E0]]></id>\n"
                << "\t\t\t<matchid><![CDATA[]]></matchid>\n\t\t\t<hardids><![CDATA[" << sub << "&REV_01\n"
                << sub << "\n" << key << "&CC_020000\n" << key << "&CC_0200]]></hardids>\n"
                << "\t\t\t<compids><![CDATA[" << key << "&REV_01\n" << key << "\n" << ven << "&CC_020000\n"
                << ven << "&CC_0200\n" << ven << "\nPCI\\CC_020000\nPCI\\CC_0200]]></compids>\n\t\t</hardware>\n";
        }
        req << "\t</hardwares>\n</kelptone>\n";
    }
    return 0;
}
