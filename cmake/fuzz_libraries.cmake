# The libFuzzer build's own zlib, minizip and TinyXML (included by
# dependencies.cmake when TDU_LIBFUZZER is on and the compiler is clang).
#
# The system's shared libraries carry no coverage hooks and no sanitizer
# checks: a fuzzer linked with them is blind inside the parsers and
# inflaters, where the size and depth faults lie. So the fuzz build compiles
# the three from the same Debian source packages the Windows build uses
# (scripts/build-cross-deps unpacks them below $TDU_DEPS/src), with the
# coverage hooks and the sanitizers of the rest of the build, and the
# targets tdu_fuzz_zlib, tdu_fuzz_minizip and tdu_fuzz_tinyxml stand in for
# the system libraries everywhere (the core, the tests, the update service).

set(tdu_fuzz_deps "$ENV{TDU_DEPS}")
if(NOT tdu_fuzz_deps)
    set(tdu_fuzz_deps ${CMAKE_SOURCE_DIR}/.deps)
endif()

# The unpacked source folder of a package: the first match of `pattern`
# below the sources that holds `file`.
function(tdu_fuzz_source_dir out pattern file)
    file(GLOB candidates LIST_DIRECTORIES true "${tdu_fuzz_deps}/src/${pattern}")
    foreach(dir ${candidates})
        if(EXISTS "${dir}/${file}")
            set(${out} "${dir}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "The libFuzzer build compiles ${file} from its source package, which is not below "
                        "${tdu_fuzz_deps}/src: run scripts/setup first.")
endfunction()

tdu_fuzz_source_dir(zlib_dir "zlib-*/zlib-*" inflate.c)
tdu_fuzz_source_dir(minizip_dir "minizip-*/minizip-*" unzip.c)
tdu_fuzz_source_dir(tinyxml_dir "tinyxml-*/tinyxml-*" tinyxmlparser.cpp)

# Sources of other projects: their warnings are not ours.
set(tdu_fuzz_flags -fsanitize=fuzzer-no-link -w)

add_library(tdu_fuzz_zlib STATIC)
foreach(f adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees
          uncompr zutil)
    target_sources(tdu_fuzz_zlib PRIVATE ${zlib_dir}/${f}.c)
endforeach()
target_include_directories(tdu_fuzz_zlib SYSTEM PUBLIC ${zlib_dir})
target_compile_definitions(tdu_fuzz_zlib PRIVATE HAVE_UNISTD_H _LARGEFILE64_SOURCE=1)
target_compile_options(tdu_fuzz_zlib PRIVATE ${tdu_fuzz_flags})

# The program includes <minizip/zip.h>, as the system installs it.
set(minizip_include ${CMAKE_BINARY_DIR}/fuzz_include)
foreach(h ioapi.h zip.h unzip.h crypt.h)
    if(EXISTS ${minizip_dir}/${h})
        configure_file(${minizip_dir}/${h} ${minizip_include}/minizip/${h} COPYONLY)
    endif()
endforeach()
add_library(tdu_fuzz_minizip STATIC ${minizip_dir}/ioapi.c ${minizip_dir}/zip.c ${minizip_dir}/unzip.c)
target_include_directories(tdu_fuzz_minizip SYSTEM PUBLIC ${minizip_include} ${minizip_include}/minizip)
target_compile_options(tdu_fuzz_minizip PRIVATE ${tdu_fuzz_flags})
target_link_libraries(tdu_fuzz_minizip PUBLIC tdu_fuzz_zlib)

add_library(tdu_fuzz_tinyxml STATIC ${tinyxml_dir}/tinyxml.cpp ${tinyxml_dir}/tinystr.cpp
                                    ${tinyxml_dir}/tinyxmlerror.cpp ${tinyxml_dir}/tinyxmlparser.cpp)
target_include_directories(tdu_fuzz_tinyxml SYSTEM PUBLIC ${tinyxml_dir})
# As Debian builds it: the headers and the library must agree.
target_compile_definitions(tdu_fuzz_tinyxml PUBLIC TIXML_USE_STL)
target_compile_options(tdu_fuzz_tinyxml PRIVATE ${tdu_fuzz_flags})
