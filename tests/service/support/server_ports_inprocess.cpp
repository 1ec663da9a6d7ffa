// Native tests run the test server inside the test program, started on first
// use and kept until the program ends.
#include "support/server_access.h"
#include "support/test_http_server.h"

namespace tdu::test {

const server_ports_t& test_server_ports()
{
    static test_http_server_c server;
    static const server_ports_t ports{server.port(), server.garbage_port()};
    return ports;
}

} // namespace tdu::test
