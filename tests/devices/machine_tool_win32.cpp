// tdu-machine: puts a machine fixture into the registry of the running
// system (a Wine prefix) and takes it out again, for the demo.
//
//   tdu-machine import FILE   write the machine (after removing leftovers)
//   tdu-machine remove FILE   remove what import wrote
//
// Exit status 0, or 1 with the reason on standard error.
#include <cstdio>
#include <exception>
#include <string>

#include "devices/machine_fixture.h"
#include "devices/machine_registry.h"

int wmain(int argc, wchar_t** argv)
{
    using namespace tdu::test;
    if (argc != 3) {
        std::fprintf(stderr, "usage: tdu-machine import|remove FILE\n");
        return 2;
    }
    std::wstring command = argv[1];
    machine_t machine;
    try {
        machine = load_machine(std::filesystem::path(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tdu-machine: %s\n", e.what());
        return 1;
    }
    if (command == L"import") {
        std::string error;
        if (!machine_registry_import(machine, error)) {
            std::fprintf(stderr, "tdu-machine: %s\n", error.c_str());
            return 1;
        }
        std::printf("imported %zu device nodes\n", machine.devices.size());
        return 0;
    }
    if (command == L"remove") {
        machine_registry_remove(machine);
        return 0;
    }
    std::fprintf(stderr, "usage: tdu-machine import|remove FILE\n");
    return 2;
}
