# The public key the program trusts for the update service's answers, built
# in: the minisign public key file TDU_ANSWER_KEY_FILE names.
#
# A release build names the service's real key. Without one, configuring
# makes a test key pair with minisign into the build folder (the secret key
# never leaves it) and builds its public key in; the tests that sign
# answers as the service would use that pair. Such a build is for tests and
# the demo only: its configure step says so.
set(TDU_ANSWER_KEY_FILE "" CACHE FILEPATH
    "minisign public key file of the update service's answers (empty: a test key made at configure time)")

set(TDU_TEST_ANSWER_KEY_DIR "${CMAKE_BINARY_DIR}/test-answer-key")
if(TDU_ANSWER_KEY_FILE)
    set(tdu_answer_key_file "${TDU_ANSWER_KEY_FILE}")
else()
    set(tdu_answer_key_file "${TDU_TEST_ANSWER_KEY_DIR}/answer.pub")
    if(NOT EXISTS "${tdu_answer_key_file}")
        find_program(TDU_MINISIGN minisign REQUIRED)
        file(MAKE_DIRECTORY "${TDU_TEST_ANSWER_KEY_DIR}")
        execute_process(
            COMMAND ${TDU_MINISIGN} -G -W -f -p "${TDU_TEST_ANSWER_KEY_DIR}/answer.pub"
                    -s "${TDU_TEST_ANSWER_KEY_DIR}/answer.key"
            RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "minisign could not make the test answer key pair")
        endif()
    endif()
    message(STATUS "answers: the built-in key is a TEST key (${tdu_answer_key_file}); set TDU_ANSWER_KEY_FILE for a release")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${tdu_answer_key_file}")

# The key line: the first line that is not the untrusted comment.
file(STRINGS "${tdu_answer_key_file}" tdu_answer_key_lines)
set(TDU_BUILTIN_ANSWER_KEY "")
foreach(line IN LISTS tdu_answer_key_lines)
    string(STRIP "${line}" line)
    if(line AND NOT line MATCHES "^untrusted comment:")
        set(TDU_BUILTIN_ANSWER_KEY "${line}")
        break()
    endif()
endforeach()
if(NOT TDU_BUILTIN_ANSWER_KEY MATCHES "^[A-Za-z0-9+/]+=*$")
    message(FATAL_ERROR "${tdu_answer_key_file} holds no minisign public key")
endif()
configure_file(${CMAKE_SOURCE_DIR}/src/service/builtin_answer_key.h.in
               ${CMAKE_BINARY_DIR}/generated/service/builtin_answer_key.h @ONLY)
