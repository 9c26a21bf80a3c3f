# Language-monitor and driver registration against Wine's real spooler.

# TESTLMON, the do-nothing language monitor, is a peer: tests/peers/langmon.
monsetup_add_test(language_monitors_tests
    SOURCES language_monitors_test.cpp monitors_spooler_calls.cpp install_test_files.cpp
            ${PROJECT_SOURCE_DIR}/tests/app/app_test_support.cpp
    LIBS monchk_all test_support
    WINVERS win98 nt40 win2k)
target_include_directories(language_monitors_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/app)
add_dependencies(language_monitors_tests TESTLMON MONCHK04)
