#pragma once
// The code of the last failure, one per thread. The code that fails sets it
// next to returning false (or -1); whoever chooses what to show the user
// reads it on the same thread, or, for a job of a worker (worker.h), from the
// job's result, which carries the job thread's code to the interface thread.
// A code is never read across threads, so a download failing meanwhile
// cannot change what a scan's error box says.
//
// Codes:
//    3  every update mirror failed, the last with HTTP 504 or no answer at all
//    4  a download file cannot be opened
//    5  writing a download file failed
//    7  an HTTP transfer object cannot be created
//   10  the operating-system version cannot be read
//   12  the power status cannot be read
//   16  the setup class list cannot be built
//   17  the device list cannot be created
//   19  device enumeration stopped with an error
//   20  every update mirror failed, the last with another HTTP status or a
//       transfer error after an answer
//   21  the update response cannot be read
//   24  the update request body cannot be compressed
//   25  a download grew larger than its expected size
//   26  a worker's job ended with an exception (out of memory, for example)
//   27  a worker's job stopped on request (at exit) before it was done
//   29  the local driver folder cannot be used (the request's error_text says why)
//   28  no answer of the update service came with a valid signature
#include <cstdint>

namespace tdu {

enum last_error : int32_t {
    error_network_timeout = 3,
    error_download_open = 4,
    error_download_write = 5,
    error_transfer_create = 7,
    error_os_version = 10,
    error_power_status = 12,
    error_class_list = 16,
    error_device_list = 17,
    error_device_enum = 19,
    error_network_status = 20,
    error_bad_response = 21,
    error_compress = 24,
    error_download_too_large = 25,
    error_worker_exception = 26,
    error_stopped = 27,
    error_answer_refused = 28,
    error_driver_folder = 29,
};

// This thread's code.
void set_last_error(int32_t code);
int32_t get_last_error();

} // namespace tdu
