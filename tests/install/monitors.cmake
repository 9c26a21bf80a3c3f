# Language-monitor and driver registration against Wine's real spooler.

# A language monitor of our own that does nothing; the tests copy it into
# the system directory as the product's monitor DLL.
add_library(TESTLMON SHARED langmon_dll/langmon.cpp langmon_dll/langmon.def)
set_target_properties(TESTLMON PROPERTIES PREFIX "" OUTPUT_NAME TESTLMON)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_link_options(TESTLMON PRIVATE -Wl,--enable-stdcall-fixup)
endif()

monsetup_add_test(language_monitors_tests
    SOURCES language_monitors_test.cpp monitors_spooler_calls.cpp
            ${PROJECT_SOURCE_DIR}/tests/app/app_test_support.cpp
    LIBS monchk_all test_support
    WINVERS win98 nt40 win2k)
target_include_directories(language_monitors_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/app)
add_dependencies(language_monitors_tests TESTLMON MONCHK04)
