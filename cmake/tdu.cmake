# Helpers the subsystem folders use to add their files to the core and their
# tests to ctest.

# tdu_house_warnings(<targets>): the warnings the core and the programs keep
# clean, as errors (flags that GCC and mingw-w64 both take).
function(tdu_house_warnings)
    foreach(target ${ARGN})
        target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    endforeach()
endfunction()

# tdu_core_sources(<portable files> [WIN32 <Win32 back ends>])
function(tdu_core_sources)
    cmake_parse_arguments(A "" "" "WIN32" ${ARGN})
    target_sources(tdu_core PRIVATE ${A_UNPARSED_ARGUMENTS})
    if(TDU_WINDOWS AND A_WIN32)
        target_sources(tdu_core PRIVATE ${A_WIN32})
    endif()
endfunction()

# Where tests find the files of tests/data, as the test program sees it: the
# Windows test binaries run under Wine, which maps the Linux root to drive Z:.
if(TDU_WINDOWS)
    set(TDU_TEST_DATA_DIR "Z:${CMAKE_SOURCE_DIR}/tests/data")
else()
    set(TDU_TEST_DATA_DIR "${CMAKE_SOURCE_DIR}/tests/data")
endif()

# tdu_test(<name> SOURCES <files> [LIBS <libs>] [WINDOWS_ONLY] [NATIVE_ONLY] [OWN_MAIN]
#          [LABELS <labels>] [TIMEOUT <s>])
# One GoogleTest binary registered as one ctest test. The Windows build runs
# it under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
function(tdu_test name)
    cmake_parse_arguments(A "WINDOWS_ONLY;NATIVE_ONLY;OWN_MAIN" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(A_WINDOWS_ONLY AND NOT TDU_WINDOWS)
        return()
    endif()
    if(A_NATIVE_ONLY AND TDU_WINDOWS)
        return()
    endif()
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE tdu_core tdu_testlib ${A_LIBS} GTest::gtest GTest::gmock)
    if(NOT A_OWN_MAIN)
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    # The build's test key pair (cmake/answer_key.cmake), as the test
    # program sees it.
    if(TDU_WINDOWS)
        set(answer_keys "Z:${TDU_TEST_ANSWER_KEY_DIR}")
    else()
        set(answer_keys "${TDU_TEST_ANSWER_KEY_DIR}")
    endif()
    target_compile_definitions(${name} PRIVATE TDU_TEST_DATA_DIR="${TDU_TEST_DATA_DIR}"
        TDU_TEST_ANSWER_SECRET_KEY="${answer_keys}/answer.key"
        TDU_TEST_ANSWER_PUBLIC_KEY="${answer_keys}/answer.pub")
    if(TDU_WINDOWS)
        set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE OFF)
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    if(NOT A_TIMEOUT)
        set(A_TIMEOUT 300)
    endif()
    set(labels ${A_LABELS})
    if(TDU_WINDOWS)
        list(APPEND labels wine)
    else()
        list(APPEND labels native)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT} LABELS "${labels}")
endfunction()

# tdu_windows_resources(<target> <description> <manifest template>): the
# version resource and the manifest of a Windows program, both with the
# project's version (the one place it is written), the manifest also with
# the build's processor architecture (a 64-bit program that asks for the
# x86 common controls gets no activation context on Windows).
function(tdu_windows_resources target description manifest)
    set(TDU_FILE_DESCRIPTION "${description}")
    set(TDU_INTERNAL_NAME "${target}")
    set(TDU_VERSION_COMMAS
        "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
    # An optional fourth argument: another version "a.b.c.d" (the updater's
    # tests build a program of a higher version).
    if(ARGC GREATER 3)
        string(REPLACE "." "," TDU_VERSION_COMMAS "${ARGV3}")
        set(PROJECT_VERSION "${ARGV3}")
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(TDU_MANIFEST_ARCH amd64)
    else()
        set(TDU_MANIFEST_ARCH x86)
    endif()
    set(TDU_MANIFEST "${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest")
    configure_file(${manifest} ${TDU_MANIFEST} @ONLY)
    configure_file(${CMAKE_SOURCE_DIR}/src/ui/resources/version.rc.in
                   ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()

# tdu_fuzz_target(<name> SOURCES <files> MAX_LEN <bytes> SEEDS <files or folders>
#                 [LIBS <libs>] [INSTRUMENT <library target>])
# A libFuzzer entry point (LLVMFuzzerTestOneInput). The native build runs it
# as a ctest test over its seeds and a fixed series of their mutations
# (tests/support/fuzz_replay_main.cpp), under whatever sanitizer the preset
# sets. Configured with clang and -DTDU_LIBFUZZER=ON, the core (and the
# INSTRUMENT library, and zlib, minizip and TinyXML: see
# fuzz_libraries.cmake) is built with coverage instrumentation and a real
# libFuzzer binary <name>_libfuzzer is made as well, to run by hand:
# <name>_libfuzzer <corpus folder> [seed folders]. It takes inputs of up to
# MAX_LEN bytes, the most its format allows, unless -max_len says otherwise
# (libFuzzer alone would stop at 4 KB, short of every size and depth fault).
option(TDU_LIBFUZZER "with clang: also build libFuzzer binaries of the fuzz targets" OFF)
function(tdu_fuzz_instrument target)
    get_property(instrumented TARGET ${target} PROPERTY TDU_FUZZ_INSTRUMENTED)
    if(NOT instrumented)
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
        set_property(TARGET ${target} PROPERTY TDU_FUZZ_INSTRUMENTED ON)
    endif()
endfunction()
function(tdu_fuzz_target name)
    cmake_parse_arguments(A "" "MAX_LEN;INSTRUMENT" "SOURCES;SEEDS;LIBS" ${ARGN})
    if(TDU_WINDOWS)
        return()
    endif()
    if(NOT A_MAX_LEN)
        message(FATAL_ERROR "tdu_fuzz_target(${name}): MAX_LEN, the largest input its format allows")
    endif()
    add_executable(${name} ${A_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/fuzz_replay_main.cpp)
    target_link_libraries(${name} PRIVATE tdu_core ${A_LIBS})
    target_compile_definitions(${name} PRIVATE TDU_FUZZ_MAX_LEN=${A_MAX_LEN})
    add_test(NAME ${name} COMMAND ${name} ${A_SEEDS})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS "native;fuzz")
    if(TDU_LIBFUZZER AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        tdu_fuzz_instrument(tdu_core)
        tdu_fuzz_instrument(tdu_offers)
        if(A_INSTRUMENT)
            tdu_fuzz_instrument(${A_INSTRUMENT})
        endif()
        add_executable(${name}_libfuzzer ${A_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/fuzz_max_len.cpp)
        target_link_libraries(${name}_libfuzzer PRIVATE tdu_core ${A_LIBS})
        target_compile_definitions(${name}_libfuzzer PRIVATE TDU_FUZZ_MAX_LEN=${A_MAX_LEN})
        target_compile_options(${name}_libfuzzer PRIVATE -fsanitize=fuzzer)
        target_link_options(${name}_libfuzzer PRIVATE -fsanitize=fuzzer)
    endif()
endfunction()
