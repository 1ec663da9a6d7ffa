// The Windows tests under Wine reach the native test server that the test
// run started before them; its ports are in the file named by the
// environment variable TDU_TEST_SERVER_FILE.
#include "support/server_access.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace tdu::test {

const server_ports_t& test_server_ports()
{
    static const server_ports_t ports = [] {
        const char* file = std::getenv("TDU_TEST_SERVER_FILE");
        if (!file || !*file) throw std::runtime_error("TDU_TEST_SERVER_FILE is not set");
        FILE* f = std::fopen(file, "r");
        if (!f) throw std::runtime_error(std::string("cannot read ") + file);
        server_ports_t p;
        int n = std::fscanf(f, "%d %d", &p.http, &p.garbage);
        std::fclose(f);
        if (n != 2) throw std::runtime_error(std::string("no ports in ") + file);
        return p;
    }();
    return ports;
}

} // namespace tdu::test
