# monsetup_add_test(<target> SOURCES ... [LIBS ...] [WINVERS win98 nt40 ...])
#
# Builds a GoogleTest program and registers it with ctest. Natively it runs
# once. Cross-built, it runs under Wine once per Windows version in WINVERS
# (default: Wine's own default), each run in a fresh copy of the template
# prefix; the test reads MONSETUP_WINVER to know what Wine presents.
function(monsetup_add_test target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;WINVERS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    if(NOT WIN32)
        add_test(NAME ${target} COMMAND ${target})
        return()
    endif()
    if(NOT ARG_WINVERS)
        set(ARG_WINVERS default)
    endif()
    foreach(winver ${ARG_WINVERS})
        set(name ${target}.${winver})
        add_test(NAME ${name} COMMAND ${target})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "MONSETUP_WINVER=${winver}"
            FIXTURES_REQUIRED wine_prefix
            WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
            TIMEOUT 300)
    endforeach()
endfunction()

if(WIN32 AND NOT TARGET wine_prefix_setup)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        set(wine_arch win32)
    else()
        set(wine_arch win64)
    endif()
    # Makes the template prefixes once per build tree; later runs find them.
    add_test(NAME wine_prefix_setup
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh ${MONSETUP_WINE_DIR} ${wine_arch})
    set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 600)
endif()

# monsetup_check_imports(<target>...): the binaries import only system DLLs.
function(monsetup_check_imports)
    set(files)
    foreach(target ${ARGN})
        list(APPEND files $<TARGET_FILE:${target}>)
    endforeach()
    add_test(NAME imports_are_system_dlls
             COMMAND ${CMAKE_SOURCE_DIR}/tests/check_imports.sh ${CMAKE_OBJDUMP} ${files})
endfunction()
