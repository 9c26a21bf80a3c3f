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

# monsetup_add_japanese_test(<target>): runs the program's Japanese cases
# (*Japanese*) again on 98, NT 4.0 and 2000 in the Japanese configuration,
# where Wine's ANSI code page is 932; a machine without the locale fails them.
function(monsetup_add_japanese_test target)
    foreach(winver win98 nt40 win2k)
        set(name ${target}.ja_JP.${winver})
        add_test(NAME ${name} COMMAND ${target} --gtest_filter=*Japanese*)
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "MONSETUP_WINVER=${winver};LANG=ja_JP.UTF-8;MONSETUP_JAPANESE=1"
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

# monsetup_check_binaries(<program> <dll>): static checks of the shipped
# binaries with the toolchain's objdump, labelled "static" (they need no Wine):
# every import on the reviewed allowlist for this architecture, PE headers
# for Windows 4.0, the DLL's exports, and on i686 the 80486's instructions.
function(monsetup_check_binaries program dll)
    set(dir ${CMAKE_SOURCE_DIR}/tests/binaries)
    add_test(NAME imports_on_allowlist
             COMMAND ${dir}/check_imports.sh ${CMAKE_OBJDUMP} ${dir}/import_allowlist.txt
                     ${CMAKE_SYSTEM_PROCESSOR} $<TARGET_FILE:${program}> $<TARGET_FILE:${dll}>)
    add_test(NAME pe_headers_and_exports
             COMMAND ${dir}/check_pe.sh ${CMAKE_OBJDUMP} ${CMAKE_SYSTEM_PROCESSOR}
                     $<TARGET_FILE:${program}> $<TARGET_FILE:${dll}>)
    set_tests_properties(imports_on_allowlist pe_headers_and_exports PROPERTIES LABELS static)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        # Only 80486 instructions in the code, the runtime's included; the
        # linker maps say where the code ends and which function is which.
        add_test(NAME instructions_80486
                 COMMAND ${dir}/check_processor.sh ${CMAKE_OBJDUMP}
                         $<TARGET_FILE:${program}> ${CMAKE_BINARY_DIR}/maps/${program}.map
                         $<TARGET_FILE:${dll}> ${CMAKE_BINARY_DIR}/maps/${dll}.map)
        add_test(NAME instructions_80486_check_fails
                 COMMAND ${dir}/check_processor_test.sh ${CMAKE_C_COMPILER} ${CMAKE_OBJDUMP})
        set_tests_properties(instructions_80486 instructions_80486_check_fails
                             PROPERTIES LABELS static)
    endif()
endfunction()
