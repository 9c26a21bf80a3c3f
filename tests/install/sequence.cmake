# The install sequence: directory creation, and whole install runs.
monsetup_add_test(install_sequence_tests
    SOURCES install_sequence_test.cpp
    LIBS app install_test_support shell32 ole32
    WINVERS win98 nt40 win2k)
add_dependencies(install_sequence_tests MONCHK04 setup_host fake_sdk fake_copyexec TESTLMON)

