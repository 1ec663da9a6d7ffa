# Third-party libraries behind one set of target names for both builds:
# tdu::curl, tdu::zlib, tdu::minizip, tdu::tinyxml, tdu::threads, and GTest.
# Natively they are Debian's -dev packages; for Windows they are the static
# libraries that scripts/build-cross-deps cross-built into TDU_DEPS_PREFIX.

find_package(Threads REQUIRED)
add_library(tdu::threads ALIAS Threads::Threads)

if(NOT WIN32)
    if(TDU_SANITIZE STREQUAL "address")
        add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        add_link_options(-fsanitize=address,undefined)
    elseif(TDU_SANITIZE STREQUAL "thread")
        add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
        add_link_options(-fsanitize=thread)
    endif()

    find_package(PkgConfig REQUIRED)
    find_package(CURL REQUIRED)
    find_package(ZLIB REQUIRED)
    pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
    find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
    find_library(TINYXML_LIBRARY tinyxml REQUIRED)
    add_library(tdu_tinyxml INTERFACE)
    target_include_directories(tdu_tinyxml INTERFACE ${TINYXML_INCLUDE_DIR})
    # Debian builds TinyXML with its STL interface; headers must agree.
    target_compile_definitions(tdu_tinyxml INTERFACE TIXML_USE_STL)
    target_link_libraries(tdu_tinyxml INTERFACE ${TINYXML_LIBRARY})

    add_library(tdu::curl ALIAS CURL::libcurl)
    add_library(tdu::zlib ALIAS ZLIB::ZLIB)
    add_library(tdu::minizip ALIAS PkgConfig::MINIZIP)
    add_library(tdu::tinyxml ALIAS tdu_tinyxml)
    find_package(GTest REQUIRED)
else()
    if(NOT TDU_DEPS_PREFIX)
        if(DEFINED ENV{TDU_DEPS})
            set(TDU_DEPS_PREFIX "$ENV{TDU_DEPS}/mingw32")
        else()
            set(TDU_DEPS_PREFIX "${CMAKE_SOURCE_DIR}/.deps/mingw32")
        endif()
    endif()
    set(TDU_DEPS_PREFIX "${TDU_DEPS_PREFIX}" CACHE PATH "cross-built Windows libraries")
    if(NOT EXISTS "${TDU_DEPS_PREFIX}/lib/libcurl.a")
        message(FATAL_ERROR "no cross-built libraries in ${TDU_DEPS_PREFIX}: run scripts/setup")
    endif()
    list(APPEND CMAKE_FIND_ROOT_PATH "${TDU_DEPS_PREFIX}")

    function(tdu_static_lib name file)
        add_library(${name} STATIC IMPORTED GLOBAL)
        set_target_properties(${name} PROPERTIES
            IMPORTED_LOCATION "${TDU_DEPS_PREFIX}/lib/${file}"
            INTERFACE_INCLUDE_DIRECTORIES "${TDU_DEPS_PREFIX}/include")
    endfunction()
    tdu_static_lib(tdu_zlib libz.a)
    tdu_static_lib(tdu_minizip libminizip.a)
    tdu_static_lib(tdu_tinyxml libtinyxml.a)
    tdu_static_lib(tdu_curl libcurl.a)
    set_property(TARGET tdu_minizip APPEND PROPERTY INTERFACE_LINK_LIBRARIES tdu_zlib)
    set_property(TARGET tdu_tinyxml APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)
    set_property(TARGET tdu_curl APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB)
    set_property(TARGET tdu_curl APPEND PROPERTY INTERFACE_LINK_LIBRARIES
        tdu_zlib ws2_32 crypt32 bcrypt secur32 advapi32 wldap32 normaliz)
    add_library(tdu::zlib ALIAS tdu_zlib)
    add_library(tdu::minizip ALIAS tdu_minizip)
    add_library(tdu::tinyxml ALIAS tdu_tinyxml)
    add_library(tdu::curl ALIAS tdu_curl)
    find_package(GTest REQUIRED CONFIG PATHS "${TDU_DEPS_PREFIX}" NO_DEFAULT_PATH)
endif()
