# Language-monitor and driver registration against Wine's real spooler.

# TESTLMON, the do-nothing language monitor, is a peer: tests/peers/langmon.
monsetup_add_test(language_monitors_tests
    SOURCES language_monitors_test.cpp monitors_spooler_calls.cpp
    LIBS app install_test_support
    WINVERS win98 nt40 win2k)
add_dependencies(language_monitors_tests TESTLMON MONCHK04)
